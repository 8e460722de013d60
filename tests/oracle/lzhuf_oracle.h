// The decoder exactly as the format describes it, byte at a time, with a
// 16-bit bit buffer, step-by-step slot searches and the writer's flush
// limit. It is the reference the stub's decoder is tested against; it
// records every read and write it makes.
#ifndef TESTS_ORACLE_LZHUF_ORACLE_H
#define TESTS_ORACLE_LZHUF_ORACLE_H

#include <cstdint>
#include <vector>

struct OracleResult {
    std::vector<uint8_t> output;
    std::vector<uint32_t> reads;   // sizes asked of each read
    std::vector<uint32_t> writes;  // sizes of each write
    uint32_t produced = 0;         // the count DecodeStream returns
    bool overrun = false;          // stopped: the stream needs bits past its stored bytes
};

// Decodes the stream at `offset` of `file` (the reads stop at its end).
OracleResult OracleDecode(const std::vector<uint8_t>& file, uint32_t offset, uint32_t unpackedSize,
                          uint32_t storedSize);

#endif
