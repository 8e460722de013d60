// The names the installer derives from its own path. Each rule cuts the
// path differently, and on purpose: the installed program is named by the
// first '.' of the base name, the data directory by the last '.' of the
// whole path (directories included).
#ifndef INSTALL_NAMES_H
#define INSTALL_NAMES_H

#include <stddef.h>

// "C:\SETUP\My.Forest.exe" -> "MY.SCR": the base name cut at its first '.',
// ".SCR" appended, upper case. False when it did not fit.
bool ScreenSaverFileName(const char* modulePath, char* out, size_t cap);

// "C:\SETUP\My.Forest.exe" -> "My.Forest": the path cut at its last '.'
// (anywhere in it), then the part after the last '\\'; case kept.
bool InstallerBase(const char* modulePath, char* out, size_t cap);

// "C:\PROGRAMS\A.B\FOREST" -> "FOREST", "C:\SETUP\My.Forest.exe" ->
// "My.Forest": the installer's own file name cut at its last '.'.
bool InstallerNameStem(const char* modulePath, char* out, size_t cap);

// Whether an installer's names can be installed under: the screen-saver
// name before its ".SCR" and the installer base, which names the data
// directory and the .DAT file. Named "...exe", an installer would write
// its data to the directory above its own and its program as ".SCR".
bool UsableInstallerNames(const char* screenSaverName, const char* installerBase);

// The tail of the completion message: the installer base upper-cased with
// the '\\' before it, "\MY.FOREST".
bool CompletionDirectoryPart(const char* modulePath, char* out, size_t cap);

#endif
