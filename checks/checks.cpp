#include "checks/checks.h"

#include "base/text.h"
#include "install/names.h"
#include "payload/payload.h"
#include "res/texts.h"

namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b) { return a + b < a ? 0xFFFFFFFFu : a + b; }

uint32_t KilobytesOf(uint64_t bytes) {
    const uint64_t k = bytes >> 10;
    return k >= kFailedQuery ? kFailedQuery - 1 : (uint32_t)k;  // all ones means no answer
}

// Asks the shell for the download; tells the user when it can't.
void OfferDownload(Platform& p) {
    const char* address = Text(kTextDownloadAddress);
    if (!p.OpenWithShell(address)) p.ShowMessage(Text(kTextNoConnection), address, kMbOk | kMbIconError);
}

// The missing-library question for `library`: Yes opens the download and
// stops, Cancel stops, any other answer (No) goes on.
int AskMissing(Platform& p, const char* library) {
    char text[kTextSize];
    const char* args[] = {library, Text(kTextDownloadAddress)};
    FormatText(text, sizeof text, Text(kTextMissing), args, 2);
    const int answer = p.ShowMessage(text, Text(kTextMissingCaption), kMbYesNoCancel | kMbIconQuestion);
    if (answer == kIdYes) OfferDownload(p);
    return answer == kIdYes || answer == kIdCancel ? kStop : kGoOn;
}

}  // namespace

int CheckNameConflict(Platform& p, const InstallPlace& where) {
    // No Windows directory, or a path too long to exist: nothing to replace.
    char path[kPathSize];
    if (!where.modulePath[0] || !ScreenSaverPath(where, path, sizeof path)) return kGoOn;
    if (p.QueryPath(path) == kPathMissing) return kGoOn;

    // The file that will be replaced, named as the installer's own name
    // spells it where the two differ only in case (forest.SCR).
    char name[kPathSize];
    if (!InstallerBase(where.modulePath, name, sizeof name - 4) || !AppendText(name, sizeof name, ".SCR") ||
        !SameTextIgnoringCase(name, where.screenSaverName))
        CopyText(name, sizeof name, where.screenSaverName);
    char text[kTextSize];
    const char* args[] = {name};
    FormatText(text, sizeof text, Text(kTextReplace), args, 1);
    if (p.ShowMessage(text, Text(kTextReplaceCaption), kMbYesNo | kMbIconQuestion) != kIdNo) return kGoOn;

    InstallerNameStem(where.modulePath, name, sizeof name - 4);
    AppendText(name, sizeof name, ".EXE");
    FormatText(text, sizeof text, Text(kTextRename), args, 1);
    p.ShowMessage(text, Text(kTextRenameCaption), kMbOk | kMbIconInformation);
    return kStop;
}

int CheckDiskSpace(Platform& p, const InstallPlace& where, uint32_t* total) {
    FileHandle f = LocatePayload(p, where.modulePath);
    if (f == kNoFile) return kGoOn;
    FileReader reader(p, f);
    EntryWalk walk(reader);
    if (walk.Begin()) {
        // The record that ends the table counts too; a short read does not.
        PayloadEntry e;
        for (EntryWalk::Step step = EntryWalk::kEntry; step == EntryWalk::kEntry;) {
            step = walk.Next(&e);
            if (step != EntryWalk::kCutShort) *total = SaturatingAdd(*total, InstalledSize(e));
        }
    }
    p.Close(f);

    // No Windows directory gives no root to ask about: a failed query.
    const uint32_t free = GetFreeKilobytes(p, where.windowsDirectory);
    const uint32_t needed = *total >> 10;
    if (free > needed) return kGoOn;  // a failed query, all ones, passes too
    char neededText[kNumberSize], freeText[kNumberSize], text[kTextSize];
    const char* args[] = {FormatThousands(needed, neededText, sizeof neededText),
                          FormatThousands(free, freeText, sizeof freeText)};
    FormatText(text, sizeof text, Text(kTextDiskFull), args, 2);
    return p.ShowMessage(text, Text(kTextDiskFullCaption), kMbOkCancel | kMbIconInformation) == kIdCancel
               ? kStop
               : kGoOn;
}

uint32_t GetFreeKilobytes(Platform& p, const char* path) {
    // The root: the path's first 32 characters up to their last '\\', or
    // else the drive's root.
    char root[33];
    root[0] = 0;
    AppendTextN(root, sizeof root, path, 32);
    char* slash = const_cast<char*>(FindLast(root, '\\'));
    if (slash) {
        slash[1] = 0;
    } else {
        const bool drive = (path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z' && path[1] == ':';
        if (!drive) return kFailedQuery;
        root[2] = '\\', root[3] = 0;
    }

    Library kernel = p.LoadSystemLibrary("KERNEL32.DLL");
    if (kernel) {
        uint64_t bytes;
        const bool answered = p.FreeBytesAvailable(kernel, root, &bytes);
        p.ReleaseLibrary(kernel);
        if (answered) return KilobytesOf(bytes);
    }
    DiskClusters c;
    if (!p.FreeClusters(root, &c)) return kFailedQuery;
    return KilobytesOf((uint64_t)c.sectorsPerCluster * c.bytesPerSector * c.freeClusters);
}

int CheckGraphicsLibraries(Platform& p) {
    Library gl = p.LoadSystemLibrary("OPENGL32.DLL");
    if (!gl) {
        if (AskMissing(p, "OPENGL32.DLL") == kStop) return kStop;
    } else if (!p.HasEntryPoint(gl, "glGenTextures")) {
        if (p.ShowMessage(Text(kTextOutdated), Text(kTextOutdatedCaption), kMbYesNo | kMbIconQuestion) ==
            kIdNo) {
            p.ReleaseLibrary(gl);
            return kStop;
        }
    }
    if (gl) p.ReleaseLibrary(gl);

    Library glu = p.LoadSystemLibrary("GLU32.DLL");
    if (!glu) return AskMissing(p, "GLU32.DLL");
    p.ReleaseLibrary(glu);
    return kGoOn;
}
