// The one seam between the installer and the machine it runs on.
//
// Everything the installer asks of Windows goes through Platform, grouped
// by what it serves: files and paths, the user interface, and the system's
// settings and processes. The Win32 side (platform/win32) is the only code
// that includes <windows.h>; the simulated side (platform/sim) models the
// same calls on a host folder for the unit tests. The installer logic sees
// nothing but this header.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <stdint.h>

#include "base/bytes.h"

// Message-box styles and answers, with the values Windows gives them.
enum {
    kMbOk = 0x00, kMbOkCancel = 0x01, kMbYesNoCancel = 0x03, kMbYesNo = 0x04, kMbRetryCancel = 0x05,
    kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
};
enum { kIdOk = 1, kIdCancel = 2, kIdRetry = 4, kIdYes = 6, kIdNo = 7 };

// Dialog messages, as Windows numbers them.
enum { kMsgInitDialog = 0x0110, kMsgCommand = 0x0111 };

enum Cursor { kCursorArrow, kCursorWait };

// Opaque window handle; 0 is no window.
typedef uintptr_t Window;

// File handle; kNoFile is the failed open.
typedef intptr_t FileHandle;
const FileHandle kNoFile = -1;

// A link is any reparse point (a symbolic link, a junction), to a file or a
// folder: what it names is not where it stands. From kPathDirectory on, a
// path may stand for a folder.
enum PathKind { kPathMissing, kPathFile, kPathDirectory, kPathLink };

enum { kCopyBufferMax = 4096 };

// A loaded library; 0 is none.
typedef uintptr_t Library;

// A drive's free space as GetDiskFreeSpaceA counts it.
struct DiskClusters {
    uint32_t sectorsPerCluster, bytesPerSector, freeClusters;
};

struct Rect { int32_t left, top, right, bottom; };

// The values of an entry in the list of installed programs: texts by
// these names, in this order, then the size in kilobytes (EstimatedSize)
// and the entry's NoModify and NoRepair, both 1.
enum { kProgramEntryTexts = 5 };
inline constexpr const char* kProgramEntryTextNames[kProgramEntryTexts] = {
    "DisplayName", "UninstallString", "QuietUninstallString", "DisplayIcon", "InstallLocation"};
struct ProgramEntry {
    const char* texts[kProgramEntryTexts];
    uint32_t estimatedSize;
};

// The seam's calls are virtual in the host build, where the simulated
// machine stands in for Windows, and direct in the stub (PLATFORM_DIRECT),
// whose only platform is Win32: there the Win32 side defines these very
// functions, and no table of calls stands between the logic and Windows.
#ifdef PLATFORM_DIRECT
#define PLATFORM_CALL
#define PLATFORM_SIDE
#else
#define PLATFORM_CALL virtual
#define PLATFORM_SIDE = 0
#endif

class Platform;

// A dialog procedure: gets the dialog's messages, returns 1 (handled) or 0.
// wParam is passed through whole, as a 32-bit value on the stub.
typedef int (*DialogProc)(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context);

// Told each name in a folder.
typedef void (*FolderVisitor)(void* context, const char* name);

// Runs inside the hidden main window's creation; its result becomes the
// process exit code.
typedef int (*CreateHandler)(Platform& p, void* context);

// Files and paths.
class FileSystem {
public:
    // The installer's own file, as GetModuleFileNameA gives it. Returns the
    // length; 0 on failure or when the path does not fit (then buf is "").
    PLATFORM_CALL unsigned ModuleFileName(char* buf, unsigned cap) PLATFORM_SIDE;
    // The Windows directory, as GetWindowsDirectoryA gives it; same rules.
    PLATFORM_CALL unsigned WindowsDirectory(char* buf, unsigned cap) PLATFORM_SIDE;

