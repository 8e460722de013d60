// The installation dialog (103): it writes every entry, then makes the new
// screen saver the current one.
#ifndef INSTALL_INSTALL_H
#define INSTALL_INSTALL_H

#include <stddef.h>

#include "install/extract.h"
#include "install/outcome.h"
#include "install/session.h"
#include "platform/platform.h"

struct InstallContext {
    const char* title;   // trimmed
    InstallPlace where;
    Session* session;
    bool ran;            // the installation has run (it runs once)
    InstallOutcome outcome;
};

// Dialog procedure for dialog 103; the context is an InstallContext.
int InstallDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context);

// The installation itself, once: what the dialog runs, and a quiet run
// without it.
void RunInstall(Platform& p, InstallContext* c);

// "<title> Screen Saver Installation": the caption of the run's messages
// and of the installation dialog.
void FormatCaption(const char* title, char* out, size_t cap);

// Moves a window to the middle of the screen, keeping its size.
void CentreWindow(UserInterface& ui, Window w);

#endif
