// Unpacking one packed payload entry into its target file.
#ifndef LZHUF_UNPACK_H
#define LZHUF_UNPACK_H

#include <stdint.h>

#include "platform/platform.h"

enum UnpackResult {
    kUnpackOk,
    kUnpackNoInstaller,  // the installer's own file could not be had or opened
    kUnpackCantCreate,   // the target could not be created
    kUnpackCantWrite,    // a write stored fewer bytes than asked (the target is removed)
    kUnpackCantRead,     // reading the stream failed (the target is removed)
    kUnpackCutShort,     // the stream ended before its stored size (the target is removed)
};

// Decodes the entry's stored bytes at `offset` of the installer file into
// `target`, which ends up exactly unpackedSize bytes long.
UnpackResult UnpackEntry(Platform& p, uint32_t offset, uint32_t unpackedSize, uint32_t storedSize,
                         const char* target);

#endif
