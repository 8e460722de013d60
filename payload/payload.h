// The stub's side of the payload: its own file, opened through the platform.
#ifndef PAYLOAD_PAYLOAD_H
#define PAYLOAD_PAYLOAD_H

#include "base/checksum.h"
#include "payload/locator.h"
#include "platform/platform.h"

// A platform file handle seen as a ByteReader. It remembers whether a read
// or a seek has failed, so that a file that can't be read is not taken for
// one that ends early.
class FileReader : public ByteReader {
public:
    FileReader(FileSystem& fs, FileHandle f) : fs_(fs), f_(f) {}
    void SetHandle(FileHandle f) { f_ = f; }
    int Read(void* buf, int n) override {
        const int got = fs_.Read(f_, buf, n);
        if (got < 0) failed = true;
        return got;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        const FilePosition at = fs_.Seek(f_, offset, origin);
        if (at == kNoPosition) failed = true;
        return at;
    }
    bool failed = false;

private:
    FileSystem& fs_;
    FileHandle f_;
};

// A platform file handle seen as a ByteSink, with the checksum of the
// bytes it has written.
class FileWriter : public ByteSink {
public:
    FileWriter(FileSystem& fs, FileHandle f) : fs_(fs), f_(f) {}
    int Write(const void* buf, int n) override {
        const int put = fs_.Write(f_, buf, n);
        if (put > 0) checksum = Checksum(checksum, buf, (size_t)put);
        return put;
    }
    uint32_t checksum = 0;

private:
    FileSystem& fs_;
    FileHandle f_;
};

// Opens the installer's own file (at modulePath) afresh and leaves it at
// the payload start. kNoFile on failure; the caller closes the handle.
FileHandle LocatePayload(FileSystem& fs, const char* modulePath);

// Reads the title into title (33 bytes, zero-filled at start). When the
// payload can't be found the buffer stays as it was.
void ReadPayloadTitle(FileSystem& fs, const char* modulePath, char title[kTitleSize + 1]);

#endif
