#include "payload/targets.h"

#include "app/text.h"

const char kDataRoot[] = "QUORBEL";
const char kDataParent[] = "SSAVERS";

bool EntryExtension(const PayloadEntry& e, char out[kExtensionSize + 1]) {
    int n = 0;
    for (; n < kExtensionSize && e.extension[n]; ++n) {
        unsigned char c = (unsigned char)e.extension[n];
        // Separators and ':' would leave the directory; the others no file
        // name may hold. Refused before anything is written.
        if (c < 0x20 || c == 0x7F || FindFirst("\\/:*?\"<>|", (char)c)) {
            out[0] = 0;
            return false;
        }
        out[n] = (char)c;
    }
    out[n] = 0;
    return true;
}

bool EntryFileName(int index, uint16_t numberingBase, const PayloadEntry& e,
                   const char* screenSaverName, const char* installerBase,
                   char* out, size_t cap) {
    if (cap) out[0] = 0;
    if (index == kEntryProgram) return CopyText(out, cap, screenSaverName);
    if (index == kEntryMainData)
        return CopyText(out, cap, installerBase) && AppendText(out, cap, ".DAT");
    char ext[kExtensionSize + 1];
    char number[16];
    if (!EntryExtension(e, ext)) return false;
    FormatDecimal((uint32_t)numberingBase + (uint32_t)index - 2, 4, number, sizeof number);
    return CopyText(out, cap, "FILE") && AppendText(out, cap, number) && AppendText(out, cap, ext);
}
