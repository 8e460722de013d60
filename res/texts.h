// The stub's texts: every message, caption and format it shows, named in
// res/texts.inc. They travel LZHUF-packed and are unpacked, with the
// stub's own decoder, the first time one is asked for.
#ifndef RES_TEXTS_H
#define RES_TEXTS_H

#include <stddef.h>

enum TextId {
#define TEXT(id, text) id,
#include "res/texts.inc"
#undef TEXT
    kTextCount
};

// The first call unpacks all of them with the shared decoder, so it must
// not come while an entry is being unpacked; the run asks for its first
// text (the caption) before it extracts anything.
const char* Text(TextId id);

// The text `id` with `arg` for its "%s"; false when it was cut to fit.
bool FormatWithArgument(char* out, size_t cap, TextId id, const char* arg);

// The packed texts, made by the build (ssinst/make_texts): NUL-terminated
// texts in the order of TextId, kTextsSize bytes in all, which the build
// checks against the room the stub has for them.
enum { kTextsCapacity = 4096 };
extern const unsigned char kPackedTexts[];
extern const unsigned kPackedTextsSize, kTextsSize;

#endif
