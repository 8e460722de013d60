#include "payload/removal.h"

#include "base/text.h"
#include "payload/validate.h"

const char kRemovalHeader[kRemovalHeaderSize] = "\0Screen saver removal record 1\x1A";
const char kUninstallerName[] = "UNINSTAL.EXE";
const char kQuietSwitch[] = "/quiet";

bool IsRemovalMark(const char title[kTitleSize]) {
    for (int i = 0; i < kTitleSize; ++i)
        if (title[i] != kRemovalHeader[i]) return false;
    return true;
}

// A name of a file or folder the installation made: no folder in it, and
// nothing Windows would not create.
static bool MadeName(const char* name) {
    for (const char* c = name; *c; ++c)
        if (!SafeNameCharacter((unsigned char)*c)) return false;
    return UsableName(name, 0);
}

bool ReadRemovalRecord(ByteReader& r, RemovalRecord* out) {
    char header[kRemovalHeaderSize];
    if (!ReadExactly(r, header, sizeof header) || !ReadExactly(r, out, sizeof *out)) return false;
    for (int i = 0; i < kRemovalHeaderSize; ++i)
        if (header[i] != kRemovalHeader[i]) return false;
    // Each text ends inside its field.
    const char* texts = reinterpret_cast<const char*>(out);
    for (unsigned end = kPathSize - 1; end < sizeof *out; end += kPathSize)
        if (texts[end]) return false;
    const size_t n = TextLength(out->program);
    return MadeName(out->program) && MadeName(out->base) && n > 4 && SameTextIgnoringCase(out->program + n - 4, ".SCR");
}
