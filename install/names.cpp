#include "install/names.h"

#include "base/text.h"
#include "payload/validate.h"

static const char* AfterLastBackslash(const char* path) {
    const char* slash = FindLast(path, '\\');
    return slash ? slash + 1 : path;
}

bool ScreenSaverFileName(const char* modulePath, char* out, size_t cap) {
    const char* base = AfterLastBackslash(modulePath);
    const char* dot = FindFirst(base, '.');
    size_t keep = dot ? (size_t)(dot - base) : TextLength(base);
    if (cap) out[0] = 0;
    bool ok = AppendTextN(out, cap, base, keep) && AppendText(out, cap, ".SCR");
    UpperAscii(out);
    return ok;
}

// The path cut at its last '.'; returns the length kept.
static size_t LengthBeforeLastDot(const char* path) {
    const char* dot = FindLast(path, '.');
    return dot ? (size_t)(dot - path) : TextLength(path);
}

// The path cut at its last '.', from its last '\\' within that (`skip`
// characters on) or from its start when there is none.
static bool CopyCutPath(const char* modulePath, size_t skip, char* out, size_t cap) {
    size_t keep = LengthBeforeLastDot(modulePath);
    size_t start = 0;
    for (size_t i = 0; i < keep; ++i)
        if (modulePath[i] == '\\') start = i + skip;
    if (cap) out[0] = 0;
    return AppendTextN(out, cap, modulePath + start, keep - start);
}

bool InstallerBase(const char* modulePath, char* out, size_t cap) {
    return CopyCutPath(modulePath, 1, out, cap);
}

bool InstallerNameStem(const char* modulePath, char* out, size_t cap) {
    const char* name = AfterLastBackslash(modulePath);
    const char* dot = FindLast(name, '.');
    if (cap) out[0] = 0;
    return AppendTextN(out, cap, name, dot ? (size_t)(dot - name) : TextLength(name));
}

bool UsableInstallerNames(const char* screenSaverName, const char* installerBase) {
    // The screen-saver name holds one '.', before "SCR".
    return UsableName(screenSaverName, '.') && UsableName(installerBase, 0);
}

bool CompletionDirectoryPart(const char* modulePath, char* out, size_t cap) {
    bool ok = CopyCutPath(modulePath, 0, out, cap);
    UpperAscii(out);
    return ok;
}
