#include "authoring/uninstaller_check.h"

#include "authoring/printable.h"
#include "base/text.h"
#include "install/extract.h"

const char kCheckedWindowsDirectory[] = "C:\\WINDOWS";

namespace {

const char kUninstallerPath[] = "C:\\WINDOWS\\QUORBEL\\SSAVERS\\UNINSTAL.EXE";
const FileHandle kTheFile = 1;

// A machine on which the one file there is the uninstaller, and nothing
// can be changed: every write, every question and every setting fails or
// is not there.
class ReadOnlyMachine final : public Platform {
public:
    explicit ReadOnlyMachine(ByteReader& r) : r_(r) {}

    unsigned ModuleFileName(char* buf, unsigned cap) override { return Copy(kUninstallerPath, buf, cap); }
    unsigned WindowsDirectory(char* buf, unsigned cap) override { return Copy(kCheckedWindowsDirectory, buf, cap); }
    FileHandle OpenRead(const char* path) override {
        return SameTextIgnoringCase(path, kUninstallerPath) && r_.Seek(0, kSeekSet) == 0 ? kTheFile : kNoFile;
    }
    int Read(FileHandle f, void* buf, int n) override { return f == kTheFile ? r_.Read(buf, n) : -1; }
    FilePosition Seek(FileHandle f, uint32_t offset, SeekOrigin origin) override {
        return f == kTheFile ? r_.Seek(offset, origin) : kNoPosition;
    }
    void Close(FileHandle) override {}
    FileHandle CreateForWrite(const char*) override { return kNoFile; }
    int Write(FileHandle, const void*, int) override { return -1; }
    bool RemoveFile(const char*) override { return false; }
    bool MakeDirectory(const char*) override { return false; }
    bool RemoveAtRestart(const char*) override { return false; }
    bool RenameFile(const char*, const char*, bool) override { return false; }
    bool ListFolder(const char*, FolderVisitor, void*) override { return false; }
    PathKind QueryPath(const char*) override { return kPathMissing; }
    unsigned ShortPathName(const char*, char* out, unsigned cap) override { return Copy("", out, cap); }
    bool FreeBytesAvailable(Library, const char*, uint64_t*) override { return false; }
    bool FreeClusters(const char*, DiskClusters*) override { return false; }
    void* AllocateBuffer(unsigned size) override { return size <= sizeof buffer_ ? buffer_ : nullptr; }
    void FreeBuffer(void*) override {}

    int ShowMessage(const char*, const char*, unsigned) override { return kIdCancel; }
    int RunDialog(int, DialogProc, void*) override { return kIdCancel; }
    void EndDialog(Window, int) override {}
    void SetText(Window, const char*) override {}
    void SetItemText(Window, int, const char*) override {}
    void PostCommand(Window, int) override {}
    bool GetWindowRect(Window, Rect*) override { return false; }
    void MoveWindow(Window, int, int, int, int) override {}
    int ScreenWidth() override { return 0; }
    int ScreenHeight() override { return 0; }
    void SetCursor(Cursor) override {}
    int RunMainWindow(const char*, int, CreateHandler, void*) override { return 0; }

    bool WriteProfileValue(const char*, const char*, const char*, const char*) override { return false; }
    unsigned ReadProfileValue(const char*, const char*, const char*, char* buf, unsigned cap) override {
        return Copy("", buf, cap);
    }
    bool WriteProgramEntry(const char*, const ProgramEntry&) override { return false; }
    bool RemoveProgramEntry(const char*) override { return false; }
    int ReadProgramEntryText(const char*, const char*, char* buf, unsigned cap) override {
        Copy("", buf, cap);
        return -1;
    }
    unsigned CommandLine(char* buf, unsigned cap) override { return Copy("", buf, cap); }
    bool RunsAsSystemAccount() override { return false; }
    void SetScreenSaverActive(bool) override {}
    void StartProgram(const char*) override {}
    Library LoadSystemLibrary(const char*) override { return 0; }
    bool HasEntryPoint(Library, const char*) override { return false; }
    void ReleaseLibrary(Library) override {}
    bool OpenWithShell(const char*) override { return false; }

private:
    static unsigned Copy(const char* text, char* buf, unsigned cap) {
        if (!cap) return 0;
        if (CopyText(buf, cap, text)) return (unsigned)TextLength(text);
        buf[0] = 0;
        return 0;
    }

    ByteReader& r_;
    char buffer_[kCopyBufferMax];
};

// Asked whether to remove: every check has passed by then. It answers No.
bool Reached(void* context) {
    *static_cast<bool*>(context) = true;
    return false;
}

}  // namespace

std::string UninstallerRefusal(ByteReader& r) {
    ReadOnlyMachine machine(r);
    bool reached = false;
    RemovalWalk walk = {};
    walk.confirm = Reached;
    walk.retry = [](void*, const char*) { return RemovalWalk::kGiveUp; };
    walk.stays = [](void*, const char*) {};
    walk.context = &reached;
    const InstallPlace where = {kUninstallerPath, kCheckedWindowsDirectory, ""};
    InstallOutcome o = {};
    ExtractEntries(machine, where, &o, nullptr, &walk, nullptr);
    const std::string refuses = "the uninstaller refuses to run: ";
    switch (o.error) {
    case kInstallOk: return reached ? "" : refuses + "it stops before it asks";
    case kInstallDamaged: return refuses + "it finds its record, its table or its checksums damaged";
    case kInstallEmpty: return refuses + "its table holds no entries";
    case kInstallCantRead: return "the uninstaller could not be read";
    case kInstallPathTooLong:
        return refuses + "a name it holds (" + PrintableBytes(o.file, sizeof o.file) +
               ") makes a path too long for Windows, in " + kCheckedWindowsDirectory;
    case kInstallUnusableName: return refuses + "its record names a program or folder that no installation makes";
    default: return refuses + "error " + std::to_string((int)o.error);
    }
}
