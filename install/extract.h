// Writing every payload entry to its target file.
#ifndef INSTALL_EXTRACT_H
#define INSTALL_EXTRACT_H

#include "install/outcome.h"
#include "install/session.h"
#include "install/targets.h"
#include "payload/removal.h"
#include "platform/platform.h"

// The uninstaller's walk over what its installation wrote, named as the
// installation named it.
struct RemovalWalk {
    // Once the record and every name in it are known good: true to remove.
    // It sets ownsProgram: false leaves the program to a later installation.
    bool (*confirm)(void* context);
    // A file that can't be removed: try again, stop, or go on with it left
    // to go when Windows restarts.
    enum Retry { kGiveUp, kTryAgain, kAtRestart };
    Retry (*retry)(void* context, const char* path);
    // The program stays, changed since (the data folder's are listed).
    void (*stays)(void* context, const char* path);
    void* context;

    RemovalRecord record;          // read from the uninstaller
    char title[kTitleSize + 1];    // the installer's
    char folder[kPathSize];        // the data folder
    bool ownsProgram;
    // The first of QUORBEL, SSAVERS and the data folder that is a link (or
    // no folder), whose files are then left alone; "" for none.
    char linked[kPathSize];
};

// Checks the whole payload first (every entry inside the file, every target
// name safe and short enough), then writes entry 0 to the Windows directory
// as the screen-saver file name and the others to
// QUORBEL\SSAVERS\<installer base>. Stops at the first failure; a partly
// written target is removed. With the installer's `title`, a complete
// extraction is then registered (RegisterScreenSaver) and, registered,
// leaves what removal needs: the uninstaller, UNINSTAL.EXE, beside the data
// files, and its entry in the list of installed programs. Whether it could
// is the outcome's removalFailed, never a failure of the installation.
//
// The uninstaller is written as UNINSTAL.NEW while the files are, each
// file's checksum as it is written, and takes the place of UNINSTAL.EXE
// once it is whole.
//
// With `removal`, where.modulePath is an uninstaller: its record is read
// and its table checked the same way (a damaged one is the outcome's
// error), then, as confirmed, each file the installation wrote is removed
// where it is a plain file as it was left: of the size and checksum it was
// written with. out->filesComplete tells whether that went to its end.
//
// With a `session`, the log names each file written or removed, the
// registration and the removal entry. Run by the system account, which is
// no one's desktop, the installation registers nothing: each user chooses
// the screen saver in Screen Saver Settings.
void ExtractEntries(Platform& p, const InstallPlace& where, InstallOutcome* out, const char* title = 0,
                    RemovalWalk* removal = 0, Session* session = 0);

#endif
