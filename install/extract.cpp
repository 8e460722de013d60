#include "install/extract.h"

#include "base/text.h"
#include "install/install.h"
#include "install/names.h"
#include "install/targets.h"
#include "payload/contents.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "payload/validate.h"
#include "res/texts.h"

namespace {

enum { kCopyBufferSize = 2048 };

class Extraction {
public:
    Extraction(Platform& p, const InstallPlace& where, InstallOutcome* out, const char* title, RemovalWalk* removal)
        : p_(p), fs_(p), where_(where), out_(out), reader_(p, kNoFile), title_(title), removal_(removal),
          screenSaverName_(where.screenSaverName) {}

    void Run();

private:
    bool Prepare();
    bool Name(const char* base);
    bool ReadRecord(FilePosition* payloadStart);
    bool RemoveEntry(int index, const PayloadEntry& e, const char* target);
    bool Validate(FilePosition payloadStart);
    static bool TargetFits(void* self, int index, uint16_t numberingBase, const PayloadEntry& e);
    bool Extract(FilePosition payloadStart, char* buffer);
    bool TargetPath(int index, const PayloadEntry& e, bool makeDirectories, char* path);
    bool MakeDataDirectories();
    bool WriteEntry(const PayloadEntry& e, const char* target, char* buffer);
    bool CopyPart(ByteSink& out, uint32_t offset, uint32_t size, char* buffer);
    void LeaveRemoval(FilePosition payloadStart, char* buffer);
    bool Fail(InstallError e, const char* file) {
        FailInstall(out_, e, file);
        return false;
    }
    // What looks like damage may be a read that failed.
    bool Damaged() { return Fail(reader_.failed ? kInstallCantRead : kInstallDamaged, where_.modulePath); }
    bool CantRead() { return Fail(kInstallCantRead, where_.modulePath); }

