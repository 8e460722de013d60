#include "lzhuf/unpack.h"

#include "lzhuf/decoder.h"
#include "payload/payload.h"

// The decoder's state is large and single: it lives here, not on the stack.
static LzhufDecoder g_decoder;

UnpackResult UnpackEntry(Platform& p, uint32_t offset, uint32_t unpackedSize, uint32_t storedSize,
                         const char* target) {
    g_decoder.ResetBuffers();
    char path[260];
    if (p.ModuleFileName(path, sizeof path) == 0) return kUnpackNoInstaller;
    FileHandle in = p.OpenRead(path);
    if (in == kNoFile) return kUnpackNoInstaller;
    if (p.Seek(in, offset, kSeekSet) != (int64_t)offset) {
        p.Close(in);
        return kUnpackNoInstaller;
    }
    FileHandle out = p.CreateForWrite(target);
    if (out == kNoFile) {
        p.Close(in);
        return kUnpackCantCreate;
    }
    FileReader reader(p, in);
    FileWriter writer(p, out);
    g_decoder.DecodeStream(reader, writer, unpackedSize, storedSize);
    p.Close(out);
    p.Close(in);
    UnpackResult r = g_decoder.writeFailed  ? kUnpackCantWrite
                     : g_decoder.readFailed ? kUnpackCantRead
                     : g_decoder.cutShort   ? kUnpackCutShort
                                            : kUnpackOk;
    if (r != kUnpackOk) p.RemoveFile(target);  // never leave a part looking like the whole
    return r;
}
