// The LZHUF packer: writes streams that the stub's decoder turns back into
// the input, walking the same adaptive model in step.
#ifndef AUTHORING_PACKER_H
#define AUTHORING_PACKER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "lzhuf/stream.h"

enum class Parse {
    kGreedy,   // the longest match at every position
    kLazy,     // a literal first when the next position matches longer
    kOptimal,  // the cheapest path by the model's current code lengths
};

struct PackOptions {
    Parse parse = Parse::kOptimal;
    int chainDepth = 128;  // match candidates looked at per position
    size_t stretch = 1024; // bytes parsed with one set of code lengths
    // Told the bytes packed so far, about every MiB (the optimal parse only).
    std::function<void(uint64_t done)> progress;
    // Once set, packing ends within a few KiB and the stream is not made.
    const std::atomic<bool>* stop = nullptr;
};

// Packs `size` bytes read from `in` into a stream written to `out`, which
// unpacks to exactly those bytes; at least one byte long for non-empty data
// (a stored size of 0 would end the table). Reads the input as it goes and
// keeps a few MiB whatever its size. Returns the stream's size, or -1 when
// the input gave fewer bytes (a read failed or it ended early) or the sink
// failed.
int64_t PackLzhufStream(ByteSource& in, uint64_t size, ByteSink& out, const PackOptions& options = {});

// The stream for `data`, in memory.
std::vector<uint8_t> PackLzhuf(const uint8_t* data, size_t size, const PackOptions& options = {});

#endif
