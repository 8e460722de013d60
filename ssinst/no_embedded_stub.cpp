// For a build without the Windows side, and for the copy of ssinst that
// lays the stub out before it can be built in: no built-in stub.
#include "authoring/embedded_stub.h"

const EmbeddedStub& BuiltInStub() {
    static const EmbeddedStub none = {nullptr, 0, ""};
    return none;
}
