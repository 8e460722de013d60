#include "install/removal.h"

#include "base/text.h"
#include "install/install.h"
#include "install/names.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "payload/validate.h"
#include "res/texts.h"

namespace {

// An uninstaller's record, read from its file; the reader is left at the
// installer's header.
struct RecordFile {
    explicit RecordFile(FileSystem& files) : fs(files), reader(files, kNoFile) {}
    ~RecordFile() {
        if (f != kNoFile) fs.Close(f);
    }
    bool Open(const char* path) {
        f = LocatePayload(fs, path);
        reader.SetHandle(f);
        start = fs.Seek(f, 0, kSeekCur);
        return f != kNoFile && ReadRemovalRecord(reader, &record);
    }

    FileSystem& fs;
    FileHandle f = kNoFile;
    FilePosition start;
    FileReader reader;
    RemovalRecord record;
};

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
    explicit Removal(Platform& p) : p_(p), file_(p) {}
    int Run(const char* modulePath, const char* windowsDirectory);

private:
    int Show(TextId id, const char* const* args, int count, unsigned style);
    bool Walk(bool remove);
    static bool Visit(void* self, int index, uint16_t numberingBase, const PayloadEntry& e);
    static void NoteLeftover(void* self, const char* name);
    // A line for each file that stays (the list cut where it no longer fits).
    void Stays(const char* folder, const char* name) {
        char line[kPathSize + 2] = "\r\n";
        JoinPath(line + 2, kPathSize, folder, name);
        AppendText(stayed_, sizeof stayed_, line);
    }

    Platform& p_;
    RecordFile file_;
    bool quiet_ = false;
    bool remove_ = false;
    const char* windowsDirectory_;
    char folder_[kPathSize];
    char caption_[kCaptionSize];
    char title_[kTitleSize + 1];
    char stayed_[kTextSize] = "";
};

// Formats a text and shows it, unless the run is quiet; the answer, or 0.
int Removal::Show(TextId id, const char* const* args, int count, unsigned style) {
    char text[kTextSize + kPathSize];
    FormatText(text, sizeof text, Text(id), args, count);
    return quiet_ ? 0 : p_.ShowMessage(text, caption_, style);
}

// Each file the installation wrote: its name must be one it could write,
// and, when removing, it goes where it is as the installation left it; a
// changed one stays. Where removing fails the user may retry or stop
// (quiet, it stops).
bool Removal::Visit(void* self, int index, uint16_t numberingBase, const PayloadEntry& e) {
    Removal* r = static_cast<Removal*>(self);
    Platform& p = r->p_;
    char name[kPathSize], path[kPathSize];
    const bool program = index == kEntryProgram;
    if (!EntryFileName(index, numberingBase, e, r->file_.record.program, r->file_.record.base, name, sizeof name) ||
        !JoinPath(path, kPathSize, program ? r->windowsDirectory_ : r->folder_, name))
        return false;
    if (!r->remove_ || p.QueryPath(path) == kPathMissing) return true;  // gone already
    const FileHandle f = p.OpenRead(path);
    const FilePosition size = f == kNoFile ? kNoPosition : p.Seek(f, 0, kSeekEnd);
    if (f != kNoFile) p.Close(f);
    // The data folder's own show as the folder is listed.
    if (p.QueryPath(path) == kPathDirectory || (size != kNoPosition && size != InstalledSize(e))) {
        if (program) r->Stays(r->windowsDirectory_, name);
        return true;
    }
    const char* args[] = {path};
    while (!p.RemoveFile(path))
        if (r->Show(kTextCantRemove, args, 1, kMbRetryCancel | kMbIconExclamation) != kIdRetry)
            return false;
    return true;
}

// Reads the title and walks the table; false when the record is damaged or
// the user stopped.
bool Removal::Walk(bool remove) {
    FileReader& r = file_.reader;
    const FilePosition table = file_.start + kRemovalRecordSize;
    remove_ = remove;
    // The entries' offsets point into the installer: only their sizes and
    // extensions count here.
    return r.Seek(table, kSeekSet) == table && ReadTitleAt(r, title_) && r.Seek(table, kSeekSet) == table &&
           ValidatePayload(r, kNoPosition - 1, Visit, this).problem == kPayloadSound;
}

// Each name in the data folder but the uninstaller's own stays.
void Removal::NoteLeftover(void* self, const char* name) {
    Removal* r = static_cast<Removal*>(self);
    if (!SameTextIgnoringCase(name, kUninstallerName)) r->Stays(r->folder_, name);
}

int Removal::Run(const char* modulePath, const char* windowsDirectory) {
    const RemovalRecord& record = file_.record;
    char line[kTextSize], parent[kPathSize];
    windowsDirectory_ = windowsDirectory;
    // The quiet switch ends the command line (no path holds a '/').
    const unsigned n = p_.CommandLine(line, sizeof line);
    quiet_ = n > 6 && SameTextIgnoringCase(line + n - 6, kQuietSwitch);
    CopyText(caption_, sizeof caption_, kUninstallerName);  // until the record gives the title
    // Wherever it runs from, it names files only in the Windows directory
    // and in the data folder the record names.
    const char* args[] = {modulePath, "", "", ""};
    if (!file_.Open(modulePath) || !DataFolderPath(windowsDirectory, "", parent) ||
        !DataFolderPath(windowsDirectory, record.base, folder_) || !Walk(false)) {
        Show(kTextRemovalRefused, args, 1, kMbOk | kMbIconExclamation);
        return kExitRemovalStopped;
    }
    args[0] = title_;
    FormatText(caption_, sizeof caption_, Text(kTextDialogTitle), args, 1);
    if (!quiet_ && Show(kTextRemoveAsk, args, 1, kMbYesNo | kMbIconQuestion) != kIdYes) return 0;

    // Stopped, its entry and itself stay, to run again.
    p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", line, sizeof line);
    if (!Walk(true)) return kExitRemovalStopped;
    // The previous screen saver comes back only while this one is still
    // the current one: one the user has chosen since stays.
    if (line[0] && SameTextIgnoringCase(line, record.written)) {
        const char* previous = record.previous[0] ? record.previous : 0;
        const char* ini[] = {"system.ini"};
        while (!p_.WriteProfileValue("boot", "SCRNSAVE.EXE", previous, "system.ini"))
            if (Show(kTextCantRemove, ini, 1, kMbRetryCancel | kMbIconExclamation) != kIdRetry)
                return kExitRemovalStopped;
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
