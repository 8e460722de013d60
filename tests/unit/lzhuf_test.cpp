// The decoder against the examples of the format, against the oracle (the
// algorithm exactly as written), and at the edges of its buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "lzhuf/decoder.h"
#include "tests/oracle/lzhuf_oracle.h"
#include "tests/unit/test_support.h"
#include "payload/reader.h"
#include "authoring/packer.h"

namespace {

struct Decoded {
    std::vector<uint8_t> output;
    std::vector<uint32_t> reads, writes;
    uint32_t produced = 0;
    bool cutShort = false, writeFailed = false, overrun = false;
};

class RecordingReader : public ByteReader {
public:
    RecordingReader(const std::vector<uint8_t>& data, std::vector<uint32_t>* reads)
        : inner_(data), reads_(reads) {}
    int Read(void* buf, int n) override {
        reads_->push_back((uint32_t)n);
        return inner_.Read(buf, n);
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override { return inner_.Seek(offset, origin); }

private:
    MemoryReader inner_;
    std::vector<uint32_t>* reads_;
};

// Takes `room` bytes, then stores short.
class RecordingSink : public ByteSink {
public:
    RecordingSink(Decoded* d, uint64_t room) : d_(d), room_(room) {}
    int Write(const void* buf, int n) override {
        d_->writes.push_back((uint32_t)n);
        int take = (uint64_t)n < room_ ? n : (int)room_;
        room_ -= (uint64_t)take;
        d_->output.insert(d_->output.end(), (const uint8_t*)buf, (const uint8_t*)buf + take);
        return take;
    }

private:
    Decoded* d_;
    uint64_t room_;
};

LzhufDecoder& Decoder() {
    static std::unique_ptr<LzhufDecoder> d(new LzhufDecoder());
    return *d;
}

Decoded Fast(const std::vector<uint8_t>& file, uint32_t offset, uint32_t unpacked, uint32_t stored,
             uint64_t room = UINT64_MAX) {
    Decoded d;
    RecordingReader in(file, &d.reads);
    in.Seek(offset, kSeekSet);
    RecordingSink out(&d, room);
    LzhufResult r = Decoder().Decode(in, out, unpacked, stored);
    d.produced = Decoder().Produced();
    d.cutShort = r == kLzhufCutShort;
    d.writeFailed = r == kLzhufWriteFailed;
    d.overrun = r == kLzhufOverrun;
    return d;
}

Decoded Fast(const std::vector<uint8_t>& stream, uint32_t unpacked) {
    return Fast(stream, 0, unpacked, (uint32_t)stream.size());
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace

TEST(LzhufDecoder, DecodesTheFormatsExamples) {
    const struct {
        const char* what;
        std::vector<uint8_t> stream;
        uint32_t unpacked, stored;
        std::string expected;
    } cases[] = {
        {"one literal", {0x09}, 1, 1, "A"},
        {"two literals", {0x09, 0x0A}, 2, 2, "AB"},
        {"a match of 5 in the initial spaces", {0xCA, 0x00, 0x00}, 5, 3, "     "},
        {"distance bits past the stored byte read as zero", {0xCA, 0x00, 0x00}, 5, 1, "     "},
        {"a literal, then the match its update made short", {0x29, 0x29, 0x00, 0x00}, 31, 4, std::string(31, 'a')},
        {"a match overlapping its own output", {0x29, 0x2A, 0x2B, 0xCB, 0x01, 0x00}, 9, 6, "abcabcabc"},
        {"distance 100 (0010 100100) into the spaces", {0xCA, 0x29, 0x00}, 5, 3, "     "},
    };
    for (const auto& c : cases) {
        Decoded f = Fast(c.stream, 0, c.unpacked, c.stored);
        EXPECT_EQ(f.output, Text(c.expected)) << c.what;
        OracleResult o = OracleDecode(c.stream, 0, c.unpacked, c.stored);
        EXPECT_EQ(o.output, Text(c.expected)) << c.what << " (oracle)";
    }
}

TEST(LzhufDecoder, DistanceCodeTable) {
    // Every u's code, and every byte's reading of it.
    for (unsigned u = 0; u < 64; ++u) {
        unsigned code, length, back, backLength;
        DistanceCode(u, &code, &length);
        for (unsigned tail = 0; tail < (1u << (8 - length)); ++tail) {
            DistanceHigh(code | tail, &back, &backLength);
            ASSERT_EQ(back, u);
            ASSERT_EQ(backLength, length);
        }
    }
    const struct {
        unsigned b, u, length;
    } table[] = {{0x00, 0, 3}, {0x1F, 0, 3}, {0x20, 1, 4}, {0x4F, 3, 4}, {0x50, 4, 5}, {0x8F, 11, 5},
                 {0x90, 12, 6}, {0xBF, 23, 6}, {0xC0, 24, 7}, {0xEF, 47, 7}, {0xF0, 48, 8}, {0xFF, 63, 8}};
    for (const auto& t : table) {
        unsigned u, length;
        DistanceHigh(t.b, &u, &length);
        EXPECT_EQ(u, t.u) << t.b;
        EXPECT_EQ(length, t.length) << t.b;
    }
}

TEST(LzhufDecoder, ReachesBack4096Bytes) {
    // The longest distance reads the byte about to be overwritten.
    std::vector<uint8_t> data = Pattern(4096, 11);
    const size_t alone = PackLzhuf(data.data(), data.size()).size();
    data.insert(data.end(), data.begin(), data.begin() + 30);
    std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size());
    EXPECT_LE(stream.size(), alone + 4) << "the repeat should be one match at distance 4095";
    EXPECT_EQ(Fast(stream, (uint32_t)data.size()).output, data);
    EXPECT_EQ(OracleDecode(stream, 0, (uint32_t)data.size(), (uint32_t)stream.size()).output, data);
}

TEST(LzhufDecoder, WritesWholeBlocksAndThenTheRest) {
    const struct {
        uint32_t size;
        std::vector<uint32_t> writes;
    } cases[] = {{1, {1}}, {16383, {16383}}, {16384, {16384}}, {16385, {16384, 1}}, {40000, {16384, 16384, 7232}}};
    for (const auto& c : cases) {
        std::vector<uint8_t> data = Pattern(c.size, c.size);
        for (size_t i = 0; i < data.size(); i += 3) data[i] = 'x';
        std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size());
        Decoded f = Fast(stream, c.size);
        EXPECT_EQ(f.output, data) << c.size;
        EXPECT_EQ(f.writes, c.writes) << c.size;
        EXPECT_EQ(OracleDecode(stream, 0, c.size, (uint32_t)stream.size()).writes, c.writes) << c.size;
    }
}

TEST(LzhufDecoder, ReadsBlocksAndNeverPastTheEntry) {
    // An entry of stored size S is read as blocks of 16384 and S mod 16384,
    // although the file goes on after it.
    std::vector<uint8_t> data = Pattern(38000, 5);
    std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size());
    ASSERT_GT(stream.size(), 32768u);
    const uint32_t s = (uint32_t)stream.size();
    std::vector<uint8_t> file = Pattern(100, 1);
    file.insert(file.end(), stream.begin(), stream.end());
    file.insert(file.end(), 50000, 0xAB);
    std::vector<uint32_t> expected = {16384, 16384, s - 32768};
    Decoded f = Fast(file, 100, (uint32_t)data.size(), s);
    EXPECT_EQ(f.output, data);
    EXPECT_EQ(f.reads, expected);
    OracleResult o = OracleDecode(file, 100, (uint32_t)data.size(), s);
    EXPECT_EQ(o.reads, expected);
    EXPECT_FALSE(f.cutShort);
}

