#include "lzhuf/lzhuf.h"

#include <string.h>

void LzhufTree::InitTree() {
    for (int s = 0; s < kSymbols; ++s) {
        freq[s] = 1;
        child[s] = (uint16_t)(kSlots + s);
        parent[kSlots + s] = (uint16_t)s;
    }
    for (int i = 0, j = kSymbols; j < kSlots; i += 2, ++j) {
        freq[j] = (uint16_t)(freq[i] + freq[i + 1]);
        child[j] = (uint16_t)i;
        parent[i] = parent[i + 1] = (uint16_t)j;
    }
    freq[kSlots] = 0xFFFF;
    parent[kRoot] = 0;
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
        memmove(&freq[k + 1], &freq[k], (size_t)(j - k) * sizeof freq[0]);
        freq[k] = w;
        memmove(&child[k + 1], &child[k], (size_t)(j - k) * sizeof child[0]);
        child[k] = (uint16_t)i;
    }
    for (int i = 0; i < kSlots; ++i) {
        int k = child[i];
        parent[k] = (uint16_t)i;
        if (k < kSlots) parent[k + 1] = (uint16_t)i;
    }
}

void LzhufTree::UpdateTree(int s) {
    if (freq[kRoot] == kWeightLimit) RebuildTree();
    unsigned n = parent[kSlots + s];
    do {
        const uint16_t w = ++freq[n];
        if (w > freq[n + 1]) {
            // The node moves to the last slot of the run that holds its old
            // weight. The slots above it are in order, so the run's end is
            // found by galloping, then halving: the same slot a step-by-step
            // search would reach, in far fewer steps.
            unsigned lo = n + 1, hi = kSlots, step = 1;  // freq[lo] < w <= freq[hi]
            while (lo + step < kSlots) {
                if (freq[lo + step] >= w) {
                    hi = lo + step;
                    break;
                }
                lo += step;
                step <<= 1;
            }
            while (hi - lo > 1) {
                unsigned mid = (lo + hi) / 2;
                if (freq[mid] < w) lo = mid;
                else hi = mid;
            }
            const unsigned l = lo;
            freq[n] = freq[l];
            freq[l] = w;
            const unsigned a = child[n], b = child[l];
            child[l] = (uint16_t)a;
            child[n] = (uint16_t)b;
            parent[a] = (uint16_t)l;
            if (a < kSlots) parent[a + 1] = (uint16_t)l;
            parent[b] = (uint16_t)n;
            if (b < kSlots) parent[b + 1] = (uint16_t)n;
            n = l;
        }
        n = parent[n];
    } while (n != 0);
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
