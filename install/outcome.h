// How an installation went, and the message that tells the user when it
// failed.
#ifndef INSTALL_OUTCOME_H
#define INSTALL_OUTCOME_H

#include <stddef.h>

#include "base/sizes.h"
#include "res/texts.h"

enum InstallError {
    kInstallOk,
    kInstallDamaged,             // the installer's data is incomplete or invalid
    kInstallEmpty,               // the installer holds no entries
    kInstallCantRead,            // reading the installer failed
    kInstallCantCreate,          // a target file could not be created
    kInstallCantWrite,           // a target file could not be written completely
    kInstallCantMakeDirectory,
    kInstallPathTooLong,
    kInstallNoWindowsDirectory,
    kInstallNoModulePath,
    kInstallNoMemory,
    kInstallCantRegister,        // the screen saver could not be made the default
    kInstallUnusableName,        // the installer's name gives no name to install under
    kInstallNotRun,              // the installation dialog never ran
};

// The first failure and the file it concerns.
struct InstallOutcome {
    InstallError error;
    char file[kPathSize];
    bool filesComplete;  // every entry was written (a later step failed)
    // What kept removal from being set up after a complete installation;
    // "" when it was (or there was nothing to set up).
    char removalFailed[kPathSize];
};

// Records a failure unless one is already recorded.
void FailInstall(InstallOutcome* o, InstallError e, const char* file);

// The message that tells the user the installation failed: the reason,
// into `reason`, and the text that takes it (what became of the screen
// saver).
TextId InstallFailure(const InstallOutcome& o, char* reason, size_t cap);
// The same message, whole.
void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap);

#endif
