// LZHUF as packed entries use it: LZSS over a 4096-byte ring, literals and
// match lengths in an adaptive Huffman code, match distances in a fixed
// prefix code for their high 6 bits and their low 6 bits as they are.
// The longest match is 30, so there are 284 symbols.
#ifndef LZHUF_LZHUF_H
#define LZHUF_LZHUF_H

#include <stdint.h>

enum {
    kRingSize = 4096,
    kRingMask = kRingSize - 1,
    kMaxMatch = 30,
    kMinMatch = 3,
    kSymbols = 256 + kMaxMatch - kMinMatch + 1,  // 284
    kSlots = 2 * kSymbols - 1,                    // 567 tree slots
    kRoot = kSlots - 1,                           // 566
    kWeightLimit = 0x8000,
    kFirstWritePosition = kRingSize - kMaxMatch,  // 4066
    kBlockSize = 16384,
};

// The count of bytes produced is signed in the format: a stream unpacks to
// at most this many.
const uint32_t kLargestStreamOutput = 0x7FFFFFFFu;

// The adaptive Huffman tree. Slots are kept in order of weight; the root
// is always the last slot. The decoder and the packer walk the same model.
struct LzhufTree {
    // freq[kSlots] is a 0xFFFF sentinel that ends every search.
    uint16_t freq[kSlots + 1];
    // For an internal node the slot of its first child (the second is the
    // next slot); for a leaf kSlots + its symbol.
    uint16_t child[kSlots];
    // parent[slot]: the parent's slot (0 for the root); parent[kSlots + s]:
    // the slot of symbol s's leaf.
    uint16_t parent[kSlots + kSymbols];

    void InitTree();
    // Counts symbol s once more, keeping the slots in weight order; the tree
    // is rebuilt first when the root's weight has reached kWeightLimit.
    void UpdateTree(int s);
    // The same update for a symbol just decoded, given the slots its code
    // went through from the root down (path[depth - 1] is its leaf's).
    void UpdateAlongPath(int s, const uint16_t* path, int depth);
    void RebuildTree();

private:
    unsigned MoveUp(unsigned n, uint16_t w);
    void UpdateFrom(unsigned n);
};

// The distance prefix code: the code for the high 6 bits u of a distance,
// left-aligned in a byte, and its length in bits.
void DistanceCode(unsigned u, unsigned* code, unsigned* length);
// The other way round: the u whose code is a prefix of the 8 bits b, and
// that code's length.
void DistanceHigh(unsigned b, unsigned* u, unsigned* length);

#endif
