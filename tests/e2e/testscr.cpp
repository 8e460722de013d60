// A stand-in screen saver for the end-to-end tests: it records which file
// ran and how it was started, appending "PATH|COMMAND LINE" as one line to
// C:\scrstart.log, and exits at once (a real one would show its settings
// when given no arguments).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE f = CreateFileA("C:\\scrstart.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return 1;
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(f, path, n < MAX_PATH ? n : 0, &written, NULL);
    WriteFile(f, "|", 1, &written, NULL);
    WriteFile(f, line, lstrlenA(line), &written, NULL);
    WriteFile(f, "\r\n", 2, &written, NULL);
    CloseHandle(f);
    return 0;
}
