#include "platform/sim/sim_platform.h"

#include <dirent.h>
#include <strings.h>

#include <cstring>

SimPlatform::SimPlatform(std::string drive) : drive_(std::move(drive)) {}

SimPlatform::~SimPlatform() {
    for (auto& f : files_) std::fclose(f.second);
}

std::string SimPlatform::HostPath(const std::string& windowsPath) const {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') ||
        windowsPath[1] != ':' || windowsPath[2] != '\\')
        return "";
    std::string host = drive_;
    size_t at = 3;
    while (at <= windowsPath.size()) {
        size_t end = windowsPath.find('\\', at);
        if (end == std::string::npos) end = windowsPath.size();
        std::string part = windowsPath.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == ".." || part.find('/') != std::string::npos) return "";  // stays on the drive
        // Take the name as it is on disk when one matches without regard to case.
        std::string match = part;
        if (DIR* d = opendir(host.c_str())) {
            while (dirent* e = readdir(d))
                if (strcasecmp(e->d_name, part.c_str()) == 0) {
                    match = e->d_name;
                    break;
                }
            closedir(d);
        }
        host += "/" + match;
    }
    return host;
}

void SimPlatform::AnswerMessage(int answer) { script_.push_back({false, answer, {}}); }

void SimPlatform::AnswerDialog(std::vector<uintptr_t> commands) {
    script_.push_back({true, 0, std::move(commands)});
}

void SimPlatform::FailCall(SimCall call, int nth, int count) {
    faults_[call].push_back({nth - 1, count});
}

int SimPlatform::CallCount(SimCall call) const {
    auto it = calls_.find(call);
    return it == calls_.end() ? 0 : it->second;
}

bool SimPlatform::Fails(SimCall call) {
    ++calls_[call];
    bool fail = false;
    for (Fault& f : faults_[call]) {
        if (f.skip > 0) {
            --f.skip;
        } else if (f.count != 0) {
            if (f.count > 0) --f.count;
            fail = true;
        }
    }
    return fail;
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
    if (Fails(SimCall::ModuleFileName)) return CopyOut("", buf, cap), 0;
    return CopyOut(modulePath_, buf, cap);
}

unsigned SimPlatform::WindowsDirectory(char* buf, unsigned cap) {
    if (Fails(SimCall::WindowsDirectory)) return CopyOut("", buf, cap), 0;
    return CopyOut(windowsDir_, buf, cap);
}

FileHandle SimPlatform::OpenRead(const char* path) {
    if (Fails(SimCall::OpenRead)) return kNoFile;
    std::string host = HostPath(path);
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f) return kNoFile;
    files_[nextFile_] = f;
    return nextFile_++;
}

int SimPlatform::Read(FileHandle f, void* buf, int n) {
    auto it = files_.find(f);
    if (it == files_.end()) {
        errors.push_back("Read on a handle that is not open");
        return -1;
    }
    if (Fails(SimCall::Read) || n < 0) return -1;
    return (int)std::fread(buf, 1, (size_t)n, it->second);
}

int64_t SimPlatform::Seek(FileHandle f, int64_t offset, SeekOrigin origin) {
    auto it = files_.find(f);
    if (it == files_.end()) {
        errors.push_back("Seek on a handle that is not open");
        return -1;
    }
    if (Fails(SimCall::Seek)) return -1;
    std::FILE* s = it->second;
    const int64_t before = ftello(s);
    int64_t base = 0;
    if (origin == kSeekCur) base = before;
    if (origin == kSeekEnd && fseeko(s, 0, SEEK_END) == 0) base = ftello(s);
    const int64_t to = base + offset;
    if (to < 0) {  // Windows refuses a position before the start
        fseeko(s, before, SEEK_SET);
        return -1;
    }
    fseeko(s, to, SEEK_SET);
    return ftello(s);
}

void SimPlatform::Close(FileHandle f) {
    auto it = files_.find(f);
    if (it == files_.end()) {
        errors.push_back("Close of a handle that is not open");
        return;
    }
    std::fclose(it->second);
    files_.erase(it);
}

int SimPlatform::ShowMessage(const char* text, const char* caption, unsigned style) {
    if (Fails(SimCall::ShowMessage)) return 0;
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

int SimPlatform::RunDialog(int id, DialogProc proc, void* context) {
    if (Fails(SimCall::RunDialog)) return -1;
    std::pair<int, int> size = dialogSize_.count(id) ? dialogSize_[id] : std::make_pair(300, 200);
    OpenDialog d = {nextWindow_++, {0, 0, size.first, size.second}, "", false, 0, {}};
    openDialogs_.push_back(d);
    Window w = d.handle;
    std::vector<uintptr_t> commands;
    if (script_.empty() || !script_.front().isDialog) {
        errors.push_back("unscripted dialog " + std::to_string(id));
    } else {
        commands = script_.front().commands;
        script_.pop_front();
    }
    SimDialog record = {id, "", {}, -1};
    proc(*this, w, kMsgInitDialog, 0, 0, context);
    for (size_t i = 0; i < commands.size() && !FindDialog(w)->ended; ++i)
        proc(*this, w, kMsgCommand, commands[i], 0, context);
    OpenDialog* open = FindDialog(w);
    if (!open->ended) errors.push_back("dialog " + std::to_string(id) + " did not end");
    record.caption = open->text;
    record.moves = open->moves;
    record.result = open->ended ? open->result : -1;
    dialogs.push_back(record);
    for (size_t i = 0; i < openDialogs_.size(); ++i)
        if (openDialogs_[i].handle == w) openDialogs_.erase(openDialogs_.begin() + (long)i);
    return record.result;
}

void SimPlatform::EndDialog(Window dialog, int result) {
    OpenDialog* d = FindDialog(dialog);
    if (!d) {
        errors.push_back("EndDialog on a window that is not a dialog");
        return;
    }
    d->ended = true;
    d->result = result;
}

void SimPlatform::SetText(Window w, const char* text) {
    if (OpenDialog* d = FindDialog(w)) d->text = text;
    else errors.push_back("SetText on an unknown window");
}

bool SimPlatform::GetWindowRect(Window w, Rect* r) {
    if (Fails(SimCall::GetWindowRect)) return false;
    OpenDialog* d = FindDialog(w);
    if (!d) return false;
    *r = d->rect;
    return true;
}

void SimPlatform::MoveWindow(Window w, int x, int y, int width, int height) {
    OpenDialog* d = FindDialog(w);
    if (!d) {
        errors.push_back("MoveWindow on an unknown window");
        return;
    }
    d->rect = {x, y, x + width, y + height};
    d->moves.push_back({x, y});
}

void SimPlatform::StartProgram(const char* commandLine) {
    if (Fails(SimCall::StartProgram)) return;
    started.push_back(commandLine);
}

int SimPlatform::RunMainWindow(const char* className, int iconId, CreateHandler onCreate,
                               void* context) {
    windowClass = className;
    windowIcon = iconId;
    return onCreate(*this, context);
}
