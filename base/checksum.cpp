#include "base/checksum.h"

// Bit by bit rather than by a table: the stub carries no 1 KB table, and
// this runs once over each byte it writes or removes.
uint32_t Checksum(uint32_t sofar, const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint32_t c = ~sofar;
    while (n--) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}
