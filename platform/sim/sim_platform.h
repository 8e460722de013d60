// The simulated machine the host tests run the installer on.
//
// A host folder stands for drive C:, the module path and the Windows
// directory are settable, every message box and dialog is recorded and
// answered from a script, started programs are recorded, and any call can
// be made to fail on demand. An answer the script does not have is an
// error (recorded in `errors`, which the tests require to stay empty),
// never a hang.
#ifndef PLATFORM_SIM_SIM_PLATFORM_H
#define PLATFORM_SIM_SIM_PLATFORM_H

#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

// The operations a fault can hit, each with the target it is aimed at: a
// Windows path for the file operations (the path a handle was opened with,
// for Read, Seek and Write, the root for the free-space queries), the
// dialog's id in decimal for RunDialog, the caption for ShowMessage, the
// command line for StartProgram, the library's name for LoadLibrary, the
// address for OpenWithShell, the entry's key for ProgramEntry (its values
// set and its removal) and ReadProgramEntry, the path renamed from for
// Rename, and "" for the rest.
enum class SimOp {
    ModuleFileName, WindowsDirectory, Open, Read, Seek, Create, Write, Remove, MakeDirectory,
    ShortPathName, WriteProfileValue, Allocate, ShowMessage, RunDialog, GetWindowRect, StartProgram,
    FreeBytesAvailable, FreeClusters, LoadLibrary, OpenWithShell, RemoveAtRestart,
    ReadProfileValue, ProgramEntry, ListFolder, Rename, ReadProgramEntry,
};

// A fault, in the manner of a test VFS: the operation fails on the nth use
// that hits a matching target, and on `count` such uses in all (-1: on
// every one from then on). The target is a pattern: '*' stands for any run
// of characters, '?' for one, letters match without regard to case, as
// Windows names do ("*\\FOREST.SCR", "*.DAT"). Reads and writes hit only
// when they reach byte `from` of their file or beyond: {Read, installer,
// 1, -1, n} is an installer that can't be read past n bytes. A fault with
// a `dialog` hits only while that dialog is open: {Open, installer, 1, 1,
// 0, 103} fails the installation dialog's open of the installer.
struct SimFault {
    SimOp op;
    std::string target = "*";
    int nth = 1;
    int count = 1;
    int64_t from = 0;
    int dialog = 0;
};

struct SimMessage {
    std::string text, caption;
    unsigned style;
    int answer;
};

struct SimDialog {
    int id;
    std::string caption;                       // the last text set on the dialog
    std::map<int, std::string> items;          // texts set on its controls
    std::vector<std::pair<int, int>> moves;    // positions it was moved to
    int result;
};

class SimPlatform : public Platform {
public:
    // `drive` is the host folder that stands for C:\ (it must exist).
    explicit SimPlatform(std::string drive);
    ~SimPlatform();

    // Machine set-up.
    void SetModulePath(const std::string& path) { modulePath_ = path; }
    void SetWindowsDirectoryPath(const std::string& path) { windowsDir_ = path; }
    void SetScreen(int width, int height) { screenW_ = width, screenH_ = height; }
    void SetCommandLine(const std::string& line) { commandLine_ = line; }
    void SetSystemAccount(bool on) { systemAccount_ = on; }
    // The size in pixels a dialog resource comes up with.
    void SetDialogSize(int id, int width, int height) { dialogSize_[id] = {width, height}; }
    // How many more bytes the drive takes; writes beyond are cut short.
    void SetFreeBytes(uint64_t n) { freeBytes_ = n; }
    // What the free-space queries report, whatever the drive takes: the
    // bytes available to the caller (GetDiskFreeSpaceExA) and the clusters
    // (GetDiskFreeSpaceA). Either fails by a fault.
    void SetReportedFreeSpace(uint64_t availableBytes, DiskClusters clusters) {
        reportedBytes_ = availableBytes, reportedClusters_ = clusters;
    }
    // The libraries of the system directory, each with its entry points.
    // KERNEL32.DLL (with GetDiskFreeSpaceExA), OPENGL32.DLL (with
    // glGenTextures) and GLU32.DLL are there from the start.
    void SetLibrary(const std::string& name, std::vector<std::string> entryPoints) {
        libraries_[name] = std::move(entryPoints);
    }
    void RemoveLibrary(const std::string& name) { libraries_.erase(name); }
    // The host path a Windows path stands for ("" when it is not on C:).
    // Names match without regard to case, as on Windows.
    std::string HostPath(const std::string& windowsPath) const;

