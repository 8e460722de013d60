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
// written target is removed.
void ExtractEntries(FileSystem& fs, const InstallPlace& where, InstallOutcome* out);

#endif
