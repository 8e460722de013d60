#include "lzhuf/decoder.h"

#include <string.h>

LzhufDecoder& SharedDecoder() {
    static LzhufDecoder decoder;
    return decoder;
}

void LzhufDecoder::ResetBuffers() {
    filled_ = index_ = 0;
    result_ = kLzhufOk;
}

void LzhufDecoder::StopOnError(const char*) {
    // The caller reports the failed write and removes the target.
    Note(kLzhufWriteFailed);
}

void LzhufDecoder::RefillBlock(uint32_t allowed) {
    // Never more than the entry's stored bytes not yet taken.
    unsigned n = allowed < (uint32_t)kBlockSize ? allowed : (uint32_t)kBlockSize;
    int got = in_->Read(block_, (int)n);
    if (got < (int)n) {
        // An installer cut short, or a read that failed: the decoding stops
        // after this symbol; what is missing reads as zero bytes until then.
        Note(got < 0 ? kLzhufReadFailed : kLzhufCutShort);
        if (got < 0) got = 0;
        memset(block_ + got, 0, n - (unsigned)got);
    }
    filled_ = n;
    index_ = 0;
}

inline uint8_t LzhufDecoder::ReadPtr(uint32_t allowed) {
    if (index_ == filled_) RefillBlock(allowed);
    return block_[index_++];
}

// The bit input works on copies of its state held by the decoding loop:
// the ring and the tree are byte and 16-bit arrays that the compiler must
// otherwise assume overwrite them at every store.
struct BitInput {
    uint32_t bits;     // valid bits at the top
    unsigned count;    // how many
    uint32_t budget;   // stored bytes not yet taken
    unsigned overrun;  // zero bytes given since the stored bytes ran out
};

// A reader that looks two bytes ahead may take them past the stored bytes
// of a sound stream; a symbol that has used bits beyond them comes from a
// broken one.
enum { kLookAheadBits = 16 };
inline bool Overrun(const BitInput& in) {
#ifdef LZHUF_SMALL
    // Bytes come in only as bits are needed: a third zero byte has been used.
    return in.overrun > 2;
#else
    return in.overrun > 2 && (int)(8 * in.overrun) - (int)in.count > kLookAheadBits;
#endif
}

#ifdef LZHUF_SMALL
// The compact form, which the stub is built with: a byte at a time into the
// bit buffer, and the tree updated from the leaf up. It reads, writes and
// decodes exactly as the fast form does.
inline unsigned LzhufDecoder::ReadBit(BitInput& in) {
    if (in.count < 1) {
        uint32_t byte = 0;
        if (in.budget) byte = ReadPtr(in.budget--);
        else ++in.overrun;
        in.bits = byte << 24;
        in.count = 8;
    }
    unsigned b = in.bits >> 31;
    in.bits <<= 1;
    --in.count;
    return b;
}

inline int LzhufDecoder::DecodeSymbol(BitInput& in) {
    unsigned n = tree_.child[kRoot];
    while (n < kSlots) n = tree_.child[n + ReadBit(in)];
    tree_.UpdateTree((int)(n - kSlots));
    return (int)(n - kSlots);
}
#else
// Takes and gives the state by value, so that it never has an address and
// stays in registers.
BitInput LzhufDecoder::TopUp(BitInput in) {
    while (in.count <= 24) {
        uint32_t byte = 0;
        if (in.budget != 0) {
            byte = ReadPtr(in.budget);
            --in.budget;
        } else {
            ++in.overrun;
        }
        in.bits |= byte << (24 - in.count);
        in.count += 8;
    }
    return in;
}

inline unsigned LzhufDecoder::ReadBit(BitInput& in) {
    if (in.count < 1) in = TopUp(in);
    unsigned b = in.bits >> 31;
    in.bits <<= 1;
    --in.count;
    return b;
}

inline unsigned LzhufDecoder::ReadBits8(BitInput& in) {
    if (in.count < 8) in = TopUp(in);
    unsigned b = in.bits >> 24;
    in.bits <<= 8;
    in.count -= 8;
    return b;
}