    // The script. Answers are used in order, one per message box or dialog.
    void AnswerMessage(int answer);
    // The dialog gets these WM_COMMAND wParams after its initialisation,
    // until it ends.
    void AnswerDialog(std::vector<uintptr_t> commands);
    size_t UnusedAnswers() const { return script_.size(); }

    // A link (a symbolic link or a junction) at a Windows path, to the host
    // path `target`: QueryPath reports it as one, and every other call goes
    // through it, as Windows' do.
    void MakeLink(const std::string& windowsPath, const std::string& target);

    // A file the system refuses to change or remove, as Windows does one
    // marked read-only (the host's own permissions may not hold for root).
    void SetReadOnly(const std::string& windowsPath) { readOnly_.push_back(HostPath(windowsPath)); }

    // Faults, aimed by what they hit (see SimFault).
    void Fail(SimFault fault) { faults_.push_back(fault); }
    // How often an operation was used.
    int Count(SimOp op) const;

    // What happened.
    std::vector<SimMessage> messages;
    std::vector<SimDialog> dialogs;
    std::vector<std::string> started;
    std::vector<Cursor> cursors;
    std::string windowClass;
    int windowIcon = 0;
    // The script's mismatches and the installer's misuse of the system (a
    // handle or library that is not open, a library named by a path, ...).
    std::vector<std::string> errors;
    // Misuse is also reported here the moment it happens, for every
    // machine: the tests make it a failure of the test that caused it.
    static void SetMisuseHandler(void (*handler)(const std::string& what));
    // The checks' view of the machine, in order: "query PATH", "load NAME"
    // (": none" when it fails), "entry NAME", "release NAME", "free bytes
    // ROOT", "free clusters ROOT", "message CAPTION", "dialog ID".
    std::vector<std::string> calls;
    int OpenFiles() const { return (int)files_.size(); }
    int OpenBuffers() const { return (int)buffers_.size(); }
    int screenSaverActive = -1;   // -1: never set
    std::vector<std::string> removed;  // Windows paths of removed files
    std::vector<std::string> freeSpaceRoots;  // the root of each free-space query
    std::map<std::string, int> loads, releases;  // per library
    std::vector<std::string> shellOpened;  // addresses the shell was asked to open (a fault fails it)
    std::vector<std::string> removeAtRestart;  // Windows paths, in order
    // The system's next start: each of them removed, a folder only where it
    // is empty by then.
    void Restart();
    // The list of installed programs: each entry's values by name, texts
    // as they are and numbers as "#N".
    std::map<std::string, std::map<std::string, std::string>> programEntries;
    int LoadedLibraries() const { return (int)loaded_.size(); }

    // Platform.
    unsigned ModuleFileName(char* buf, unsigned cap) override;
    unsigned WindowsDirectory(char* buf, unsigned cap) override;
    FileHandle OpenRead(const char* path) override;
    int Read(FileHandle f, void* buf, int n) override;
    FilePosition Seek(FileHandle f, uint32_t offset, SeekOrigin origin) override;
    void Close(FileHandle f) override;
    FileHandle CreateForWrite(const char* path) override;
    int Write(FileHandle f, const void* buf, int n) override;
    bool RemoveFile(const char* path) override;
    bool MakeDirectory(const char* path) override;
    bool RemoveAtRestart(const char* path) override;
    bool RenameFile(const char* from, const char* to, bool replace) override;
    bool ListFolder(const char* path, FolderVisitor visit, void* context) override;
    unsigned ReadProfileValue(const char* section, const char* key, const char* file, char* buf,
                              unsigned cap) override;
    bool WriteProgramEntry(const char* key, const ProgramEntry& entry) override;
    bool RemoveProgramEntry(const char* key) override;
    int ReadProgramEntryText(const char* key, const char* name, char* buf, unsigned cap) override;
    unsigned CommandLine(char* buf, unsigned cap) override;
    bool RunsAsSystemAccount() override { return systemAccount_; }
    PathKind QueryPath(const char* path) override;
    unsigned ShortPathName(const char* path, char* out, unsigned cap) override;
    bool WriteProfileValue(const char* section, const char* key, const char* value,
                           const char* file) override;
    void SetScreenSaverActive(bool on) override { screenSaverActive = on ? 1 : 0; }
    void* AllocateBuffer(unsigned size) override;
    void FreeBuffer(void* buffer) override;
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    int RunDialog(int id, DialogProc proc, void* context) override;
    void EndDialog(Window dialog, int result) override;
    void SetText(Window w, const char* text) override;
    void SetItemText(Window dialog, int id, const char* text) override;
    void PostCommand(Window dialog, int id) override;
    bool GetWindowRect(Window w, Rect* r) override;
    void MoveWindow(Window w, int x, int y, int width, int height) override;
    int ScreenWidth() override { return screenW_; }
    int ScreenHeight() override { return screenH_; }
    void SetCursor(Cursor c) override { cursors.push_back(c); }
    void StartProgram(const char* commandLine) override;
    int RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                      void* context) override;
    bool FreeBytesAvailable(Library kernel, const char* root, uint64_t* bytes) override;
    bool FreeClusters(const char* root, DiskClusters* out) override;
    Library LoadSystemLibrary(const char* name) override;
    bool HasEntryPoint(Library library, const char* name) override;
    void ReleaseLibrary(Library library) override;
    bool OpenWithShell(const char* address) override;

