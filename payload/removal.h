// The removal record: what an installation wrote, kept in its uninstaller.
//
// An uninstaller is the installer's stub part with this record where the
// payload stood. Its first 50 bytes are a mark in the title's place (a NUL
// first, so no title an author can give) and an empty table: to a reader of
// installers, an installer that holds nothing, which no installer is. An
// old stub refuses it as holding no screen saver. The mark ends in the
// record's version; this is version 2.
//
// Then four texts of kPathSize bytes each, NUL-filled: the screen-saver
// setting the installation made, the setting before it ("" for none), the
// program's name in the Windows directory and the data folder's (the
// installer base) in QUORBEL\SSAVERS. Then the installer's own header and
// entry table, to its terminator: the title, and what makes the names and
// sizes of the files it wrote (the entries' offsets point into the
// installer, not here). Then, for each entry in table order, the checksum
// of the bytes the installation wrote for it (4 bytes, little-endian): a
// file is the installation's own only while its bytes still have it.
#ifndef PAYLOAD_REMOVAL_H
#define PAYLOAD_REMOVAL_H

#include "base/sizes.h"
#include "payload/format.h"
#include "payload/reader.h"

enum { kRemovalHeaderSize = kHeaderSize + kEntrySize, kRemovalRecordVersion = 2, kChecksumSize = 4 };
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

// The uninstaller's file name in the data folder, the name it is written
// under until it is whole, the name it moves itself to when it has removed
// its installation (so that a new installation's UNINSTAL.EXE is never the
// file Windows deletes at the next start).
extern const char kUninstallerName[];     // "UNINSTAL.EXE"
extern const char kUninstallerNewName[];  // "UNINSTAL.NEW"
extern const char kUninstallerOldName[];  // "UNINSTAL.OLD"

// The version of the record whose mark the 32 title bytes at a payload's
// start hold: 0 when they hold none.
int RemovalMarkVersion(const char title[kTitleSize]);
inline bool IsRemovalMark(const char title[kTitleSize]) { return RemovalMarkVersion(title) != 0; }

// Whether a record may name a program or data folder so: something Windows
// can create, with no folder in it, that names no device (CON, NUL, COM1,
// ...) and holds no "~" and digit, as the short forms of other names do
// (FOREST~1.SCR may be another file's short name).
bool RecordableName(const char* name);

// Reads the record's header and texts from a reader at the payload start,
// and leaves it at the installer's header. A text that fills its field is
// cut to fit. False when they are not there, the version is not this one,
// or a name is none the installation could have made (RecordableName, the
// program ending in ".SCR"): so a record names nothing outside the Windows
// directory and that folder. A previous setting that is no plain path to a
// .SCR (a control character in it, say) is read as none.
bool ReadRemovalRecord(ByteReader& r, RemovalRecord* out);

#endif
