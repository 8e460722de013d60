#include "res/texts.h"

#include <string.h>

#include "base/text.h"
#include "lzhuf/decoder.h"

namespace {

char g_texts[kTextsCapacity];
bool g_unpacked;

// The packed bytes, read straight through: payload's MemoryReader, with its
// seeks and 64-bit positions, would cost the stub 160 bytes it lacks.
class PackedTexts : public ByteSource {
public:
    int Read(void* buf, int n) override {
        const unsigned left = kPackedTextsSize - at_, take = (unsigned)n < left ? (unsigned)n : left;
        memcpy(buf, kPackedTexts + at_, take);
        at_ += take;
        return (int)take;
    }

private:
    unsigned at_ = 0;
};

class IntoTexts : public ByteSink {
public:
    int Write(const void* buf, int n) override {
        memcpy(g_texts + at_, buf, (unsigned)n);  // never past kTextsSize, which fits
        at_ += (unsigned)n;
        return n;
    }

private:
    unsigned at_ = 0;
};

}  // namespace

bool FormatWithArgument(char* out, size_t cap, TextId id, const char* arg) {
    return FormatText(out, cap, Text(id), &arg, 1);
}

const char* Text(TextId id) {
    if (!g_unpacked) {
        PackedTexts in;
        IntoTexts out;
        SharedDecoder().Decode(in, out, kTextsSize, kPackedTextsSize);
        g_unpacked = true;
    }
    const char* t = g_texts;
    for (int i = 0; i < id; ++i) t += TextLength(t) + 1;
    return t;
}