    // Read-only opens share with other readers. Read returns the bytes read
    // (fewer at the end) or -1; Seek the new position or -1.
    PLATFORM_CALL FileHandle OpenRead(const char* path) PLATFORM_SIDE;
    PLATFORM_CALL int Read(FileHandle f, void* buf, int n) PLATFORM_SIDE;
    PLATFORM_CALL FilePosition Seek(FileHandle f, uint32_t offset, SeekOrigin origin) PLATFORM_SIDE;
    PLATFORM_CALL void Close(FileHandle f) PLATFORM_SIDE;
    // Creates a file for writing, or empties it when it exists.
    PLATFORM_CALL FileHandle CreateForWrite(const char* path) PLATFORM_SIDE;
    // Bytes written: fewer than n when the disk is full; -1 on error.
    PLATFORM_CALL int Write(FileHandle f, const void* buf, int n) PLATFORM_SIDE;
    PLATFORM_CALL bool RemoveFile(const char* path) PLATFORM_SIDE;
    // False when the directory could not be made (it may already exist).
    PLATFORM_CALL bool MakeDirectory(const char* path) PLATFORM_SIDE;
    // Has the system remove a file, or a folder that is empty by then, when
    // it next starts (a running program's own file can't be removed before
    // it ends).
    PLATFORM_CALL bool RemoveAtRestart(const char* path) PLATFORM_SIDE;
    // Gives a file another name in the same folder (a running program's
    // own file too); `replace` takes the place of a file of that name.
    PLATFORM_CALL bool RenameFile(const char* from, const char* to, bool replace) PLATFORM_SIDE;
    // Tells `visit` the name of each file and folder in a folder, but for
    // "." and ".."; false when the folder can't be read.
    PLATFORM_CALL bool ListFolder(const char* path, FolderVisitor visit, void* context) PLATFORM_SIDE;
    PLATFORM_CALL PathKind QueryPath(const char* path) PLATFORM_SIDE;
    // The 8.3 form of an existing file's full path; 0 on failure or when
    // it does not fit (then out is "").
    PLATFORM_CALL unsigned ShortPathName(const char* path, char* out, unsigned cap) PLATFORM_SIDE;

    // The free bytes of the drive of `root` (a path ending in '\\') that the
    // caller may use, by the GetDiskFreeSpaceExA of the loaded KERNEL32.DLL
    // `kernel`; false when that entry point is missing or the call fails.
    PLATFORM_CALL bool FreeBytesAvailable(Library kernel, const char* root,
                                          uint64_t* bytes) PLATFORM_SIDE;
    // The same drive's free clusters by GetDiskFreeSpaceA; false on failure.
    PLATFORM_CALL bool FreeClusters(const char* root, DiskClusters* out) PLATFORM_SIDE;

    // The copy buffer of the extraction, of at most kCopyBufferMax bytes,
    // one at a time; null when it can't be had.
    PLATFORM_CALL void* AllocateBuffer(unsigned size) PLATFORM_SIDE;
    PLATFORM_CALL void FreeBuffer(void* buffer) PLATFORM_SIDE;

protected:
    ~FileSystem() {}
};

// The user interface. Message boxes and dialogs have no owner window.
class UserInterface {
public:
    PLATFORM_CALL int ShowMessage(const char* text, const char* caption, unsigned style) PLATFORM_SIDE;
    // Runs the stub's dialog resource `id` modally; returns the value given
    // to EndDialog.
    PLATFORM_CALL int RunDialog(int id, DialogProc proc, void* context) PLATFORM_SIDE;
    PLATFORM_CALL void EndDialog(Window dialog, int result) PLATFORM_SIDE;
    PLATFORM_CALL void SetText(Window w, const char* text) PLATFORM_SIDE;
    PLATFORM_CALL void SetItemText(Window dialog, int id, const char* text) PLATFORM_SIDE;
    // Queues the command of the dialog's button `id`, as a press of it
    // would; it is handled after the current message.
    PLATFORM_CALL void PostCommand(Window dialog, int id) PLATFORM_SIDE;
    PLATFORM_CALL bool GetWindowRect(Window w, Rect* r) PLATFORM_SIDE;
    PLATFORM_CALL void MoveWindow(Window w, int x, int y, int width, int height) PLATFORM_SIDE;
    PLATFORM_CALL int ScreenWidth() PLATFORM_SIDE;
    PLATFORM_CALL int ScreenHeight() PLATFORM_SIDE;
    PLATFORM_CALL void SetCursor(Cursor c) PLATFORM_SIDE;

