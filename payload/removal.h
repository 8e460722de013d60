// The removal record: what an installation wrote, kept in its uninstaller.
//
// An uninstaller is the installer's stub part with this record where the
// payload stood. Its first 50 bytes are a mark in the title's place (a NUL
// first, so no title an author can give) and an empty table: to a reader of
// installers, an installer that holds nothing, which no installer is. An
// old stub refuses it as holding no screen saver.
//
// Then four texts of kPathSize bytes each, NUL-filled: the screen-saver
// setting the installation made, the setting before it ("" for none), the
// program's name in the Windows directory and the data folder's (the
// installer base) in QUORBEL\SSAVERS. Then the installer's own header and
// entry table, to its terminator: the title, and what makes the names and
// sizes of the files it wrote (the entries' offsets point into the
// installer, not here).
#ifndef PAYLOAD_REMOVAL_H
#define PAYLOAD_REMOVAL_H

#include "base/sizes.h"
#include "payload/format.h"
#include "payload/reader.h"

enum { kRemovalHeaderSize = kHeaderSize + kEntrySize };
extern const char kRemovalMark[kTitleSize];

struct RemovalRecord {
    char header[kRemovalHeaderSize];  // the mark, then an empty table
    char written[kPathSize];
    char previous[kPathSize];
    char program[kPathSize];
    char base[kPathSize];
};
enum { kRemovalRecordSize = kRemovalHeaderSize + 4 * kPathSize };
static_assert(sizeof(RemovalRecord) == kRemovalRecordSize, "the record has no padding");

// A record of these texts, its header filled in.
void StartRemovalRecord(RemovalRecord* r);

// The uninstaller's file name in the data folder, and its quiet switch.
extern const char kUninstallerName[];  // "UNINSTAL.EXE"
extern const char kQuietSwitch[];      // "/quiet"

// Whether the 32 title bytes at a payload's start mark a removal record.
bool IsRemovalMark(const char title[kTitleSize]);

// Reads the record's header and texts from a reader at the payload start,
// and leaves it at the installer's header. A text that fills its field is
// cut to fit. False when they are not there, or a name is none the
// installation could have
// made: the program and the folder must name something Windows can create,
// with no folder in it, the program ending in ".SCR". So a record names
// nothing outside the Windows directory and that folder.
bool ReadRemovalRecord(ByteReader& r, RemovalRecord* out);

#endif
