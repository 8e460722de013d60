// The installer's run, from the hidden main window's creation to the start
// of the installed screen saver.
#ifndef APP_INSTALLER_H
#define APP_INSTALLER_H

#include <stdint.h>

#include "base/sizes.h"
#include "payload/format.h"
#include "install/session.h"
#include "platform/platform.h"

// What one run knows. The stub holds a single instance; tests make fresh ones.
struct InstallerState {
    char title[kTitleSize + 1];         // zero-filled, always terminated
    char screenSaverName[kPathSize];    // FOREST.SCR
    uint32_t totalPayloadSize;          // bytes the installation writes
    char modulePath[kPathSize];         // the installer's own file; "" when unknown
    char windowsDirectory[kPathSize];   // as the platform reports it; "" when unknown
};

// Registers "ZELMInst", runs the flow inside the hidden window's creation
// and returns the process exit code.
int InstallerMain(Platform& p, InstallerState& s);

// The flow itself (the creation handler's work): the switches of its
// command line, then the installation or, for an uninstaller, the removal;
// returns the exit code (install/session.h).
int RunInstallation(Platform& p, InstallerState& s);

// The information dialog's procedure (dialog 104).
int OrderingInfoDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context);

#endif
