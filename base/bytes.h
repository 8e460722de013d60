// Bytes as files and buffers hold them: little-endian fields, and where a
// seek counts from.
#ifndef BASE_BYTES_H
#define BASE_BYTES_H

#include <stdint.h>

enum SeekOrigin { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

// A position in a file. Installers count in 32 bits (their entries' offsets
// are 32-bit), so positions are too; all ones stands for a failed seek or a
// position past what 32 bits count, which no installer reaches.
typedef uint32_t FilePosition;
const FilePosition kNoPosition = 0xFFFFFFFFu;

inline uint32_t GetLE32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
inline uint16_t GetLE16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline void PutLE32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}
inline void PutLE16(unsigned char* p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

#endif
