// Which stub a build starts from. A file of its own, so that a program
// without a stub built in (the tests) links none of this.
#include <cstdlib>

#include "authoring/embedded_stub.h"
#include "authoring/files.h"

bool LoadStub(std::string path, std::vector<uint8_t>* bytes, std::string* name, std::string* error) {
#ifdef _WIN32
    // Windows gives the environment in UTF-16; paths here are UTF-8.
    if (path.empty())
        if (const wchar_t* env = _wgetenv(L"SSINST_STUB")) path = Utf8(std::u16string(env, env + wcslen(env)));
#else
    if (path.empty())
        if (const char* env = std::getenv("SSINST_STUB")) path = env;
#endif
    if (!path.empty()) {
        *name = path;
        return ReadWholeFile(path, 64u << 20, bytes, error);
    }
    const EmbeddedStub& s = BuiltInStub();
    if (!s.bytes) {
        *error = "this ssinst has no stub built in: give one with --stub";
        return false;
    }
    bytes->assign(s.bytes, s.bytes + s.size);
    *name = "the built-in stub";
    return true;
}
