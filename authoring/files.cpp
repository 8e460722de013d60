#include "authoring/files.h"

#include "platform/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::string SystemError(const std::string& path) { return path + ": " + std::strerror(errno); }

size_t DecodeUtf8(const char* text, size_t left, char32_t* cp) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    const unsigned char b = s[0];
    const size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || n > left) return 0;
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        if ((s[k] >> 6) != 2) return 0;
        c = c << 6 | (s[k] & 0x3F);
    }
    // Overlong forms, surrogates and what lies past U+10FFFF are no characters.
    static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *cp = c;
    return n;
}

std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(utf8.data() + i, utf8.size() - i, &cp);
        if (!n) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += n;
        if (cp < 0x10000) {
            out += (char16_t)cp;
        } else {
            out += (char16_t)(0xD800 + ((cp - 0x10000) >> 10));
            out += (char16_t)(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf8(const std::u16string& utf16) {
    std::string out;
    for (size_t i = 0; i < utf16.size(); ++i) {
        uint32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (cp < 0x80) {
            out += (char)cp;
        } else if (cp < 0x800) {
            out += (char)(0xC0 | cp >> 6);
            out += (char)(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += (char)(0xE0 | cp >> 12);
            out += (char)(0x80 | (cp >> 6 & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        } else {
            out += (char)(0xF0 | cp >> 18);
            out += (char)(0x80 | (cp >> 12 & 0x3F));
            out += (char)(0x80 | (cp >> 6 & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool IsUtf8(const std::string& text) { return Utf8(Utf16(text)) == text; }

#ifdef _WIN32
static std::wstring W(const std::string& utf8) {
    const std::u16string u = Utf16(utf8);
    return std::wstring(u.begin(), u.end());
}
#endif

std::FILE* OpenStdio(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(W(path).c_str(), W(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

namespace {

std::string KindOf(unsigned mode) {
    return S_ISDIR(mode) ? "a folder" : S_ISCHR(mode) ? "a device" :
#ifdef S_ISFIFO
           S_ISFIFO(mode) ? "a FIFO" :
#endif
                            "not a regular file";
}

#ifdef _WIN32
int ProcessId() { return _getpid(); }
bool SeekFd(int fd, uint64_t at) { return _lseeki64(fd, (long long)at, SEEK_SET) == (long long)at; }
int WriteSome(int fd, const void* buf, unsigned n) { return _write(fd, buf, n); }
int ReadSome(int fd, void* buf, unsigned n) { return _read(fd, buf, n); }
int OpenNew(int, const std::string& path) {
    return _wopen(W(path).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool Cut(int fd, uint64_t size) { return _chsize_s(fd, (long long)size) == 0; }
#else
int ProcessId() { return (int)getpid(); }
bool SeekFd(int fd, uint64_t at) { return lseek(fd, (off_t)at, SEEK_SET) == (off_t)at; }
int WriteSome(int fd, const void* buf, unsigned n) { return (int)write(fd, buf, n); }
int ReadSome(int fd, void* buf, unsigned n) { return (int)read(fd, buf, n); }
int OpenNew(int dir, const std::string& name) {
    return openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}
bool Cut(int fd, uint64_t size) { return ftruncate(fd, (off_t)size) == 0; }
#endif

// The temporary file under way, for the interrupt handler: a fixed buffer,
// since the handler may use nothing else.
#ifdef _WIN32
wchar_t g_pending[4096];
#else
char g_pending[4096];
#endif
#ifndef _WIN32
int g_pendingDir = AT_FDCWD;
#else
int g_pendingFd = -1;  // Windows removes no file that is open
#endif

void Pending(int dir, const std::string& name, int fd = -1) {
    (void)dir;
    (void)fd;
#ifndef _WIN32
    g_pendingDir = dir;
#else
    g_pendingFd = name.empty() ? -1 : fd;
#endif
#ifdef _WIN32
    const std::wstring w = W(name);
#else
    const std::string& w = name;
#endif
    const size_t n = w.size() < sizeof g_pending / sizeof g_pending[0] - 1 ? w.size() : 0;
    std::memcpy(g_pending, w.data(), n * sizeof g_pending[0]);
    g_pending[n] = 0;
}

void OnInterrupt(int sig) {
#ifdef _WIN32
    if (g_pendingFd >= 0) _close(g_pendingFd);
    if (g_pending[0]) _wunlink(g_pending);
#else
    if (g_pending[0]) unlinkat(g_pendingDir, g_pending, 0);
#endif
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A name of its own beside the target, short whatever the target's length.
std::string TempName(int attempt) {
    return ".ssinst-" + std::to_string(ProcessId()) + "-" + std::to_string(attempt) + ".tmp";
}

}  // namespace

void RemoveTemporaryFileOnInterrupt() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifndef _WIN32
    std::signal(SIGHUP, OnInterrupt);
#endif
}

bool IsThereButNotAFile(const std::string& path, std::string* what) {
#ifdef _WIN32
    struct _stat64 st;
    if (_wstat64(W(path).c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;  // a file, or nothing
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
#endif
    *what = KindOf(st.st_mode);
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(std::filesystem::u8path(a), std::filesystem::u8path(b), ec) && !ec;
}

SourceFile::~SourceFile() {
    if (f_) std::fclose(f_);
}

bool SourceFile::Open(const std::string& path, std::string* error) {
    path_ = path;
    std::string what;
    if (IsThereButNotAFile(path, &what)) {
        *error = path + ": is " + what + ", not a file";
        return false;
    }
    f_ = OpenStdio(path, "rb");
    if (!f_ || fseeko(f_, 0, SEEK_END) != 0) {
        *error = SystemError(path);
        return false;
    }
    const off_t size = ftello(f_);
    if (size < 0 || fseeko(f_, 0, SEEK_SET) != 0) {
        *error = SystemError(path);
        return false;
    }
    size_ = (uint64_t)size;
    reader_ = StdioReader(f_);
    return true;
}

bool SourceFile::ReadStart(size_t limit, std::vector<uint8_t>* out, std::string* error) {
    out->resize((size_t)(size_ < limit ? size_ : limit));
    if (fseeko(f_, 0, SEEK_SET) != 0 || std::fread(out->data(), 1, out->size(), f_) != out->size()) {
        *error = std::ferror(f_) ? SystemError(path_) : path_ + ": it shrank while it was read";
        return false;
    }
    return true;
}

#ifdef _WIN32
SafeWrite::SafeWrite() : dir_(-1) {}

SafeWrite::~SafeWrite() {
    Pending(-1, "");
    if (fd_ >= 0) _close(fd_);
    if (!temp_.empty()) _wremove(W(temp_).c_str());
}

bool SafeWrite::OpenBelow(const std::string& root, const std::string& relative, bool overwrite,
                          std::string* error) {
    // Folders on the way are made; one that is a link (a reparse point) or a
    // file is refused.
    target_ = root + "/" + relative;
    for (size_t at = root.find_first_of("/\\", 1);; at = root.find_first_of("/\\", at + 1)) {
        _wmkdir(W(root.substr(0, at)).c_str());
        if (at == std::string::npos) break;
    }
    std::string path = root;
    size_t at = 0;
    for (size_t slash; (slash = relative.find('/', at)) != std::string::npos; at = slash + 1) {
        path += "/" + relative.substr(at, slash - at);
        _wmkdir(W(path).c_str());
        if (KindOfPath(W(path).c_str()) != PathKind::kFolder) {
            *error = path + ": is not a folder of its own (a file or a link): refused";
            return false;
        }
    }
    const std::string name = relative.substr(at), file = path + "/" + name;
    const PathKind kind = KindOfPath(W(file).c_str());
    if (kind != PathKind::kNothing) {
        if (kind == PathKind::kFolder || kind == PathKind::kLinkToFolder) {
            *error = file + ": is a folder, not a file: refused";
            return false;
        }
        if (!overwrite) {
            *error = file + ": is there already (--overwrite replaces it)";
            return false;
        }
    }
    replace_ = overwrite;
    return Create(path + "/", name, error);
}

bool SafeWrite::Commit(bool, std::string* error) {
    if (fd_ < 0) {
        *error = target_ + ": not open";
        return false;
    }
    if (!errno_ && _commit(fd_) != 0) errno_ = errno;
    if (_close(fd_) != 0 && !errno_) errno_ = errno;
    fd_ = -1;
    if (!errno_) errno_ = RenameWrittenThrough(W(temp_).c_str(), W(name_).c_str(), replace_);
    if (errno_) {
        errno = errno_;
        *error = errno_ == EEXIST ? target_ + ": is there already (--overwrite replaces it)" : SystemError(target_);
        return false;
    }
    temp_.clear();
    Pending(-1, "");
    return true;
}
#else
SafeWrite::SafeWrite() : dir_(AT_FDCWD) {}

SafeWrite::~SafeWrite() {
    Pending(AT_FDCWD, "");
    if (fd_ >= 0) close(fd_);
    if (!temp_.empty()) unlinkat(dir_, temp_.c_str(), 0);
    if (dir_ >= 0) close(dir_);
}

bool SafeWrite::OpenBelow(const std::string& root, const std::string& relative, bool overwrite,
                          std::string* error) {
    target_ = root + "/" + relative;
    // The root is the caller's to name, links and all; it is made if need be.
    for (size_t at = root.find('/', 1);; at = root.find('/', at + 1)) {
        mkdir(root.substr(0, at).c_str(), 0755);
        if (at == std::string::npos) break;
    }
    dir_ = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) {
        *error = SystemError(root);
        return false;
    }
    // Below it, each folder is made and entered without following a link.
    std::string path = root;
    size_t at = 0;
    for (size_t slash; (slash = relative.find('/', at)) != std::string::npos; at = slash + 1) {
        const std::string folder = relative.substr(at, slash - at);
        path += "/" + folder;
        if (mkdirat(dir_, folder.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = SystemError(path);
            return false;
        }
        const int next = openat(dir_, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            *error = errno == ELOOP || errno == ENOTDIR ? path + ": is a link or a file, not a folder: refused"
                                                        : SystemError(path);
            return false;
        }
        close(dir_);
        dir_ = next;
    }
    const std::string name = relative.substr(at);
    struct stat st;
    if (fstatat(dir_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) {
            *error = target_ + ": is a folder, not a file: refused";
            return false;
        }
        if (!overwrite) {
            *error = target_ + ": is there already (--overwrite replaces it)";
            return false;
        }
    }
    replace_ = overwrite;
    return Create(path + "/", name, error);
}

// The new file in the target's place; where nothing may be replaced, a
// file that appeared there meanwhile stays (EEXIST).
bool SafeWrite::Place() {
    if (replace_) return renameat(dir_, temp_.c_str(), dir_, name_.c_str()) == 0;
    if (renameat2(dir_, temp_.c_str(), dir_, name_.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that kind of rename: a second name, then the
    // temporary one goes.
    if (linkat(dir_, temp_.c_str(), dir_, name_.c_str(), 0) != 0) return false;
    unlinkat(dir_, temp_.c_str(), 0);
    return true;
}

bool SafeWrite::Commit(bool program, std::string* error) {
    if (fd_ < 0) {
        *error = target_ + ": not open";
        return false;
    }
    if (!errno_ && program && fchmod(fd_, 0755) != 0) errno_ = errno;  // a program: let it be run directly
    // Any other file keeps the permissions of the one it replaces (a
    // private project stays private).
    struct stat old;
    if (!errno_ && !program && fstatat(dir_, name_.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode) &&
        fchmod(fd_, old.st_mode & 0777) != 0)
        errno_ = errno;
    if (!errno_ && fsync(fd_) != 0) errno_ = errno;
    if (close(fd_) != 0 && !errno_) errno_ = errno;
    fd_ = -1;
    if (!errno_ && !Place()) errno_ = errno;
    if (errno_) {
        errno = errno_;
        *error = errno_ == EEXIST ? target_ + ": is there already (--overwrite replaces it)" : SystemError(target_);
        return false;
    }
    temp_.clear();
    Pending(AT_FDCWD, "");
    return true;
}
#endif

// The new file under a temporary name in `dir` (the folder of dir_ on POSIX,
// where names are relative to it; part of each path on Windows).
bool SafeWrite::Create(const std::string& dir, const std::string& name, std::string* error) {
#ifdef _WIN32
    const std::string prefix = dir;
#else
    const std::string prefix;
#endif
    name_ = prefix + name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = prefix + TempName(attempt);
        fd_ = OpenNew(dir_, temp);
        if (fd_ >= 0) {
            temp_ = temp;
            Pending(dir_, temp_, fd_);
            return true;
        }
        if (errno != EEXIST) {
            *error = SystemError(dir + TempName(attempt));
            return false;
        }
    }
    *error = target_ + ": no temporary name beside it is free";
    return false;
}

bool SafeWrite::Open(const std::string& target, std::string* error) {
    std::string what;
    if (IsThereButNotAFile(target, &what)) {
        *error = target + ": is " + what + ", not a file: refused";
        return false;
    }
    target_ = target;
#ifdef _WIN32
    const size_t slash = target.find_last_of("/\\:");  // "D:out.exe" is in D:'s current folder
#else
    const size_t slash = target.find_last_of("/\\");
#endif
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
#ifndef _WIN32
    if (!dir.empty()) {
        dir_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir_ < 0) {
            *error = SystemError(dir);
            return false;
        }
    }
#endif
    return Create(dir, name, error);
}

std::string SafeWrite::FailureText() const { return target_ + ": " + std::strerror(errno_); }

int SafeWrite::Write(const void* buf, int n) {
    if (fd_ < 0 || errno_ || n < 0) return -1;
    if (moved_ && !SeekTo(at_)) return -1;
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

bool SafeWrite::SeekTo(uint64_t at) {
    if (fd_ < 0 || errno_) return false;
    if (!SeekFd(fd_, at)) {
        errno_ = errno;
        return false;
    }
    at_ = at;
    moved_ = false;
    return true;
}

bool SafeWrite::Truncate(uint64_t size) {
    if (fd_ < 0 || errno_) return false;
    if (!Cut(fd_, size)) {
        errno_ = errno;
        return false;
    }
    size_ = size;
    return true;
}

int SafeWrite::ReadAt(uint64_t at, void* buf, int n) {
    if (fd_ < 0 || errno_ || n < 0) return -1;
    moved_ = true;
    if (!SeekFd(fd_, at)) return -1;
    int done = 0;
    while (done < n) {
        const int got = ReadSome(fd_, static_cast<char*>(buf) + done, (unsigned)(n - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* out, std::string* error) {
    SourceFile f;
    if (!f.Open(path, error)) return false;
    if (f.Size() > limit || f.Size() > SIZE_MAX) {
        *error = path + ": more than " + std::to_string(limit) + " bytes, more than it can be";
        return false;
    }
    return f.ReadStart((size_t)f.Size(), out, error);
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
    SafeWrite out;
    if (!out.Open(path, error)) return false;
    for (size_t at = 0; at < data.size();) {
        const int n = (int)std::min<size_t>(data.size() - at, 1 << 20);
        if (out.Write(data.data() + at, n) != n) break;  // Commit names the failure
        at += (size_t)n;
    }
    return out.Commit(data.size() >= 2 && data[0] == 'M' && data[1] == 'Z', error);
}

