#include "tool/packer.h"

#include <algorithm>
#include <cstring>

#include "lzhuf/lzhuf.h"

namespace {

class BitWriter {
public:
    // The low `count` bits of `bits`, most significant first.
    void Put(uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = (uint8_t)(acc_ << 1 | ((bits >> i) & 1));
            if (++n_ == 8) {
                out_.push_back(acc_);
                acc_ = 0;
                n_ = 0;
            }
        }
    }
    std::vector<uint8_t> Finish() {
        if (n_) out_.push_back((uint8_t)(acc_ << (8 - n_)));
        // Bits past the stored size read as zero: trailing zero bytes need
        // not be stored. One byte always stays (a stored size of 0 would
        // end the entry table).
        while (out_.size() > 1 && out_.back() == 0) out_.pop_back();
        if (out_.empty()) out_.push_back(0);
        return std::move(out_);
    }

private:
    std::vector<uint8_t> out_;
    uint8_t acc_ = 0;
    int n_ = 0;
};

// Every symbol's code length in a model.
void CodeLengths(const LzhufTree& tree, unsigned lengths[kSymbols]) {
    for (int s = 0; s < kSymbols; ++s) {
        unsigned depth = 0;
        for (unsigned n = tree.parent[kSlots + s]; n != kRoot; n = tree.parent[n]) ++depth;
        lengths[s] = depth;
    }
}

unsigned DistanceBits(unsigned d) {
    unsigned code, length;
    DistanceCode(d >> 6, &code, &length);
    return length + 6;
}

// Writes symbols with the decoder's own model, updated in the same order.
class Encoder {
public:
    Encoder() { tree_.InitTree(); }

    void Literal(uint8_t c) { Symbol(c); }
    void Match(int length, unsigned distance) {
        Symbol(253 + length);
        unsigned code, bits;
        DistanceCode(distance >> 6, &code, &bits);
        out_.Put(code >> (8 - bits), (int)bits);
        out_.Put(distance & 63, 6);
    }
    const LzhufTree& Model() const { return tree_; }
    std::vector<uint8_t> Finish() { return out_.Finish(); }

private:
    void Symbol(int s) {
        // From the leaf up, each node below the root gives the lowest bit of
        // its slot; the bits go out from the root down.
        uint32_t code = 0;
        int length = 0;
        for (unsigned n = tree_.parent[kSlots + s]; n != kRoot; n = tree_.parent[n])
            code |= (uint32_t)(n & 1) << length++;
        out_.Put(code, length);
        tree_.UpdateTree(s);
    }

    LzhufTree tree_;
    BitWriter out_;
};

// Candidate matches by hash chains over the ring's view of the data: the
// 4066 spaces the ring starts with, then the data. A source before the
// data start is an initial space; ring positions 4066 to 4095 are only
// ever read after the data has written them.
class MatchFinder {
public:
    MatchFinder(const uint8_t* data, size_t size, int depth)
        : size_(size), depth_(depth), head_(1 << 16, -1) {
        view_.assign(kFirstWritePosition, ' ');
        view_.insert(view_.end(), data, data + size);
        prev_.assign(view_.size(), -1);
        for (int p = 0; p < kFirstWritePosition && (size_t)p + 2 < view_.size(); ++p) Insert(p);
    }

    // For every match length from 3 to the longest found, the smallest
    // distance that gives it; returns the longest length (0 for none).
    // `i` is a data position; matches end by `limit` bytes of data.
    int Find(size_t i, size_t limit, uint16_t* distanceFor) {
        const int64_t p = (int64_t)i + kFirstWritePosition;
        const int maxLength = (int)std::min<size_t>(kMaxMatch, limit - i);
        if (maxLength < kMinMatch) return 0;
        const uint8_t* here = &view_[(size_t)p];
        int best = kMinMatch - 1, chain = depth_;
        for (int64_t c = head_[Hash(p)]; c >= 0 && c >= p - kRingSize && chain-- > 0; c = prev_[(size_t)c]) {
            const uint8_t* there = &view_[(size_t)c];
            if (there[best] != here[best] || there[0] != here[0]) continue;
            int length = 0;
            while (length < maxLength && there[length] == here[length]) ++length;
            if (length > best) {
                for (int l = best + 1; l <= length; ++l) distanceFor[l] = (uint16_t)(p - c - 1);
                best = length;
                if (best == maxLength) break;
            }
        }
        return best >= kMinMatch ? best : 0;
    }

    void InsertData(size_t i) {
        if (i + 2 < size_) Insert((int64_t)i + kFirstWritePosition);
    }

private:
    unsigned Hash(int64_t p) const {
        const uint8_t* b = &view_[(size_t)p];
        return ((unsigned)b[0] << 8 ^ (unsigned)b[1] << 4 ^ b[2]) * 2654435761u >> 16 & 0xFFFF;
    }
    void Insert(int64_t p) {
        unsigned h = Hash(p);
        prev_[(size_t)p] = head_[h];
        head_[h] = p;
    }

