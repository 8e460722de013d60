// The two ends of the decoder: where a stream's stored bytes come from and
// where the unpacked bytes go. The payload's readers and the tool's sinks
// are these same interfaces, so nothing stands between them and the codec.
#ifndef LZHUF_STREAM_H
#define LZHUF_STREAM_H

class ByteSource {
public:
    // Bytes read: n, fewer at the end of the data, or -1 on error.
    virtual int Read(void* buf, int n) = 0;

protected:
    ~ByteSource() {}
};

class ByteSink {
public:
    // Bytes stored: n, fewer when the disk is full, or -1 on error.
    virtual int Write(const void* buf, int n) = 0;

protected:
    ~ByteSink() {}
};

#endif
