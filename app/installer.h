// The installer's run, from the hidden main window's creation to the start
// of the installed screen saver.
#ifndef APP_INSTALLER_H
#define APP_INSTALLER_H

#include <stdint.h>

#include "payload/extract.h"
#include "payload/format.h"
#include "platform/platform.h"

enum { kPathSize = 260, kTextSize = 512, kCaptionSize = 256, kNumberSize = 36 };

// What one run knows. The stub holds a single instance; tests make fresh ones.
struct InstallerState {
    char title[kTitleSize + 1];         // zero-filled, always terminated
    char screenSaverName[kPathSize];    // FOREST.SCR
    uint32_t totalPayloadSize;          // bytes the installation writes
};

// Process exit codes: 0 for a finished installation and for the user's
// Cancel; kExitInstallFailed when files could not be installed.
enum { kExitInstallFailed = 1 };

// Registers "ZELMInst", runs the flow inside the hidden window's creation
// and returns the process exit code.
int InstallerMain(Platform& p, InstallerState& s);

// The flow itself (the creation handler's work); returns the exit code.
int RunInstallation(Platform& p, InstallerState& s);

// The information dialog's procedure (dialog 104).
int OrderingInfoDialogProc(Platform& p, Window dialog, unsigned msg,
                           uintptr_t wParam, uintptr_t lParam, void* context);

// Moves a window to the middle of the screen, keeping its size.
void CentreWindow(Platform& p, Window w);

#endif
