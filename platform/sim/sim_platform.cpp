#include "platform/sim/sim_platform.h"

#include <dirent.h>
#include <strings.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

SimPlatform::SimPlatform(std::string drive) : drive_(std::move(drive)) {}

static void (*g_misuseHandler)(const std::string&);

void SimPlatform::SetMisuseHandler(void (*handler)(const std::string&)) { g_misuseHandler = handler; }

void SimPlatform::Misuse(const std::string& what) {
    errors.push_back(what);
    if (g_misuseHandler) g_misuseHandler(what);
}

bool SimPlatform::IsReadOnly(const std::string& host) const {
    for (const std::string& r : readOnly_)
        if (r == host) return true;
    return false;
}

SimPlatform::~SimPlatform() {
    for (auto& f : files_) std::fclose(f.second.stream);
    for (void* b : buffers_) std::free(b);
}

std::string SimPlatform::HostPath(const std::string& windowsPath) const {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') ||
        windowsPath[1] != ':' || windowsPath[2] != '\\')
        return "";
    // As Windows reads a path: '/' separates too, each name loses its
    // trailing dots and spaces, "." is the directory itself and ".." its
    // parent (the root's is the root).
    std::vector<std::string> parts;
    size_t at = 3;
    while (at <= windowsPath.size()) {
        size_t end = windowsPath.find_first_of("\\/", at);
        if (end == std::string::npos) end = windowsPath.size();
        std::string part = windowsPath.substr(at, end - at);
        at = end + 1;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (!part.empty()) parts.push_back(part);
    }
    std::string host = drive_;
    for (const std::string& part : parts) {
        // Take the name as it is on disk when one matches without regard to
        // case, or else one whose short name it is.
        std::string match = part, byShortName;
        if (DIR* d = opendir(host.c_str())) {
            while (dirent* e = readdir(d)) {
                if (strcasecmp(e->d_name, part.c_str()) == 0) {
                    match = e->d_name;
                    byShortName.clear();
                    break;
                }
                if (byShortName.empty() && strcasecmp(SimShortName(e->d_name).c_str(), part.c_str()) == 0)
                    byShortName = e->d_name;
            }
            closedir(d);
        }
        if (!byShortName.empty()) match = byShortName;
        host += "/" + match;
    }
    return host;
}

void SimPlatform::AnswerMessage(int answer) { script_.push_back({false, answer, {}}); }

void SimPlatform::AnswerDialog(std::vector<uintptr_t> commands) {
    script_.push_back({true, 0, std::move(commands)});
}

int SimPlatform::Count(SimOp op) const {
    auto it = uses_.find(op);
    return it == uses_.end() ? 0 : it->second;
}

// '*' any run, '?' any one character; letters without regard to case.
static bool Matches(const char* pattern, const char* text) {
    if (*pattern == '*') {
        for (;; ++text) {
            if (Matches(pattern + 1, text)) return true;
            if (!*text) return false;
        }
    }
    if (!*text) return !*pattern;
    if (*pattern != '?' && std::tolower((unsigned char)*pattern) != std::tolower((unsigned char)*text))
        return false;
    return Matches(pattern + 1, text + 1);
}

bool SimPlatform::Fails(SimOp op, const std::string& target, int64_t at, int n) {
    ++uses_[op];
    bool fail = false;
    for (SimFault& f : faults_) {
        bool inDialog = f.dialog == 0;
        for (const OpenDialog& d : openDialogs_) inDialog = inDialog || d.id == f.dialog;
        if (f.op != op || f.count == 0 || (f.from > 0 && at + n <= f.from) || !inDialog ||
            !Matches(f.target.c_str(), target.c_str()))
            continue;
        if (f.nth > 1) {
            --f.nth;
            continue;
        }
        if (f.count > 0) --f.count;
        fail = true;
    }
    return fail;
}

SimPlatform::OpenFile* SimPlatform::Find(FileHandle f, const char* what) {
    auto it = files_.find(f);
    if (it != files_.end()) return &it->second;
    Misuse(std::string(what) + " on a handle that is not open");
    return nullptr;
}

