#include "authoring/packer.h"

#include <algorithm>
#include <cstring>

#include "lzhuf/lzhuf.h"
#include "payload/reader.h"
#include "authoring/readers.h"

namespace {

class BitWriter {
public:
    explicit BitWriter(ByteSink& out) : out_(out) {}
    // The low `count` bits of `bits`, most significant first.
    void Put(uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = (uint8_t)(acc_ << 1 | ((bits >> i) & 1));
            if (++n_ == 8) {
                Byte(acc_);
                acc_ = 0;
                n_ = 0;
            }
        }
    }
    // The stream's size, or -1 when the sink failed.
    int64_t Finish() {
        if (n_) Byte((uint8_t)(acc_ << (8 - n_)));
        // Bits past the stored size read as zero: trailing zero bytes, held
        // back until something else came, need not be stored. One byte
        // always is (a stored size of 0 would end the entry table).
        if (written_ == 0) Push(0);
        Drain();
        return ok_ ? (int64_t)written_ : -1;
    }

private:
    void Byte(uint8_t b) {
        if (b == 0) {
            ++zeros_;
            return;
        }
        for (; zeros_; --zeros_) Push(0);
        Push(b);
    }
    void Push(uint8_t b) {
        buf_[fill_++] = b;
        ++written_;
        if (fill_ == sizeof buf_) Drain();
    }
    void Drain() {
        if (fill_ && out_.Write(buf_, (int)fill_) != (int)fill_) ok_ = false;
        fill_ = 0;
    }

    ByteSink& out_;
    uint8_t buf_[65536];
    size_t fill_ = 0;
    uint64_t written_ = 0, zeros_ = 0;
    uint8_t acc_ = 0;
    int n_ = 0;
    bool ok_ = true;
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
    explicit Encoder(ByteSink& out) : out_(out) { tree_.InitTree(); }

    void Literal(uint8_t c) { Symbol(c); }
    void Match(int length, unsigned distance) {
        Symbol(253 + length);
        unsigned code, bits;
        DistanceCode(distance >> 6, &code, &bits);
        out_.Put(code >> (8 - bits), (int)bits);
        out_.Put(distance & 63, 6);
    }
    const LzhufTree& Model() const { return tree_; }
    int64_t Finish() { return out_.Finish(); }

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
// ever read after the data has written them. The data comes in as it is
// needed and goes once it is more than a ring behind what is still to be
// written, so memory stays the same whatever the size; positions are view
// positions, counted from the first space.
class MatchFinder {
public:
    MatchFinder(ByteSource& in, uint64_t size, int depth)
        : in_(in), size_(size), end_(kFirstWritePosition + size), depth_(depth), head_(1 << 16, -1),
          prev_(kChainSlots, -1) {
        window_.assign(kFirstWritePosition, ' ');
        Load(kFirstWritePosition + 2);
        for (int p = 0; p < kFirstWritePosition && (uint64_t)p + 2 < end_; ++p) Insert(p);
    }

