// Turns the helper's 24-bit BMP screenshots into PNG files for the docs, and
// reads a PNG back to its end to prove it whole.
//   bmp2png IN.bmp OUT.png     writes OUT.png, then reads it back
//   bmp2png --check IN.png     every chunk's CRC, the whole zlib stream, IEND last
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

static uint32_t Be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

static void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(v >> shift));
}

static uint32_t Crc(const uint8_t* type, const uint8_t* data, size_t size) {
    uLong crc = crc32(0, type, 4);
    // zlib takes a null buffer for a request of the initial value, so an
    // empty chunk's data is not passed at all.
    if (size) crc = crc32(crc, data, (uInt)size);
    return (uint32_t)crc;
}

static void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBe32(out, (uint32_t)data.size());
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc((const uint8_t*)type, data.data(), data.size()));
}

static bool ReadAll(const char* path, std::vector<uint8_t>& b) {
    std::FILE* in = std::fopen(path, "rb");
    if (!in) return std::perror(path), false;
    uint8_t buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) b.insert(b.end(), buf, buf + n);
    bool ok = !std::ferror(in);
    std::fclose(in);
    if (!ok) std::fprintf(stderr, "%s: read error\n", path);
    return ok;
}

static const uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

// A PNG of 8-bit RGB as this tool writes it, read to its end.
static bool Check(const char* path) {
    std::vector<uint8_t> b;
    if (!ReadAll(path, b)) return false;
    auto bad = [&](const char* why) { return std::fprintf(stderr, "%s: %s\n", path, why), false; };
    if (b.size() < 8 || std::memcmp(b.data(), kSignature, 8) != 0) return bad("no PNG signature");
    size_t at = 8;
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> idat;
    bool ended = false;
    for (bool first = true; !ended; first = false) {
        if (b.size() - at < 12) return bad("cut short: a chunk or IEND is missing");
        uint32_t len = Be32(&b[at]);
        const uint8_t* type = &b[at + 4];
        if (len > b.size() - at - 12) return bad("cut short inside a chunk");
        if (Crc(type, &b[at + 8], len) != Be32(&b[at + 8 + len])) return bad("a chunk's CRC is wrong");
        if (first != (std::memcmp(type, "IHDR", 4) == 0)) return bad("IHDR is not the first chunk");
        if (first) {
            if (len != 13) return bad("IHDR has the wrong size");
            w = Be32(&b[at + 8]);
            h = Be32(&b[at + 12]);
            if (w == 0 || h == 0 || w > 10000 || h > 10000 || b[at + 16] != 8 || b[at + 17] != 2)
                return bad("not an 8-bit RGB image of a sane size");
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), &b[at + 8], &b[at + 8 + len]);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            if (len != 0) return bad("IEND has data");
            ended = true;
        }
        at += 12 + len;
    }
    if (at != b.size()) return bad("bytes after IEND");
    std::vector<uint8_t> raw((size_t)h * (1 + (size_t)w * 3) + 1);
    uLongf rawSize = (uLongf)raw.size();
    if (uncompress(raw.data(), &rawSize, idat.data(), (uLong)idat.size()) != Z_OK)
        return bad("the image data is not one whole zlib stream");
    if (rawSize != raw.size() - 1) return bad("the image data has the wrong size");
    return true;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) return Check(argv[2]) ? 0 : 1;
    if (argc != 3) {
        std::fprintf(stderr, "usage: bmp2png IN.bmp OUT.png | bmp2png --check IN.png\n");
        return 2;
    }
    std::vector<uint8_t> b;
    if (!ReadAll(argv[1], b)) return 1;
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
    if (compress2(packed.data(), &packedSize, raw.data(), (uLong)raw.size(), 9) != Z_OK) {
        std::fprintf(stderr, "%s: could not compress\n", argv[1]);
        return 1;
    }
    packed.resize(packedSize);
    std::vector<uint8_t> png(kSignature, kSignature + 8);
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, w);
    PutBe32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) return std::perror(argv[2]), 1;
    bool written = std::fwrite(png.data(), 1, png.size(), out) == png.size();
    if (std::fclose(out) != 0 || !written) return std::perror(argv[2]), 1;
    return Check(argv[2]) ? 0 : 1;
}
