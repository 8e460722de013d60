#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "base/text.h"

// The seam's numbers for Windows values are the system's own: the logic and
// the simulated machine use them without <windows.h>, so they are held
// against it here, where a wrong one fails the build.
static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL && kMbYesNoCancel == MB_YESNOCANCEL &&
                  kMbYesNo == MB_YESNO && kMbRetryCancel == MB_RETRYCANCEL, "message-box buttons");
static_assert(kMbIconError == MB_ICONERROR && kMbIconQuestion == MB_ICONQUESTION &&
                  kMbIconExclamation == MB_ICONEXCLAMATION && kMbIconInformation == MB_ICONINFORMATION,
              "message-box icons");
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL && kIdRetry == IDRETRY && kIdYes == IDYES && kIdNo == IDNO,
              "answers");
static_assert(kMsgInitDialog == WM_INITDIALOG && kMsgCommand == WM_COMMAND, "dialog messages");
static_assert(kSeekSet == FILE_BEGIN && kSeekCur == FILE_CURRENT && kSeekEnd == FILE_END, "seek origins");
static_assert(kNoPosition == INVALID_SET_FILE_POINTER, "a failed seek");

// There is one platform, of the running program's own module; the window
// and dialog procedures reach it here.
static Platform* g_platform;
// How LoadSystemLibrary loads: with the default search where the system
// has made that the system directory, else with the altered search path.
static DWORD g_libraryFlags;

Win32Platform::Win32Platform() {
    // Before anything else is loaded, where the system has them (Windows 7
    // with its 2011 update, and later): libraries from the system directory
    // only, and the current directory searched last, for good.
    typedef BOOL(WINAPI * SetFlags)(DWORD);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");  // loaded already: nothing is searched
    SetFlags dllDirectories = reinterpret_cast<SetFlags>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    SetFlags searchMode =
        reinterpret_cast<SetFlags>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetSearchPathMode")));
    g_libraryFlags = dllDirectories && dllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
    if (searchMode) searchMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    g_platform = this;
}

void EndProcess(int code) { ExitProcess((UINT)code); }

// Called only if a pure virtual function were ever called; there is no
// runtime to supply it.
extern "C" void __cxa_pure_virtual() { ExitProcess(3); }
// The module's handle is the address the image is loaded at, which the
// linker names.
extern "C" IMAGE_DOS_HEADER __ImageBase;
static HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

static HANDLE Handle(FileHandle f) { return reinterpret_cast<HANDLE>(f); }
static HWND Hwnd(Window w) { return reinterpret_cast<HWND>(w); }
static HMODULE Hmodule(Library l) { return reinterpret_cast<HMODULE>(l); }

// Both directory calls give the length on success, 0 on failure, and the
// size needed (or, for a cut module path, the whole capacity) when the
// text does not fit: that is a failure too, never a cut path.
static unsigned Checked(unsigned n, char* buf, unsigned cap) {
    if (n == 0 || n >= cap) {
        if (cap) buf[0] = 0;
        return 0;
    }
    buf[n] = 0;
    return n;
}

unsigned FileSystem::ModuleFileName(char* buf, unsigned cap) {
    return Checked(GetModuleFileNameA(Instance(), buf, cap), buf, cap);
}

unsigned FileSystem::WindowsDirectory(char* buf, unsigned cap) {
    return Checked(GetWindowsDirectoryA(buf, cap), buf, cap);
}

FileHandle FileSystem::OpenRead(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

int FileSystem::Read(FileHandle f, void* buf, int n) {
    DWORD got = 0;
    if (n < 0 || !ReadFile(Handle(f), buf, (DWORD)n, &got, NULL)) return -1;
    return (int)got;
}

FilePosition FileSystem::Seek(FileHandle f, uint32_t offset, SeekOrigin origin) {
    // The high half moves and reports the position past 32 bits. A failure
    // gives all ones, which is kNoPosition as a position would be.
    LONG high = 0;
    DWORD low = SetFilePointer(Handle(f), (LONG)offset, &high, (DWORD)origin);
    return high ? kNoPosition : low;
}

void FileSystem::Close(FileHandle f) { CloseHandle(Handle(f)); }

FileHandle FileSystem::CreateForWrite(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

int FileSystem::Write(FileHandle f, const void* buf, int n) {
    DWORD put = 0;
    if (n < 0) return -1;
    // A full disk fails the call; what it stored still counts.
    if (!WriteFile(Handle(f), buf, (DWORD)n, &put, NULL) && put == 0) return -1;
    return (int)put;
}

bool FileSystem::RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool FileSystem::MakeDirectory(const char* path) { return CreateDirectoryA(path, NULL) != 0; }

PathKind FileSystem::QueryPath(const char* path) {
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES) return kPathMissing;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return kPathLink;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? kPathDirectory : kPathFile;
}

unsigned FileSystem::ShortPathName(const char* path, char* out, unsigned cap) {
    return Checked(GetShortPathNameA(path, out, cap), out, cap);
}

bool SystemServices::WriteProfileValue(const char* section, const char* key, const char* value,
                                      const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}

void SystemServices::SetScreenSaverActive(bool on) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on ? 1 : 0, NULL, SPIF_UPDATEINIFILE);
}

bool FileSystem::FreeBytesAvailable(Library kernel, const char* root, uint64_t* bytes) {
    typedef BOOL(WINAPI * Query)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    // Looked up, not imported: systems before Windows 95 OSR2 lack it.
    Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(Hmodule(kernel), "GetDiskFreeSpaceExA")));
    ULARGE_INTEGER available, total, free;
    if (!query || !query(root, &available, &total, &free)) return false;
    *bytes = available.QuadPart;
    return true;
}