TEST(LzhufDecoder, SizesAtTheLimits) {
    std::vector<uint8_t> stream = {0x09, 0x0A, 0x0B};
    Decoded none = Fast(stream, 0, 0, 3);
    EXPECT_TRUE(none.reads.empty()) << "an empty entry reads nothing";
    EXPECT_TRUE(none.writes.empty());
    // 2^31 and more: the signed count decodes nothing.
    for (uint32_t size : {0x80000000u, 0xFFFFFFFFu}) {
        Decoded big = Fast(stream, 0, size, 3);
        EXPECT_EQ(big.produced, 0u);
        EXPECT_TRUE(big.output.empty());
    }
    // Three bytes can't give 2^31 - 1: the decoding stops as soon as the
    // symbols need more than them and the two bytes of look-ahead.
    Decoded most = Fast(stream, 0, 0x7FFFFFFF, 3);
    EXPECT_TRUE(most.overrun);
    EXPECT_LT(most.produced, 200u);
    EXPECT_TRUE(OracleDecode(stream, 0, 0x7FFFFFFF, 3).overrun);
}

// A stream whose first symbol is a 30-byte match 4073 bytes back: from ring
// position 4089, which no stream has written yet at that point.
std::vector<uint8_t> MatchIntoTheRingsEnd() {
    std::vector<int> bits;
    LzhufTree tree;
    tree.InitTree();
    std::vector<int> code;
    for (unsigned n = tree.parent[kSlots + 283]; n != kRoot; n = tree.parent[n])
        code.insert(code.begin(), (int)(n - tree.child[tree.parent[n]]));
    bits = code;
    unsigned high, length;
    DistanceCode(63, &high, &length);
    for (unsigned i = 0; i < length; ++i) bits.push_back((int)(high >> (7 - i)) & 1);
    for (int i = 5; i >= 0; --i) bits.push_back((40 >> i) & 1);  // distance 63 * 64 + 40 = 4072
    std::vector<uint8_t> out((bits.size() + 7) / 8);
    for (size_t i = 0; i < bits.size(); ++i) out[i / 8] |= (uint8_t)(bits[i] << (7 - i % 8));
    return out;
}

