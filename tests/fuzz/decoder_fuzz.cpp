// The decoder on an arbitrary stream with arbitrary stored and unpacked
// sizes (up to 1 MiB, so that a run stays quick), against the oracle byte
// for byte: what is written, the count, and where a broken stream stops.
// Built twice: the host's fast form and the stub's compact one.
#include <cstring>

#include "lzhuf/decoder.h"
#include "payload/reader.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/oracle/lzhuf_oracle.h"

namespace {

class VectorSink : public ByteSink {
public:
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> writes;
    int Write(const void* buf, int n) override {
        writes.push_back((uint32_t)n);
        bytes.insert(bytes.end(), (const uint8_t*)buf, (const uint8_t*)buf + n);
        return n;
    }
};

uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    // Two sizes, then the stream; the stored size may claim more than follows.
    const uint32_t unpacked = Le32(data) % (1u << 20);
    const std::vector<uint8_t> file(data + 8, data + size);
    const uint32_t stored = Le32(data + 4) % ((uint32_t)file.size() + 64);

    static LzhufDecoder* decoder = new LzhufDecoder();
    MemoryReader in(file);
    VectorSink out;
    const LzhufResult r = decoder->Decode(in, out, unpacked, stored);
    if (stored > file.size()) {
        // Cut short: the decoder reads zeros where the oracle, as written,
        // reads its stale block again. Only its safety is tried here.
        (void)r;
        return 0;
    }
    const OracleResult o = OracleDecode(file, 0, unpacked, stored);

    Check(decoder->Produced() == o.produced, "the counts differ");
    Check((r == kLzhufOverrun) == o.overrun, "only one of them stopped for an overrun");
    std::vector<uint8_t> want = o.output;
    if (want.size() > unpacked) want.resize(unpacked);
    Check(out.bytes == want, "the bytes differ");
    auto list = [](const std::vector<uint32_t>& v) {
        std::string s;
        for (uint32_t n : v) s += " " + std::to_string(n);
        return s;
    };
    // The oracle, as written, goes on writing what a last match runs past
    // the size; the decoder drops it. Up to the size they write alike.
    std::vector<uint32_t> oracleWrites;
    for (uint32_t n = 0, i = 0; i < o.writes.size() && n < unpacked; n += o.writes[i++])
        oracleWrites.push_back(o.writes[i]);
    Check(out.writes == oracleWrites, "the writes differ:" + list(out.writes) + " against" + list(o.writes));
    if (r == kLzhufOk) Check(out.bytes.size() == unpacked, "a sound stream wrote other than its size");
    return 0;
}
