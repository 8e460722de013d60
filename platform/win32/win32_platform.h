// The Win32 side of the seam: the only place that talks to Windows. It is
// built into the stub alone, where the seam's calls are direct: this side
// defines the very functions platform.h declares.
#ifndef PLATFORM_WIN32_WIN32_PLATFORM_H
#define PLATFORM_WIN32_WIN32_PLATFORM_H

#ifndef PLATFORM_DIRECT
#error "the Win32 side is built into the stub only, with PLATFORM_DIRECT"
#endif

#include "platform/platform.h"

// The platform of the running program's own module.
class Win32Platform final : public Platform {
public:
    Win32Platform();
    ~Win32Platform() {}
};

// Ends the process with this exit code.
[[noreturn]] void EndProcess(int code);

#endif
