// The checks made before the confirmation: a screen saver of the same name
// already installed, room on the drive, the OpenGL libraries. Each returns
// kGoOn or kStop; a check whose system query fails lets the installation
// go on without a word. Each logs what it found; unattended, each takes
// the answer that lets an upgrade go on: the same name is replaced, a
// missing library is logged, and too little room stops the run (its code
// then the session's stopCode).
#ifndef CHECKS_CHECKS_H
#define CHECKS_CHECKS_H

#include <stdint.h>

#include "install/extract.h"
#include "install/session.h"
#include "platform/platform.h"

enum CheckResult { kStop = 0, kGoOn = 1 };

// When the file the installation writes (the screen-saver file name in the
// Windows directory) exists already, as a file or a directory, asks
// whether to replace it; No shows how to install under another name and
// stops.
int CheckNameConflict(Session& s, const InstallPlace& where);

// Adds up the sizes of the payload's table into *total (saturating at
// 0xFFFFFFFF): each entry's unpacked size, or its stored size when it is
// stored as is, and, as the format has it, the unpacked size written into
// the record that ends the table. When the drive of the Windows directory
// has no more kilobytes free than that needs, asks whether to go on.
int CheckDiskSpace(Session& s, const InstallPlace& where, uint32_t* total);

// Probes OPENGL32.DLL (with glGenTextures) and GLU32.DLL, and offers the
// download for a missing one.
int CheckGraphicsLibraries(Session& s);

// The free kilobytes on the drive of `path`, at most 0xFFFFFFFE;
// kFailedQuery when neither query answers.
const uint32_t kFailedQuery = 0xFFFFFFFFu;
uint32_t GetFreeKilobytes(Platform& p, const char* path);

#endif
