// An uninstaller judged by the very checks it runs itself before it
// removes anything: its record, the names in it, each name's path in the
// Windows directory, its table and its files' checksums. The uninstaller's
// own code runs them, on a machine that holds nothing but the uninstaller's
// file, read-only, and a Windows directory C:\WINDOWS.
#ifndef AUTHORING_UNINSTALLER_CHECK_H
#define AUTHORING_UNINSTALLER_CHECK_H

#include <string>

#include "payload/reader.h"

// The Windows directory the check takes: the usual one. A longer one
// leaves less room for the names.
extern const char kCheckedWindowsDirectory[];  // "C:\WINDOWS"

// "" when the uninstaller read through `r` (a whole file) would go on to ask
// whether to remove its installation; else why it refuses to run.
std::string UninstallerRefusal(ByteReader& r);

#endif
