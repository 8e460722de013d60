// Where each payload entry is written, relative to the Windows directory.
#ifndef INSTALL_TARGETS_H
#define INSTALL_TARGETS_H

#include <stddef.h>
#include <stdint.h>

#include "payload/format.h"

// The data directory under the Windows directory: "QUORBEL\SSAVERS\<base>".
extern const char kDataRoot[];     // "QUORBEL"
extern const char kDataParent[];   // "SSAVERS"

// The entry's file name within its directory: the screen-saver file name
// for entry 0, "<installer base>.DAT" for entry 1, and "FILE" + the file
// number (numbering base + index - 2, at least 4 digits) + the extension
// for the others. False when the extension is unsafe (see EntryExtension)
// or the name does not fit.
bool EntryFileName(int index, uint16_t numberingBase, const PayloadEntry& e,
                   const char* screenSaverName, const char* installerBase,
                   char* out, size_t cap);

#endif
