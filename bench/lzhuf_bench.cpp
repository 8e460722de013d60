// lzhuf_bench FILE...: for each file, side by side in one run, the packed
// size as a fraction of the input, of the greedy parse's output (same match
// finder) and of zlib level 9's; the packer's speed; and the stub decoder's
// speed beside the straightforward decoder's (the oracle) and zlib inflate's.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lzhuf/decoder.h"
#include "tests/oracle/lzhuf_oracle.h"
#include "authoring/installer_reader.h"
#include "authoring/files.h"
#include "authoring/installer_writer.h"
#include "authoring/packer.h"

namespace {

class CountingSink : public ByteSink {
public:
    explicit CountingSink(std::vector<uint8_t>* out) : out_(out) {}
    int Write(const void* buf, int n) override {
        std::memcpy(out_->data() + at_, buf, (size_t)n);
        at_ += (size_t)n;
        return n;
    }

private:
    std::vector<uint8_t>* out_;
    size_t at_ = 0;
};

// Megabytes of `bytes` per second: the fastest of the runs made in at
// least 0.5 s (and at least 5), which is the least disturbed by the rest
// of the machine.
double Rate(size_t bytes, const std::function<void()>& work) {
    using Clock = std::chrono::steady_clock;
    work();  // warm up
    double best = 1e30, total = 0;
    for (int runs = 0; runs < 5 || total < 0.5; ++runs) {
        auto start = Clock::now();
        work();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, seconds);
        total += seconds;
    }
    return (double)bytes / best / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lzhuf_bench FILE...\n");
        return 2;
    }
    std::printf("%-18s %9s %7s %8s %8s %8s %9s %9s %9s %8s %8s\n", "file", "bytes", "packed", "/greedy",
                "/zlib9", "pack", "unpack", "oracle", "inflate", "x oracle", "x zlib");
    std::printf("%-18s %9s %7s %8s %8s %8s %9s %9s %9s %8s %8s\n", "", "", "/input", "", "", "MB/s", "MB/s",
                "MB/s", "MB/s", "", "");
    std::unique_ptr<LzhufDecoder> decoder(new LzhufDecoder());
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<uint8_t> data;
        std::string error;
        if (!ReadWholeFile(argv[a], UINT64_MAX, &data, &error) || data.empty()) {
            std::fprintf(stderr, "%s\n", error.empty() ? "empty file" : error.c_str());
            status = 1;
            continue;
        }
        std::vector<uint8_t> packed = PackLzhuf(data.data(), data.size());
        PackOptions greedyOptions;
        greedyOptions.parse = Parse::kGreedy;
        size_t greedy = PackLzhuf(data.data(), data.size(), greedyOptions).size();
        uLongf zSize = compressBound((uLong)data.size());
        std::vector<uint8_t> z(zSize);
        compress2(z.data(), &zSize, data.data(), (uLong)data.size(), 9);
        z.resize(zSize);

        double pack = Rate(data.size(), [&] { PackLzhuf(data.data(), data.size()); });
        std::vector<uint8_t> out(data.size());
        double unpack = Rate(data.size(), [&] {
            MemoryReader in(packed);
            CountingSink sink(&out);
            decoder->Decode(in, sink, (uint32_t)data.size(), (uint32_t)packed.size());
        });
        if (out != data) {
            std::fprintf(stderr, "%s: the decoder's output differs\n", argv[a]);
            status = 1;
        }
        double oracle = Rate(data.size(), [&] {
            OracleDecode(packed, 0, (uint32_t)data.size(), (uint32_t)packed.size());
        });
        double inflate = Rate(data.size(), [&] {
            uLongf n = (uLongf)out.size();
            uncompress(out.data(), &n, z.data(), (uLong)z.size());
        });
        std::string name = argv[a];
        name = name.substr(name.find_last_of('/') + 1);
        std::printf("%-18s %9zu %7.3f %8.3f %8.3f %8.1f %9.1f %9.1f %9.1f %8.2f %8.2f\n", name.c_str(),
                    data.size(), (double)packed.size() / data.size(), (double)packed.size() / greedy,
                    (double)packed.size() / z.size(), pack, unpack, oracle, inflate, unpack / oracle,
                    unpack / inflate);
    }
    return status;
}
