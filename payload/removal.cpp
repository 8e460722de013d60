#include "payload/removal.h"

#include "base/text.h"
#include "payload/validate.h"

const char kRemovalMark[kTitleSize] = "\0Screen saver removal record 1\x1A";
const char kUninstallerName[] = "UNINSTAL.EXE";
const char kQuietSwitch[] = "/quiet";

bool IsRemovalMark(const char title[kTitleSize]) {
    for (int i = 0; i < kTitleSize; ++i)
        if (title[i] != kRemovalMark[i]) return false;
    return true;
}

void StartRemovalRecord(RemovalRecord* r) {
    for (int i = 0; i < kTitleSize; ++i) r->header[i] = kRemovalMark[i];
}

// A name of a file or folder the installation made: no folder in it, and
// nothing Windows would not create.
static bool MadeName(const char* name) {
    for (const char* c = name; *c; ++c)
        if (!SafeNameCharacter((unsigned char)*c)) return false;
    return UsableName(name, 0);
}

bool ReadRemovalRecord(ByteReader& r, RemovalRecord* out) {
    if (!ReadExactly(r, out, sizeof *out) || !IsRemovalMark(out->header)) return false;
    // After the mark, the empty table.
    for (int i = kTitleSize; i < kRemovalHeaderSize; ++i)
        if (out->header[i]) return false;
    out->written[kPathSize - 1] = out->previous[kPathSize - 1] = out->program[kPathSize - 1] = out->base[kPathSize - 1] = 0;
    const size_t n = TextLength(out->program);
    return MadeName(out->program) && MadeName(out->base) && n > 4 && SameTextIgnoringCase(out->program + n - 4, ".SCR");
}
