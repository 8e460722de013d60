// The Win32 side of the seam: the only place that talks to Windows.
#ifndef PLATFORM_WIN32_WIN32_PLATFORM_H
#define PLATFORM_WIN32_WIN32_PLATFORM_H

#include "platform/platform.h"

class Win32Platform final : public Platform {
public:
    // The running program's own module.
    Win32Platform();

    unsigned ModuleFileName(char* buf, unsigned cap) override;
    unsigned WindowsDirectory(char* buf, unsigned cap) override;
    FileHandle OpenRead(const char* path) override;
    int Read(FileHandle f, void* buf, int n) override;
    int64_t Seek(FileHandle f, int64_t offset, SeekOrigin origin) override;
    void Close(FileHandle f) override;
    FileHandle CreateForWrite(const char* path) override;
    int Write(FileHandle f, const void* buf, int n) override;
    bool RemoveFile(const char* path) override;
    bool MakeDirectory(const char* path) override;
    PathKind QueryPath(const char* path) override;
    unsigned ShortPathName(const char* path, char* out, unsigned cap) override;
    bool WriteProfileValue(const char* section, const char* key, const char* value,
                           const char* file) override;
    void SetScreenSaverActive(bool on) override;
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
    int ScreenWidth() override;
    int ScreenHeight() override;
    void SetCursor(Cursor c) override;
    void StartProgram(const char* commandLine) override;
    int RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                      void* context) override;

private:
    void* instance_;
};

// Ends the process with this exit code.
[[noreturn]] void EndProcess(int code);

#endif
