// Finding the payload in an installer file, and the one reader of its
// header and entry table. The stub, the host tests and the authoring tool
// all walk the format through this code.
#ifndef PAYLOAD_LOCATOR_H
#define PAYLOAD_LOCATOR_H

#include "payload/format.h"
#include "payload/reader.h"

// Follows the stub's own headers to the marker resource's data, where the
// payload starts: the ".rsrc" section, then the first entry at each of the
// three resource levels. Leaves r there and returns that position;
// kNoPosition when the file is not laid out that way (or is cut short in
// its headers).
// `places`, when given, receives where the headers say more.
struct ImagePlaces {
    uint32_t certificates;       // where a signed file's certificate table starts; 0 unsigned
    FilePosition securityEntry;  // where the header's 8 bytes that say so lie
    FilePosition resourceEnd;    // where the resource section's raw data ends
};
FilePosition LocatePayloadIn(ByteReader& r, ImagePlaces* places = 0);

// Reads the 32 title bytes at the current position into title (33 bytes,
// zero-filled by the caller); a short read keeps what was read. False when
// nothing could be read.
bool ReadTitleAt(ByteReader& r, char title[kTitleSize + 1]);

// The entry table, walked from a reader positioned at the payload start.
class EntryWalk {
public:
    enum Step { kEntry = 1, kTerminator = 0, kCutShort = -1 };

    explicit EntryWalk(ByteReader& r) : r_(r), base_(0), index_(-1) {}

    // Steps over the title and reads the numbering base. False when the
    // base can't be read: the walk then has no entries.
    bool Begin();
    uint16_t NumberingBase() const { return base_; }

    // Reads the next record into e. kEntry for an entry (its index is
    // Index()); kTerminator for the record that ends the table (e filled:
    // its unpacked size still counts for the total); kCutShort when fewer
    // than 16 bytes could be read, which also ends the table.
    Step Next(PayloadEntry* e);
    int Index() const { return index_; }

private:
    ByteReader& r_;
    uint16_t base_;
    int index_;
};

#endif