unsigned SimPlatform::CopyOut(const std::string& s, char* buf, unsigned cap) {
    if (s.size() + 1 > cap) {
        if (cap) buf[0] = 0;
        return 0;
    }
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return (unsigned)s.size();
}

unsigned SimPlatform::ModuleFileName(char* buf, unsigned cap) {
    if (Fails(SimOp::ModuleFileName, "")) return CopyOut("", buf, cap), 0;
    return CopyOut(modulePath_, buf, cap);
}

unsigned SimPlatform::WindowsDirectory(char* buf, unsigned cap) {
    if (Fails(SimOp::WindowsDirectory, "")) return CopyOut("", buf, cap), 0;
    return CopyOut(windowsDir_, buf, cap);
}

FileHandle SimPlatform::OpenRead(const char* path) {
    if (Fails(SimOp::Open, path)) return kNoFile;
    std::string host = HostPath(path);
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f) return kNoFile;
    files_[nextFile_] = {f, path};
    return nextFile_++;
}

int SimPlatform::Read(FileHandle f, void* buf, int n) {
    OpenFile* o = Find(f, "Read");
    if (!o || Fails(SimOp::Read, o->path, ftello(o->stream), n) || n < 0) return -1;
    return (int)std::fread(buf, 1, (size_t)n, o->stream);
}

FilePosition SimPlatform::Seek(FileHandle f, uint32_t offset, SeekOrigin origin) {
    OpenFile* o = Find(f, "Seek");
    if (!o || Fails(SimOp::Seek, o->path)) return kNoPosition;
    std::FILE* s = o->stream;
    int64_t base = 0;
    if (origin == kSeekCur) base = ftello(s);
    if (origin == kSeekEnd && fseeko(s, 0, SEEK_END) == 0) base = ftello(s);
    // Windows moves past 32 bits too, and reports it in the half the
    // caller leaves out.
    const int64_t to = base + offset;
    fseeko(s, to, SEEK_SET);
    return to >= (int64_t)kNoPosition ? kNoPosition : (FilePosition)to;
}

void SimPlatform::Close(FileHandle f) {
    if (!Find(f, "Close")) return;
    std::fclose(files_[f].stream);
    files_.erase(f);
}

FileHandle SimPlatform::CreateForWrite(const char* path) {
    if (Fails(SimOp::Create, path)) return kNoFile;
    std::string host = HostPath(path);
    // The running program's own file is in use, as Windows holds it.
    if (host.empty() || Kind(path) == kPathDirectory || IsReadOnly(host) || host == HostPath(modulePath_))
        return kNoFile;
    std::FILE* f = std::fopen(host.c_str(), "wb");  // fails when the directory is missing
    if (!f) return kNoFile;
    files_[nextFile_] = {f, path};
    return nextFile_++;
}

int SimPlatform::Write(FileHandle f, const void* buf, int n) {
    OpenFile* o = Find(f, "Write");
    if (!o || Fails(SimOp::Write, o->path, ftello(o->stream), n) || n < 0) return -1;
    size_t take = (uint64_t)n < freeBytes_ ? (size_t)n : (size_t)freeBytes_;
    size_t put = std::fwrite(buf, 1, take, o->stream);
    std::fflush(o->stream);
    freeBytes_ -= put;
    return (int)put;
}

bool SimPlatform::RemoveFile(const char* path) {
    if (Fails(SimOp::Remove, path)) return false;
    std::string host = HostPath(path);
    if (host.empty() || Kind(path) != kPathFile || IsReadOnly(host) || std::remove(host.c_str()) != 0) return false;
    removed.push_back(path);
    return true;
}

bool SimPlatform::MakeDirectory(const char* path) {
    if (Fails(SimOp::MakeDirectory, path)) return false;
    std::string host = HostPath(path);
    return !host.empty() && mkdir(host.c_str(), 0755) == 0;
}

bool SimPlatform::RemoveAtRestart(const char* path) {
    // Nothing is checked until then.
    if (Fails(SimOp::RemoveAtRestart, path)) return false;
    removeAtRestart.push_back(path);
    return true;
}