TEST(LzhufDecoder, TheRingsLastPositionsAreZeroWhateverCameBefore) {
    const std::vector<uint8_t> stream = MatchIntoTheRingsEnd();
    const uint32_t n = (uint32_t)stream.size();
    std::vector<uint8_t> expected(7, 0);
    expected.resize(30, ' ');
    EXPECT_EQ(OracleDecode(stream, 0, 30, n).output, expected);
    const std::vector<uint8_t> as(5000, 'A');
    const std::vector<uint8_t> filled = PackLzhuf(as.data(), as.size());
    for (int round = 0; round < 2; ++round) {  // fresh, then after a stream that fills the ring
        if (round) {
            EXPECT_EQ(Fast(filled, 0, 5000, (uint32_t)filled.size()).output, as);
        }
        EXPECT_EQ(Fast(stream, 0, 30, n).output, expected) << round;
    }
}

TEST(LzhufDecoder, MatchesTheOracleOnArbitraryStreams) {
    // Any bits decode to something until they run out: both decoders must
    // agree on every byte written, on the count and on where a stream that
    // needs more than its bytes stops. (A damaged stream's last match may
    // run past the unpacked size: the target still gets exactly its size.)
    std::mt19937 rng(2024);
    int overruns = 0;
    for (int round = 0; round < 200; ++round) {
        uint32_t storedSize = 1 + rng() % 3000, unpacked = 1 + rng() % (8 * storedSize);
        std::vector<uint8_t> stream(storedSize);
        for (auto& b : stream) b = (uint8_t)rng();
        Decoded f = Fast(stream, unpacked);
        OracleResult o = OracleDecode(stream, 0, unpacked, storedSize);
        ASSERT_EQ(f.overrun, o.overrun) << round;
        ASSERT_EQ(f.produced, o.produced) << round;
        if (!o.overrun) {
            ASSERT_EQ(f.output.size(), unpacked) << round;
        }
        if (o.output.size() > unpacked) o.output.resize(unpacked);
        ASSERT_EQ(f.output, o.output) << round;
        overruns += o.overrun;
    }
    EXPECT_GT(overruns, 20);
    EXPECT_LT(overruns, 180);
}

