#include "install/removal.h"

#include "base/text.h"
#include "install/install.h"
#include "install/names.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "payload/validate.h"
#include "res/texts.h"

namespace {

}  // namespace

bool ProgramEntryKey(const char* screenSaverName, char* out, size_t cap) {
    return CopyText(out, cap, "QUORBEL ") && AppendText(out, cap, screenSaverName);
}

bool LeaveRemoval(Platform& p, const InstallPlace& where, const char* title, const InstallOutcome& o,
                  char failed[kPathSize]) {
    char folder[kPathSize], program[kPathSize], key[kPathSize], name[kCaptionSize], command[kPathSize + 2],
        quiet[kPathSize + 10];
    CopyText(failed, kPathSize, o.uninstaller[0] ? o.uninstaller : kUninstallerName);
    if (!o.uninstallerWritten) return false;
    // The entry; a new installation's values replace the old ones.
    const char* args[] = {title};
    FormatText(name, sizeof name, Text(kTextDialogTitle), args, 1);
    args[0] = o.uninstaller;
    CopyText(folder, sizeof folder, o.uninstaller);
    folder[FindLast(folder, '\\') - folder] = 0;
    const ProgramEntry entry = {{name, command, quiet, program, folder},
                                o.installedBytes / 1024 + (o.installedBytes % 1024 != 0)};
    const bool named = ProgramEntryKey(where.screenSaverName, key, sizeof key);
    if (named) CopyText(failed, kPathSize, key);
    if (named && ScreenSaverPath(where, program, sizeof program) &&
        FormatText(command, sizeof command, Text(kTextUninstallCommand), args, 1) &&
        FormatText(quiet, sizeof quiet, Text(kTextQuietUninstallCommand), args, 1) && p.WriteProgramEntry(key, entry)) {
        failed[0] = 0;
        return true;
    }
    // None of it stays: never an entry that can't remove, nor an
    // uninstaller that no entry names.
    if (named) p.RemoveProgramEntry(key);
    p.RemoveFile(o.uninstaller);
    return false;
}

namespace {

class Removal {
public:
    explicit Removal(Platform& p) : p_(p) {}
    int Run(const char* modulePath, const char* windowsDirectory);

private:
    int Show(TextId id, const char* const* args, int count, unsigned style);
    static bool Retry(void* self, const char* path);
    static void Stays(void* self, const char* path);
    static void NoteLeftover(void* self, const char* name);

    Platform& p_;
    RemovalWalk walk_ = {};
    bool quiet_ = false;
    char folder_[kPathSize];
    char caption_[kCaptionSize];
    char stayed_[kTextSize] = "";  // a line for each file that stays, cut where it no longer fits
};

// Formats a text and shows it, unless the run is quiet; the answer, or 0.
int Removal::Show(TextId id, const char* const* args, int count, unsigned style) {
    char text[kTextSize + kPathSize];
    FormatText(text, sizeof text, Text(id), args, count);
    return quiet_ ? 0 : p_.ShowMessage(text, caption_, style);
}

bool Removal::Retry(void* self, const char* path) {
    const char* args[] = {path};
    return static_cast<Removal*>(self)->Show(kTextCantRemove, args, 1, kMbRetryCancel | kMbIconExclamation) == kIdRetry;
}

void Removal::Stays(void* self, const char* path) {
    Removal* r = static_cast<Removal*>(self);
    AppendText(r->stayed_, sizeof r->stayed_, "\r\n");
    AppendText(r->stayed_, sizeof r->stayed_, path);
}

// Each name in the data folder but the uninstaller's own stays.
void Removal::NoteLeftover(void* self, const char* name) {
    Removal* r = static_cast<Removal*>(self);
    char path[kPathSize];
    if (!SameTextIgnoringCase(name, kUninstallerName) && JoinPath(path, kPathSize, r->folder_, name)) Stays(r, path);
}

int Removal::Run(const char* modulePath, const char* windowsDirectory) {
    const RemovalRecord& record = walk_.record;
    char line[kTextSize], parent[kPathSize];
    // The quiet switch ends the command line (no path holds a '/').
    const unsigned n = p_.CommandLine(line, sizeof line);
    quiet_ = n > 6 && SameTextIgnoringCase(line + n - 6, kQuietSwitch);
    CopyText(caption_, sizeof caption_, kUninstallerName);  // until the record gives the title
    walk_.retry = Retry;
    walk_.stays = Stays;
    walk_.context = this;
    // Wherever it runs from, it names files only in the Windows directory
    // and in the data folder the record names, as the installation did.
    const InstallPlace where = {modulePath, windowsDirectory, ""};
    InstallOutcome o = {};
    WalkRemoval(p_, where, &walk_, &o);
    const char* args[] = {modulePath, "", "", ""};
    if (o.error != kInstallOk || !DataFolderPath(windowsDirectory, "", parent) ||
        !DataFolderPath(windowsDirectory, record.base, folder_)) {
        Show(kTextRemovalRefused, args, 1, kMbOk | kMbIconExclamation);
        return kExitRemovalStopped;
    }
    args[0] = walk_.title;
    FormatText(caption_, sizeof caption_, Text(kTextDialogTitle), args, 1);
    if (!quiet_ && Show(kTextRemoveAsk, args, 1, kMbYesNo | kMbIconQuestion) != kIdYes) return 0;

    // Stopped, its entry and itself stay, to run again.
    p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", line, sizeof line);
    walk_.remove = true;
    WalkRemoval(p_, where, &walk_, &o);
    if (!o.filesComplete) return kExitRemovalStopped;
    // The previous screen saver comes back only while this one is still
    // the current one: one the user has chosen since stays.
    if (line[0] && SameTextIgnoringCase(line, record.written)) {
        const char* previous = record.previous[0] ? record.previous : 0;
        while (!p_.WriteProfileValue("boot", "SCRNSAVE.EXE", previous, "system.ini"))
            if (!Retry(this, "system.ini")) return kExitRemovalStopped;
        if (!previous) p_.SetScreenSaverActive(false);
    }

    // What else is in its folder stays. Itself, when Windows next starts,
    // then its folders, each where it is empty by then.
    p_.ListFolder(folder_, NoteLeftover, this);
    const bool scheduled = p_.RemoveAtRestart(modulePath);
    p_.RemoveAtRestart(folder_);
    p_.RemoveAtRestart(parent);
    parent[FindLast(parent, '\\') - parent] = 0;
    p_.RemoveAtRestart(parent);
    if (ProgramEntryKey(record.program, line, sizeof line)) p_.RemoveProgramEntry(line);

    if (stayed_[0]) args[1] = Text(kTextStayed), args[2] = stayed_;
    if (scheduled) args[3] = Text(kTextDeletedAtRestart);
    Show(kTextRemoved, args, 4, kMbOk | kMbIconInformation);
    return 0;
}

}  // namespace

int RunRemoval(Platform& p, const char* modulePath, const char* windowsDirectory) {
    return Removal(p).Run(modulePath, windowsDirectory);
}