bool SimPlatform::RenameFile(const char* from, const char* to, bool replace) {
    if (Fails(SimOp::Rename, from)) return false;
    const std::string a = HostPath(from), b = HostPath(to);
    // A read-only file renames; one that is taken is replaced only when
    // asked, and never when it is read-only. A link there is taken.
    const PathKind there = Kind(to, false);
    if (a.empty() || b.empty() || Kind(from) != kPathFile || there == kPathDirectory ||
        (there != kPathMissing && (!replace || IsReadOnly(b))) || std::rename(a.c_str(), b.c_str()) != 0)
        return false;
    return true;
}

void SimPlatform::MakeLink(const std::string& windowsPath, const std::string& target) {
    if (symlink(target.c_str(), HostPath(windowsPath).c_str()) != 0) Misuse("MakeLink of " + windowsPath);
}

void SimPlatform::Restart() {
    for (const std::string& path : removeAtRestart) {
        const std::string host = HostPath(path);
        if (Kind(path) == kPathDirectory ? rmdir(host.c_str()) != 0 : std::remove(host.c_str()) != 0) continue;
        removed.push_back(path);
    }
    removeAtRestart.clear();
}

bool SimPlatform::ListFolder(const char* path, FolderVisitor visit, void* context) {
    if (Fails(SimOp::ListFolder, path)) return false;
    const std::string host = HostPath(path);
    DIR* d = host.empty() ? nullptr : opendir(host.c_str());
    if (!d) return false;
    std::vector<std::string> names;
    while (const dirent* e = readdir(d))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) visit(context, n.c_str());
    return true;
}

// The entry of that key, matched without regard to case as the registry's
// keys are; made where it is missing.
std::map<std::string, std::string>& SimPlatform::Entry(const char* key) {
    for (auto& e : programEntries)
        if (strcasecmp(e.first.c_str(), key) == 0) return e.second;
    return programEntries[key];
}

bool SimPlatform::WriteProgramEntry(const char* key, const ProgramEntry& entry) {
    if (Fails(SimOp::ProgramEntry, key)) return false;
    std::map<std::string, std::string>& values = Entry(key);
    for (int i = 0; i < kProgramEntryTexts; ++i) values[kProgramEntryTextNames[i]] = entry.texts[i];
    values["EstimatedSize"] = "#" + std::to_string(entry.estimatedSize);
    values["NoModify"] = values["NoRepair"] = "#1";
    return true;
}

bool SimPlatform::RemoveProgramEntry(const char* key) {
    // Keys match without regard to case, as the registry's do.
    if (Fails(SimOp::ProgramEntry, key)) return false;
    for (auto it = programEntries.begin(); it != programEntries.end(); ++it)
        if (strcasecmp(it->first.c_str(), key) == 0) {
            programEntries.erase(it);
            return true;
        }
    return false;
}

int SimPlatform::ReadProgramEntryText(const char* key, const char* name, char* buf, unsigned cap) {
    if (Fails(SimOp::ReadProgramEntry, key)) return (int)CopyOut("", buf, cap);
    for (auto& e : programEntries)
        if (strcasecmp(e.first.c_str(), key) == 0) {
            const auto v = e.second.find(name);
            // Numbers are no text; a text needs its NUL and a byte to spare.
            if (v == e.second.end() || (!v->second.empty() && v->second[0] == '#') || v->second.size() + 2 > cap)
                return (int)CopyOut("", buf, cap);
            return (int)CopyOut(v->second, buf, cap);
        }
    return CopyOut("", buf, cap), -1;
}

unsigned SimPlatform::CommandLine(char* buf, unsigned cap) { return CopyOut(commandLine_, buf, cap); }

PathKind SimPlatform::QueryPath(const char* path) {
    calls.push_back(std::string("query ") + path);
    return Kind(path, false);
}

PathKind SimPlatform::Kind(const std::string& path, bool follow) const {
    std::string host = HostPath(path);
    struct stat st;
    if (host.empty() || (follow ? stat(host.c_str(), &st) : lstat(host.c_str(), &st)) != 0) return kPathMissing;
    if (S_ISLNK(st.st_mode)) return kPathLink;
    return S_ISDIR(st.st_mode) ? kPathDirectory : kPathFile;
}

