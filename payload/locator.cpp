#include "payload/locator.h"

#include <string.h>

namespace {

// A PE file has at most this many sections; a search that has not met
// ".rsrc" by then is reading something that is not a section table.
const int kMaxSections = 96;
const int kPeHeaderPointer = 60;
const int kPeHeadersSize = 4 + 20 + 224;  // signature, file header, PE32 optional header
const int kSectionHeaderSize = 40;
const int kDirectoryHeaderSize = 16;
const uint32_t kSubdirectoryBit = 0x80000000u;
// The fifth data directory of the PE32 optional header (after the 4-byte
// signature and the 20-byte file header).
const int kSecurityDirectory = 4 + 20 + 96 + 8 * 4;

bool SeekTo(ByteReader& r, FilePosition pos) {
    return pos != kNoPosition && r.Seek(pos, kSeekSet) == pos;
}

// a + b, or kNoPosition when that passes 32 bits.
FilePosition Add(FilePosition a, uint32_t b) { return a + b < a ? kNoPosition : a + b; }

bool ReadLE32(ByteReader& r, uint32_t* v) {
    unsigned char b[4];
    if (!ReadExactly(r, b, 4)) return false;
    *v = GetLE32(b);
    return true;
}

bool IsResourceSectionName(const unsigned char name[8]) {
    static const char kName[] = ".rsrc";  // compared as a NUL-terminated string
    for (int i = 0; i < 6; ++i)
        if (name[i] != (unsigned char)kName[i]) return false;
    return true;
}

}  // namespace

FilePosition LocatePayloadIn(ByteReader& r, ImagePlaces* places) {
    uint32_t peOffset;
    if (!SeekTo(r, kPeHeaderPointer) || !ReadLE32(r, &peOffset)) return kNoPosition;
    unsigned char headers[kPeHeadersSize];
    if (!SeekTo(r, peOffset) || !ReadExactly(r, headers, sizeof headers)) return kNoPosition;
    ImagePlaces found;
    // The security directory: a file position, not an address.
    found.certificates = GetLE32(headers + kSecurityDirectory);
    found.securityEntry = Add(peOffset, kSecurityDirectory);

    unsigned char section[kSectionHeaderSize];
    int i = 0;
    for (;; ++i) {
        if (i == kMaxSections || !ReadExactly(r, section, sizeof section)) return kNoPosition;
        if (IsResourceSectionName(section)) break;
    }
    const uint32_t sectionVa = GetLE32(section + 12);
    const FilePosition resourceBase = GetLE32(section + 20);
    found.resourceEnd = Add(resourceBase, GetLE32(section + 16));

    // The root directory's first entry leads to the name level's directory,
    // its first entry to the language level's, and the first entry there to
    // the data entry: the data's address, then its size. A directory's
    // entries follow its header.
    const FilePosition entryBase = Add(resourceBase, kDirectoryHeaderSize);
    FilePosition at = entryBase;
    unsigned char entry[8];
    for (int level = 0;; ++level) {
        if (!SeekTo(r, at) || !ReadExactly(r, entry, sizeof entry)) return kNoPosition;
        if (level == 3) break;
        // A data entry's offset has its top bit clear; it is taken as it is.
        const uint32_t offset = GetLE32(entry + 4);
        at = level < 2 ? Add(entryBase, offset & ~kSubdirectoryBit) : Add(resourceBase, offset);
    }
    const uint32_t dataRva = GetLE32(entry);
    // The data lies in the section: its address is past the section's.
    if (dataRva < sectionVa) return kNoPosition;
    const FilePosition payloadStart = Add(resourceBase, dataRva - sectionVa);
    if (!SeekTo(r, payloadStart)) return kNoPosition;
    if (places) *places = found;
    return payloadStart;
}

bool ReadTitleAt(ByteReader& r, char title[kTitleSize + 1]) {
    int n = r.Read(title, kTitleSize);
    title[kTitleSize] = 0;
    return n > 0;
}

bool EntryWalk::Begin() {
    index_ = -1;
    unsigned char base[kBaseSize];
    if (r_.Seek(kTitleSize, kSeekCur) == kNoPosition || !ReadExactly(r_, base, sizeof base))
        return false;
    base_ = GetLE16(base);
    return true;
}

EntryWalk::Step EntryWalk::Next(PayloadEntry* e) {
    unsigned char raw[kEntrySize];
    if (!ReadExactly(r_, raw, sizeof raw)) return kCutShort;
    DecodeEntry(raw, e);
    if (e->storedSize == 0) return kTerminator;
    ++index_;
    return kEntry;
}

void DecodeEntry(const unsigned char raw[kEntrySize], PayloadEntry* e) {
    e->offset = GetLE32(raw);
    e->storedSize = GetLE32(raw + 4);
    e->unpackedSize = GetLE32(raw + 8);
    memcpy(e->extension, raw + 12, kExtensionSize);
}

void EncodeEntry(const PayloadEntry& e, unsigned char raw[kEntrySize]) {
    PutLE32(raw, e.offset);
    PutLE32(raw + 4, e.storedSize);
    PutLE32(raw + 8, e.unpackedSize);
    memcpy(raw + 12, e.extension, kExtensionSize);
}
