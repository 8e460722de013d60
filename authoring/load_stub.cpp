// Which stub a build starts from. A file of its own, so that a program
// without a stub built in (the tests) links none of this.
#include <cstdlib>

#include "authoring/authoring.h"
#include "authoring/embedded_stub.h"

bool LoadStub(std::string path, std::vector<uint8_t>* bytes, std::string* name, std::string* error) {
    if (path.empty())
        if (const char* env = std::getenv("SSINST_STUB")) path = env;
    if (!path.empty()) {
        *name = path;
        return ReadWholeFile(path, bytes, error);
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
