// The stub's entry point. There is no C runtime start-up code: this is the
// whole of it, so nothing runs before the installer and nothing after.
#include "app/installer.h"
#include "platform/win32/win32_platform.h"

extern "C" void StubEntry() {
    static InstallerState state;  // zero-filled, as a fresh run needs
    Win32Platform platform;
    EndProcess(InstallerMain(platform, state));
}
