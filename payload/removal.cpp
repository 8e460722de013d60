#include "payload/removal.h"

#include <string.h>

#include "base/text.h"
#include "payload/validate.h"

// Every version's mark but for its last digit, which is the version.
const char kRemovalMark[kTitleSize] = "\0Screen saver removal record 2\x1A";
enum { kVersionAt = kTitleSize - 3 };
const char kUninstallerName[] = "UNINSTAL.EXE";
const char kUninstallerNewName[] = "UNINSTAL.NEW";
const char kUninstallerOldName[] = "UNINSTAL.OLD";

int RemovalMarkVersion(const char title[kTitleSize]) {
    for (int i = 0; i < kTitleSize; ++i)
        if (i != kVersionAt && title[i] != kRemovalMark[i]) return 0;
    const int v = title[kVersionAt] - '0';
    return v >= 1 && v <= 9 ? v : 0;
}

void StartRemovalRecord(RemovalRecord* r) {
    memcpy(r->header, kRemovalMark, kTitleSize);
}

// The names Windows takes for devices, whatever follows a '.' or trailing
// spaces: CON, PRN, AUX and NUL, and COM and LPT with a digit from 1 (or a
// superscript digit of Windows-1252), in either case.
static bool DeviceName(const char* name) {
    size_t n = 0;
    while (name[n] && name[n] != '.') ++n;
    while (n && name[n - 1] == ' ') --n;
    const unsigned char d = n == 4 ? (unsigned char)name[3] : 0;
    if (n == 4 ? !((d >= '1' && d <= '9') || d == 0xB9 || d == 0xB2 || d == 0xB3) : n != 3) return false;
    for (const char* k = n == 3 ? "CONPRNAUXNUL" : "COMLPT"; *k; k += 3) {
        int i = 0;
        while (i < 3 && (name[i] & ~0x20) == k[i]) ++i;
        if (i == 3) return true;
    }
    return false;
}

bool RecordableName(const char* name) {
    for (const char* c = name; *c; ++c)
        if (!SafeNameCharacter((unsigned char)*c) || (*c == '~' && c[1] >= '0' && c[1] <= '9')) return false;
    return UsableName(name, 0) && !DeviceName(name);
}

static bool EndsInScr(const char* text) {
    const size_t n = TextLength(text);
    return n > 4 && SameTextIgnoringCase(text + n - 4, ".SCR");
}

bool ReadRemovalRecord(ByteReader& r, RemovalRecord* out) {
    if (!ReadExactly(r, out, sizeof *out) || RemovalMarkVersion(out->header) != kRemovalRecordVersion) return false;
    // After the mark, the empty table.
    for (int i = kTitleSize; i < kRemovalHeaderSize; ++i)
        if (out->header[i]) return false;
    out->written[kPathSize - 1] = out->previous[kPathSize - 1] = out->program[kPathSize - 1] = out->base[kPathSize - 1] = 0;
    // The setting to put back is written to system.ini as it is: a line
    // break in it would add lines there.
    bool plain = EndsInScr(out->previous);
    for (const char* c = out->previous; *c; ++c) plain &= (unsigned char)*c >= 0x20 && *c != 0x7F;
    if (!plain) out->previous[0] = 0;
    return RecordableName(out->program) && RecordableName(out->base) && EndsInScr(out->program);
}
