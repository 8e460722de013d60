// Making the installed program the screen saver: the value system.ini
// holds for it, and its registration.
#ifndef INSTALL_REGISTER_H
#define INSTALL_REGISTER_H

#include "install/outcome.h"
#include "install/session.h"
#include "install/targets.h"
#include "platform/platform.h"

// The value that makes the installed program the screen saver: its short
// path where the platform gives one, its full path otherwise. False when
// there is no path for it.
bool ScreenSaverSetting(FileSystem& fs, const InstallPlace& where, char value[kPathSize]);

// system.ini [boot] SCRNSAVE.EXE = the short path of the installed program,
// and the screen saver switched on. Only after a complete extraction.
void RegisterScreenSaver(Platform& p, const InstallPlace& where, InstallOutcome* o, Session* session = 0);

#endif
