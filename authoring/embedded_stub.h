// The stub built into ssinst, so that it needs no stub file beside it.
#ifndef AUTHORING_EMBEDDED_STUB_H
#define AUTHORING_EMBEDDED_STUB_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct EmbeddedStub {
    const unsigned char* bytes;  // null in a build without the Windows side
    size_t size;
    const char* sha256;          // lower-case hex
};

const EmbeddedStub& BuiltInStub();

// The stub a build starts from: `path` when given, else $SSINST_STUB, else
// the one built in. `name` says which, for messages.
bool LoadStub(std::string path, std::vector<uint8_t>* bytes, std::string* name, std::string* error);

#endif
