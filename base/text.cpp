#include "base/text.h"

size_t TextLength(const char* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

bool AppendTextN(char* dst, size_t cap, const char* src, size_t n) {
    if (cap == 0) return false;
    size_t len = TextLength(dst);
    if (len >= cap) {  // not terminated within cap: repair, report
        dst[cap - 1] = 0;
        return false;
    }
    size_t i = 0;
    for (; i < n && src[i]; ++i) {
        if (len + 1 >= cap) {
            dst[len] = 0;
            return false;
        }
        dst[len++] = src[i];
    }
    dst[len] = 0;
    return true;
}

bool AppendText(char* dst, size_t cap, const char* src) {
    return AppendTextN(dst, cap, src, (size_t)-1);
}

bool CopyText(char* dst, size_t cap, const char* src) {
    if (cap == 0) return false;
    dst[0] = 0;
    return AppendText(dst, cap, src);
}

bool JoinPath(char* dst, size_t cap, const char* dir, const char* name) {
    return (dst == dir || CopyText(dst, cap, dir)) && AppendBackslash(dst, cap) && AppendText(dst, cap, name);
}

bool AppendBackslash(char* dst, size_t cap) {
    size_t len = TextLength(dst);
    if (len > 0 && dst[len - 1] == '\\') return true;
    return AppendText(dst, cap, "\\");
}

bool FormatText(char* dst, size_t cap, const char* fmt,
                const char* const* args, int count) {
    if (cap == 0) return false;
    dst[0] = 0;
    bool ok = true;
    int next = 0;
    for (const char* p = fmt; *p; ++p) {
        // The character itself, or for "%s" the next argument.
        const char* piece = p;
        size_t n = 1;
        if (p[0] == '%' && p[1] == 's') {
            piece = next < count && args[next] ? args[next] : "";
            n = (size_t)-1;
            ++next;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            ++p;
        }
        ok = AppendTextN(dst, cap, piece, n) && ok;
    }
    return ok;
}

static char UpperOf(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c; }

void UpperAscii(char* s) {
    for (; *s; ++s) *s = UpperOf(*s);
}

bool SameTextIgnoringCase(const char* a, const char* b) {
    for (; UpperOf(*a) == UpperOf(*b); ++a, ++b)
        if (!*a) return true;
    return false;
}

void ReverseText(char* s) {
    size_t n = TextLength(s);
    for (size_t i = 0; i + 1 < n - i; ++i) {
        char t = s[i];
        s[i] = s[n - 1 - i];
        s[n - 1 - i] = t;
    }
}

void TrimTrailingSpaces(char* s) {
    size_t n = TextLength(s);
    while (n > 0 && s[n - 1] == ' ') s[--n] = 0;
}

const char* FindFirst(const char* s, char c) {
    for (; *s; ++s)
        if (*s == c) return s;
    return 0;
}

const char* FindLast(const char* s, char c) {
    const char* found = 0;
    for (; *s; ++s)
        if (*s == c) found = s;
    return found;
}

// Digits come out lowest first, from the end of the area towards its
// start, with leading zeros up to minDigits and, when asked, a comma after
// every third when more digits follow. False when it did not fit.
static bool FormatNumber(uint32_t value, int minDigits, bool commas, char* out, size_t cap) {
    enum { kMost = 16 };  // digits and commas
    char text[kMost + 1];
    char* p = text + kMost;
    *p = 0;
    int digits = 0, group = 0;  // group: the digits since the last comma
    do {
        if (commas && group == 3) {
            *--p = ',';
            group = 0;
        }
        *--p = (char)('0' + value % 10);
        value /= 10;
        ++digits;
        ++group;
    } while ((value != 0 || digits < minDigits) && p - text >= 2);
    return CopyText(out, cap, p);
}

char* FormatThousands(uint32_t value, char* out, size_t cap) {
    FormatNumber(value, 1, true, out, cap);
    return out;
}

bool FormatDecimal(uint32_t value, int minDigits, char* out, size_t cap) {
    return FormatNumber(value, minDigits, false, out, cap);
}
