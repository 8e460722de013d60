#include "lzhuf/unpack.h"

// The decoder is not part of the stub yet: a packed entry gets no target.
UnpackResult UnpackEntry(Platform&, uint32_t, uint32_t, uint32_t, const char*) {
    return kUnpackCantCreate;
}
