// The payload appended to the stub: a 32-byte title, a 16-bit numbering
// base, then 16-byte entries ended by one whose stored size is 0, then the
// entries' bytes. All integers little-endian.
#ifndef PAYLOAD_FORMAT_H
#define PAYLOAD_FORMAT_H

#include <stdint.h>

#include "base/bytes.h"
#include "lzhuf/lzhuf.h"

enum {
    kTitleSize = 32,
    kBaseSize = 2,
    kEntrySize = 16,
    kHeaderSize = kTitleSize + kBaseSize,
    kExtensionSize = 4,
};

// Entry roles by index.
enum { kEntryProgram = 0, kEntryMainData = 1, kFirstExtraEntry = 2 };

struct PayloadEntry {
    uint32_t offset;        // absolute position in the installer file
    uint32_t storedSize;    // 0 marks the terminator
    uint32_t unpackedSize;  // 0: stored as is; else an LZHUF stream
    char extension[kExtensionSize];  // not NUL-terminated when all 4 are used
};

void DecodeEntry(const unsigned char raw[kEntrySize], PayloadEntry* e);
void EncodeEntry(const PayloadEntry& e, unsigned char raw[kEntrySize]);

// A packed entry unpacks to at most this many bytes.
const uint32_t kLargestUnpackedSize = kLargestStreamOutput;

// The entry's stored bytes lie inside a file of fileSize bytes.
inline bool EntryInsideFile(const PayloadEntry& e, FilePosition fileSize) {
    return e.storedSize <= fileSize && e.offset <= fileSize - e.storedSize;
}

// The bytes the installation writes for an entry: its unpacked size, or its
// stored size when it is stored as is.
inline uint32_t InstalledSize(const PayloadEntry& e) {
    return e.unpackedSize ? e.unpackedSize : e.storedSize;
}

#endif
