// ByteReaders for the host: over bytes in memory and over a stdio file.
#ifndef TOOL_READERS_H
#define TOOL_READERS_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "payload/reader.h"

class MemoryReader : public ByteReader {
public:
    explicit MemoryReader(const std::vector<uint8_t>& data) : data_(data) {}
    int Read(void* buf, int n) override {
        if (n < 0) return -1;
        uint64_t left = pos_ < data_.size() ? data_.size() - pos_ : 0;
        size_t take = (uint64_t)n < left ? (size_t)n : (size_t)left;
        if (take) std::memcpy(buf, data_.data() + pos_, take);
        pos_ += take;
        return (int)take;
    }
    int64_t Seek(int64_t offset, int origin) override {
        int64_t base = origin == kFromStart ? 0
                       : origin == kFromCurrent ? (int64_t)pos_
                                                : (int64_t)data_.size();
        int64_t to = base + offset;
        if (to < 0) return -1;
        pos_ = (uint64_t)to;
        return to;
    }

private:
    const std::vector<uint8_t>& data_;
    uint64_t pos_ = 0;
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
    int64_t Seek(int64_t offset, int origin) override {
        int whence = origin == kFromStart ? SEEK_SET : origin == kFromCurrent ? SEEK_CUR : SEEK_END;
        if (fseeko(f_, (off_t)offset, whence) != 0) return -1;
        return (int64_t)ftello(f_);
    }

private:
    std::FILE* f_;
};

#endif