// Gives `good` bytes of the data, then ends (or fails).
class EndingReader : public ByteReader {
public:
    EndingReader(const std::vector<uint8_t>& data, size_t good, bool fails) : data_(data), good_(good), fails_(fails) {}
    int Read(void* buf, int n) override {
        const size_t take = std::min<size_t>((size_t)n, good_ - std::min(good_, at_));
        std::memcpy(buf, data_.data() + at_, take);
        at_ += take;
        return take < (size_t)n && fails_ ? -1 : (int)take;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin) override { return at_ = offset; }

private:
    const std::vector<uint8_t>& data_;
    size_t good_, at_ = 0;
    bool fails_;
};

TEST(LzhufDecoder, AnInputThatEndsOrFailsEarlyStopsTheDecodingAtOnce) {
    std::vector<uint8_t> data = Pattern(30000, 9);
    const std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size());
    const uint32_t half = (uint32_t)stream.size() / 2;
    const struct {
        const char* what;
        size_t good;
        bool fails;
        uint32_t unpacked, stored;
        LzhufResult result;
    } cases[] = {
        {"cut short halfway", half, false, (uint32_t)data.size(), (uint32_t)stream.size(), kLzhufCutShort},
        {"a read fails halfway", half, true, (uint32_t)data.size(), (uint32_t)stream.size(), kLzhufReadFailed},
        {"2 GiB declared, the input ends", 100, false, kLargestStreamOutput, 0x7FFFFFFF, kLzhufCutShort},
        {"2 GiB declared, a read fails", 100, true, kLargestStreamOutput, 0x7FFFFFFF, kLzhufReadFailed},
        {"the first read fails", 0, true, (uint32_t)data.size(), (uint32_t)stream.size(), kLzhufReadFailed},
    };
    for (const auto& c : cases) {
        EndingReader in(stream, c.good, c.fails);
        Decoded d;
        RecordingSink out(&d, 1 << 20);  // a decoder that ran on would fill it
        EXPECT_EQ(Decoder().Decode(in, out, c.unpacked, c.stored), c.result) << c.what;
        // What it produced came from the bytes it had, a prefix of the data.
        EXPECT_LT(Decoder().Produced(), 8 * c.good + 4096) << c.what;
        EXPECT_TRUE(d.output.size() <= data.size() && std::equal(d.output.begin(), d.output.end(), data.begin()))
            << c.what;
    }
}

TEST(LzhufDecoder, AFailedWriteStopsTheDecoding) {
    std::vector<uint8_t> data(100000, 'z');
    std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size());
    Decoded f = Fast(stream, 0, (uint32_t)data.size(), (uint32_t)stream.size(), 20000);
    EXPECT_TRUE(f.writeFailed);
    EXPECT_LT(f.produced, data.size()) << "decoding went on after the failed write";
    EXPECT_EQ(f.output.size(), 20000u);
}

TEST(LzhufDecoder, StaysInStepThroughRebuilds) {
    // Far more than 32484 symbols: the tree is rebuilt many times.
    std::vector<uint8_t> data;
    std::mt19937 rng(7);
    const char* words[] = {"forest ", "night ", "moon ", "tree ", "owl ", "\r\n", "the ", "a "};
    while (data.size() < 300000) {
        if (rng() % 4 == 0) data.push_back((uint8_t)rng());
        else for (const char* w = words[rng() % 8]; *w; ++w) data.push_back((uint8_t)*w);
    }
    for (Parse parse : {Parse::kGreedy, Parse::kLazy, Parse::kOptimal}) {
        PackOptions options;
        options.parse = parse;
        std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size(), options);
        EXPECT_EQ(Fast(stream, (uint32_t)data.size()).output, data);
        EXPECT_EQ(OracleDecode(stream, 0, (uint32_t)data.size(), (uint32_t)stream.size()).output, data);
    }
}
