// The uninstaller's run.
//
// The uninstaller is the installer's own stub part with a removal record
// (see payload/removal.h) where the payload stood; the extraction writes it
// beside the data files as UNINSTAL.EXE, with an entry in the system's list
// of installed programs that starts it. Run as that file (a copy elsewhere
// changes nothing), it removes what the record names where it is the very
// file written and this installation's own, then moves itself aside to
// UNINSTAL.OLD and has that deleted when Windows next starts (a running
// program's file can't be deleted before).
#ifndef INSTALL_REMOVAL_H
#define INSTALL_REMOVAL_H

#include "install/session.h"

// The uninstaller's run, for a stub whose payload is a removal record, in
// the session's mode; returns the exit code: kExitDone when removed,
// kExitRestart when a file in use (unattended) goes when Windows restarts,
// kExitCancelled after No, and kExitFailed when it stopped before the end
// (its entry then stays, so that it can run again), refused its record,
// ran as a copy, or left something that should have gone (which its
// message names).
int RunRemoval(Session& s, const char* modulePath, const char* windowsDirectory);

#endif
