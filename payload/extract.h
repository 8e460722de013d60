// Writing every payload entry to its target file.
#ifndef PAYLOAD_EXTRACT_H
#define PAYLOAD_EXTRACT_H

#include "platform/platform.h"

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
    kInstallNotRun,              // the installation dialog never ran
};

// How an installation went: the first failure and the file it concerns.
struct InstallOutcome {
    InstallError error;
    char file[260];
    bool programWritten;
    bool filesComplete;  // every entry was written (a later step failed)
};

// Records a failure unless one is already recorded.
void FailInstall(InstallOutcome* o, InstallError e, const char* file);

// Checks the whole payload first (every entry inside the file, every target
// name safe and short enough), then writes entry 0 to the Windows directory
// as `screenSaverName` and the others to QUORBEL\SSAVERS\<installer base>.
// Stops at the first failure; a partly written target is removed.
void ExtractEntries(Platform& p, const char* screenSaverName, InstallOutcome* out);

#endif
