#include "checks/checks.h"

#include "base/text.h"
#include "install/names.h"
#include "payload/payload.h"
#include "res/texts.h"

namespace {

// A check's question, under its caption: the text that follows it.
static_assert(kTextReplaceCaption == kTextReplace + 1 && kTextRenameCaption == kTextRename + 1 &&
                  kTextDiskFullCaption == kTextDiskFull + 1 && kTextMissingCaption == kTextMissing + 1 &&
                  kTextOutdatedCaption == kTextOutdated + 1,
              "each check's question comes just before its caption");
int AskCheck(Session& s, TextId id, const char* const* args, int count, unsigned style, int unattended) {
    return s.Ask(id, args, count, Text((TextId)(id + 1)), style, unattended);
}

uint32_t SaturatingAdd(uint32_t a, uint32_t b) { return a + b < a ? 0xFFFFFFFFu : a + b; }

uint32_t KilobytesOf(uint64_t bytes) {
    const uint64_t k = bytes >> 10;
    return k >= kFailedQuery ? kFailedQuery - 1 : (uint32_t)k;  // all ones means no answer
}

// Asks the shell for the download at `address`; tells the user when it
// can't.
void OfferDownload(Session& s, const char* address) {
    if (!s.p.OpenWithShell(address)) s.Ask(kTextNoConnection, 0, 0, address, kMbOk | kMbIconError, kIdOk);
}

// The missing-library question for `library`: Yes opens the download and
// stops, Cancel stops, any other answer (No) goes on. Unattended, it goes
// on, and the log keeps the question.
int AskMissing(Session& s, const char* library) {
    const char* args[] = {library, Text(kTextDownloadAddress)};
    const int answer = AskCheck(s, kTextMissing, args, 2, kMbYesNoCancel | kMbIconQuestion, kIdNo);
    if (answer == kIdYes) OfferDownload(s, args[1]);
    return answer == kIdYes || answer == kIdCancel ? kStop : kGoOn;
}

}  // namespace

int CheckNameConflict(Session& s, const InstallPlace& where) {
    // No Windows directory, or a path too long to exist: nothing to replace.
    char path[kPathSize];
    if (!where.modulePath[0] || !ScreenSaverPath(where, path, sizeof path)) return kGoOn;
    if (s.p.QueryPath(path) == kPathMissing) {
        s.Log(kLogNameFree, path);
        return kGoOn;
    }

    // The file that will be replaced, named as the installer's own name
    // spells it where the two differ only in case (forest.SCR). The base
    // leaves room for the extension, which then always fits.
    char name[kPathSize];
    const bool fits = InstallerBase(where.modulePath, name, sizeof name - 4);
    AppendText(name, sizeof name, ".SCR");
    if (!fits || !SameTextIgnoringCase(name, where.screenSaverName))
        CopyText(name, sizeof name, where.screenSaverName);
    // Unattended, it is replaced: an upgrade.
    const char* args[] = {name};
    if (AskCheck(s, kTextReplace, args, 1, kMbYesNo | kMbIconQuestion, kIdYes) != kIdNo)
        return kGoOn;

    InstallerNameStem(where.modulePath, name, sizeof name - 4);
    AppendText(name, sizeof name, ".EXE");
    AskCheck(s, kTextRename, args, 1, kMbOk | kMbIconInformation, kIdOk);
    return kStop;
}

int CheckDiskSpace(Session& s, const InstallPlace& where, uint32_t* total) {
    Platform& p = s.p;
    FileHandle f = LocatePayload(p, where.modulePath);
    if (f == kNoFile) return kGoOn;
    FileReader reader(p, f);
    EntryWalk walk(reader);
    if (walk.Begin()) {
        // The record that ends the table counts too; a short read does not.
        PayloadEntry e;
        EntryWalk::Step step;
        do {
            step = walk.Next(&e);
            if (step != EntryWalk::kCutShort) *total = SaturatingAdd(*total, InstalledSize(e));
        } while (step == EntryWalk::kEntry);
    }
    p.Close(f);

    // No Windows directory gives no root to ask about: a failed query.
    const uint32_t free = GetFreeKilobytes(p, where.windowsDirectory);
    const uint32_t needed = *total >> 10;
    char neededText[kNumberSize], freeText[kNumberSize];
    const char* args[] = {FormatThousands(needed, neededText, sizeof neededText),
                          FormatThousands(free, freeText, sizeof freeText)};
    s.Log(kLogRoom, args[0], args[1]);
    if (free > needed) return kGoOn;  // a failed query, all ones, passes too
    // Unattended, too little room stops the run: no one can free some.
    if (AskCheck(s, kTextDiskFull, args, 2, kMbOkCancel | kMbIconInformation, kIdCancel) != kIdCancel)
        return kGoOn;
    if (s.Unattended()) s.stopCode = kExitNoRoom;
    return kStop;
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

int CheckGraphicsLibraries(Session& s) {
    Platform& p = s.p;
    // OpenGL's own library must have glGenTextures; GLU's need only load.
    static const char* const kLibraries[] = {"OPENGL32.DLL", "GLU32.DLL"};
    for (const char* name : kLibraries) {
        const Library library = p.LoadSystemLibrary(name);
        bool goOn = true;
        if (!library)
            goOn = AskMissing(s, name) == kGoOn;
        else if (name == kLibraries[0] && !p.HasEntryPoint(library, "glGenTextures"))
            goOn = AskCheck(s, kTextOutdated, 0, 0, kMbYesNo | kMbIconQuestion, kIdYes) != kIdNo;
        else
            s.Log(kLogFound, name);
        if (library) p.ReleaseLibrary(library);
        if (!goOn) return kStop;
    }
    return kGoOn;
}
