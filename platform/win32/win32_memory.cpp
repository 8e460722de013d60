// The stub has no C runtime; a compiler may still call these two for a fill
// or a copy it makes of its own accord (a structure zeroed at once, say).
// Built apart and without the compiler's knowledge of them, so that neither
// loop is turned back into a call to itself.
#include <stddef.h>

extern "C" void* memset(void* to, int value, size_t n) {
    unsigned char* p = static_cast<unsigned char*>(to);
    while (n--) *p++ = (unsigned char)value;
    return to;
}

extern "C" void* memcpy(void* to, const void* from, size_t n) {
    unsigned char* p = static_cast<unsigned char*>(to);
    const unsigned char* q = static_cast<const unsigned char*>(from);
    while (n--) *p++ = *q++;
    return to;
}
