# Writes a C++ source holding a file's bytes and their SHA-256, for ssinst's
# built-in stub:  cmake -DIN=ssstub.exe -DOUT=embedded_stub.cpp -P embed_stub.cmake
file(READ "${IN}" hex HEX)
file(SHA256 "${IN}" sha)
file(SIZE "${IN}" size)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# 24 bytes to a line.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUT}.tmp"
"// Made by cmake/embed_stub.cmake from the built stub; do not edit.
#include \"authoring/embedded_stub.h\"

static const unsigned char kBytes[${size}] = {
    ${bytes}
};

const EmbeddedStub& BuiltInStub() {
    static const EmbeddedStub stub = {kBytes, sizeof kBytes, \"${sha}\"};
    return stub;
}
")
# Only a changed stub rebuilds ssinst.
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
