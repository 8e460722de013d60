// Text read from a file, made fit for a terminal or a window: what a file
// holds must never reach a terminal as its control sequences.
#ifndef AUTHORING_PRINTABLE_H
#define AUTHORING_PRINTABLE_H

#include <cstddef>
#include <string>

// UTF-8 text with each control character (C0, DEL, C1), each mark that
// sets or turns the direction of text (U+061C, U+200E, U+200F, U+202A to
// U+202E, U+2066 to U+2069), the line and paragraph separators (U+2028,
// U+2029) and each byte that is no UTF-8 written as \xNN, byte by byte.
std::string Printable(const std::string& utf8);

// Bytes of a code page the reader can't know (an installer's title, its
// extensions, a removal record's names): printable ASCII as it is, every
// other byte as \xNN. Stops at a NUL, and after `n` bytes.
std::string PrintableBytes(const char* bytes, size_t n = (size_t)-1);

#endif