inline int LzhufDecoder::DecodeSymbol(BitInput& in) {
    // The slots on the way down serve the update on the way up. Weights
    // below 0x8000 keep the tree far shallower than 64; the mask only keeps
    // every store inside the path whatever happens.
    enum { kMaxDepth = 64 };
    uint16_t path[kMaxDepth];
    int depth = 0;
    unsigned n = tree_.child[kRoot];
    while (n < kSlots) {
        unsigned slot = n + ReadBit(in);
        path[depth++ & (kMaxDepth - 1)] = (uint16_t)slot;
        n = tree_.child[slot];
    }
    int s = (int)(n - kSlots);
    if (depth <= kMaxDepth) tree_.UpdateAlongPath(s, path, depth);
    else tree_.UpdateTree(s);
    return s;
}
#endif

inline unsigned LzhufDecoder::DecodeDistance(BitInput& in) {
#ifdef LZHUF_SMALL
    // A bit at a time, the code and then the 6 low bits: the first 8 bits
    // tell the code's length, and so how many bits follow them.
    unsigned b = 0, u = 0, length = 0, bits = 8;
    for (unsigned i = 0; i < bits; ++i) {
        b = b << 1 | ReadBit(in);
        if (i == 7) {
            DistanceHigh(b, &u, &length);
            bits += length - 2;
        }
    }
#else
    unsigned b = ReadBits8(in), u, length;
    DistanceHigh(b, &u, &length);
    for (unsigned i = 2; i < length; ++i) b = b << 1 | ReadBit(in);
#endif
    return u << 6 | (b & 63);
}

void LzhufDecoder::Flush(unsigned fill) {
    if (out_->Write(buffer_, (int)fill) != (int)fill) StopOnError("Write error in function WritePtr()");
}

LzhufResult LzhufDecoder::Decode(ByteSource& in, ByteSink& out, uint32_t total, uint32_t budget) {
    ResetBuffers();
    in_ = &in;
    out_ = &out;
    produced_ = DecodeStream(total, budget);
    return result_;
}

uint32_t LzhufDecoder::DecodeStream(uint32_t total, uint32_t budget) {
    BitInput bits = {0, 0, budget, 0};
#ifndef LZHUF_SMALL
    consumed_ = 0;
#endif
    // An unpacked size of 2^31 or more decodes nothing (the format counts
    // signed). Below that the count, unsigned, has room for the last match
    // running over.
    if (total == 0 || total > kLargestStreamOutput) return 0;
    tree_.InitTree();
    // The ring's last positions are never written before they are read in
    // a sound stream; zero, not what the last stream left there.
    for (unsigned i = 0; i < kRingSize; ++i) ring_[i] = i < kFirstWritePosition ? ' ' : 0;
    unsigned pos = kFirstWritePosition;
    // WritePtr, kept in locals: whole blocks go out as they fill, the rest
    // when the last byte arrives; bytes past the unpacked size (a damaged
    // stream's last match running over) are dropped, so the target gets
    // exactly its size and the buffer is never written past.
    unsigned fill = 0;
    uint32_t count = 0;  // the bytes produced, those dropped included
    uint8_t* const ring = ring_;
    uint8_t* const buffer = buffer_;
    auto put = [&](uint8_t c) {
        ring[pos] = c;
        pos = (pos + 1) & kRingMask;
        if (count++ >= total) return;
        buffer[fill++] = c;
        if (count == total || fill == kBlockSize) {
            Flush(fill);
            fill = 0;
        }
    };
    while (count < total && result_ == kLzhufOk) {
        const int s = DecodeSymbol(bits);
        unsigned src = 0;
        if (s >= 256) src = (pos - DecodeDistance(bits) - 1) & kRingMask;
        if (Overrun(bits)) {
            Note(kLzhufOverrun);
            break;
        }
#ifdef LZHUF_SMALL
        // One way for both, in the compact form: a literal is a match of
        // one byte.
        const unsigned length = s < 256 ? 1 : (unsigned)(s - 253);
        for (unsigned k = 0; k < length; ++k) put(s < 256 ? (uint8_t)s : ring[(src + k) & kRingMask]);
#else
        if (s < 256) {
            put((uint8_t)s);
        } else {
            const unsigned length = (unsigned)(s - 253);
            // Byte by byte, in order: a match may overlap what it produces.
            for (unsigned k = 0; k < length; ++k) put(ring[(src + k) & kRingMask]);
        }
#endif
    }
#ifndef LZHUF_SMALL
    // Bytes taken but still whole in the bit buffer were not used; the zero
    // bytes given past the stored ones came in last.
    const unsigned unused = bits.count / 8 > bits.overrun ? bits.count / 8 - bits.overrun : 0;
    consumed_ = budget - bits.budget - unused;
#endif
    return count;
}
