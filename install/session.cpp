#include "install/session.h"

#include "base/text.h"

namespace {

enum { kCommandLineSize = 2 * kTextSize };

// The switches' names, with the mode each gives: two for quiet, one for
// passive, the log's, which takes a value, and two for the help.
const char* const kSwitchNames[] = {"quiet", "s", "passive", "log", "?", "help"};
const unsigned char kSwitchModes[] = {kRunQuiet, kRunQuiet, kRunPassive, kRunAsking, kRunAsking, kRunAsking};
enum { kLogSwitch = 3, kHelpSwitch = 4, kSwitches = 6 };

// Which switch a piece of the command line is, kSwitches for none; *value
// is what follows its '='.
int SwitchOf(char* piece, const char** value) {
    char* eq = const_cast<char*>(FindFirst(piece, '='));
    if (eq) *eq = 0;
    int i = piece[0] == '/' || piece[0] == '-' ? 0 : kSwitches;
    while (i < kSwitches && !SameTextIgnoringCase(piece + 1, kSwitchNames[i])) ++i;
    if (eq) *eq++ = '=';
    *value = eq;
    // The log's takes a value; the others none, not even an empty one.
    return i == kLogSwitch ? (eq && *eq ? i : kSwitches) : eq ? kSwitches : i;
}

}  // namespace

int Session::Begin(const char* caption) {
    // A line too long to read whole is refused, never half obeyed.
    char line[kCommandLineSize], text[kCommandLineSize];
    const char *unknown = p.CommandLine(line, sizeof line) ? 0 : "", *logPath = 0, *value;
    bool help = false, quoted = false, first = true;
    // The line cut into pieces in place: a blank outside quotes ends one,
    // and the quotes go.
    char* end = line;
    for (const char* at = line;; ++at) {
        const char c = *at;  // before the write, which may land on it
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        *end++ = quoted || (c != ' ' && c != '\t') ? c : 0;
        if (!c) break;
    }
    for (char* piece = line; piece < end; piece += TextLength(piece) + 1) {
        // The program's own name comes first.
        if (!*piece || first) {
            first &= !*piece;
            continue;
        }
        const int i = SwitchOf(piece, &value);
        if (i == kSwitches) {
            if (!unknown) unknown = piece;
            continue;
        }
        if (kSwitchModes[i] > mode) mode = (RunMode)kSwitchModes[i];
        help |= i >= kHelpSwitch;
        if (value) logPath = value;  // the log's alone has one
    }
    const char* args[] = {unknown, Text(kTextHelp)};
    TextId say = kTextHelp;
    int code = kExitDone;
    if (unknown) {
        say = kTextUnknownSwitch, code = kExitBadSwitch;
    } else if (!help) {
        if (!logPath) return -1;
        // Never through a link or into a folder: the file named, made anew.
        if (p.QueryPath(logPath) < kPathDirectory) log_ = p.CreateForWrite(logPath);
        if (log_ != kNoFile) {
            p.CommandLine(text, sizeof text);
            Log(kLogRun, text);
            return -1;
        }
        say = kTextFailedCantCreate, code = kExitFailed, args[0] = logPath;
    }
    if (mode != kRunQuiet) {
        FormatText(text, sizeof text, Text(say), args, 2);
        p.ShowMessage(text, caption, code ? kMbOk | kMbIconError : kMbOk | kMbIconInformation);
    }
    return code;
}

int Session::End(int code) {
    char number[kNumberSize];
    FormatDecimal((uint32_t)code, 1, number, sizeof number);
    Log(kLogExit, number);
    if (log_ != kNoFile) p.Close(log_);
    log_ = kNoFile;
    return code;
}

int Session::Ask(TextId id, const char* const* args, int count, const char* caption, unsigned style,
                 int unattended) {
    char text[kMessageSize];
    FormatText(text, textSize, Text(id), args, count);
    const int answer = Unattended() ? unattended : p.ShowMessage(text, caption, style);
    // The answers' names stand in the texts in the order of their values.
    Log(kLogShown, text, answer >= kIdOk && answer <= kIdNo ? Text((TextId)(kTextAnswerOk + answer - 1)) : "");
    return answer;
}

void Session::Log(TextId id, const char* a, const char* b) {
    if (log_ == kNoFile) return;
    const char* args[] = {a, b};
    // A line that does not fit is cut; a write that fails loses that line
    // alone, never the run.
    char line[2 * kTextSize];
    FormatText(line, sizeof line - 2, Text(id), args, 2);
    const size_t length = TextLength(line);
    line[length] = '\r', line[length + 1] = '\n';
    p.Write(log_, line, (int)length + 2);
}
