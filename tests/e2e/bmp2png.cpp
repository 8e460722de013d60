// Turns the helper's 24-bit BMP screenshots into PNG files for the docs.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <vector>

static uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

static void Chunk(std::FILE* f, const char* type, const std::vector<uint8_t>& data) {
    uint8_t len[4] = {(uint8_t)(data.size() >> 24), (uint8_t)(data.size() >> 16),
                      (uint8_t)(data.size() >> 8), (uint8_t)data.size()};
    std::fwrite(len, 1, 4, f);
    std::fwrite(type, 1, 4, f);
    std::fwrite(data.data(), 1, data.size(), f);
    uLong crc = crc32(0, (const Bytef*)type, 4);
    crc = crc32(crc, data.data(), (uInt)data.size());
    uint8_t c[4] = {(uint8_t)(crc >> 24), (uint8_t)(crc >> 16), (uint8_t)(crc >> 8), (uint8_t)crc};
    std::fwrite(c, 1, 4, f);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bmp2png IN.bmp OUT.png\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) return std::perror(argv[1]), 1;
    std::vector<uint8_t> b;
    for (int c; (c = std::fgetc(in)) != EOF;) b.push_back((uint8_t)c);
    std::fclose(in);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || (b[28] | b[29] << 8) != 24) {
        std::fprintf(stderr, "%s: not a 24-bit BMP\n", argv[1]);
        return 1;
    }
    uint32_t off = Le32(b, 10), w = Le32(b, 18), h = Le32(b, 22), stride = (w * 3 + 3) & ~3u;
    if (w == 0 || h == 0 || w > 10000 || h > 10000 || off + (uint64_t)stride * h > b.size()) {
        std::fprintf(stderr, "%s: damaged BMP\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        const uint8_t* row = &b[off + (size_t)stride * (h - 1 - y)];
        for (uint32_t x = 0; x < w; ++x) {
            raw.push_back(row[3 * x + 2]);
            raw.push_back(row[3 * x + 1]);
            raw.push_back(row[3 * x]);
        }
    }
    uLongf packedSize = compressBound((uLong)raw.size());
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), (uLong)raw.size(), 9);
    packed.resize(packedSize);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) return std::perror(argv[2]), 1;
    static const uint8_t sig[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    std::fwrite(sig, 1, 8, out);
    std::vector<uint8_t> ihdr = {(uint8_t)(w >> 24), (uint8_t)(w >> 16), (uint8_t)(w >> 8), (uint8_t)w,
                                 (uint8_t)(h >> 24), (uint8_t)(h >> 16), (uint8_t)(h >> 8), (uint8_t)h,
                                 8, 2, 0, 0, 0};
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    return std::fclose(out) == 0 ? 0 : 1;
}
