#include "payload/contents.h"

#include "lzhuf/decoder.h"

static EntryResult CopyStored(ByteReader& in, uint32_t size, ByteSink& out, void* buffer,
                              unsigned bufferSize) {
    for (uint32_t done = 0; done < size;) {
        const uint32_t left = size - done;
        const int want = (int)(left < bufferSize ? left : bufferSize);
        const int n = in.Read(buffer, want);
        if (n < 0) return kEntryReadFailed;
        if (n == 0) return kEntryDamaged;  // the file ends early
        if (out.Write(buffer, n) != n) return kEntryWriteFailed;
        done += (uint32_t)n;
    }
    return kEntryWritten;
}

EntryResult WriteEntryContents(ByteReader& in, const PayloadEntry& e, ByteSink& out, void* buffer,
                               unsigned size) {
    if (in.Seek(e.offset, kSeekSet) != e.offset) return kEntryReadFailed;
    if (e.unpackedSize == 0) return CopyStored(in, e.storedSize, out, buffer, size);
    switch (SharedDecoder().Decode(in, out, e.unpackedSize, e.storedSize)) {
    case kLzhufOk: return kEntryWritten;
    case kLzhufCutShort:
    case kLzhufOverrun: return kEntryDamaged;
    case kLzhufReadFailed: return kEntryReadFailed;
    case kLzhufWriteFailed: break;
    }
    return kEntryWriteFailed;
}
