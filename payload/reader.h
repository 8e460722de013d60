// A random-access byte source. The payload reader and the decoder see files
// only through this, so the same code runs in the stub, in the host tests
// and in the authoring tool.
#ifndef PAYLOAD_READER_H
#define PAYLOAD_READER_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/bytes.h"
#include "lzhuf/stream.h"

class ByteReader : public ByteSource {
public:
    // Moves `offset` bytes forward from the origin; the new position, or
    // kNoPosition when the seek fails or would reach kNoPosition or beyond.
    virtual FilePosition Seek(uint32_t offset, SeekOrigin origin) = 0;

protected:
    ~ByteReader() {}
};

// Reads exactly n bytes; false on a short read or an error.
inline bool ReadExactly(ByteReader& r, void* buf, int n) { return r.Read(buf, n) == n; }

// Bytes in memory as a ByteReader.
class MemoryReader final : public ByteReader {
public:
    MemoryReader(const uint8_t* data, size_t size) : data_(data), size_(size), pos_(0) {}
    // Any contiguous bytes with data() and size(), such as a vector.
    template <class Bytes>
    explicit MemoryReader(const Bytes& b) : MemoryReader(b.data(), b.size()) {}
    int Read(void* buf, int n) override {
        if (n < 0) return -1;
        uint64_t left = pos_ < size_ ? size_ - pos_ : 0;
        size_t take = (uint64_t)n < left ? (size_t)n : (size_t)left;
        if (take) memcpy(buf, data_ + pos_, take);
        pos_ += take;
        return (int)take;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        const uint64_t base = origin == kSeekSet ? 0 : origin == kSeekCur ? pos_ : size_;
        if (base + offset >= kNoPosition) return kNoPosition;
        pos_ = base + offset;
        return (FilePosition)pos_;
    }

private:
    const uint8_t* data_;
    size_t size_;
    uint64_t pos_;
};

#endif