bool FileSystem::FreeClusters(const char* root, DiskClusters* out) {
    DWORD sectors, bytes, free, total;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &free, &total)) return false;
    *out = {sectors, bytes, free};
    return true;
}

// One copy runs at a time, and its buffer is small: it is the program's
// own, and can't fail to be had.
void* FileSystem::AllocateBuffer(unsigned size) {
    static char buffer[kCopyBufferMax];
    return size <= sizeof buffer ? buffer : 0;
}

void FileSystem::FreeBuffer(void*) {}

int UserInterface::ShowMessage(const char* text, const char* caption, unsigned style) {
    return MessageBoxA(NULL, text, caption, style);
}

// The modal dialog running now, and its context; a dialog run from inside
// another's procedure puts the outer one back when it ends.
static DialogProc g_dialogProc;
static void* g_dialogContext;

static INT_PTR CALLBACK DialogThunk(HWND w, UINT msg, WPARAM wParam, LPARAM) {
    return g_dialogProc(*g_platform, reinterpret_cast<Window>(w), msg, wParam, g_dialogContext);
}

int UserInterface::RunDialog(int id, DialogProc proc, void* context) {
    const DialogProc outerProc = g_dialogProc;
    void* const outerContext = g_dialogContext;
    g_dialogProc = proc;
    g_dialogContext = context;
    const int result = (int)DialogBoxParamA(Instance(), MAKEINTRESOURCEA(id), NULL, DialogThunk, 0);
    g_dialogProc = outerProc;
    g_dialogContext = outerContext;
    return result;
}

void UserInterface::EndDialog(Window dialog, int result) { ::EndDialog(Hwnd(dialog), result); }

void UserInterface::SetText(Window w, const char* text) { SetWindowTextA(Hwnd(w), text); }

void UserInterface::SetItemText(Window dialog, int id, const char* text) {
    SetWindowTextA(GetDlgItem(Hwnd(dialog), id), text);
}

void UserInterface::PostCommand(Window dialog, int id) {
    // As the button itself would send it: its id, and its window.
    PostMessageA(Hwnd(dialog), WM_COMMAND, (WPARAM)id, (LPARAM)GetDlgItem(Hwnd(dialog), id));
}

// Rect is laid out as RECT is, so the system fills it in directly.
static_assert(sizeof(Rect) == sizeof(RECT) && offsetof(Rect, bottom) == offsetof(RECT, bottom),
              "Rect must match RECT");

bool UserInterface::GetWindowRect(Window w, Rect* r) {
    return ::GetWindowRect(Hwnd(w), reinterpret_cast<RECT*>(r)) != 0;
}

void UserInterface::MoveWindow(Window w, int x, int y, int width, int height) {
    ::MoveWindow(Hwnd(w), x, y, width, height, FALSE);
}

int UserInterface::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int UserInterface::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void UserInterface::SetCursor(Cursor c) {
    ::SetCursor(LoadCursorA(NULL, c == kCursorWait ? IDC_WAIT : IDC_ARROW));
}

void SystemServices::StartProgram(const char* commandLine) { WinExec(commandLine, SW_SHOW); }

Library SystemServices::LoadSystemLibrary(const char* name) {
    // By its full path in the system directory. What it needs in turn is
    // looked for there too: by the default search where the system has set
    // it, else beside the library first, not beside the installer.
    char path[MAX_PATH];
    if (!Checked(GetSystemDirectoryA(path, sizeof path), path, sizeof path) || !JoinPath(path, sizeof path, path, name))
        return 0;
    return reinterpret_cast<Library>(LoadLibraryExA(path, NULL, g_libraryFlags));
}

bool SystemServices::HasEntryPoint(Library library, const char* name) {
    return GetProcAddress(Hmodule(library), name) != NULL;
}

void SystemServices::ReleaseLibrary(Library library) { FreeLibrary(Hmodule(library)); }

bool SystemServices::OpenWithShell(const char* address) {
    // SHELL32 only when it is needed, and from the system directory; it
    // stays loaded, since what the shell starts may still run in it.
    typedef HINSTANCE(WINAPI * Execute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    Library shell = LoadSystemLibrary("SHELL32.DLL");
    if (!shell) return false;
    Execute execute = reinterpret_cast<Execute>(
        reinterpret_cast<void*>(GetProcAddress(Hmodule(shell), "ShellExecuteA")));
    if (!execute) return false;
    return reinterpret_cast<uintptr_t>(execute(NULL, "open", address, NULL, NULL, SW_SHOWMAXIMIZED)) > 32;
}

// The main window's procedure needs the run it belongs to; there is one.
static CreateHandler g_onCreate;
static void* g_context;
static int g_exitCode;
static bool g_destroyed;

static LRESULT CALLBACK MainWindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        g_exitCode = g_onCreate(*g_platform, g_context);
        return -1;  // the window is destroyed at once
    case WM_DESTROY:
        g_destroyed = true;
        PostQuitMessage(g_exitCode);
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

int UserInterface::RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                                 void* context) {
    g_onCreate = onCreate;
    g_context = context;

    // No extra class or window bytes, no menu.
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = Instance();
    wc.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(iconId));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    RegisterClassA(&wc);

    // The creation handler runs inside this call and makes it fail.
    CreateWindowExA(0, className, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, Instance(), NULL);
    // Windows destroys a window whose creation failed with WM_DESTROY, which
    // posts the quit message; Wine frees it without one. Either way the loop
    // must end.
    if (!g_destroyed) PostQuitMessage(g_exitCode);
    MSG m;
    m.wParam = 0;
    while (GetMessageA(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return (int)m.wParam;
}
