#include "install/removal.h"

#include "base/text.h"
#include "install/extract.h"
#include "install/install.h"
#include "payload/removal.h"
#include "res/texts.h"

namespace {

class Removal {
public:
    Removal(Session& s, const char* modulePath) : s_(s), p_(s.p), modulePath_(modulePath) {}
    int Run(const char* windowsDirectory);

private:
    int Show(TextId id, const char* const* args, int count, unsigned style, int unattended = kIdOk);
    bool AskRetry(const char* path);
    bool IsTheUninstaller(char* expected);
    static bool Confirm(void* self);
    static RemovalWalk::Retry Retry(void* self, const char* path);
    static void Stays(void* self, const char* path);
    static void NoteLeftover(void* self, const char* name);
    bool Schedule(const char* path);
    bool Left(const char* path);

    Session& s_;
    Platform& p_;
    const char* modulePath_;
    bool confirmed_ = false;
    bool copy_ = false;         // run from anywhere but its data folder
    bool entryThere_ = false;   // the list of installed programs has an entry of its name
    bool incomplete_ = false;   // something that should have gone stays
    bool atRestart_ = false;    // a file in use goes when Windows restarts
    RemovalWalk walk_ = {};
    char stayed_[kTextSize] = "";  // a line for each file that stays, cut where it no longer fits
    char current_[kPathSize];   // the screen-saver setting when it was confirmed
    char owner_[kPathSize];     // the entry's InstallLocation
    char caption_[kCaptionSize];
};

// Formats a text and shows it; unattended, `unattended` is the answer.
int Removal::Show(TextId id, const char* const* args, int count, unsigned style, int unattended) {
    return s_.Ask(id, args, count, caption_, style, unattended);
}

// Whether to try again what could not be done to `path`; unattended, no.
bool Removal::AskRetry(const char* path) {
    return Show(kTextCantRemove, &path, 1, kMbRetryCancel | kMbIconExclamation, kIdCancel) == kIdRetry;
}

// Whether it runs as the UNINSTAL.EXE of the data folder its record names:
// only that one removes anything.
bool Removal::IsTheUninstaller(char* expected) {
    return JoinPath(expected, kPathSize, walk_.folder, kUninstallerName) && SameTextIgnoringCase(modulePath_, expected);
}

// The question, with the title now known; what is its own, and the
// setting, are read then, before anything changes.
bool Removal::Confirm(void* self) {
    Removal* r = static_cast<Removal*>(self);
    char expected[kPathSize];
    TrimTrailingSpaces(r->walk_.title);
    const char* args[] = {r->walk_.title, expected};
    FormatWithArgument(r->caption_, sizeof r->caption_, kTextDialogTitle, r->walk_.title);
    if (!r->IsTheUninstaller(expected)) {
        r->copy_ = true;
        r->Show(kTextNotTheUninstaller, args, 2, kMbOk | kMbIconExclamation);
        return false;
    }
    // The program, its entry and the setting are a later installation's
    // where the entry names another data folder as its own.
    const int n = r->p_.ReadProgramEntryText(r->walk_.record.program, "InstallLocation", r->owner_, sizeof r->owner_);
    r->entryThere_ = n >= 0;
    r->walk_.ownsProgram = n < 0 || SameTextIgnoringCase(r->owner_, r->walk_.folder);
    r->confirmed_ = r->Show(kTextRemoveAsk, args, 1, kMbYesNo | kMbIconQuestion, kIdYes) == kIdYes;
    r->p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", r->current_, sizeof r->current_);
    return r->confirmed_;
}

// Asked whether to try again; unattended, a file in use goes when Windows
// restarts, where Windows can do that.
RemovalWalk::Retry Removal::Retry(void* self, const char* path) {
    Removal* r = static_cast<Removal*>(self);
    if (r->AskRetry(path)) return RemovalWalk::kTryAgain;
    if (!r->s_.Unattended() || !r->p_.RemoveAtRestart(path)) return RemovalWalk::kGiveUp;
    r->s_.Log(kLogAtRestart, path);
    r->atRestart_ = true;
    return RemovalWalk::kAtRestart;
}

void Removal::Stays(void* self, const char* path) {
    Removal* r = static_cast<Removal*>(self);
    AppendText(r->stayed_, sizeof r->stayed_, "\r\n");
    AppendText(r->stayed_, sizeof r->stayed_, path);
}

// Each name in the data folder but the uninstaller's own (under any of its
// names) stays.
void Removal::NoteLeftover(void* self, const char* name) {
    Removal* r = static_cast<Removal*>(self);
    char path[kPathSize];
    static const char* const kOwn[] = {kUninstallerName, kUninstallerOldName, kUninstallerNewName};
    for (const char* own : kOwn)
        if (SameTextIgnoringCase(name, own)) return;
    if (JoinPath(path, kPathSize, r->walk_.folder, name)) Stays(r, path);
}

// Has Windows remove a file, or a folder empty by then, when it next
// starts; where it can't (Windows 95 to Me never can), it is named.
bool Removal::Schedule(const char* path) {
    return p_.RemoveAtRestart(path) || Left(path);
}

// What should have gone and stays: named, and the run is not complete.
bool Removal::Left(const char* path) {
    Stays(this, path);
    incomplete_ = true;
    return false;
}

int Removal::Run(const char* windowsDirectory) {
    const RemovalRecord& record = walk_.record;
    char path[kPathSize];
    CopyText(caption_, sizeof caption_, kUninstallerName);  // until the record gives the title
    s_.textSize = Session::kMessageSize;
    walk_.confirm = Confirm;
    walk_.retry = Retry;
    walk_.stays = Stays;
    walk_.context = this;
    // Wherever it runs from, it names files only in the Windows directory
    // and in the data folder the record names, as the installation did.
    const InstallPlace where = {modulePath_, windowsDirectory, ""};
    InstallOutcome o = {};
    ExtractEntries(p_, where, &o, 0, &walk_, &s_);
    const char* args[6] = {modulePath_};  // the others "" until set
    if (o.error != kInstallOk) {
        Show(kTextRemovalRefused, args, 1, kMbOk | kMbIconExclamation);
        return kExitFailed;
    }
    // A copy changes nothing; No to the question neither. Stopped at a
    // failure, its entry and itself stay, to run again.
    if (!confirmed_) return copy_ ? kExitFailed : s_.Stopped(kExitCancelled);
    if (!o.filesComplete) return kExitFailed;
    const bool owner = walk_.ownsProgram;
    // The previous screen saver comes back only while this one is still
    // the current one: one the user has chosen since stays.
    if (owner && current_[0] && SameTextIgnoringCase(current_, record.written)) {
        const char* previous = record.previous[0] ? record.previous : 0;
        while (!p_.WriteProfileValue("boot", "SCRNSAVE.EXE", previous, "system.ini"))
            if (!AskRetry("system.ini")) return kExitFailed;
        if (!previous) p_.SetScreenSaverActive(false);
    }

    // What else is in its folder stays. Itself, moved aside so that a new
    // installation before the restart keeps its own UNINSTAL.EXE, goes when
    // Windows next starts (over the UNINSTAL.OLD of a removal before, which
    // goes then too); then its folders, each where it is empty by then.
    bool scheduled = false;
    if (walk_.linked[0]) {
        Stays(this, walk_.linked);
    } else {
        p_.ListFolder(walk_.folder, NoteLeftover, this);
        if (!JoinPath(path, kPathSize, walk_.folder, kUninstallerOldName) ||
            !p_.RenameFile(modulePath_, path, true))
            Left(modulePath_);
        else
            scheduled = Schedule(path);
        CopyText(path, kPathSize, walk_.folder);
        for (int up = 0; up < 3 && Schedule(path); ++up) path[FindLast(path, '\\') - path] = 0;
    }
    if (owner && entryThere_ && !p_.RemoveProgramEntry(record.program)) {
        FormatWithArgument(path, sizeof path, kTextEntryStays, record.program);
        Left(path);
    }

    // Where the program is a later installation's, the message says whose.
    args[0] = walk_.title;
    if (!owner && JoinPath(path, sizeof path, windowsDirectory, record.program)) {
        args[1] = path, args[2] = owner_;
        // An entry that names no folder is named itself.
        if (!owner_[0]) FormatWithArgument(owner_, sizeof owner_, kTextEntryStays, record.program);
    }
    if (stayed_[0]) args[3] = Text(kTextStayed), args[4] = stayed_;
    if (scheduled) args[5] = Text(kTextDeletedAtRestart);
    Show(owner ? kTextRemoved : kTextRemovedOwnFiles, args, 6, kMbOk | kMbIconInformation);
    return incomplete_ ? kExitFailed : atRestart_ ? kExitRestart : kExitDone;
}

}  // namespace

int RunRemoval(Session& s, const char* modulePath, const char* windowsDirectory) {
    return Removal(s, modulePath).Run(windowsDirectory);
}
