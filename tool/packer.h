// The LZHUF packer: writes streams that the stub's decoder turns back into
// the input, walking the same adaptive model in step.
#ifndef TOOL_PACKER_H
#define TOOL_PACKER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

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
    std::function<void(size_t done)> progress;
};

// The stream for `data`; it unpacks to exactly data.size() bytes. At least
// one byte long for non-empty data (a stored size of 0 would end the table).
std::vector<uint8_t> PackLzhuf(const uint8_t* data, size_t size, const PackOptions& options = {});

#endif