std::string SimShortName(const std::string& name) {
    size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    bool fits = !base.empty() && base.size() <= 8 && ext.size() <= 3 &&
                base.find_first_of(" .+,;=[]") == std::string::npos &&
                ext.find_first_of(" .+,;=[]") == std::string::npos;
    if (fits) return name;
    std::string shortBase, shortExt;
    for (char c : base)
        if (std::isalnum((unsigned char)c) && shortBase.size() < 6) shortBase += (char)std::toupper((unsigned char)c);
    for (char c : ext)
        if (std::isalnum((unsigned char)c) && shortExt.size() < 3) shortExt += (char)std::toupper((unsigned char)c);
    return shortBase + "~1" + (shortExt.empty() ? "" : "." + shortExt);
}

unsigned SimPlatform::ShortPathName(const char* path, char* out, unsigned cap) {
    if (Fails(SimOp::ShortPathName, path) || Kind(path) == kPathMissing) return CopyOut("", out, cap), 0;
    std::string p = path, result = p.substr(0, 3);  // "C:\"
    for (size_t at = 3; at < p.size();) {
        size_t end = p.find('\\', at);
        if (end == std::string::npos) end = p.size();
        result += SimShortName(p.substr(at, end - at));
        if (end < p.size()) result += '\\';
        at = end + 1;
    }
    return CopyOut(result, out, cap);
}

static bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

static std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::string SimPlatform::ProfilePath(const char* file) const {
    std::string path = file;
    if (path.find('\\') == std::string::npos) path = windowsDir_ + (windowsDir_.back() == '\\' ? "" : "\\") + path;
    return HostPath(path);
}

std::vector<std::string> SimPlatform::ProfileLines(const std::string& host) const {
    std::vector<std::string> lines;
    std::ifstream in(host);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

unsigned SimPlatform::ReadProfileValue(const char* section, const char* key, const char* file, char* buf,
                                       unsigned cap) {
    if (Fails(SimOp::ReadProfileValue, file)) return CopyOut("", buf, cap), 0;
    bool inSection = false;
    for (const std::string& line : ProfileLines(ProfilePath(file))) {
        const std::string t = Trimmed(line);
        if (!t.empty() && t[0] == '[') {
            inSection = SameText(t, std::string("[") + section + "]");
            continue;
        }
        const size_t eq = t.find('=');
        if (inSection && eq != std::string::npos && SameText(Trimmed(t.substr(0, eq)), key)) {
            // As Windows gives it: a value that fills the buffer may have
            // been cut, so it is a failure too.
            const std::string value = Trimmed(t.substr(eq + 1));
            return value.size() + 1 >= cap ? CopyOut("", buf, cap) : CopyOut(value, buf, cap);
        }
    }
    return CopyOut("", buf, cap), 0;
}

bool SimPlatform::WriteProfileValue(const char* section, const char* key, const char* value,
                                    const char* file) {
    if (Fails(SimOp::WriteProfileValue, file)) return false;
    const std::string host = ProfilePath(file);
    if (host.empty() || IsReadOnly(host)) return false;
    std::vector<std::string> lines = ProfileLines(host);
    // Replace the key within its section (remove it, for no value), or add
    // it at the section's end, or add the section.
    long sectionAt = -1, insertAt = -1;
    bool done = false;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string t = Trimmed(lines[i]);
        if (!t.empty() && t[0] == '[') {
            if (sectionAt >= 0) break;
            if (SameText(t, std::string("[") + section + "]")) sectionAt = (long)i, insertAt = (long)i + 1;
        } else if (sectionAt >= 0 && !t.empty()) {
            size_t eq = t.find('=');
            if (eq != std::string::npos && SameText(Trimmed(t.substr(0, eq)), key)) {
                if (value) lines[i] = Trimmed(t.substr(0, eq)) + "=" + value;  // the key as it was written
                else lines.erase(lines.begin() + (long)i);
                done = true;
            }
            insertAt = (long)i + 1;
        }
    }
    if (!done && !value) return true;
    if (!done && sectionAt >= 0) lines.insert(lines.begin() + insertAt, std::string(key) + "=" + value);
    if (!done && sectionAt < 0) {
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(std::string(key) + "=" + value);
    }
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) out << l << "\r\n";
    return bool(out);
}

