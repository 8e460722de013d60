#include "install/outcome.h"

#include "base/text.h"

void FailInstall(InstallOutcome* o, InstallError e, const char* file) {
    if (o->error != kInstallOk) return;
    o->error = e;
    CopyText(o->file, sizeof o->file, file);
}

void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap) {
    const char* reason = "%s";
    switch (o.error) {
    case kInstallOk: reason = ""; break;
    case kInstallDamaged:
        reason = "The installer %s is damaged: its data is incomplete or invalid.  Please obtain a new copy.";
        break;
    case kInstallEmpty: reason = "The installer %s holds no screen saver."; break;
    case kInstallCantRead: reason = "The installer %s could not be read."; break;
    case kInstallCantCreate: reason = "The file %s could not be created."; break;
    case kInstallCantWrite: reason = "The file %s could not be written completely.  The disk may be full."; break;
    case kInstallCantMakeDirectory: reason = "The directory %s could not be created."; break;
    case kInstallPathTooLong: reason = "The path for %s is too long."; break;
    case kInstallNoWindowsDirectory: reason = "The Windows directory could not be found."; break;
    case kInstallNoModulePath: reason = "The installer could not find its own file."; break;
    case kInstallNoMemory: reason = "There is not enough memory to install the screen saver."; break;
    case kInstallNotRun: reason = "The installation could not be started."; break;
    }
    char first[kTextSize];
    const char* file[] = {o.file};
    FormatText(first, sizeof first, reason, file, 1);
    const char* args[] = {first};
    FormatText(out, cap,
               o.filesComplete ? "%s\r\n\r\nThe screen saver's files have been written, but it has not "
                                 "been made your default Screen Saver."
                               : "%s\r\n\r\nThe screen saver has not been installed.",
               args, 1);
}
