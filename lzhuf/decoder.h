// The decoder of packed entries, with its buffered reader and writer.
#ifndef LZHUF_DECODER_H
#define LZHUF_DECODER_H

#include <stdint.h>

#include "lzhuf/lzhuf.h"
#include "payload/reader.h"

struct BitInput;  // the bit reader's state, held by the decoding loop

// All of the decoder's state; the stub has one instance. It has no
// constructor: ResetBuffers and DecodeStream set everything they use.
struct LzhufDecoder {
    // Clears both buffers (the reset that comes before every entry) and the
    // error flags.
    void ResetBuffers();

    // Decodes one stream from the input's current position until `total`
    // bytes have been produced, reading at most `budget` stored bytes (bits
    // past them read as zero). Returns the bytes produced; stops early only
    // when a write fails (writeFailed).
    uint32_t DecodeStream(ByteReader& in, ByteSink& out, uint32_t total, uint32_t budget);

    bool writeFailed;  // a write stored fewer bytes than asked
    bool cutShort;     // the input ended before the stored size
    bool readFailed;   // ... because a read failed

private:
    int DecodeSymbol(BitInput& in);
    unsigned DecodeDistance(BitInput& in);
    unsigned ReadBit(BitInput& in);
    unsigned ReadBits8(BitInput& in);
    BitInput TopUp(BitInput in);
    uint8_t ReadPtr(uint32_t allowed);
    void RefillBlock(uint32_t allowed);
    void Flush(unsigned fill);
    void StopOnError(const char* message);

    LzhufTree tree_;
    uint8_t ring_[kRingSize];

    // ReadPtr: a block of the entry's stored bytes.
    uint8_t block_[kBlockSize];
    unsigned unread_, index_;

    // WritePtr: the target's bytes until they are flushed.
    uint8_t buffer_[kBlockSize];

    ByteReader* in_;
    ByteSink* out_;
};

#endif
