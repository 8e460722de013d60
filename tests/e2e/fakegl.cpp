// An OPENGL32.DLL of the test's own, without glGenTextures, laid beside the
// installer: a DLL planted in a Downloads folder. The installer must never
// load it; when anything does, it says so in C:\planted.log.
#include <windows.h>

extern "C" __declspec(dllexport) void glBegin(unsigned) {}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE f = CreateFileA("C:\\planted.log", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    return TRUE;
}
