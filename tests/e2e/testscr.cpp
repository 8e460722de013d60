// A stand-in screen saver for the end-to-end tests: it records how it was
// started, appending its command line as one line to C:\scrstart.log, and
// exits at once (a real one would show its settings when given no
// arguments).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE f = CreateFileA("C:\\scrstart.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(f, line, lstrlenA(line), &written, NULL);
    WriteFile(f, "\r\n", 2, &written, NULL);
    CloseHandle(f);
    return 0;
}
