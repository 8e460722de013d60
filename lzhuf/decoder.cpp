#include "lzhuf/decoder.h"

#include <string.h>

void LzhufDecoder::ResetBuffers() {
    memset(block_, 0, sizeof block_);
    unread_ = index_ = 0;
    memset(buffer_, 0, sizeof buffer_);
    fill_ = 0;
    flushed_ = 0;
    writeFailed = cutShort = false;
}

void LzhufDecoder::StopOnError(const char*) {
    // The caller reports the failed write and removes the target.
    writeFailed = true;
}

uint8_t LzhufDecoder::ReadPtr() {
    if (unread_ < 1) {
        // Never more than the entry's stored bytes not yet taken.
        unsigned n = packedBudget_ < (uint32_t)kBlockSize ? packedBudget_ : (uint32_t)kBlockSize;
        int got = in_->Read(block_, (int)n);
        if (got < (int)n) {
            // An installer cut short: what is missing reads as zero bytes.
            cutShort = true;
            if (got < 0) got = 0;
            memset(block_ + got, 0, n - (unsigned)got);
        }
        unread_ = n;
        index_ = 0;
    }
    --unread_;
    return block_[index_++];
}

void LzhufDecoder::TopUp() {
    while (bitCount_ <= 24) {
        uint32_t byte = 0;
        if (packedBudget_ != 0) {
            byte = ReadPtr();
            --packedBudget_;
        }
        bits_ |= byte << (24 - bitCount_);
        bitCount_ += 8;
    }
}

unsigned LzhufDecoder::ReadBit() {
    if (bitCount_ < 1) TopUp();
    unsigned b = bits_ >> 31;
    bits_ <<= 1;
    --bitCount_;
    return b;
}

unsigned LzhufDecoder::ReadBits8() {
    if (bitCount_ < 8) TopUp();
    unsigned b = bits_ >> 24;
    bits_ <<= 8;
    bitCount_ -= 8;
    return b;
}

int LzhufDecoder::DecodeSymbol() {
    unsigned n = tree_.child[kRoot];
    while (n < kSlots) n = tree_.child[n + ReadBit()];
    int s = (int)(n - kSlots);
    tree_.UpdateTree(s);
    return s;
}

unsigned LzhufDecoder::DecodeDistance() {
    unsigned b = ReadBits8(), u, length;
    DistanceHigh(b, &u, &length);
    for (unsigned i = 2; i < length; ++i) b = b << 1 | ReadBit();
    return u << 6 | (b & 63);
}

void LzhufDecoder::WritePtr(uint8_t c) {
    // Bytes past the unpacked size (a damaged stream's last match running
    // over) are dropped: the target gets exactly its size, and the buffer
    // is never written past.
    if (flushed_ + fill_ >= total_) return;
    buffer_[fill_++] = c;
    // Full blocks, and the last part when the last byte arrives.
    if (fill_ == kBlockSize || flushed_ + fill_ == total_) {
        if (out_->Write(buffer_, (int)fill_) != (int)fill_) StopOnError("Write error in function WritePtr()");
        flushed_ += fill_;
        fill_ = 0;
    }
}

uint32_t LzhufDecoder::DecodeStream(ByteReader& in, ByteSink& out, uint32_t total, uint32_t budget) {
    in_ = &in;
    out_ = &out;
    total_ = total;
    bits_ = 0;
    bitCount_ = 0;
    packedBudget_ = budget;
    if (total == 0) return 0;
    tree_.InitTree();
    memset(ring_, ' ', kFirstWritePosition);
    ringPos_ = kFirstWritePosition;
    // Signed, as the format has it: an unpacked size of 2^31 or more
    // decodes nothing.
    int32_t count = 0;
    while (count < (int32_t)total && !writeFailed) {
        int s = DecodeSymbol();
        if (s < 256) {
            WritePtr((uint8_t)s);
            ring_[ringPos_] = (uint8_t)s;
            ringPos_ = (ringPos_ + 1) & kRingMask;
            ++count;
        } else {
            unsigned src = ringPos_ - DecodeDistance() - 1;
            int length = s - 253;
            // Byte by byte: a match may overlap what it produces.
            for (int k = 0; k < length; ++k) {
                uint8_t c = ring_[src++ & kRingMask];
                WritePtr(c);
                ring_[ringPos_] = c;
                ringPos_ = (ringPos_ + 1) & kRingMask;
            }
            count += length;
        }
    }
    return (uint32_t)count;
}
