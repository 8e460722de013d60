#include "payload/validate.h"

#include "payload/locator.h"

bool SafeNameCharacter(unsigned char c) {
    static const char kRefused[] = "\\/:*?\"<>|";
    if (c < 0x20 || c == 0x7F) return false;
    for (const char* r = kRefused; *r; ++r)
        if (c == (unsigned char)*r) return false;
    return true;
}

bool EntryExtension(const PayloadEntry& e, char out[kExtensionSize + 1]) {
    int n = 0;
    for (; n < kExtensionSize && e.extension[n]; ++n) {
        if (!SafeNameCharacter((unsigned char)e.extension[n])) {
            out[0] = 0;
            return false;
        }
        out[n] = e.extension[n];
    }
    out[n] = 0;
    return true;
}

bool UsableName(const char* name, char end) {
    for (; *name && *name != end; ++name)
        if (*name != '.' && *name != ' ') return true;
    return false;
}

FilePosition PayloadLimit(FilePosition fileSize, uint32_t certificates) {
    return certificates && certificates < fileSize ? certificates : fileSize;
}

PayloadProblem CheckEntry(int index, const PayloadEntry& e, FilePosition fileSize) {
    char ext[kExtensionSize + 1];
    if (!EntryInsideFile(e, fileSize)) return kPayloadOutsideFile;
    if (e.unpackedSize > kLargestUnpackedSize) return kPayloadTooLarge;
    if (index >= kFirstExtraEntry && !EntryExtension(e, ext)) return kPayloadUnsafeExtension;
    return kPayloadSound;
}

PayloadCheck ValidatePayload(ByteReader& r, FilePosition fileSize, EntryVisitor visit, void* context) {
    PayloadCheck c = {kPayloadSound, -1, 0, 0};
    EntryWalk walk(r);
    if (!walk.Begin()) {
        c.problem = kPayloadNoTable;
        return c;
    }
    c.numberingBase = walk.NumberingBase();
    PayloadEntry e;
    EntryWalk::Step step;
    while ((step = walk.Next(&e)) == EntryWalk::kEntry) {
        const int index = walk.Index();
        c.problem = CheckEntry(index, e, fileSize);
        if (c.problem == kPayloadSound && visit && !visit(context, index, c.numberingBase, e))
            c.problem = kPayloadRefused;
        if (c.problem != kPayloadSound) {
            c.entry = index;
            return c;
        }
        c.entries = index + 1;
    }
    // Writers always end the table; one that runs into the end of the file
    // is an installer cut short. One without entries has nothing to install.
    if (step == EntryWalk::kCutShort) c.problem = kPayloadNoTerminator;
    else if (c.entries == 0) c.problem = kPayloadEmpty;
    return c;
}
