// The installation dialog (103): it writes every entry, then makes the new
// screen saver the current one.
#ifndef INSTALL_INSTALL_H
#define INSTALL_INSTALL_H

#include <stddef.h>

#include "payload/extract.h"
#include "platform/platform.h"

struct InstallContext {
    const char* title;            // trimmed
    const char* screenSaverName;  // FOREST.SCR
    bool ran;                     // the installation has run (it runs once)
    InstallOutcome outcome;
};

// Dialog procedure for dialog 103; the context is an InstallContext.
int InstallDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam,
                      uintptr_t lParam, void* context);

// system.ini [boot] SCRNSAVE.EXE = the short path of the installed program,
// and the screen saver switched on. Only after a complete extraction.
void RegisterScreenSaver(Platform& p, const char* screenSaverName, InstallOutcome* o);

// The message that tells the user the installation failed.
void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap);

#endif
