#include "authoring/printable.h"

#include <cstdio>

#include "authoring/files.h"

namespace {

void Escape(unsigned char c, std::string* out) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    *out += hex;
}

// Controls, the marks that set or turn the direction of text, and the
// line and paragraph separators are not.
bool Shown(char32_t c) {
    return c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x061C && c != 0x200E && c != 0x200F &&
           !(c >= 0x2028 && c <= 0x202E) && !(c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string Printable(const std::string& utf8) {
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const size_t n = DecodeUtf8(utf8.data() + at, utf8.size() - at, &c);
        if (n && Shown(c)) out.append(utf8, at, n);
        else Escape((unsigned char)utf8[at], &out);
        at += n && Shown(c) ? n : 1;
    }
    return out;
}

std::string PrintableBytes(const char* bytes, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && bytes[i]; ++i) {
        const unsigned char c = (unsigned char)bytes[i];
        if (c >= 0x20 && c < 0x7F) out += (char)c;
        else Escape(c, &out);
    }
    return out;
}
