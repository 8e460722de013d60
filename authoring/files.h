// The authoring tool's files on the host: every write goes through one safe
// write, and every failure is named as the system names it.
#ifndef AUTHORING_FILES_H
#define AUTHORING_FILES_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lzhuf/stream.h"
#include "authoring/readers.h"

// "PATH: " and the system's words for the last failure ("No space left on
// device").
std::string SystemError(const std::string& path);

// A file read whole; one that is larger than `limit` bytes, or is no
// regular file (a device, a FIFO), is refused without reading it all.
bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* out, std::string* error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error);

// Whether `path` is there and is not a regular file (a device, a folder, a
// FIFO, a link to one); `what` then says which.
bool IsThereButNotAFile(const std::string& path, std::string* what);

// Whether both paths name one file that is there, however spelt or linked.
bool SameFile(const std::string& a, const std::string& b);

// A file read in pieces: its size, and a reader over it.
// Paths are UTF-8 on every system. On Windows they reach the system as
// UTF-16, so that a name may hold any character Windows allows. A byte or
// unit that is no character becomes U+FFFD.
std::u16string Utf16(const std::string& utf8);
// The length of the UTF-8 sequence at `text` (`left` bytes on), its code
// point into `cp`; 0 where the bytes are no character (overlong, a
// surrogate, past U+10FFFF, cut short).
size_t DecodeUtf8(const char* text, size_t left, char32_t* cp);
std::string Utf8(const std::u16string& utf16);
// Whether a text is UTF-8 throughout.
bool IsUtf8(const std::string& text);
// fopen for such a path.
std::FILE* OpenStdio(const std::string& path, const char* mode);

class SourceFile {
public:
    SourceFile() : reader_(nullptr) {}
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    bool Open(const std::string& path, std::string* error);
    uint64_t Size() const { return size_; }
    ByteReader& Reader() { return reader_; }
    // The file's first bytes, `limit` at most.
    bool ReadStart(size_t limit, std::vector<uint8_t>* out, std::string* error);

private:
    std::FILE* f_ = nullptr;
    uint64_t size_ = 0;
    StdioReader reader_;
    std::string path_;
};

// A sink that can also go back: to fill in what was left open, to cut off
// what is not wanted, and to read what it holds.
class OutputFile : public ByteSink {
public:
    virtual bool SeekTo(uint64_t at) = 0;
    virtual bool Truncate(uint64_t size) = 0;
    // Bytes read at `at`: n, fewer at the end, -1 on error. The write
    // position stays where it was.
    virtual int ReadAt(uint64_t at, void* buf, int n) = 0;
    virtual uint64_t Size() const = 0;
    // Whether a write, seek or cut has failed.
    virtual bool Failed() const = 0;

protected:
    ~OutputFile() {}
};

// What an output holds, as a reader.
class OutputReader : public ByteReader {
public:
    explicit OutputReader(OutputFile& out) : out_(out) {}
    int Read(void* buf, int n) override {
        const int got = out_.ReadAt(at_, buf, n);
        if (got > 0) at_ += (uint64_t)got;
        return got;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        const uint64_t base = origin == kSeekSet ? 0 : origin == kSeekCur ? at_ : out_.Size();
        if (base + offset >= kNoPosition) return kNoPosition;
        at_ = base + offset;
        return (FilePosition)at_;
    }

private:
    OutputFile& out_;
    uint64_t at_ = 0;
};

// Removes the temporary file of the write under way when the program is
// interrupted (Ctrl-C, a termination request), then ends it as the signal
// would have.
void RemoveTemporaryFileOnInterrupt();

// A file written safely: the bytes go to a new file beside the target
// (created exclusively, under a temporary name), which is flushed to disk and
// renamed over the target only when Commit is called. Until then, and on any
// failure, the target stays as it was; the temporary file is removed unless
// committed. A target that is there and is not a regular file is refused.
class SafeWrite : public OutputFile {
public:
    SafeWrite();
    ~SafeWrite();
    SafeWrite(const SafeWrite&) = delete;
    SafeWrite& operator=(const SafeWrite&) = delete;

    bool Open(const std::string& target, std::string* error);
    // The same for `relative` ('/' between its names) below the folder
    // `root`, making the folders on the way. No link inside root is
    // followed, so nothing is written outside it; a file that is there is
    // refused unless `overwrite`, and then replaced (a link by a file),
    // never written through.
    bool OpenBelow(const std::string& root, const std::string& relative, bool overwrite, std::string* error);
    // n, or -1 after a failure (which Commit then reports).
    int Write(const void* buf, int n) override;
    bool SeekTo(uint64_t at) override;
    bool Truncate(uint64_t size) override;
    int ReadAt(uint64_t at, void* buf, int n) override;
    uint64_t Size() const override { return size_; }
    // (Commit then says why.)
    bool Failed() const override { return errno_ != 0; }
    // "TARGET: " and the system's words for the failure that happened.
    std::string FailureText() const;
    // Flushes the new file to disk and puts it in the target's place;
    // `program` makes it executable where the system has such a mark.
    bool Commit(bool program, std::string* error);

private:
    bool Create(const std::string& dir, const std::string& name, std::string* error);
    bool Place();

    int fd_ = -1;
    int dir_;        // the folder the names below are in (POSIX), or -1 for the current one
    int errno_ = 0;  // the first failure's
    uint64_t at_ = 0, size_ = 0;
    bool moved_ = false;  // a read moved the file position from at_
    bool replace_ = true;  // whether Commit may replace a file that is there
    std::string target_;      // for messages
    std::string name_, temp_;  // in dir_ (POSIX); whole paths (Windows)
};

#endif
