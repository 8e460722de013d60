#include "install/register.h"

#include "base/text.h"

bool ScreenSaverSetting(FileSystem& fs, const InstallPlace& where, char value[kPathSize]) {
    char path[kPathSize];
    if (!ScreenSaverPath(where, path, sizeof path)) return false;
    // The short form where the platform gives one; the full path of the
    // program just written otherwise. Never an undefined value.
    if (fs.ShortPathName(path, value, kPathSize) == 0) CopyText(value, kPathSize, path);
    return true;
}

void RegisterScreenSaver(Platform& p, const InstallPlace& where, InstallOutcome* o, Session* session) {
    if (o->error != kInstallOk) return;  // nothing incomplete is ever registered
    // The extraction wrote this very path, so it fits; were it ever not to,
    // nothing may be registered.
    char value[kPathSize];
    if (!ScreenSaverSetting(p, where, value)) {
        FailInstall(o, kInstallPathTooLong, where.screenSaverName);
        return;
    }
    // A setting that could not be written is a failure, never a success
    // over an unchanged screen saver.
    if (!p.WriteProfileValue("boot", "SCRNSAVE.EXE", value, "system.ini")) {
        FailInstall(o, kInstallCantRegister, "system.ini");
        return;
    }
    p.SetScreenSaverActive(true);
    LogTo(session, kLogRegistered, value);
}