    // Registers the window class, creates the hidden main window and runs
    // the message loop. `onCreate` runs inside the creation message; the
    // window is then destroyed and the loop ends with onCreate's result.
    PLATFORM_CALL int RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                                    void* context) PLATFORM_SIDE;

protected:
    ~UserInterface() {}
};

// The system's settings and processes.
class SystemServices {
public:
    // A value in an INI file (a bare file name is in the Windows directory);
    // a null value removes the key.
    PLATFORM_CALL bool WriteProfileValue(const char* section, const char* key, const char* value,
                                         const char* file) PLATFORM_SIDE;
    // A value of an INI file (a bare file name is in the Windows
    // directory): its length, or 0 with "" when it is not there or does not
    // fit.
    PLATFORM_CALL unsigned ReadProfileValue(const char* section, const char* key, const char* file, char* buf,
                                            unsigned cap) PLATFORM_SIDE;
    // The entry `key` in the system's list of installed programs
    // (HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall): made, or
    // its values replaced, or the whole entry removed. False on failure, and
    // for the removal of an entry that is not there.
    PLATFORM_CALL bool WriteProgramEntry(const char* key, const ProgramEntry& entry) PLATFORM_SIDE;
    PLATFORM_CALL bool RemoveProgramEntry(const char* key) PLATFORM_SIDE;
    // A text value of that entry: its length, "" when it is not there, is
    // no text, or the entry can't be read, and when it does not fit with a
    // byte to spare (the NUL it is stored with, and one for a value stored
    // without); -1 when there is no such entry.
    PLATFORM_CALL int ReadProgramEntryText(const char* key, const char* name, char* buf, unsigned cap) PLATFORM_SIDE;
    // The program's command line, as GetCommandLineA gives it; its length,
    // or 0 with "" when it does not fit.
    PLATFORM_CALL unsigned CommandLine(char* buf, unsigned cap) PLATFORM_SIDE;
    // Whether the program runs as the system account (LocalSystem), as
    // deployment tools run installers: its settings are no person's.
    PLATFORM_CALL bool RunsAsSystemAccount() PLATFORM_SIDE;
    // The switch that turns the screen saver on, saved to the user's settings.
    PLATFORM_CALL void SetScreenSaverActive(bool on) PLATFORM_SIDE;
    // Starts a program by command line (WinExec, SW_SHOW); the result is
    // not examined by the installer.
    PLATFORM_CALL void StartProgram(const char* commandLine) PLATFORM_SIDE;

    // Loads a library of the system directory by its file name, from there
    // and nowhere else (never the installer's own directory, nor the
    // current one); 0 when it can't be loaded.
    PLATFORM_CALL Library LoadSystemLibrary(const char* name) PLATFORM_SIDE;
    PLATFORM_CALL bool HasEntryPoint(Library library, const char* name) PLATFORM_SIDE;
    PLATFORM_CALL void ReleaseLibrary(Library library) PLATFORM_SIDE;
    // Asks the shell to open an address ("open", no owner, maximised);
    // false when it reports failure (a result of 32 or less).
    PLATFORM_CALL bool OpenWithShell(const char* address) PLATFORM_SIDE;

protected:
    ~SystemServices() {}
};

class Platform : public FileSystem, public UserInterface, public SystemServices {
protected:
    // Never deleted through this interface.
    ~Platform() {}
};

#endif
