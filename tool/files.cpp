#include "tool/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string SystemError(const std::string& path) { return path + ": " + std::strerror(errno); }

bool IsThereButNotAFile(const std::string& path, std::string* what) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;  // not there (or a link to nothing)
    if (S_ISREG(st.st_mode)) return false;
    *what = S_ISDIR(st.st_mode) ? "a folder" : S_ISCHR(st.st_mode) ? "a device" :
#ifdef S_ISFIFO
            S_ISFIFO(st.st_mode) ? "a FIFO" :
#endif
                                 "not a regular file";
    return true;
}

namespace {

#ifdef _WIN32
int OpenNew(const char* path) { return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE); }
int WriteSome(int fd, const void* buf, unsigned n) { return _write(fd, buf, n); }
bool SeekTo(int fd, uint64_t at) { return _lseeki64(fd, (long long)at, SEEK_SET) == (long long)at; }
bool FlushToDisk(int fd) { return _commit(fd) == 0; }
int CloseFile(int fd) { return _close(fd); }
int ProcessId() { return _getpid(); }
bool Replace(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}
#else
int OpenNew(const char* path) { return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
int WriteSome(int fd, const void* buf, unsigned n) { return (int)write(fd, buf, n); }
bool SeekTo(int fd, uint64_t at) { return lseek(fd, (off_t)at, SEEK_SET) == (off_t)at; }
bool FlushToDisk(int fd) { return fsync(fd) == 0; }
int CloseFile(int fd) { return close(fd); }
int ProcessId() { return (int)getpid(); }
bool Replace(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }
#endif

}  // namespace

SafeWrite::~SafeWrite() {
    if (fd_ >= 0) CloseFile(fd_);
    if (!temp_.empty()) std::remove(temp_.c_str());
}

bool SafeWrite::Open(const std::string& target, std::string* error) {
    std::string what;
    if (IsThereButNotAFile(target, &what)) {
        *error = target + ": is " + what + ", not a file: refused";
        return false;
    }
    target_ = target;
    const size_t slash = target.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = dir + "." + base + ".ssinst-" + std::to_string(ProcessId()) + "-" +
                                 std::to_string(attempt);
        fd_ = OpenNew(temp.c_str());
        if (fd_ >= 0) {
            temp_ = temp;
            return true;
        }
        if (errno != EEXIST) {
            *error = SystemError(temp);
            return false;
        }
    }
    *error = target + ": no temporary name beside it is free";
    return false;
}

int SafeWrite::Write(const void* buf, int n) {
    if (fd_ < 0 || errno_ || n < 0) return -1;
    const char* p = static_cast<const char*>(buf);
    for (int done = 0; done < n;) {
        const int put = WriteSome(fd_, p + done, (unsigned)(n - done));
        if (put <= 0) {
            if (put < 0 && errno == EINTR) continue;
            errno_ = put < 0 ? errno : ENOSPC;
            return -1;
        }
        done += put;
        at_ += (uint64_t)put;
        if (at_ > size_) size_ = at_;
    }
    return n;
}

bool SafeWrite::Seek(uint64_t at) {
    if (fd_ < 0 || errno_) return false;
    if (!SeekTo(fd_, at)) {
        errno_ = errno;
        return false;
    }
    at_ = at;
    return true;
}

bool SafeWrite::Commit(bool program, std::string* error) {
    if (fd_ < 0) {
        *error = target_ + ": not open";
        return false;
    }
    if (!errno_ && !FlushToDisk(fd_)) errno_ = errno;
    if (CloseFile(fd_) != 0 && !errno_) errno_ = errno;
    fd_ = -1;
    if (errno_) {
        errno = errno_;
        *error = SystemError(target_);
        return false;
    }
#ifndef _WIN32
    if (program) chmod(temp_.c_str(), 0755);  // a program: let it be run directly
#else
    (void)program;
#endif
    if (!Replace(temp_, target_)) {
        *error = SystemError(target_);
        return false;
    }
    temp_.clear();
    return true;
}
