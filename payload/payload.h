// The stub's side of the payload: its own file, opened through the platform.
#ifndef PAYLOAD_PAYLOAD_H
#define PAYLOAD_PAYLOAD_H

#include "payload/locator.h"
#include "platform/platform.h"

// A platform file handle seen as a ByteReader.
class FileReader : public ByteReader {
public:
    FileReader(Platform& p, FileHandle f) : p_(p), f_(f) {}
    void SetHandle(FileHandle f) { f_ = f; }
    int Read(void* buf, int n) override { return p_.Read(f_, buf, n); }
    int64_t Seek(int64_t offset, int origin) override {
        return p_.Seek(f_, offset, (SeekOrigin)origin);
    }

private:
    Platform& p_;
    FileHandle f_;
};

// A platform file handle seen as a ByteSink.
class FileWriter : public ByteSink {
public:
    FileWriter(Platform& p, FileHandle f) : p_(p), f_(f) {}
    int Write(const void* buf, int n) override { return p_.Write(f_, buf, n); }

private:
    Platform& p_;
    FileHandle f_;
};

// Opens the installer's own file afresh and leaves it at the payload start.
// kNoFile on failure; the caller closes the handle it gets.
FileHandle LocatePayload(Platform& p);

// Reads the title into title (33 bytes, zero-filled at start). When the
// payload can't be found the buffer stays as it was.
void ReadPayloadTitle(Platform& p, char title[kTitleSize + 1]);

#endif
