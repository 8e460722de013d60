// A random-access byte source. The payload reader and the decoder see files
// only through this, so the same code runs in the stub, in the host tests
// and in the authoring tool.
#ifndef PAYLOAD_READER_H
#define PAYLOAD_READER_H

#include <stdint.h>

enum { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };

class ByteReader {
public:
    // Bytes read: n, fewer at the end of the data, or -1 on error.
    virtual int Read(void* buf, int n) = 0;
    // The new position, or -1 (a position below 0 is an error).
    virtual int64_t Seek(int64_t offset, int origin) = 0;

protected:
    ~ByteReader() {}
};

// A byte sink: the decoder's output.
class ByteSink {
public:
    // Bytes stored: n, fewer when the disk is full, or -1 on error.
    virtual int Write(const void* buf, int n) = 0;

protected:
    ~ByteSink() {}
};

// Reads exactly n bytes; false on a short read or an error.
inline bool ReadExactly(ByteReader& r, void* buf, int n) {
    return r.Read(buf, n) == n;
}

#endif
