// A ByteReader over a stdio file, for the host.
#ifndef TOOL_READERS_H
#define TOOL_READERS_H

#include <cstdint>
#include <cstdio>

#include "payload/reader.h"

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