void* SimPlatform::AllocateBuffer(unsigned size) {
    if (Fails(SimOp::Allocate, "") || size > kCopyBufferMax) return nullptr;
    if (!buffers_.empty()) Misuse("a second copy buffer while one is in use");
    void* b = std::malloc(size);
    if (b) buffers_.push_back(b);
    return b;
}

void SimPlatform::FreeBuffer(void* buffer) {
    for (size_t i = 0; i < buffers_.size(); ++i)
        if (buffers_[i] == buffer) {
            std::free(buffer);
            buffers_.erase(buffers_.begin() + (long)i);
            return;
        }
    Misuse("FreeBuffer of a buffer that was not allocated");
}

int SimPlatform::ShowMessage(const char* text, const char* caption, unsigned style) {
    calls.push_back(std::string("message ") + caption);
    if (Fails(SimOp::ShowMessage, caption)) return 0;
    SimMessage m = {text, caption, style, kIdCancel};
    if (script_.empty() || script_.front().isDialog) {
        errors.push_back("unscripted message box \"" + m.caption + "\": " + m.text);
    } else {
        m.answer = script_.front().message;
        script_.pop_front();
    }
    messages.push_back(m);
    return m.answer;
}

SimPlatform::OpenDialog* SimPlatform::FindDialog(Window w) {
    for (OpenDialog& d : openDialogs_)
        if (d.handle == w) return &d;
    return nullptr;
}

void SimPlatform::DeliverPosted(Window w, DialogProc proc, void* context) {
    while (!FindDialog(w)->ended) {
        size_t i = 0;
        while (i < posted_.size() && posted_[i].w != w) ++i;
        if (i == posted_.size()) return;
        Posted m = posted_[i];
        posted_.erase(posted_.begin() + (long)i);
        proc(*this, w, kMsgCommand, (uintptr_t)m.id, context);
    }
}

int SimPlatform::RunDialog(int id, DialogProc proc, void* context) {
    calls.push_back("dialog " + std::to_string(id));
    if (Fails(SimOp::RunDialog, std::to_string(id))) return -1;
    std::pair<int, int> size = dialogSize_.count(id) ? dialogSize_[id] : std::make_pair(300, 200);
    OpenDialog d = {id, nextWindow_++, {0, 0, size.first, size.second}, "", false, 0, {}, {}};
    openDialogs_.push_back(d);
    Window w = d.handle;
    proc(*this, w, kMsgInitDialog, 0, context);
    DeliverPosted(w, proc, context);
    // A dialog that ends by itself needs no answer; one that waits for the
    // user takes the next answer of the script.
    if (!FindDialog(w)->ended) {
        std::vector<uintptr_t> commands;
        if (script_.empty() || !script_.front().isDialog) {
            errors.push_back("unscripted dialog " + std::to_string(id));
        } else {
            commands = script_.front().commands;
            script_.pop_front();
        }
        for (size_t i = 0; i < commands.size() && !FindDialog(w)->ended; ++i) {
            proc(*this, w, kMsgCommand, commands[i], context);
            DeliverPosted(w, proc, context);
        }
    }
    OpenDialog* open = FindDialog(w);
    if (!open->ended) errors.push_back("dialog " + std::to_string(id) + " did not end");
    SimDialog record = {id, open->text, open->items, open->moves, open->ended ? open->result : -1};
    dialogs.push_back(record);
    for (size_t i = 0; i < openDialogs_.size(); ++i)
        if (openDialogs_[i].handle == w) openDialogs_.erase(openDialogs_.begin() + (long)i);
    for (size_t i = 0; i < posted_.size();)
        if (posted_[i].w == w) posted_.erase(posted_.begin() + (long)i);
        else ++i;
    return record.result;
}

