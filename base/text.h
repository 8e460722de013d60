// Bounded text helpers. Every character area has a capacity that counts the
// terminating NUL; nothing here ever writes past it. Functions that can cut
// a text short say so by returning false, so a caller that must not act on
// a cut path can refuse.
#ifndef BASE_TEXT_H
#define BASE_TEXT_H

#include <stddef.h>
#include <stdint.h>

size_t TextLength(const char* s);

// dst = src; false when src did not fit (dst then holds what fitted).
bool CopyText(char* dst, size_t cap, const char* src);
// dst += src; false when src did not fit.
bool AppendText(char* dst, size_t cap, const char* src);
// dst += the first n characters of src (fewer at a NUL).
bool AppendTextN(char* dst, size_t cap, const char* src, size_t n);
// Adds '\\' unless dst is empty or already ends in one.
bool AppendBackslash(char* dst, size_t cap);
// dst = dir, '\\' (unless dir ends in one), name; dst may be dir. False when
// it did not fit.
bool JoinPath(char* dst, size_t cap, const char* dir, const char* name);

// Replaces each "%s" of fmt with the next of args (missing ones count as
// ""); "%%" is a single '%'. False when the result was cut to fit.
bool FormatText(char* dst, size_t cap, const char* fmt,
                const char* const* args, int count);

// Only the ASCII letters a to z change.
void UpperAscii(char* s);
// The same text but for the case of the ASCII letters.
bool SameTextIgnoringCase(const char* a, const char* b);
void ReverseText(char* s);
// Removes trailing spaces in place.
void TrimTrailingSpaces(char* s);

const char* FindFirst(const char* s, char c);
const char* FindLast(const char* s, char c);

// Decimal digits grouped in threes with ',' (1234567 -> "1,234,567").
// Counts are unsigned: 2^31 and more show as the positive numbers they
// are. cap must be at least 14; returns out so it can stand as an argument.
char* FormatThousands(uint32_t value, char* out, size_t cap);

// Unsigned decimal, left-padded with '0' to at least minDigits.
bool FormatDecimal(uint32_t value, int minDigits, char* out, size_t cap);

#endif
