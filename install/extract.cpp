#include "install/extract.h"

#include "base/checksum.h"
#include "base/text.h"
#include "install/register.h"
#include "install/names.h"
#include "install/targets.h"
#include "payload/contents.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "payload/validate.h"
#include "res/texts.h"

namespace {

enum { kCopyBufferSize = 2048 };
static_assert((int)kCopyBufferSize <= (int)kCopyBufferMax, "the platform has a buffer of this size");

class Extraction {
public:
    Extraction(Platform& p, const InstallPlace& where, InstallOutcome* out, const char* title, RemovalWalk* removal,
               Session* session)
        : p_(p), fs_(p), where_(where), out_(out), title_(title), removal_(removal), session_(session),
          screenSaverName_(where.screenSaverName), reader_(p, kNoFile) {}

    void Run();

private:
    bool Prepare();
    bool Name(const char* base);
    bool ReadRecord(FilePosition* payloadStart);
    bool RemoveEntry(int index, const PayloadEntry& e, const char* target, char* buffer);
    bool Unchanged(const char* target, const PayloadEntry& e, uint32_t checksum, char* buffer);
    void CheckFolders();
    bool Validate(FilePosition payloadStart);
    static bool TargetFits(void* self, int index, uint16_t numberingBase, const PayloadEntry& e);
    bool Extract(FilePosition payloadStart, char* buffer);
    bool TargetPath(int index, const PayloadEntry& e, bool makeDirectories, char* path);
    bool DataFolders(bool make);
    bool WriteEntry(const PayloadEntry& e, const char* target, char* buffer);
    bool CopyPart(ByteSink& out, uint32_t offset, uint32_t size, char* buffer);
    void KeepChecksum(int index, FilePosition payloadStart, char* buffer);
    void BeginUninstaller(FilePosition payloadStart, char* buffer);
    void DropUninstaller();
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
    const char* title_;     // set: an installation, registered and left for removal when complete
    RemovalWalk* removal_;  // set: the uninstaller's walk, which removes
    Session* session_;      // set: the run's log
    const char* screenSaverName_;
    FileReader reader_;
    FileHandle f_ = kNoFile;
    FileHandle uninstaller_ = kNoFile;  // UNINSTAL.NEW while it is written
    ImagePlaces places_ = {};
    uint32_t installedBytes_ = 0;
    bool systemAccount_ = false;  // run by the system account: nothing registered
    bool dataDirMade_ = false;
    uint16_t numberingBase_ = 0;
    int entries_ = 0;  // as counted by the check
    uint32_t checksum_ = 0;         // of the entry last written
    uint32_t programChecksum_ = 0;  // entry 0's, until the uninstaller is begun
    FilePosition checksums_ = 0;    // where an uninstaller's checksums start
    char previous_[kPathSize] = "";  // the screen-saver setting before it
    char newUninstaller_[kPathSize];
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

// Whether a file holds the very bytes the installation wrote: their number
// and checksum. One that can't be read is not known to.
bool Extraction::Unchanged(const char* target, const PayloadEntry& e, uint32_t checksum, char* buffer) {
    const FileHandle f = fs_.OpenRead(target);
    if (f == kNoFile) return false;
    uint32_t size = 0, sum = 0;
    int got;
    while ((got = fs_.Read(f, buffer, kCopyBufferSize)) > 0 && size <= InstalledSize(e)) {
        size += (uint32_t)got;
        sum = Checksum(sum, buffer, (size_t)got);
    }
    fs_.Close(f);
    return got == 0 && size == InstalledSize(e) && sum == checksum;
}

// The data files are left alone where QUORBEL, SSAVERS or the data folder
// is a link: what it leads to is not where the installation wrote them.
void Extraction::CheckFolders() {
    removal_->linked[0] = 0;
    DataFolders(false);
}

// A file the installation wrote goes where it is a plain file as the
// installation left it; any other stays. Where removing fails the walk asks
// whether to retry, and stops at No.
bool Extraction::RemoveEntry(int index, const PayloadEntry& e, const char* target, char* buffer) {
    unsigned char sum[kChecksumSize];
    const FilePosition at = checksums_ + kChecksumSize * (uint32_t)index;
    if (fs_.Seek(f_, at, kSeekSet) != at || !ReadExactly(reader_, sum, kChecksumSize)) return CantRead();
    const bool program = index == kEntryProgram;
    // The program of a later installation is its own; so are the data
    // files behind a link.
    if (program ? !removal_->ownsProgram : removal_->linked[0] != 0) return true;
    const PathKind kind = fs_.QueryPath(target);
    if (kind == kPathMissing) return true;  // gone already
    if (kind != kPathFile || !Unchanged(target, e, GetLE32(sum), buffer)) {
        // The data folder's own show when it is listed.
        if (program) removal_->stays(removal_->context, target);
        return true;
    }
    while (!fs_.RemoveFile(target)) {
        const RemovalWalk::Retry r = removal_->retry(removal_->context, target);
        if (r != RemovalWalk::kTryAgain) return r == RemovalWalk::kAtRestart;
    }
    LogTo(session_, kLogRemoved, target);
    return true;
}

// Walks QUORBEL, SSAVERS and the data folder, from the top. With `make`,
// makes each (they may be there already; only one that is still missing
// fails), once. Without, notes the first that is a link (or no folder) in
// removal_->linked, and stops at a missing one: nothing of it is left below.
bool Extraction::DataFolders(bool make) {
    char path[kPathSize];
    for (size_t at = TextLength(windowsDir_); !dataDirMade_; ++at) {
        const char c = dataDir_[at];
        if (c && c != '\\') continue;
        path[0] = 0;
        AppendTextN(path, sizeof path, dataDir_, at);
        if (make) {
            // A link to a folder is taken as that folder, as it always was;
            // the uninstaller leaves what is behind it.
            if (!fs_.MakeDirectory(path) && fs_.QueryPath(path) < kPathDirectory)
                return Fail(kInstallCantMakeDirectory, path);
            dataDirMade_ = !c;
        } else {
            const PathKind kind = fs_.QueryPath(path);
            if (kind == kPathMissing) break;
            if (kind != kPathDirectory) {
                CopyText(removal_->linked, kPathSize, path);
                break;
            }
            if (!c) break;
        }
    }
    return true;
}

bool Extraction::TargetPath(int index, const PayloadEntry& e, bool make, char* path) {
    char name[kPathSize];
    if (!EntryFileName(index, numberingBase_, e, screenSaverName_, base_, name, sizeof name))
        return Fail(kInstallPathTooLong, name);  // the extension was checked with the payload
    const bool program = index == kEntryProgram;
    if (!program && !dataDir_[0]) return Fail(kInstallPathTooLong, base_);
    if (!program && make && !DataFolders(true)) return false;
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
    // An uninstaller's checksums follow its table.
    checksums_ = payloadStart + kHeaderSize + kEntrySize * (uint32_t)(entries_ + 1);
    if (removal_ && (fileSize < checksums_ || (fileSize - checksums_) / kChecksumSize < (uint32_t)entries_)) return Damaged();
    return true;
}

bool Extraction::WriteEntry(const PayloadEntry& e, const char* target, char* buffer) {
    FileHandle out = fs_.CreateForWrite(target);
    if (out == kNoFile) return Fail(kInstallCantCreate, target);
    FileWriter writer(fs_, out);
    const EntryResult r = WriteEntryContents(reader_, e, writer, buffer, kCopyBufferSize);
    fs_.Close(out);
    checksum_ = writer.checksum;
    if (r == kEntryWritten) {
        char size[kNumberSize];
        LogTo(session_, kLogWrote, target, FormatThousands(InstalledSize(e), size, sizeof size));
        return true;
    }
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

// The uninstaller is begun once the data folder is there, which the first
// data file makes: this installer's stub part, room for the record, the
// installer's header and table, then the checksum of each file, each as
// it is written. The record's room holds any bytes until the record takes
// it. What can't be written drops it, and removal is not left.
void Extraction::BeginUninstaller(FilePosition start, char* buffer) {
    if (!JoinPath(newUninstaller_, kPathSize, dataDir_, kUninstallerNewName)) return;
    uninstaller_ = fs_.CreateForWrite(newUninstaller_);
    if (uninstaller_ == kNoFile) return;
    FileWriter w(fs_, uninstaller_);
    if (!CopyPart(w, 0, start, buffer) || !CopyPart(w, 0, kRemovalRecordSize, buffer) ||
        !CopyPart(w, start, kHeaderSize + kEntrySize * (uint32_t)(entries_ + 1), buffer))
        DropUninstaller();
}

void Extraction::KeepChecksum(int index, FilePosition start, char* buffer) {
    if (index == kEntryProgram) {
        programChecksum_ = checksum_;
        return;
    }
    unsigned char sum[2 * kChecksumSize];
    int n = 0;
    if (index == kEntryMainData) {
        BeginUninstaller(start, buffer);
        PutLE32(sum, programChecksum_);
        n = kChecksumSize;
    }
    PutLE32(sum + n, checksum_);
    n += kChecksumSize;
    if (uninstaller_ != kNoFile && fs_.Write(uninstaller_, sum, n) != n) DropUninstaller();
}

void Extraction::DropUninstaller() {
    if (uninstaller_ == kNoFile) return;
    fs_.Close(uninstaller_);
    uninstaller_ = kNoFile;
    fs_.RemoveFile(newUninstaller_);
}

// What removal needs, once the screen saver is installed and registered:
// the uninstaller, finished and in its place, and the entry in the list of
// installed programs that starts it. The uninstaller reaches at least to
// the end of the resource section, which the loader maps from the file.
// Neither is ever left without the other; out_->removalFailed names what
// could not be written.
void Extraction::LeaveRemoval(FilePosition start, char* buffer) {
    RemovalRecord record = {};
    char uninstaller[kPathSize], program[kPathSize], name[kCaptionSize];
    char command[kPathSize + 2], quiet[kPathSize + 10];
    char* failed = out_->removalFailed;
    CopyText(failed, kPathSize, kUninstallerName);
    // A record names only what the uninstaller may take for its own.
    if (!JoinPath(uninstaller, kPathSize, dataDir_, kUninstallerName) ||
        !ScreenSaverPath(where_, program, sizeof program) || !ScreenSaverSetting(fs_, where_, record.written) ||
        !CopyText(record.previous, kPathSize, previous_) || !RecordableName(screenSaverName_) ||
        !RecordableName(base_))
        return;
    // Installed again over itself, it will put back none: what was before
    // the first time was the first uninstaller's to know.
    if (SameTextIgnoringCase(previous_, record.written) || SameTextIgnoringCase(previous_, program))
        record.previous[0] = 0;
    StartRemovalRecord(&record);
    CopyText(record.program, kPathSize, screenSaverName_);
    CopyText(record.base, kPathSize, base_);
    CopyText(failed, kPathSize, uninstaller);
    if (uninstaller_ == kNoFile) return;
    static const char kNoSignature[8] = {};
    const FilePosition signature = places_.securityEntry;
    FilePosition size = fs_.Seek(uninstaller_, 0, kSeekEnd);
    FileWriter w(fs_, uninstaller_);
    // A signature covered the installer, not this part of it: the header's
    // entry for it goes, and the uninstaller is plainly unsigned. Up to the
    // end of the resource section any bytes do (the stub's own).
    bool written = size != kNoPosition && (size >= places_.resourceEnd || CopyPart(w, 0, places_.resourceEnd - size, buffer)) &&
                   fs_.Seek(uninstaller_, start, kSeekSet) == start &&
                   fs_.Write(uninstaller_, &record, sizeof record) == (int)sizeof record &&
                   (!places_.certificates || (fs_.Seek(uninstaller_, signature, kSeekSet) == signature &&
                                              fs_.Write(uninstaller_, kNoSignature, 8) == 8));
    if (size < places_.resourceEnd) size = places_.resourceEnd;
    fs_.Close(uninstaller_);
    uninstaller_ = kNoFile;
    if (!written || !fs_.RenameFile(newUninstaller_, uninstaller, true)) {
        fs_.RemoveFile(newUninstaller_);
        return;
    }

    // The entry, named by the screen saver's file; a new installation's
    // values replace the old ones.
    const char* key = screenSaverName_;
    FormatWithArgument(name, sizeof name, kTextDialogTitle, title_);
    const ProgramEntry entry = {{name, command, quiet, program, dataDir_}, (installedBytes_ + size + 1023) >> 10};
    CopyText(failed, kPathSize, key);
    if (FormatWithArgument(command, sizeof command, kTextUninstallCommand, uninstaller) &&
        FormatWithArgument(quiet, sizeof quiet, kTextQuietUninstallCommand, uninstaller) &&
        p_.WriteProgramEntry(key, entry)) {
        failed[0] = 0;
        LogTo(session_, kLogRemoval, uninstaller, key);
        return;
    }
    p_.RemoveProgramEntry(key);
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
        if (removal_ ? !RemoveEntry(index, e, target, buffer) : !WriteEntry(e, target, buffer)) return false;
        if (!removal_ && title_) KeepChecksum(index, payloadStart, buffer);
        installedBytes_ += InstalledSize(e);
        if (fs_.Seek(f_, next, kSeekSet) != next) return CantRead();
    }
    return true;
}

void Extraction::Run() {
    if (!Prepare()) return;
    // Read before anything changes it, for the removal. The system
    // account's own setting is no one's to put back.
    systemAccount_ = title_ && p_.RunsAsSystemAccount();
    if (title_ && !systemAccount_) p_.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", previous_, sizeof previous_);
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
    } else {
        char* buffer = static_cast<char*>(fs_.AllocateBuffer(kCopyBufferSize));
        if (!buffer) {
            Fail(kInstallNoMemory, "");
        } else if (removal_) {
            // Asked only once every name is known good.
            CheckFolders();
            out_->filesComplete = removal_->confirm(removal_->context) && Extract(payloadStart, buffer);
        } else {
            out_->filesComplete = Extract(payloadStart, buffer);
            if (out_->filesComplete && title_) {
                if (systemAccount_)
                    LogTo(session_, kLogSystemAccount);
                else
                    RegisterScreenSaver(p_, where_, out_, session_);
                if (out_->error == kInstallOk) LeaveRemoval(payloadStart, buffer);
            }
            DropUninstaller();
        }
        if (buffer) fs_.FreeBuffer(buffer);
    }
    fs_.Close(f_);
}

}  // namespace

void ExtractEntries(Platform& p, const InstallPlace& where, InstallOutcome* out, const char* title,
                    RemovalWalk* removal, Session* session) {
    Extraction(p, where, out, title, removal, session).Run();
}
