#include "lzhuf/lzhuf.h"

void LzhufTree::InitTree() {
    // Every symbol once: leaves of weight 2, which the rebuild halves to 1,
    // joined pairwise in order (equal weights never move a node).
    for (int i = 0; i < kSlots; ++i) {
        freq[i] = 2;
        child[i] = (uint16_t)(i < kSymbols ? kSlots + i : 0);
    }
    freq[kSlots] = 0xFFFF;
    parent[kRoot] = 0;
    RebuildTree();
}

void LzhufTree::RebuildTree() {
    // The leaves, halved (odd weights counted up), gathered at the bottom.
    int j = 0;
    for (int i = 0; i < kSlots; ++i)
        if (child[i] >= kSlots) {
            freq[j] = (uint16_t)((freq[i] + 1) / 2);
            child[j] = child[i];
            ++j;
        }
    // The internal nodes joined afresh, each after every node of its weight.
    for (int i = 0, j = kSymbols; j < kSlots; i += 2, ++j) {
        uint16_t w = (uint16_t)(freq[i] + freq[i + 1]);
        int k = j - 1;
        while (w < freq[k]) --k;
        ++k;
        // The slots from k on move up by one.
        for (int m = j; m > k; --m) {
            freq[m] = freq[m - 1];
            child[m] = child[m - 1];
        }
        freq[k] = w;
        child[k] = (uint16_t)i;
    }
    for (int i = 0; i < kSlots; ++i) {
        int k = child[i];
        parent[k] = (uint16_t)i;
        if (k < kSlots) parent[k + 1] = (uint16_t)i;
    }
}

// Moves the node in slot n, whose weight w has just passed its upper
// neighbour's, to the last slot of the run that holds its old weight (the
// sentinel ends the search), exchanging the two slots' contents but leaving
// each slot's own parent in place; returns that slot.
inline unsigned LzhufTree::MoveUp(unsigned n, uint16_t w) {
    unsigned l = n + 1;
    while (w > freq[l + 1]) ++l;
    freq[n] = freq[l];
    freq[l] = w;
    const unsigned a = child[n], b = child[l];
    child[l] = (uint16_t)a;
    child[n] = (uint16_t)b;
    parent[a] = (uint16_t)l;
    if (a < kSlots) parent[a + 1] = (uint16_t)l;
    parent[b] = (uint16_t)n;
    if (b < kSlots) parent[b + 1] = (uint16_t)n;
    return l;
}

void LzhufTree::UpdateFrom(unsigned n) {
    do {
        const uint16_t w = ++freq[n];
        if (w > freq[n + 1]) n = MoveUp(n, w);
        n = parent[n];
    } while (n != 0);
}

void LzhufTree::UpdateTree(int s) {
    if (freq[kRoot] == kWeightLimit) RebuildTree();
    UpdateFrom(parent[kSlots + s]);
}

void LzhufTree::UpdateAlongPath(int s, const uint16_t* path, int depth) {
    if (freq[kRoot] == kWeightLimit) return UpdateTree(s);  // the path is gone with the rebuild
    // Until a node moves, the walk up is the way down read backwards: the
    // slots are known without waiting for each parent.
    for (int k = depth - 1; k >= 0; --k) {
        const unsigned n = path[k];
        const uint16_t w = ++freq[n];
        if (w > freq[n + 1]) {
            UpdateFrom(parent[MoveUp(n, w)]);
            return;
        }
    }
    ++freq[kRoot];
}

// The distance code's groups: lengths 3 to 8; each next code is the
// previous plus one, shifted left whenever the length grows.
static const uint8_t kFirstU[] = {0, 1, 4, 12, 24, 48, 64};
static const uint8_t kFirstCode[] = {0x00, 0x20, 0x50, 0x90, 0xC0, 0xF0, 0xFF};

void DistanceHigh(unsigned b, unsigned* u, unsigned* length) {
    int g = 5;
    while (b < kFirstCode[g]) --g;
    *length = (unsigned)g + 3;
    *u = kFirstU[g] + ((b - kFirstCode[g]) >> (5 - g));
}

void DistanceCode(unsigned u, unsigned* code, unsigned* length) {
    int g = 0;
    while (u >= kFirstU[g + 1]) ++g;
    *length = (unsigned)g + 3;
    *code = kFirstCode[g] + ((u - kFirstU[g]) << (5 - g));
}
