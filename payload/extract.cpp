#include "payload/extract.h"

#include "app/names.h"
#include "app/text.h"
#include "lzhuf/unpack.h"
#include "payload/payload.h"
#include "payload/targets.h"

namespace {

enum { kPathSize = 260, kCopyBufferSize = 2048 };

class Extraction {
public:
    Extraction(Platform& p, const char* scr, InstallOutcome* out)
        : p_(p), scr_(scr), out_(out), reader_(p, kNoFile) {}

    void Run();

private:
    bool Prepare();
    bool Validate(int64_t payloadStart);
    bool Extract(int64_t payloadStart, char* buffer);
    bool TargetPath(int index, const PayloadEntry& e, bool makeDirectories, char* path);
    bool AppendDirectory(char* path, const char* part, bool make);
    bool CopyStored(const PayloadEntry& e, const char* target, char* buffer);
    bool Unpack(const PayloadEntry& e, const char* target, int64_t resumeAt);
    bool Fail(InstallError e, const char* file) {
        FailInstall(out_, e, file);
        return false;
    }

    Platform& p_;
    const char* scr_;
    InstallOutcome* out_;
    FileHandle f_ = kNoFile;
    FileReader reader_;
    uint16_t numberingBase_ = 0;
    int entries_ = 0;  // as counted by the check
    char windowsDir_[kPathSize];
    char modulePath_[kPathSize];
    char base_[kPathSize];
};

bool Extraction::Prepare() {
    if (p_.ModuleFileName(modulePath_, sizeof modulePath_) == 0)
        return Fail(kInstallNoModulePath, "");
    if (p_.WindowsDirectory(windowsDir_, sizeof windowsDir_) == 0)
        return Fail(kInstallNoWindowsDirectory, "");
    if (!AppendBackslash(windowsDir_, sizeof windowsDir_))
        return Fail(kInstallPathTooLong, windowsDir_);
    if (!InstallerBase(modulePath_, base_, sizeof base_)) return Fail(kInstallPathTooLong, modulePath_);
    return true;
}

// Adds "\\part" (no '\\' after the Windows directory's own) and, when asked,
// makes that directory.
bool Extraction::AppendDirectory(char* path, const char* part, bool make) {
    if (!AppendBackslash(path, kPathSize) || !AppendText(path, kPathSize, part))
        return Fail(kInstallPathTooLong, path);
    // It may exist already; only a directory that is still missing fails.
    if (make && !p_.MakeDirectory(path) && p_.QueryPath(path) != kPathDirectory)
        return Fail(kInstallCantMakeDirectory, path);
    return true;
}

bool Extraction::TargetPath(int index, const PayloadEntry& e, bool make, char* path) {
    char name[kPathSize];
    if (!EntryFileName(index, numberingBase_, e, scr_, base_, name, sizeof name)) {
        if (index >= kFirstExtraEntry) return Fail(kInstallDamaged, modulePath_);  // unsafe extension
        return Fail(kInstallPathTooLong, name);
    }
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

// Every entry must lie inside the file and have a target it may write,
// before anything is written.
bool Extraction::Validate(int64_t payloadStart) {
    const int64_t fileSize = p_.Seek(f_, 0, kSeekEnd);
    if (fileSize < 0 || p_.Seek(f_, payloadStart, kSeekSet) != payloadStart)
        return Fail(kInstallCantRead, modulePath_);
    EntryWalk walk(reader_);
    if (!walk.Begin()) return Fail(kInstallDamaged, modulePath_);
    numberingBase_ = walk.NumberingBase();
    PayloadEntry e;
    EntryWalk::Step step;
    int count = 0;
    while ((step = walk.Next(&e)) == EntryWalk::kEntry) {
        char path[kPathSize];
        if (!EntryInsideFile(e, (uint64_t)fileSize) || e.unpackedSize > kLargestUnpackedSize)
            return Fail(kInstallDamaged, modulePath_);
        if (!TargetPath(count, e, false, path)) return false;
        ++count;
    }
    // Writers always end the table; a table that runs into the end of the
    // file is an installer cut short. One without entries has nothing to
    // install, and must not end in a message that says it did.
    if (step == EntryWalk::kCutShort) return Fail(kInstallDamaged, modulePath_);
    if (count == 0) return Fail(kInstallEmpty, modulePath_);
    entries_ = count;
    return true;
}

bool Extraction::CopyStored(const PayloadEntry& e, const char* target, char* buffer) {
    if (p_.Seek(f_, e.offset, kSeekSet) != (int64_t)e.offset) return Fail(kInstallDamaged, modulePath_);
    FileHandle out = p_.CreateForWrite(target);
    if (out == kNoFile) return Fail(kInstallCantCreate, target);
    uint32_t total = 0;
    bool ok = true;
    while (ok && total < e.storedSize) {
        uint32_t left = e.storedSize - total;
        int want = left < kCopyBufferSize ? (int)left : kCopyBufferSize;
        int n = p_.Read(f_, buffer, want);
        if (n < 0) ok = Fail(kInstallCantRead, modulePath_);
        else if (n == 0) ok = Fail(kInstallDamaged, modulePath_);  // the file ends early
        else if (p_.Write(out, buffer, n) != n) ok = Fail(kInstallCantWrite, target);
        else total += (uint32_t)n;
    }
    p_.Close(out);
    if (!ok) p_.RemoveFile(target);  // never leave a part looking like the whole
    return ok;
}

bool Extraction::Unpack(const PayloadEntry& e, const char* target, int64_t resumeAt) {
    // The decoder reads the installer through its own handle.
    p_.Close(f_);
    f_ = kNoFile;
    UnpackResult r = UnpackEntry(p_, e.offset, e.unpackedSize, e.storedSize, target);
    switch (r) {
    case kUnpackOk: break;
    case kUnpackNoInstaller: return Fail(kInstallCantRead, modulePath_);
    case kUnpackCantCreate: return Fail(kInstallCantCreate, target);
    case kUnpackCantWrite: return Fail(kInstallCantWrite, target);
    case kUnpackCantRead: return Fail(kInstallCantRead, modulePath_);
    case kUnpackCutShort: return Fail(kInstallDamaged, modulePath_);
    }
    f_ = LocatePayload(p_);
    reader_.SetHandle(f_);
    if (f_ == kNoFile || p_.Seek(f_, resumeAt, kSeekSet) != resumeAt)
        return Fail(kInstallCantRead, modulePath_);
    return true;
}

bool Extraction::Extract(int64_t payloadStart, char* buffer) {
    if (p_.Seek(f_, payloadStart, kSeekSet) != payloadStart) return Fail(kInstallCantRead, modulePath_);
    EntryWalk walk(reader_);
    if (!walk.Begin()) return Fail(kInstallCantRead, modulePath_);
    PayloadEntry e;
    for (int index = 0; index < entries_; ++index) {
        // The check read every record already: one that can't be read now
        // must not end the installation as if it were complete.
        if (walk.Next(&e) != EntryWalk::kEntry) return Fail(kInstallCantRead, modulePath_);
        char target[kPathSize];
        if (!TargetPath(index, e, true, target)) return false;
        const int64_t next = p_.Seek(f_, 0, kSeekCur);  // just past this record
        if (next < 0) return Fail(kInstallCantRead, modulePath_);
        bool ok = e.unpackedSize ? Unpack(e, target, next) : CopyStored(e, target, buffer);
        if (!ok) return false;
        if (index == kEntryProgram) out_->programWritten = true;
        if (p_.Seek(f_, next, kSeekSet) != next) return Fail(kInstallCantRead, modulePath_);
    }
    return true;
}

void Extraction::Run() {
    if (!Prepare()) return;
    f_ = LocatePayload(p_);
    if (f_ == kNoFile) {
        // A file that opens but holds no payload is damaged; one that does
        // not open could not be read.
        FileHandle probe = p_.OpenRead(modulePath_);
        if (probe != kNoFile) p_.Close(probe);
        Fail(probe == kNoFile ? kInstallCantRead : kInstallDamaged, modulePath_);
        return;
    }
    reader_.SetHandle(f_);
    const int64_t payloadStart = p_.Seek(f_, 0, kSeekCur);
    if (Validate(payloadStart)) {
        char* buffer = static_cast<char*>(p_.AllocateBuffer(kCopyBufferSize));
        if (!buffer) {
            Fail(kInstallNoMemory, "");
        } else {
            out_->filesComplete = Extract(payloadStart, buffer);
            p_.FreeBuffer(buffer);
        }
    }
    if (f_ != kNoFile) p_.Close(f_);
}

}  // namespace

void FailInstall(InstallOutcome* o, InstallError e, const char* file) {
    if (o->error != kInstallOk) return;
    o->error = e;
    CopyText(o->file, sizeof o->file, file);
}

void ExtractEntries(Platform& p, const char* screenSaverName, InstallOutcome* out) {
    Extraction(p, screenSaverName, out).Run();
}
