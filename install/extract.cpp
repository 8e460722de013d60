#include "install/extract.h"

#include "base/text.h"
#include "install/names.h"
#include "install/targets.h"
#include "payload/contents.h"
#include "payload/payload.h"
#include "payload/validate.h"

namespace {

enum { kCopyBufferSize = 2048 };

class Extraction {
public:
    Extraction(FileSystem& fs, const InstallPlace& where, InstallOutcome* out)
        : fs_(fs), where_(where), out_(out), reader_(fs, kNoFile) {}

    void Run();

private:
    bool Prepare();
    bool Validate(FilePosition payloadStart);
    static bool TargetFits(void* self, int index, uint16_t numberingBase, const PayloadEntry& e);
    bool Extract(FilePosition payloadStart, char* buffer);
    bool TargetPath(int index, const PayloadEntry& e, bool makeDirectories, char* path);
    bool AppendDirectory(char* path, const char* part, bool make);
    bool WriteEntry(const PayloadEntry& e, const char* target, char* buffer);
    bool Fail(InstallError e, const char* file) {
        FailInstall(out_, e, file);
        return false;
    }
    // What looks like damage may be a read that failed.
    bool Damaged() { return Fail(reader_.failed ? kInstallCantRead : kInstallDamaged, where_.modulePath); }
    bool CantRead() { return Fail(kInstallCantRead, where_.modulePath); }

    FileSystem& fs_;
    const InstallPlace& where_;
    InstallOutcome* out_;
    FileHandle f_ = kNoFile;
    uint32_t certificates_ = 0;  // where a signature's table starts
    FileReader reader_;
    uint16_t numberingBase_ = 0;
    int entries_ = 0;  // as counted by the check
    char windowsDir_[kPathSize];
    char base_[kPathSize];
};

bool Extraction::Prepare() {
    if (!where_.modulePath[0]) return Fail(kInstallNoModulePath, "");
    if (!where_.windowsDirectory[0]) return Fail(kInstallNoWindowsDirectory, "");
    if (!CopyText(windowsDir_, sizeof windowsDir_, where_.windowsDirectory) ||
        !AppendBackslash(windowsDir_, sizeof windowsDir_))
        return Fail(kInstallPathTooLong, windowsDir_);
    if (!InstallerBase(where_.modulePath, base_, sizeof base_))
        return Fail(kInstallPathTooLong, where_.modulePath);
    if (!UsableInstallerNames(where_.screenSaverName, base_))
        return Fail(kInstallUnusableName, where_.modulePath);
    return true;
}

// Adds "\\part" (no '\\' after the Windows directory's own) and, when asked,
// makes that directory.
bool Extraction::AppendDirectory(char* path, const char* part, bool make) {
    if (!AppendBackslash(path, kPathSize) || !AppendText(path, kPathSize, part))
        return Fail(kInstallPathTooLong, path);
    // It may exist already; only a directory that is still missing fails.
    if (make && !fs_.MakeDirectory(path) && fs_.QueryPath(path) != kPathDirectory)
        return Fail(kInstallCantMakeDirectory, path);
    return true;
}

bool Extraction::TargetPath(int index, const PayloadEntry& e, bool make, char* path) {
    char name[kPathSize];
    if (!EntryFileName(index, numberingBase_, e, where_.screenSaverName, base_, name, sizeof name))
        return Fail(kInstallPathTooLong, name);  // the extension was checked with the payload
    CopyText(path, kPathSize, windowsDir_);
    if (index == kEntryProgram) {
        if (!AppendText(path, kPathSize, name)) return Fail(kInstallPathTooLong, name);
        UpperAscii(path);
        return true;
    }
    if (!AppendDirectory(path, kDataRoot, make) || !AppendDirectory(path, kDataParent, make) ||
        !AppendDirectory(path, base_, make))
        return false;
    if (!AppendText(path, kPathSize, "\\") || !AppendText(path, kPathSize, name))
        return Fail(kInstallPathTooLong, name);
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
    const FilePosition limit = PayloadLimit(fileSize, certificates_);
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
        if (!TargetPath(index, e, true, target)) return false;
        const FilePosition next = fs_.Seek(f_, 0, kSeekCur);  // just past this record
        if (next == kNoPosition) return CantRead();
        if (!WriteEntry(e, target, buffer)) return false;
        if (fs_.Seek(f_, next, kSeekSet) != next) return CantRead();
    }
    return true;
}

void Extraction::Run() {
    if (!Prepare()) return;
    // A file that does not open could not be read; one that opens but holds
    // no payload is damaged.
    f_ = fs_.OpenRead(where_.modulePath);
    if (f_ == kNoFile) {
        CantRead();
        return;
    }
    reader_.SetHandle(f_);
    ImagePlaces places;
    const FilePosition payloadStart = LocatePayloadIn(reader_, &places);
    certificates_ = places.certificates;
    if (payloadStart == kNoPosition) {
        Damaged();
    } else if (Validate(payloadStart)) {
        char* buffer = static_cast<char*>(fs_.AllocateBuffer(kCopyBufferSize));
        if (!buffer) {
            Fail(kInstallNoMemory, "");
        } else {
            out_->filesComplete = Extract(payloadStart, buffer);
            fs_.FreeBuffer(buffer);
        }
    }
    fs_.Close(f_);
}

}  // namespace

void ExtractEntries(FileSystem& fs, const InstallPlace& where, InstallOutcome* out) {
    Extraction(fs, where, out).Run();
}
