#include "payload/validate.h"

#include "payload/locator.h"

bool EntryExtension(const PayloadEntry& e, char out[kExtensionSize + 1]) {
    static const char kRefused[] = "\\/:*?\"<>|";
    int n = 0;
    for (; n < kExtensionSize && e.extension[n]; ++n) {
        const unsigned char c = (unsigned char)e.extension[n];
        bool refused = c < 0x20 || c == 0x7F;
        for (const char* r = kRefused; *r; ++r) refused = refused || c == (unsigned char)*r;
        if (refused) {
            out[0] = 0;
            return false;
        }
        out[n] = (char)c;
    }
    out[n] = 0;
    return true;
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