    // For every match length from 3 to the longest found, the smallest
    // distance that gives it; returns the longest length (0 for none).
    // `i` is a data position; matches end by `limit` bytes of data.
    int Find(uint64_t i, uint64_t limit, uint16_t* distanceFor) {
        const int64_t p = (int64_t)(i + kFirstWritePosition);
        const int maxLength = (int)std::min<uint64_t>(kMaxMatch, limit - i);
        Load((uint64_t)p + kMaxMatch + 2);
        if (maxLength < kMinMatch) return 0;
        const uint8_t* here = At(p);
        int best = kMinMatch - 1, chain = depth_;
        for (int64_t c = head_[Hash(p)]; c >= 0 && c >= p - kRingSize && chain-- > 0; c = prev_[Slot(c)]) {
            const uint8_t* there = At(c);
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

    void InsertData(uint64_t i) {
        if (i + 2 < size_) Insert((int64_t)(i + kFirstWritePosition));
    }

    // Data byte i (loaded by a Find at or after i - kMaxMatch).
    uint8_t Data(uint64_t i) const { return *At((int64_t)(i + kFirstWritePosition)); }

    // Nothing before data position i is written any more: what lies more
    // than a ring before it may go.
    void WrittenUpTo(uint64_t i) { keep_ = i + kFirstWritePosition > kRingSize ? i + kFirstWritePosition - kRingSize : 0; }

    // Whether the input gave all its bytes.
    bool Whole() const { return whole_; }

private:
    enum { kChainSlots = 1 << 17, kChunk = 1 << 20 };
    const uint8_t* At(int64_t p) const { return &window_[(size_t)((uint64_t)p - base_)]; }
    static size_t Slot(int64_t p) { return (size_t)p & (kChainSlots - 1); }
    unsigned Hash(int64_t p) const {
        const uint8_t* b = At(p);
        return ((unsigned)b[0] << 8 ^ (unsigned)b[1] << 4 ^ b[2]) * 2654435761u >> 16 & 0xFFFF;
    }
    void Insert(int64_t p) {
        unsigned h = Hash(p);
        prev_[Slot(p)] = head_[h];
        head_[h] = p;
    }
    // Brings the window up to view position `upTo` (or the end).
    void Load(uint64_t upTo) {
        upTo = std::min(upTo, end_);
        const uint64_t loaded = base_ + window_.size();
        if (loaded >= upTo) return;
        if (keep_ > base_ + kChunk) {
            window_.erase(window_.begin(), window_.begin() + (long)(keep_ - base_));
            base_ = keep_;
        }
        const uint64_t want = std::min<uint64_t>(std::max<uint64_t>(upTo - loaded, kChunk), end_ - loaded);
        const size_t old = window_.size();
        window_.resize(old + (size_t)want);
        for (size_t at = old; at < window_.size();) {
            const int n = in_.Read(&window_[at], (int)std::min<size_t>(window_.size() - at, 1 << 20));
            if (n <= 0) {
                // A read that fails or ends early: the rest reads as zeros,
                // and the stream is not used.
                whole_ = false;
                break;
            }
            at += (size_t)n;
        }
    }

    ByteSource& in_;
    const uint64_t size_, end_;
    int depth_;
    std::vector<int64_t> head_, prev_;
    std::vector<uint8_t> window_;
    uint64_t base_ = 0, keep_ = 0;
    bool whole_ = true;
};

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// False when stopped.
bool PackGreedyOrLazy(uint64_t size, MatchFinder& finder, Encoder& enc, bool lazy, const std::atomic<bool>* stop) {
    uint16_t dist[kMaxMatch + 1], next[kMaxMatch + 1];
    uint64_t i = 0, checked = 0;
    int length = size ? finder.Find(0, size, dist) : 0;
    while (i < size) {
        if (i - checked >= 4096) {
            if (Stopped(stop)) return false;
            checked = i;
        }
        finder.WrittenUpTo(i);
        finder.InsertData(i);
        int nextLength = i + 1 < size ? finder.Find(i + 1, size, next) : 0;
        if (length >= kMinMatch && !(lazy && nextLength > length)) {
            enc.Match(length, dist[length]);
            for (uint64_t k = 1; k < (uint64_t)length; ++k) finder.InsertData(i + k);
            i += (uint64_t)length;
            length = i < size ? finder.Find(i, size, dist) : 0;
        } else {
            enc.Literal(finder.Data(i));
            ++i;
            length = nextLength;
            std::memcpy(dist, next, sizeof dist);
        }
    }
    return true;
}

// Cheapest path through the data, a stretch at a time, priced with the
// code lengths the model has when the stretch begins. Each stretch looks
// past its end, so that no item is cut short at the boundary, and commits
// only the items that start within it; the model then moves on as they are
// written. False when stopped.
bool PackOptimal(uint64_t size, MatchFinder& finder, Encoder& enc, size_t stretch, size_t lookahead,
                 const std::function<void(uint64_t)>& progress, const std::atomic<bool>* stop) {
    uint64_t reported = 0;
    const size_t row = kMaxMatch + 1;
    // Matches found so far, for the data positions from tableStart on.
    std::vector<uint16_t> dist;
    std::vector<uint8_t> longest;
    uint64_t tableStart = 0, found = 0;
    std::vector<uint32_t> cost;
    std::vector<uint8_t> step;  // length of the item that ends here; 1 = literal
    std::vector<uint8_t> path;
    unsigned lengths[kSymbols];
    unsigned distanceBits[kRingSize];
    for (unsigned d = 0; d < kRingSize; ++d) distanceBits[d] = DistanceBits(d);

    for (uint64_t pos = 0; pos < size;) {
        if (Stopped(stop)) return false;
        finder.WrittenUpTo(pos);
        const uint64_t end = std::min<uint64_t>(size, pos + stretch + lookahead);
        const size_t n = (size_t)(end - pos);
        dist.resize((size_t)(end - tableStart) * row);
        longest.resize((size_t)(end - tableStart));
        for (; found < end; ++found) {
            longest[(size_t)(found - tableStart)] =
                (uint8_t)finder.Find(found, size, &dist[(size_t)(found - tableStart) * row]);
            finder.InsertData(found);
        }
        auto solve = [&](const unsigned* price) {
            cost.assign(n + 1, UINT32_MAX);
            step.assign(n + 1, 0);
            cost[0] = 0;
            for (size_t i = 0; i < n; ++i) {
                const uint32_t here = cost[i];
                const size_t t = (size_t)(pos + i - tableStart);
                const unsigned literal = price[finder.Data(pos + i)];
                if (here + literal < cost[i + 1]) {
                    cost[i + 1] = here + literal;
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
            if (*it == 1) enc.Literal(finder.Data(pos + i));
            else enc.Match(*it, dist[(size_t)(pos + i - tableStart) * row + *it]);
            i += *it;
        }
        pos += i;
        // Drop the matches of the positions now written.
        const size_t drop = (size_t)(pos - tableStart);
        dist.erase(dist.begin(), dist.begin() + (long)(drop * row));
        longest.erase(longest.begin(), longest.begin() + (long)drop);
        tableStart = pos;
        if (progress && pos - reported >= (1u << 20)) progress(reported = pos);
    }
    return true;
}

}  // namespace

int64_t PackLzhufStream(ByteSource& in, uint64_t size, ByteSink& out, const PackOptions& options) {
    Encoder enc(out);
    MatchFinder finder(in, size, options.chainDepth);
    const bool whole = options.parse == Parse::kOptimal
                           ? PackOptimal(size, finder, enc, options.stretch, 64, options.progress, options.stop)
                           : PackGreedyOrLazy(size, finder, enc, options.parse == Parse::kLazy, options.stop);
    if (!whole) return -1;
    const int64_t packed = enc.Finish();
    return finder.Whole() ? packed : -1;
}

std::vector<uint8_t> PackLzhuf(const uint8_t* data, size_t size, const PackOptions& options) {
    MemoryReader in(data, size);
    std::vector<uint8_t> out;
    VectorSink sink(&out);
    PackLzhufStream(in, size, sink, options);
    return out;
}