private:
    struct Answer {
        bool isDialog;
        int message;
        std::vector<uintptr_t> commands;
    };
    struct OpenFile {
        std::FILE* stream;
        std::string path;  // as the installer named it
    };
    struct OpenDialog {
        int id;
        Window handle;
        Rect rect;
        std::string text;
        bool ended;
        int result;
        std::vector<std::pair<int, int>> moves;
        std::map<int, std::string> items;
    };
    struct Posted {
        Window w;
        int id;
    };
    void DeliverPosted(Window w, DialogProc proc, void* context);
    // Counts a use of op on target and says whether a fault hits it; `at`
    // and `n` give the byte range a read or write covers.
    bool Fails(SimOp op, const std::string& target, int64_t at = 0, int n = 1);
    OpenFile* Find(FileHandle f, const char* what);
    OpenDialog* FindDialog(Window w);
    unsigned CopyOut(const std::string& s, char* buf, unsigned cap);
    void Misuse(const std::string& what);
    // QueryPath, unrecorded; `follow` looks through a link at what it names.
    PathKind Kind(const std::string& path, bool follow = true) const;
    bool Exports(Library library, const char* name);    // HasEntryPoint, unrecorded
    bool IsReadOnly(const std::string& host) const;
    std::string ProfilePath(const char* file) const;  // the host path of an INI file
    std::vector<std::string> ProfileLines(const std::string& host) const;
    std::map<std::string, std::string>& Entry(const char* key);

    std::string drive_;
    std::string modulePath_ = "C:\\SETUP\\FOREST.EXE";
    std::string windowsDir_ = "C:\\WINDOWS";
    std::string commandLine_ = "C:\\SETUP\\FOREST.EXE";
    bool systemAccount_ = false;
    int screenW_ = 800, screenH_ = 600;
    std::map<int, std::pair<int, int>> dialogSize_;
    std::deque<Answer> script_;
    std::vector<SimFault> faults_;
    std::map<SimOp, int> uses_;
    std::map<FileHandle, OpenFile> files_;
    FileHandle nextFile_ = 3;
    std::vector<OpenDialog> openDialogs_;
    Window nextWindow_ = 0x100;
    uint64_t freeBytes_ = UINT64_MAX;
    uint64_t reportedBytes_ = 8ull << 30;
    DiskClusters reportedClusters_ = {8, 512, 2u << 20};  // 8 GiB
    std::map<std::string, std::vector<std::string>> libraries_ = {
        {"KERNEL32.DLL", {"GetDiskFreeSpaceExA", "GetDiskFreeSpaceA"}},
        {"OPENGL32.DLL", {"glGenTextures"}},
        {"GLU32.DLL", {"gluPerspective"}},
    };
    std::map<Library, std::string> loaded_;
    Library nextLibrary_ = 0x10000;
    std::vector<void*> buffers_;
    std::deque<Posted> posted_;
    std::vector<std::string> readOnly_;  // host paths
};

// The 8.3 name the simulated machine gives a long name: the first six
// letters or digits of the name, "~1", and the first three of the
// extension, upper case. Names already in 8.3 form stay as they are.
std::string SimShortName(const std::string& name);

#endif