    Platform& p_;
    FileSystem& fs_;
    const InstallPlace& where_;
    InstallOutcome* out_;
    FileHandle f_ = kNoFile;
    ImagePlaces places_ = {};
    FileReader reader_;
    const char* title_;     // set: an installation, registered and left for removal when complete
    uint32_t installedBytes_ = 0;
    char previous_[kPathSize];  // the screen-saver setting before it
    RemovalWalk* removal_;  // set: the uninstaller's walk, which removes
    const char* screenSaverName_;
    uint16_t numberingBase_ = 0;
    int entries_ = 0;  // as counted by the check
    bool dataDirMade_ = false;
    char windowsDir_[kPathSize];
    char base_[kPathSize];
    char dataDir_[kPathSize];  // "" when its path does not fit
};

bool Extraction::Prepare() {
    if (!where_.modulePath[0]) return Fail(kInstallNoModulePath, "");
    if (!where_.windowsDirectory[0]) return Fail(kInstallNoWindowsDirectory, "");
    if (!CopyText(windowsDir_, sizeof windowsDir_, where_.windowsDirectory) ||
        !AppendBackslash(windowsDir_, sizeof windowsDir_))
        return Fail(kInstallPathTooLong, windowsDir_);
    // An uninstaller has the names from its record.
    if (removal_) return true;
    if (!InstallerBase(where_.modulePath, base_, sizeof base_)) return Fail(kInstallPathTooLong, where_.modulePath);
    return Name(base_);
}

bool Extraction::Name(const char* base) {
    if ((base != base_ && !CopyText(base_, sizeof base_, base)) || !UsableInstallerNames(screenSaverName_, base_))
        return Fail(kInstallUnusableName, where_.modulePath);
    if (!DataFolderPath(windowsDir_, base_, dataDir_)) dataDir_[0] = 0;  // fails once a data file needs it
    return true;
}

// The uninstaller's record and the installer's title after it; the table
// follows them.
bool Extraction::ReadRecord(FilePosition* payloadStart) {
    RemovalRecord& r = removal_->record;
    if (!ReadRemovalRecord(reader_, &r) || !ReadTitleAt(reader_, removal_->title)) return Damaged();
    screenSaverName_ = r.program;
    *payloadStart += kRemovalRecordSize;
    if (!Name(r.base)) return false;
    if (!dataDir_[0]) return Fail(kInstallPathTooLong, base_);
    return CopyText(removal_->folder, kPathSize, dataDir_);
}

// A file the installation wrote goes where it is as the installation left
// it; a changed one stays. Where removing fails the walk asks whether to
// retry, and stops at No.
bool Extraction::RemoveEntry(int index, const PayloadEntry& e, const char* target) {
    const PathKind kind = fs_.QueryPath(target);
    if (kind == kPathMissing) return true;  // gone already
    const FileHandle f = fs_.OpenRead(target);
    const FilePosition size = f == kNoFile ? kNoPosition : fs_.Seek(f, 0, kSeekEnd);
    if (f != kNoFile) fs_.Close(f);
    if (kind == kPathDirectory || (size != kNoPosition && size != InstalledSize(e))) {
        // The data folder's own show when it is listed.
        if (index == kEntryProgram) removal_->stays(removal_->context, target);
        return true;
    }
    while (!fs_.RemoveFile(target))
        if (!removal_->retry(removal_->context, target)) return false;
    return true;
}

// Makes the data directory and the two above it (they may be there
// already; only one that is still missing fails), once.
bool Extraction::MakeDataDirectories() {
    char path[kPathSize];
    for (size_t at = TextLength(windowsDir_); !dataDirMade_; ++at) {
        const char c = dataDir_[at];
        if (c && c != '\\') continue;
        path[0] = 0;
        AppendTextN(path, sizeof path, dataDir_, at);
        if (!fs_.MakeDirectory(path) && fs_.QueryPath(path) != kPathDirectory)
            return Fail(kInstallCantMakeDirectory, path);
        dataDirMade_ = !c;
    }
    return true;
}

bool Extraction::TargetPath(int index, const PayloadEntry& e, bool make, char* path) {
    char name[kPathSize];
    if (!EntryFileName(index, numberingBase_, e, screenSaverName_, base_, name, sizeof name))
        return Fail(kInstallPathTooLong, name);  // the extension was checked with the payload
    const bool program = index == kEntryProgram;
    if (!program && !dataDir_[0]) return Fail(kInstallPathTooLong, base_);
    if (!program && make && !MakeDataDirectories()) return false;
    if (!JoinPath(path, kPathSize, program ? windowsDir_ : dataDir_, name)) return Fail(kInstallPathTooLong, name);
    if (program) UpperAscii(path);
    return true;
}

bool Extraction::TargetFits(void* self, int index, uint16_t numberingBase, const PayloadEntry& e) {
    Extraction* x = static_cast<Extraction*>(self);
    x->numberingBase_ = numberingBase;
    char path[kPathSize];
    return x->TargetPath(index, e, false, path);
}

// Every entry must lie inside the file and have a target it may write,
// before anything is written.
bool Extraction::Validate(FilePosition payloadStart) {
    const FilePosition fileSize = fs_.Seek(f_, 0, kSeekEnd);
    if (fileSize == kNoPosition || fs_.Seek(f_, payloadStart, kSeekSet) != payloadStart) return CantRead();
    // An uninstaller's table is the installer's: its offsets point there.
    const FilePosition limit = removal_ ? kNoPosition - 1 : PayloadLimit(fileSize, places_.certificates);
    PayloadCheck c = ValidatePayload(reader_, limit, TargetFits, this);
    switch (c.problem) {
    case kPayloadSound: break;
    case kPayloadRefused: return false;  // TargetPath said why
    case kPayloadEmpty: return Fail(kInstallEmpty, where_.modulePath);
    default: return Damaged();
    }
    numberingBase_ = c.numberingBase;
    entries_ = c.entries;
    return true;
}

bool Extraction::WriteEntry(const PayloadEntry& e, const char* target, char* buffer) {
    FileHandle out = fs_.CreateForWrite(target);
    if (out == kNoFile) return Fail(kInstallCantCreate, target);
    FileWriter writer(fs_, out);
    const EntryResult r = WriteEntryContents(reader_, e, writer, buffer, kCopyBufferSize);
    fs_.Close(out);
    if (r == kEntryWritten) return true;
    fs_.RemoveFile(target);  // never leave a part looking like the whole
    if (r == kEntryDamaged) return Damaged();
    if (r == kEntryReadFailed) return CantRead();
    return Fail(kInstallCantWrite, target);
}

// Part of the installer, copied as it is.
bool Extraction::CopyPart(ByteSink& out, uint32_t offset, uint32_t size, char* buffer) {
    const PayloadEntry part = {offset, size, 0, {0, 0, 0, 0}};
    return WriteEntryContents(reader_, part, out, buffer, kCopyBufferSize) == kEntryWritten;
}

// What removal needs, once the screen saver is installed and registered:
// the uninstaller, and the entry in the list of installed programs that
// starts it. The uninstaller is this installer's stub part, the removal
// record, then its header and table and on to the end of the resource
// section, which the loader maps from the file (the entries' first bytes,
// where the table is shorter: the installer is that long). Neither is ever
// left without the other; out_->removalFailed names what could not be
// written.
void Extraction::LeaveRemoval(FilePosition start, char* buffer) {
    RemovalRecord record = {};
    char uninstaller[kPathSize], program[kPathSize], name[kCaptionSize];
    char command[kPathSize + 2], quiet[kPathSize + 10];
    char* failed = out_->removalFailed;
    uint32_t table = kHeaderSize + kEntrySize * (uint32_t)(entries_ + 1);
    if (start + kRemovalRecordSize + table < places_.resourceEnd) table = places_.resourceEnd - start - kRemovalRecordSize;
    const uint32_t kilobytes = (installedBytes_ + start + kRemovalRecordSize + table + 1023) >> 10;
    CopyText(failed, kPathSize, kUninstallerName);
    if (!JoinPath(uninstaller, kPathSize, dataDir_, kUninstallerName) ||
        !ScreenSaverPath(where_, program, sizeof program) || !ScreenSaverSetting(fs_, where_, record.written) ||
        !CopyText(record.previous, kPathSize, previous_))
        return;
    // Installed again over itself, it will put back none: what was before
    // the first time was the first uninstaller's to know.
    if (SameTextIgnoringCase(previous_, record.written) || SameTextIgnoringCase(previous_, program))
        record.previous[0] = 0;
    StartRemovalRecord(&record);
    CopyText(record.program, kPathSize, screenSaverName_);
    CopyText(record.base, kPathSize, base_);
    CopyText(failed, kPathSize, uninstaller);
    const FileHandle out = fs_.CreateForWrite(uninstaller);
    if (out == kNoFile) return;
    FileWriter w(fs_, out);
    static const char kNoSignature[8] = {};
    const FilePosition signature = places_.securityEntry;
    // A signature covered the installer, not this part of it: the header's
    // entry for it goes, and the uninstaller is plainly unsigned.
    const bool written = CopyPart(w, 0, start, buffer) && w.Write(&record, sizeof record) == (int)sizeof record &&
                         CopyPart(w, start, table, buffer) &&
                         (!places_.certificates ||
                          (fs_.Seek(out, signature, kSeekSet) == signature && w.Write(kNoSignature, 8) == 8));
    fs_.Close(out);

    // The entry, named by the screen saver's file; a new installation's
    // values replace the old ones.
    const char* key = screenSaverName_;
    const char* args[] = {title_};
    FormatText(name, sizeof name, Text(kTextDialogTitle), args, 1);
    args[0] = uninstaller;
    const ProgramEntry entry = {{name, command, quiet, program, dataDir_}, kilobytes};
    if (written) {
        CopyText(failed, kPathSize, key);
        if (FormatText(command, sizeof command, Text(kTextUninstallCommand), args, 1) &&
            FormatText(quiet, sizeof quiet, Text(kTextQuietUninstallCommand), args, 1) && p_.WriteProgramEntry(key, entry)) {
            failed[0] = 0;
            return;
        }
        p_.RemoveProgramEntry(key);
    }
    fs_.RemoveFile(uninstaller);
}

bool Extraction::Extract(FilePosition payloadStart, char* buffer) {
    if (fs_.Seek(f_, payloadStart, kSeekSet) != payloadStart) return CantRead();
    EntryWalk walk(reader_);
    if (!walk.Begin()) return CantRead();
    PayloadEntry e;
    for (int index = 0; index < entries_; ++index) {
        // The check read every record already: one that can't be read now
        // must not end the installation as if it were complete.
        if (walk.Next(&e) != EntryWalk::kEntry) return CantRead();
        char target[kPathSize];
        if (!TargetPath(index, e, !removal_, target)) return false;
        const FilePosition next = fs_.Seek(f_, 0, kSeekCur);  // just past this record
        if (next == kNoPosition) return CantRead();
        if (removal_ ? !RemoveEntry(index, e, target) : !WriteEntry(e, target, buffer)) return false;
        installedBytes_ += InstalledSize(e);
        if (fs_.Seek(f_, next, kSeekSet) != next) return CantRead();
    }
    return true;
}

void Extraction::Run() {
    if (!Prepare()) return;
    // Read before anything changes it, for the removal.
    if (title_) p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", previous_, sizeof previous_);
    // A file that does not open could not be read; one that opens but holds
    // no payload is damaged.
    f_ = fs_.OpenRead(where_.modulePath);
    if (f_ == kNoFile) {
        CantRead();
        return;
    }
    reader_.SetHandle(f_);
    FilePosition payloadStart = LocatePayloadIn(reader_, &places_);
    if (payloadStart == kNoPosition) {
        Damaged();
    } else if ((removal_ && !ReadRecord(&payloadStart)) || !Validate(payloadStart)) {
        // The failure is the outcome's already.
    } else if (removal_) {
        // Asked only once every name is known good.
        out_->filesComplete = removal_->confirm(removal_->context) && Extract(payloadStart, 0);
    } else {
        char* buffer = static_cast<char*>(fs_.AllocateBuffer(kCopyBufferSize));
        if (!buffer) {
            Fail(kInstallNoMemory, "");
        } else {
            out_->filesComplete = Extract(payloadStart, buffer);
            if (out_->filesComplete && title_) {
                RegisterScreenSaver(p_, where_, out_);
                if (out_->error == kInstallOk) LeaveRemoval(payloadStart, buffer);
            }
            fs_.FreeBuffer(buffer);
        }
    }
    fs_.Close(f_);
}

}  // namespace

bool ScreenSaverSetting(FileSystem& fs, const InstallPlace& where, char value[kPathSize]) {
    char path[kPathSize];
    if (!ScreenSaverPath(where, path, sizeof path)) return false;
    // The short form where the platform gives one; the full path of the
    // program just written otherwise. Never an undefined value.
    if (fs.ShortPathName(path, value, kPathSize) == 0) CopyText(value, kPathSize, path);
    return true;
}

void ExtractEntries(Platform& p, const InstallPlace& where, InstallOutcome* out, const char* title,
                    RemovalWalk* removal) {
    Extraction(p, where, out, title, removal).Run();
}
