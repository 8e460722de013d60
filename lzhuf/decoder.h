// The decoder of packed entries, with its buffered reader and writer.
#ifndef LZHUF_DECODER_H
#define LZHUF_DECODER_H

#include <stdint.h>

#include "lzhuf/lzhuf.h"
#include "lzhuf/stream.h"

struct BitInput;  // the bit reader's state, held by the decoding loop

// How a stream's decoding ended: anything that goes wrong stops it at the end
// of the symbol being decoded, and the worst of what went wrong there, the
// last in this order, is the result.
// On kLzhufOk the sink got exactly the unpacked size (or nothing, for a
// size that decodes nothing: 0, or more than kLargestStreamOutput; callers
// check sizes first). On any other result it got the whole blocks written
// before the stop; the bytes still buffered then are dropped.
enum LzhufResult {
    kLzhufOk,
    kLzhufCutShort,     // the input ended before the stored size
    kLzhufOverrun,      // the stream needs bits past its stored bytes and their look-ahead
    kLzhufReadFailed,   // a read of the input failed
    kLzhufWriteFailed,  // the sink stored fewer bytes than asked
};

// All of the decoder's state; the stub has one instance. It has no
// constructor: Decode sets everything it uses.
class LzhufDecoder {
public:
    // Decodes one stream from the input's current position until `total`
    // bytes have been produced, reading at most `budget` stored bytes. Bits
    // past them read as zero for as far as a reader may look ahead (two
    // bytes); a symbol that needs more ends the decoding as an overrun, and
    // an input that ends or fails before the budget ends it at once, so a
    // broken stream costs what was read, never the size it declares. Starts with both buffers empty and the
    // ring as the format fills it, whatever was decoded before. A total of
    // 0, or of more than kLargestStreamOutput, decodes nothing.
    LzhufResult Decode(ByteSource& in, ByteSink& out, uint32_t total, uint32_t budget);

    // The bytes the last Decode produced, a last match running over the
    // total included.
    uint32_t Produced() const { return produced_; }
#ifndef LZHUF_SMALL
    // The stored bytes the last Decode used: fewer than its budget when a
    // stream reached its size before its stored bytes ended. (The compact
    // form, the stub's, has no use for the count and keeps none.)
    uint32_t Consumed() const { return consumed_; }
#endif

private:
    void ResetBuffers();
    uint32_t DecodeStream(uint32_t total, uint32_t budget);
    int DecodeSymbol(BitInput& in);
    unsigned DecodeDistance(BitInput& in);
    unsigned ReadBit(BitInput& in);
#ifndef LZHUF_SMALL
    unsigned ReadBits8(BitInput& in);
    BitInput TopUp(BitInput in);
#endif
    uint8_t ReadPtr(uint32_t allowed);
    void RefillBlock(uint32_t allowed);
    void Flush(unsigned fill);
    void StopOnError(const char* message);

    LzhufTree tree_;
    uint8_t ring_[kRingSize];

    // ReadPtr: a block of the entry's stored bytes, filled_ of them, read
    // up to index_.
    uint8_t block_[kBlockSize];
    unsigned filled_, index_;

    // WritePtr: the target's bytes until they are flushed.
    uint8_t buffer_[kBlockSize];

    ByteSource* in_;
    ByteSink* out_;
    uint32_t produced_;
#ifndef LZHUF_SMALL
    uint32_t consumed_;
#endif
    // The worst of what has happened, in the order of LzhufResult; the
    // decoding stops at the end of the symbol where anything did.
    LzhufResult result_;
    void Note(LzhufResult r) {
        if (r > result_) result_ = r;
    }
};

// The program's one decoder: its state is large, and one stream is decoded
// at a time.
LzhufDecoder& SharedDecoder();

#endif
