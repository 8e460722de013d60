// make_texts OUT.cpp: packs the stub's texts (res/texts.inc) with the
// LZHUF packer into a source file for the stub and the host build, and
// checks the stream by unpacking it again.
#include <cstdio>
#include <string>
#include <vector>

#include "lzhuf/decoder.h"
#include "payload/reader.h"
#include "res/texts.h"
#include "authoring/packer.h"
#include "authoring/readers.h"

static const char* const kTexts[] = {
#define TEXT(id, text) text,
#include "res/texts.inc"
#undef TEXT
};

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_texts OUT.cpp\n");
        return 2;
    }
    std::vector<uint8_t> texts;
    for (const char* t : kTexts) texts.insert(texts.end(), t, t + std::char_traits<char>::length(t) + 1);
    if (texts.size() > kTextsCapacity) {
        std::fprintf(stderr, "make_texts: the texts take %zu bytes; the stub has room for %d\n", texts.size(),
                     (int)kTextsCapacity);
        return 1;
    }
    const std::vector<uint8_t> packed = PackLzhuf(texts.data(), texts.size());
    MemoryReader in(packed);
    std::vector<uint8_t> check;
    VectorSink sink(&check);
    if (SharedDecoder().Decode(in, sink, (uint32_t)texts.size(), (uint32_t)packed.size()) != kLzhufOk ||
        check != texts) {
        std::fprintf(stderr, "make_texts: the packed texts do not unpack to the texts\n");
        return 1;
    }
    std::string out = "// Made by make_texts from res/texts.inc; not to be edited.\n#include \"res/texts.h\"\n\n";
    out += "const unsigned kTextsSize = " + std::to_string(texts.size()) + ";\n";
    out += "const unsigned kPackedTextsSize = " + std::to_string(packed.size()) + ";\n";
    out += "const unsigned char kPackedTexts[] = {";
    for (size_t i = 0; i < packed.size(); ++i) out += (i % 16 ? " " : "\n    ") + std::to_string(packed[i]) + ",";
    out += "\n};\n";
    std::FILE* f = std::fopen(argv[1], "wb");
    const bool written = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (!f || std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "make_texts: %s could not be written\n", argv[1]);
        return 1;
    }
    return 0;
}
