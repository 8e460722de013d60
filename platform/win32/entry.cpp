// The stub's entry point. There is no C runtime start-up code: this is the
// whole of it, so nothing runs before the installer and nothing after.
#include <windows.h>

#include "app/installer.h"
#include "platform/win32/win32_platform.h"

extern "C" void StubEntry() {
    InstallerState state = {};
    Win32Platform platform(GetModuleHandleA(NULL));
    ExitProcess((UINT)InstallerMain(platform, state));
}

// Called only if a pure virtual function were ever called; there is no
// runtime to supply it.
extern "C" void __cxa_pure_virtual() { ExitProcess(3); }
