// Made-up bytes, apart from the rest of the support so that the codec's
// tests can link without the installer.
#include "tests/unit/test_support.h"

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = (uint8_t)(seed >> 16);
    }
    return v;
}
