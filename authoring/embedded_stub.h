// The stub built into ssinst, so that it needs no stub file beside it.
#ifndef AUTHORING_EMBEDDED_STUB_H
#define AUTHORING_EMBEDDED_STUB_H

#include <cstddef>

struct EmbeddedStub {
    const unsigned char* bytes;  // null in a build without the Windows side
    size_t size;
    const char* sha256;          // lower-case hex
};

const EmbeddedStub& BuiltInStub();

#endif
