// The stub's own probe of a system library, run without the safe search
// paths the stub sets at start, as on a system that lacks them: beside a
// planted OPENGL32.DLL it must still load the system's. Exits 0 when the
// library it loaded is a current one (with glGenTextures).
#include "platform/win32/win32_platform.h"

namespace {
class WithoutSafeSearch : public Platform {};  // not Win32Platform: none of its start-up
}  // namespace

int main() {
    WithoutSafeSearch p;
    Library gl = p.LoadSystemLibrary("OPENGL32.DLL");
    const bool current = gl && p.HasEntryPoint(gl, "glGenTextures");
    if (gl) p.ReleaseLibrary(gl);
    return current ? 0 : 1;
}
