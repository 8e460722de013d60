// Where each payload entry is written, relative to the Windows directory.
#ifndef INSTALL_TARGETS_H
#define INSTALL_TARGETS_H

#include <stddef.h>
#include <stdint.h>

#include "payload/format.h"

// Where an installation goes, as the flow read it once: the installer's own
// file, the Windows directory as the platform reports it ("" for either
// when it could not be had) and the screen-saver file name (FOREST.SCR).
struct InstallPlace {
    const char* modulePath;
    const char* windowsDirectory;
    const char* screenSaverName;
};

// The installed program's full path: the Windows directory, a '\\' unless
// it ends in one, the screen-saver file name. False when there is no
// Windows directory or the path does not fit.
bool ScreenSaverPath(const InstallPlace& where, char* out, size_t cap);

// The data directory under the Windows directory: "QUORBEL\SSAVERS\<base>".
extern const char kDataRoot[];     // "QUORBEL"
extern const char kDataParent[];   // "SSAVERS"
// Its full path (kPathSize characters at most). False when it does not fit.
bool DataFolderPath(const char* windowsDirectory, const char* base, char* out);

// The entry's file name within its directory: the screen-saver file name
// for entry 0, "<installer base>.DAT" for entry 1, and "FILE" + the file
// number (numbering base + index - 2, at least 4 digits) + the extension
// for the others. False when the extension is unsafe (see EntryExtension)
// or the name does not fit.
bool EntryFileName(int index, uint16_t numberingBase, const PayloadEntry& e,
                   const char* screenSaverName, const char* installerBase,
                   char* out, size_t cap);

#endif
