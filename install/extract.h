// Writing every payload entry to its target file.
#ifndef INSTALL_EXTRACT_H
#define INSTALL_EXTRACT_H

#include "install/outcome.h"
#include "install/targets.h"
#include "platform/platform.h"

// Checks the whole payload first (every entry inside the file, every target
// name safe and short enough), then writes entry 0 to the Windows directory
// as the screen-saver file name and the others to
// QUORBEL\SSAVERS\<installer base>. Stops at the first failure; a partly
// written target is removed. With `previous` (the screen-saver setting
// before the installation), a complete extraction also leaves the
// uninstaller, UNINSTAL.EXE, beside the data files; whether it could is
// the outcome's, never a failure of the installation.
void ExtractEntries(FileSystem& fs, const InstallPlace& where, InstallOutcome* out, const char* previous = 0);

// The value that makes the installed program the screen saver: its short
// path where the platform gives one, its full path otherwise. False when
// there is no path for it.
bool ScreenSaverSetting(FileSystem& fs, const InstallPlace& where, char value[kPathSize]);

#endif
