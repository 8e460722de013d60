#include "authoring/printable.h"

#include <cstdio>

namespace {

void Escape(unsigned char c, std::string* out) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    *out += hex;
}

// The length of the UTF-8 sequence at `s` whose code point is `*cp`; 0
// when the bytes are no UTF-8 (overlong, a surrogate, cut short).
size_t Sequence(const unsigned char* s, size_t left, char32_t* cp) {
    const unsigned char b = s[0];
    const size_t n = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    if (n == 0 || n > left) return 0;
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *cp = c;
    return n;
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
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.data());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const size_t n = Sequence(s + at, utf8.size() - at, &c);
        if (n && Shown(c)) out.append(utf8, at, n);
        else Escape(s[at], &out);
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
