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
    kMbOk = 0x00, kMbOkCancel = 0x01, kMbYesNoCancel = 0x03, kMbYesNo = 0x04,
    kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
};
enum { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Dialog messages, as Windows numbers them.
enum { kMsgInitDialog = 0x0110, kMsgCommand = 0x0111 };

enum Cursor { kCursorArrow, kCursorWait };

// Opaque window handle; 0 is no window.
typedef uintptr_t Window;

// File handle; kNoFile is the failed open.
typedef intptr_t FileHandle;
const FileHandle kNoFile = -1;

enum PathKind { kPathMissing, kPathFile, kPathDirectory };

struct Rect { int32_t left, top, right, bottom; };

class Platform;

// A dialog procedure: gets the dialog's messages, returns 1 (handled) or 0.
// wParam is passed through whole, as a 32-bit value on the stub.
typedef int (*DialogProc)(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context);

// Runs inside the hidden main window's creation; its result becomes the
// process exit code.
typedef int (*CreateHandler)(Platform& p, void* context);

// Files and paths.
class FileSystem {
public:
    // The installer's own file, as GetModuleFileNameA gives it. Returns the
    // length; 0 on failure or when the path does not fit (then buf is "").
    virtual unsigned ModuleFileName(char* buf, unsigned cap) = 0;
    // The Windows directory, as GetWindowsDirectoryA gives it; same rules.
    virtual unsigned WindowsDirectory(char* buf, unsigned cap) = 0;

    // Read-only opens share with other readers. Read returns the bytes read
    // (fewer at the end) or -1; Seek the new position or -1.
    virtual FileHandle OpenRead(const char* path) = 0;
    virtual int Read(FileHandle f, void* buf, int n) = 0;
    virtual int64_t Seek(FileHandle f, int64_t offset, SeekOrigin origin) = 0;
    virtual void Close(FileHandle f) = 0;
    // Creates a file for writing, or empties it when it exists.
    virtual FileHandle CreateForWrite(const char* path) = 0;
    // Bytes written: fewer than n when the disk is full; -1 on error.
    virtual int Write(FileHandle f, const void* buf, int n) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    // False when the directory could not be made (it may already exist).
    virtual bool MakeDirectory(const char* path) = 0;
    virtual PathKind QueryPath(const char* path) = 0;
    // The 8.3 form of an existing file's full path; 0 on failure or when
    // it does not fit (then out is "").
    virtual unsigned ShortPathName(const char* path, char* out, unsigned cap) = 0;

    // The copy buffer of the extraction; null when it can't be had.
    virtual void* AllocateBuffer(unsigned size) = 0;
    virtual void FreeBuffer(void* buffer) = 0;

protected:
    ~FileSystem() {}
};

// The user interface. Message boxes and dialogs have no owner window.
class UserInterface {
public:
    virtual int ShowMessage(const char* text, const char* caption, unsigned style) = 0;
    // Runs the stub's dialog resource `id` modally; returns the value given
    // to EndDialog.
    virtual int RunDialog(int id, DialogProc proc, void* context) = 0;
    virtual void EndDialog(Window dialog, int result) = 0;
    virtual void SetText(Window w, const char* text) = 0;
    virtual void SetItemText(Window dialog, int id, const char* text) = 0;
    // Queues the command of the dialog's button `id`, as a press of it
    // would; it is handled after the current message.
    virtual void PostCommand(Window dialog, int id) = 0;
    virtual bool GetWindowRect(Window w, Rect* r) = 0;
    virtual void MoveWindow(Window w, int x, int y, int width, int height) = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    virtual void SetCursor(Cursor c) = 0;

    // Registers the window class, creates the hidden main window and runs
    // the message loop. `onCreate` runs inside the creation message; the
    // window is then destroyed and the loop ends with onCreate's result.
    virtual int RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                              void* context) = 0;

protected:
    ~UserInterface() {}
};

// The system's settings and processes.
class SystemServices {
public:
    // A value in an INI file (a bare file name is in the Windows directory).
    virtual bool WriteProfileValue(const char* section, const char* key, const char* value,
                                   const char* file) = 0;
    // The switch that turns the screen saver on, saved to the user's settings.
    virtual void SetScreenSaverActive(bool on) = 0;
    // Starts a program by command line (WinExec, SW_SHOW); the result is
    // not examined by the installer.
    virtual void StartProgram(const char* commandLine) = 0;

protected:
    ~SystemServices() {}
};

class Platform : public FileSystem, public UserInterface, public SystemServices {
protected:
    // Never deleted through this interface.
    ~Platform() {}
};

#endif
