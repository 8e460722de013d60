#include "install/removal.h"

#include "base/text.h"
#include "install/install.h"
#include "install/names.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "payload/validate.h"
#include "res/texts.h"

namespace {

const char kBoot[] = "boot", kSetting[] = "SCRNSAVE.EXE", kSystemIni[] = "system.ini";

// out = dir, '\\', name; false when it does not fit. out may be dir.
bool Join(char* out, const char* dir, const char* name) {
    return (out == dir || CopyText(out, kPathSize, dir)) && AppendBackslash(out, kPathSize) &&
           AppendText(out, kPathSize, name);
}

// "<windows>\QUORBEL\SSAVERS", where the data folders are, then the data
// folder of that installer base and the uninstaller in it.
bool RemovalPaths(char* parent, char* folder, char* uninstaller, const char* windowsDirectory, const char* base) {
    return Join(parent, windowsDirectory, kDataRoot) && Join(parent, parent, kDataParent) &&
           Join(folder, parent, base) && Join(uninstaller, folder, kUninstallerName);
}

// The uninstaller's bytes as they go out: n bytes of `in` from where it
// stands. Remembers a write that failed.
struct Output {
    FileSystem& fs;
    FileHandle f;
    bool ok;

    bool Copy(FileHandle in, uint32_t n) {
        unsigned char buf[512];
        while (ok && n) {
            const int take = n < sizeof buf ? (int)n : (int)sizeof buf;
            ok = fs.Read(in, buf, take) == take && fs.Write(f, buf, take) == take;
            n -= take;
        }
        return ok;
    }
    void Put(const void* bytes, int n) { ok = ok && fs.Write(f, bytes, n) == n; }
};

// The installer's stub part, the record, then the installer's header and
// table and on to the end of the resource section, which the loader maps
// from the file (the entries' first bytes, where the table is shorter: the
// builder made the installer that long). `total` receives the bytes of the
// installation, the uninstaller's with them.
bool WriteUninstaller(FileSystem& fs, FileHandle in, Output& o, const RemovalRecord& record, uint32_t* total) {
    FileReader r(fs, in);
    ImagePlaces places;
    const FilePosition start = LocatePayloadIn(r, &places);
    EntryWalk walk(r);
    PayloadEntry e;
    uint32_t table = kHeaderSize + kEntrySize;
    EntryWalk::Step step = start != kNoPosition && walk.Begin() ? EntryWalk::kEntry : EntryWalk::kCutShort;
    while (step == EntryWalk::kEntry && (step = walk.Next(&e)) == EntryWalk::kEntry) {
        table += kEntrySize;
        *total += InstalledSize(e);
    }
    const uint32_t size = start + kRemovalRecordSize;
    if (size + table < places.resourceEnd) table = places.resourceEnd - size;
    *total += size + table;
    if (step != EntryWalk::kTerminator || fs.Seek(in, 0, kSeekSet) != 0 || !o.Copy(in, start)) return false;
    o.Put(kRemovalHeader, kRemovalHeaderSize);
    o.Put(&record, sizeof record);
    return fs.Seek(in, start, kSeekSet) == start && o.Copy(in, table);
}

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

bool LeaveRemoval(Platform& p, const InstallPlace& where, const char* title, const char* previous,
                  char failed[kPathSize]) {
    char parent[kPathSize], folder[kPathSize], uninstaller[kPathSize], program[kPathSize], key[kPathSize];
    RemovalRecord record = {};
    CopyText(failed, kPathSize, where.modulePath);
    if (!InstallerBase(where.modulePath, record.base, sizeof record.base) ||
        !RemovalPaths(parent, folder, uninstaller, where.windowsDirectory, record.base) ||
        !ScreenSaverPath(where, program, sizeof program) || !ScreenSaverSetting(p, where, record.written) ||
        !ProgramEntryKey(where.screenSaverName, key, sizeof key) ||
        !CopyText(record.program, kPathSize, where.screenSaverName) ||
        !CopyText(record.previous, kPathSize, previous))
        return false;
    // Installed again over itself, it puts back none: what was before the
    // first time is the first uninstaller's to know, and it is replaced.
    if (SameTextIgnoringCase(previous, record.written) || SameTextIgnoringCase(previous, program))
        record.previous[0] = 0;
    uint32_t total = 0;
    CopyText(failed, kPathSize, uninstaller);
    const FileHandle in = p.OpenRead(where.modulePath);
    if (in == kNoFile) return false;
    Output o = {p, p.CreateForWrite(uninstaller), true};
    bool ok = o.f != kNoFile;
    if (ok) {
        ok = WriteUninstaller(p, in, o, record, &total);
        p.Close(o.f);
    }
    p.Close(in);

    // The entry; a new installation's values replace the old ones.
    char name[kCaptionSize], command[kPathSize + 2], quiet[kPathSize + 10];
    const char* args[] = {title};
    FormatText(name, sizeof name, Text(kTextDialogTitle), args, 1);
    args[0] = uninstaller;
    const ProgramEntry entry = {{name, command, quiet, program, folder}, total / 1024 + (total % 1024 != 0)};
    CopyText(failed, kPathSize, key);
    ok = ok && FormatText(command, sizeof command, Text(kTextUninstallCommand), args, 1) &&
         FormatText(quiet, sizeof quiet, Text(kTextQuietUninstallCommand), args, 1) && p.WriteProgramEntry(key, entry);
    if (!ok) {
        // None of it stays: never an entry that can't remove, nor a part
        // of an uninstaller that looks like the whole.
        p.RemoveProgramEntry(key);
        if (o.f != kNoFile) p.RemoveFile(uninstaller);
        return false;
    }
    failed[0] = 0;
    return true;
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
        Join(line + 2, folder, name);
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
        !Join(path, program ? r->windowsDirectory_ : r->folder_, name))
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
    if (!file_.Open(modulePath) || !RemovalPaths(parent, folder_, line, windowsDirectory, record.base) ||
        !Walk(false)) {
        Show(kTextRemovalRefused, args, 1, kMbOk | kMbIconExclamation);
        return kExitRemovalStopped;
    }
    args[0] = title_;
    FormatText(caption_, sizeof caption_, Text(kTextDialogTitle), args, 1);
    if (!quiet_ && Show(kTextRemoveAsk, args, 1, kMbYesNo | kMbIconQuestion) != kIdYes) return 0;

    // Stopped, its entry and itself stay, to run again.
    p_.ReadProfileValue(kBoot, kSetting, kSystemIni, line, sizeof line);
    if (!Walk(true)) return kExitRemovalStopped;
    // The previous screen saver comes back only while this one is still
    // the current one: one the user has chosen since stays.
    if (line[0] && SameTextIgnoringCase(line, record.written)) {
        const char* previous = record.previous[0] ? record.previous : 0;
        const char* ini[] = {kSystemIni};
        while (!p_.WriteProfileValue(kBoot, kSetting, previous, kSystemIni))
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