void SimPlatform::EndDialog(Window dialog, int result) {
    OpenDialog* d = FindDialog(dialog);
    if (!d) {
        Misuse("EndDialog on a window that is not a dialog");
        return;
    }
    d->ended = true;
    d->result = result;
}

void SimPlatform::SetText(Window w, const char* text) {
    if (OpenDialog* d = FindDialog(w)) d->text = text;
    else Misuse("SetText on an unknown window");
}

void SimPlatform::SetItemText(Window dialog, int id, const char* text) {
    if (OpenDialog* d = FindDialog(dialog)) d->items[id] = text;
    else Misuse("SetItemText on an unknown window");
}

void SimPlatform::PostCommand(Window w, int id) {
    if (!FindDialog(w)) {
        Misuse("PostCommand to an unknown window");
        return;
    }
    posted_.push_back({w, id});
}

bool SimPlatform::GetWindowRect(Window w, Rect* r) {
    if (Fails(SimOp::GetWindowRect, "")) return false;
    OpenDialog* d = FindDialog(w);
    if (!d) return false;
    *r = d->rect;
    return true;
}

void SimPlatform::MoveWindow(Window w, int x, int y, int width, int height) {
    OpenDialog* d = FindDialog(w);
    if (!d) {
        Misuse("MoveWindow on an unknown window");
        return;
    }
    d->rect = {x, y, x + width, y + height};
    d->moves.push_back({x, y});
}

void SimPlatform::StartProgram(const char* commandLine) {
    if (Fails(SimOp::StartProgram, commandLine)) return;
    started.push_back(commandLine);
}

int SimPlatform::RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                               void* context) {
    windowClass = className;
    windowIcon = iconId;
    return onCreate(*this, context);
}

bool SimPlatform::FreeBytesAvailable(Library kernel, const char* root, uint64_t* bytes) {
    freeSpaceRoots.push_back(root);
    calls.push_back(std::string("free bytes ") + root);
    // (Exports reports a kernel that is not loaded.) A folder of C: answers.
    if (!Exports(kernel, "GetDiskFreeSpaceExA") || Fails(SimOp::FreeBytesAvailable, root) || Kind(root) != kPathDirectory)
        return false;
    *bytes = reportedBytes_;
    return true;
}

bool SimPlatform::FreeClusters(const char* root, DiskClusters* out) {
    freeSpaceRoots.push_back(root);
    calls.push_back(std::string("free clusters ") + root);
    if (Fails(SimOp::FreeClusters, root) || Kind(root) != kPathDirectory) return false;
    *out = reportedClusters_;
    return true;
}

Library SimPlatform::LoadSystemLibrary(const char* name) {
    if (std::strpbrk(name, "\\/:")) Misuse(std::string("a library loaded by a path: ") + name);
    calls.push_back(std::string("load ") + name);
    if (!Fails(SimOp::LoadLibrary, name))
        for (const auto& l : libraries_)
            if (strcasecmp(l.first.c_str(), name) == 0) {
                ++loads[l.first];
                loaded_[nextLibrary_] = l.first;
                return nextLibrary_++;
            }
    calls.back() += ": none";
    return 0;
}

bool SimPlatform::HasEntryPoint(Library library, const char* name) {
    calls.push_back(std::string("entry ") + name);
    return Exports(library, name);
}

bool SimPlatform::Exports(Library library, const char* name) {
    auto it = loaded_.find(library);
    if (it == loaded_.end()) {
        Misuse("HasEntryPoint on a library that is not loaded");
        return false;
    }
    for (const std::string& e : libraries_[it->second])
        if (e == name) return true;
    return false;
}

void SimPlatform::ReleaseLibrary(Library library) {
    auto it = loaded_.find(library);
    if (it == loaded_.end()) {
        Misuse("ReleaseLibrary of a library that is not loaded");
        return;
    }
    ++releases[it->second];
    calls.push_back("release " + it->second);
    loaded_.erase(it);
}

bool SimPlatform::OpenWithShell(const char* address) {
    shellOpened.push_back(address);
    return !Fails(SimOp::OpenWithShell, address);
}
