// Byte sources and sinks for the host: a stdio file to read, memory to
// write to.
#ifndef AUTHORING_READERS_H
#define AUTHORING_READERS_H

#include <cstdint>
#include <cstdio>
#include <vector>

#include "payload/reader.h"

// Appends what is written to a vector.
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<uint8_t>* out) : out_(out) {}
    int Write(const void* buf, int n) override {
        out_->insert(out_->end(), (const uint8_t*)buf, (const uint8_t*)buf + n);
        return n;
    }

private:
    std::vector<uint8_t>* out_;
};

class StdioReader : public ByteReader {
public:
    explicit StdioReader(std::FILE* f) : f_(f) {}
    int Read(void* buf, int n) override {
        if (n < 0) return -1;
        size_t got = std::fread(buf, 1, (size_t)n, f_);
        if (got < (size_t)n && std::ferror(f_)) return -1;
        return (int)got;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        int whence = origin == kSeekSet ? SEEK_SET : origin == kSeekCur ? SEEK_CUR : SEEK_END;
        if (fseeko(f_, (off_t)offset, whence) != 0) return kNoPosition;
        const off_t at = ftello(f_);
        return at < 0 || (uint64_t)at >= kNoPosition ? kNoPosition : (FilePosition)at;
    }

private:
    std::FILE* f_;
};

#endif
