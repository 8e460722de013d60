#include "install/removal.h"

#include "base/text.h"
#include "install/extract.h"
#include "payload/removal.h"
#include "res/texts.h"

namespace {

class Removal {
public:
    explicit Removal(Platform& p) : p_(p) {}
    int Run(const char* modulePath, const char* windowsDirectory);

private:
    int Show(TextId id, const char* const* args, int count, unsigned style);
    static bool Confirm(void* self);
    static bool Retry(void* self, const char* path);
    static void Stays(void* self, const char* path);
    static void NoteLeftover(void* self, const char* name);

    Platform& p_;
    RemovalWalk walk_ = {};
    bool quiet_ = false;
    bool confirmed_ = false;
    char current_[kPathSize];  // the screen-saver setting when it was confirmed
    char caption_[kCaptionSize];
    char stayed_[kTextSize] = "";  // a line for each file that stays, cut where it no longer fits
};

// Formats a text and shows it, unless the run is quiet; the answer, or 0.
int Removal::Show(TextId id, const char* const* args, int count, unsigned style) {
    char text[kTextSize + kPathSize];
    FormatText(text, sizeof text, Text(id), args, count);
    return quiet_ ? 0 : p_.ShowMessage(text, caption_, style);
}

// The question, with the title now known; the setting is read then, before
// anything changes.
bool Removal::Confirm(void* self) {
    Removal* r = static_cast<Removal*>(self);
    const char* args[] = {r->walk_.title};
    FormatText(r->caption_, sizeof r->caption_, Text(kTextDialogTitle), args, 1);
    r->confirmed_ = r->quiet_ || r->Show(kTextRemoveAsk, args, 1, kMbYesNo | kMbIconQuestion) == kIdYes;
    r->p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", r->current_, sizeof r->current_);
    return r->confirmed_;
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
    if (!SameTextIgnoringCase(name, kUninstallerName) && JoinPath(path, kPathSize, r->walk_.folder, name))
        Stays(r, path);
}

int Removal::Run(const char* modulePath, const char* windowsDirectory) {
    const RemovalRecord& record = walk_.record;
    char command[kTextSize], parent[kPathSize];
    // The quiet switch ends the command line (no path holds a '/').
    const unsigned n = p_.CommandLine(command, sizeof command);
    quiet_ = n > 6 && SameTextIgnoringCase(command + n - 6, kQuietSwitch);
    CopyText(caption_, sizeof caption_, kUninstallerName);  // until the record gives the title
    walk_.confirm = Confirm;
    walk_.retry = Retry;
    walk_.stays = Stays;
    walk_.context = this;
    // Wherever it runs from, it names files only in the Windows directory
    // and in the data folder the record names, as the installation did.
    const InstallPlace where = {modulePath, windowsDirectory, ""};
    InstallOutcome o = {};
    ExtractEntries(p_, where, &o, 0, &walk_);
    const char* args[] = {modulePath, "", "", ""};
    if (o.error != kInstallOk) {
        Show(kTextRemovalRefused, args, 1, kMbOk | kMbIconExclamation);
        return kExitRemovalStopped;
    }
    // No to the question changes nothing; stopped at a failure, its entry
    // and itself stay, to run again.
    if (!confirmed_) return 0;
    if (!o.filesComplete) return kExitRemovalStopped;
    // The previous screen saver comes back only while this one is still
    // the current one: one the user has chosen since stays.
    if (current_[0] && SameTextIgnoringCase(current_, record.written)) {
        const char* previous = record.previous[0] ? record.previous : 0;
        while (!p_.WriteProfileValue("boot", "SCRNSAVE.EXE", previous, "system.ini"))
            if (!Retry(this, "system.ini")) return kExitRemovalStopped;
        if (!previous) p_.SetScreenSaverActive(false);
    }

    // What else is in its folder stays. Itself, when Windows next starts,
    // then its folders, each where it is empty by then.
    p_.ListFolder(walk_.folder, NoteLeftover, this);
    const bool scheduled = p_.RemoveAtRestart(modulePath);
    p_.RemoveAtRestart(walk_.folder);
    CopyText(parent, sizeof parent, walk_.folder);
    parent[FindLast(parent, '\\') - parent] = 0;
    p_.RemoveAtRestart(parent);
    parent[FindLast(parent, '\\') - parent] = 0;
    p_.RemoveAtRestart(parent);
    p_.RemoveProgramEntry(record.program);

    args[0] = walk_.title;
    if (stayed_[0]) args[1] = Text(kTextStayed), args[2] = stayed_;
    if (scheduled) args[3] = Text(kTextDeletedAtRestart);
    Show(kTextRemoved, args, 4, kMbOk | kMbIconInformation);
    return 0;
}

}  // namespace

int RunRemoval(Platform& p, const char* modulePath, const char* windowsDirectory) {
    return Removal(p).Run(modulePath, windowsDirectory);
}
