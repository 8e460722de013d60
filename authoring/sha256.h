// SHA-256, for the digest the front ends show of an installer they wrote.
#ifndef AUTHORING_SHA256_H
#define AUTHORING_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void Add(const void* data, size_t n);
    // The digest in lower-case hex; the object is spent afterwards.
    std::string Hex();

private:
    void Block(const uint8_t* p);
    uint32_t h_[8];
    uint8_t buf_[64];
    uint64_t bytes_ = 0;
};

// The digest of a file's bytes; "" when it can't be read.
std::string FileSha256(const std::string& path);

#endif
