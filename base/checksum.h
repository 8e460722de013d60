// The checksum that identifies a file the installation wrote: CRC-32 (the
// polynomial of zip and PNG), computed in pieces as the bytes go by.
#ifndef BASE_CHECKSUM_H
#define BASE_CHECKSUM_H

#include <stddef.h>
#include <stdint.h>

// The checksum of the bytes so far and then these; 0 before any byte.
uint32_t Checksum(uint32_t sofar, const void* data, size_t n);

#endif
