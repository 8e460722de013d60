// Round trips of real and made-up files through the packer and the stub's
// decoder, with the oracle decoder as a second opinion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "lzhuf/decoder.h"
#include "tests/oracle/lzhuf_oracle.h"
#include "authoring/files.h"
#include "authoring/installer_reader.h"
#include "authoring/installer_writer.h"
#include "authoring/packer.h"
#include "authoring/readers.h"

namespace {

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& stream, size_t size) {
    static std::unique_ptr<LzhufDecoder> d(new LzhufDecoder());
    MemoryReader in(stream);
    std::vector<uint8_t> bytes;
    VectorSink out(&bytes);
    EXPECT_EQ(d->Decode(in, out, (uint32_t)size, (uint32_t)stream.size()), kLzhufOk);
    return bytes;
}

std::vector<uint8_t> Load(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, UINT64_MAX, &bytes, &error)) ADD_FAILURE() << error;
    return bytes;
}

std::string Corpus() {
    const char* dir = std::getenv("CORPUS_DIR");
    return dir ? dir : "";
}

// Packs with every parse, unpacks with both decoders.
void RoundTrip(const std::vector<uint8_t>& data, const std::string& what, bool oracle = true) {
    ASSERT_FALSE(data.empty());
    size_t greedy = 0;
    for (Parse parse : {Parse::kGreedy, Parse::kLazy, Parse::kOptimal}) {
        PackOptions o;
        o.parse = parse;
        std::vector<uint8_t> stream = PackLzhuf(data.data(), data.size(), o);
        ASSERT_FALSE(stream.empty());
        ASSERT_EQ(Unpack(stream, data.size()), data) << what << " parse " << (int)parse;
        if (oracle && parse == Parse::kOptimal) {
            ASSERT_EQ(OracleDecode(stream, 0, (uint32_t)data.size(), (uint32_t)stream.size()).output, data)
                << what << " (oracle)";
        }
        if (parse == Parse::kGreedy) greedy = stream.size();
        // The priced parse may lose a few bytes to stale prices, never more.
        if (parse == Parse::kOptimal) {
            EXPECT_LE(stream.size(), greedy + greedy / 50 + 8) << what;
        }
    }
}

}  // namespace

TEST(Codec, RealFilesRoundTrip) {
    if (Corpus().empty()) GTEST_SKIP() << "CORPUS_DIR is not set";
    for (const char* name : {"notepad.exe", "Front_Center.wav", "spacefun.bmp", "GPL-3.txt"}) {
        SCOPED_TRACE(name);
        RoundTrip(Load(Corpus() + "/" + name), name);
    }
}

TEST(Codec, BuiltProgramsRoundTrip) {
#ifdef WIN_DIR
    for (const char* name : {"winhelper.exe", "testscr.scr", "ssstub-raw.exe"}) {
        SCOPED_TRACE(name);
        RoundTrip(Load(std::string(WIN_DIR) + "/" + name), name);
    }
#else
    GTEST_SKIP() << "no Windows build";
#endif
}

TEST(Codec, MadeUpDataRoundTrips) {
    std::mt19937 rng(99);
    auto random = [&](size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) b = (uint8_t)rng();
        return v;
    };
    auto repetitive = [&](size_t n) {
        std::vector<uint8_t> v;
        while (v.size() < n) v.push_back((uint8_t)"forest at night "[rng() % 16]);
        return v;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> data;
    } cases[] = {
        {"1 byte", {0x00}},
        {"1 space", {0x20}},
        {"2 bytes", {0x41, 0x42}},
        {"3 bytes", {7, 7, 7}},
        {"30 bytes", repetitive(30)},
        {"31 spaces", std::vector<uint8_t>(31, ' ')},
        {"all zero", std::vector<uint8_t>(100000, 0)},
        {"all spaces", std::vector<uint8_t>(5000, ' ')},
        {"random", random(100000)},
        {"16383 bytes", repetitive(16383)},
        {"16384 bytes", repetitive(16384)},
        {"16385 bytes", repetitive(16385)},
        {"several rebuilds", random(120000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RoundTrip(c.data, c.what);
    }
}

TEST(Codec, EachParseBeatsTheSimplerOneOnRealFiles) {
    if (Corpus().empty()) GTEST_SKIP() << "CORPUS_DIR is not set";
    for (const char* name : {"notepad.exe", "Front_Center.wav", "spacefun.bmp", "GPL-3.txt"}) {
        std::vector<uint8_t> data = Load(Corpus() + "/" + name);
        size_t sizes[3];
        Parse parses[3] = {Parse::kGreedy, Parse::kLazy, Parse::kOptimal};
        for (int k = 0; k < 3; ++k) {
            PackOptions o;
            o.parse = parses[k];
            sizes[k] = PackLzhuf(data.data(), data.size(), o).size();
        }
        EXPECT_LT(sizes[1], sizes[0]) << name << ": lazy against greedy";
        EXPECT_LT(sizes[2], sizes[1]) << name << ": priced against lazy";
    }
}
