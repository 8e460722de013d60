#include "install/targets.h"

#include "base/sizes.h"
#include "base/text.h"
#include "payload/validate.h"

const char kDataRoot[] = "QUORBEL";
const char kDataParent[] = "SSAVERS";

bool ScreenSaverPath(const InstallPlace& where, char* out, size_t cap) {
    return where.windowsDirectory[0] && JoinPath(out, cap, where.windowsDirectory, where.screenSaverName);
}

bool DataFolderPath(const char* windowsDirectory, const char* base, char* out) {
    return JoinPath(out, kPathSize, windowsDirectory, kDataRoot) && JoinPath(out, kPathSize, out, kDataParent) &&
           JoinPath(out, kPathSize, out, base);
}

bool EntryFileName(int index, uint16_t numberingBase, const PayloadEntry& e,
                   const char* screenSaverName, const char* installerBase,
                   char* out, size_t cap) {
    if (cap) out[0] = 0;
    if (index == kEntryProgram) return CopyText(out, cap, screenSaverName);
    if (index == kEntryMainData) return FormatText(out, cap, "%s.DAT", &installerBase, 1);
    char ext[kExtensionSize + 1];
    char number[16];
    if (!EntryExtension(e, ext)) return false;
    FormatDecimal((uint32_t)numberingBase + (uint32_t)index - 2, 4, number, sizeof number);
    const char* parts[] = {number, ext};
    return FormatText(out, cap, "FILE%s%s", parts, 2);
}