    std::vector<uint8_t> view_;
    size_t size_;
    int depth_;
    std::vector<int64_t> head_, prev_;
};

void PackGreedyOrLazy(const uint8_t* data, size_t size, MatchFinder& finder, Encoder& enc, bool lazy) {
    uint16_t dist[kMaxMatch + 1], next[kMaxMatch + 1];
    size_t i = 0;
    int length = size ? finder.Find(0, size, dist) : 0;
    while (i < size) {
        finder.InsertData(i);
        int nextLength = i + 1 < size ? finder.Find(i + 1, size, next) : 0;
        if (length >= kMinMatch && !(lazy && nextLength > length)) {
            enc.Match(length, dist[length]);
            for (size_t k = 1; k < (size_t)length; ++k) finder.InsertData(i + k);
            i += (size_t)length;
            length = i < size ? finder.Find(i, size, dist) : 0;
        } else {
            enc.Literal(data[i]);
            ++i;
            length = nextLength;
            std::memcpy(dist, next, sizeof dist);
        }
    }
}

// Cheapest path through the data, a stretch at a time, priced with the
// code lengths the model has when the stretch begins. Each stretch looks
// past its end, so that no item is cut short at the boundary, and commits
// only the items that start within it; the model then moves on as they are
// written.
void PackOptimal(const uint8_t* data, size_t size, MatchFinder& finder, Encoder& enc,
                 size_t stretch, size_t lookahead, const std::function<void(size_t)>& progress) {
    size_t reported = 0;
    const size_t row = kMaxMatch + 1;
    // Matches found so far, for the data positions from tableStart on.
    std::vector<uint16_t> dist;
    std::vector<uint8_t> longest;
    size_t tableStart = 0, found = 0;
    std::vector<uint32_t> cost;
    std::vector<uint8_t> step;  // length of the item that ends here; 1 = literal
    std::vector<uint8_t> path;
    unsigned lengths[kSymbols];
    unsigned distanceBits[kRingSize];
    for (unsigned d = 0; d < kRingSize; ++d) distanceBits[d] = DistanceBits(d);

    for (size_t pos = 0; pos < size;) {
        const size_t end = std::min(size, pos + stretch + lookahead), n = end - pos;
        dist.resize((end - tableStart) * row);
        longest.resize(end - tableStart);
        for (; found < end; ++found) {
            longest[found - tableStart] = (uint8_t)finder.Find(found, size, &dist[(found - tableStart) * row]);
            finder.InsertData(found);
        }
        auto solve = [&](const unsigned* price) {
            cost.assign(n + 1, UINT32_MAX);
            step.assign(n + 1, 0);
            cost[0] = 0;
            for (size_t i = 0; i < n; ++i) {
                const uint32_t here = cost[i];
                const size_t t = pos + i - tableStart;
                if (here + price[data[pos + i]] < cost[i + 1]) {
                    cost[i + 1] = here + price[data[pos + i]];
                    step[i + 1] = 1;
                }
                const uint16_t* d = &dist[t * row];
                const int maxLength = (int)std::min<size_t>(longest[t], n - i);
                for (int l = kMinMatch; l <= maxLength; ++l) {
                    uint32_t c = here + price[253 + l] + distanceBits[d[l]];
                    if (c <= cost[i + l]) {
                        cost[i + l] = c;
                        step[i + l] = (uint8_t)l;
                    }
                }
            }
            path.clear();
            for (size_t at = n; at > 0; at -= step[at]) path.push_back(step[at]);
        };
        CodeLengths(enc.Model(), lengths);
        solve(lengths);
        size_t i = 0;
        const size_t commit = end == size ? n : stretch;
        for (auto it = path.rbegin(); it != path.rend() && i < commit; ++it) {
            if (*it == 1) enc.Literal(data[pos + i]);
            else enc.Match(*it, dist[(pos + i - tableStart) * row + *it]);
            i += *it;
        }
        pos += i;
        // Drop the matches of the positions now written.
        const size_t drop = pos - tableStart;
        dist.erase(dist.begin(), dist.begin() + (long)(drop * row));
        longest.erase(longest.begin(), longest.begin() + (long)drop);
        tableStart = pos;
        if (progress && pos - reported >= (1u << 20)) progress(reported = pos);
    }
}

}  // namespace

std::vector<uint8_t> PackLzhuf(const uint8_t* data, size_t size, const PackOptions& options) {
    Encoder enc;
    MatchFinder finder(data, size, options.chainDepth);
    if (options.parse == Parse::kOptimal)
        PackOptimal(data, size, finder, enc, options.stretch, 64, options.progress);
    else PackGreedyOrLazy(data, size, finder, enc, options.parse == Parse::kLazy);
    return enc.Finish();
}
