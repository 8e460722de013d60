// How one run of the installer or the uninstaller meets its user, or no
// one: the switches of its command line, the answer it takes where no one
// is asked, its log and the exit code it ends with.
//
//   /quiet, /S    no window at all: nothing asks, nothing is started
//   /passive      the installation dialog shows its progress; nothing asks
//   /log=PATH     the run's steps, as lines of text, into the file PATH
//   /?, /help     a message listing the switches and the exit codes
//
// A switch is '/' or '-' and a name, in any case; a quoted part of the
// command line is one piece. Without switches the run is the plain one.
#ifndef INSTALL_SESSION_H
#define INSTALL_SESSION_H

#include "base/sizes.h"
#include "platform/platform.h"
#include "res/texts.h"

// The exit codes of the installer and the uninstaller, in every mode:
// Windows Installer's where one fits, since deployment tools read those.
enum ExitCode {
    kExitDone = 0,
    kExitBadSwitch = 87,     // a switch not known (ERROR_INVALID_PARAMETER)
    kExitNoRoom = 112,       // too little room, unattended (ERROR_DISK_FULL)
    kExitCancelled = 1602,   // No or Cancel; 0 in the plain run (ERROR_INSTALL_USEREXIT)
    kExitFailed = 1603,      // a failure, which the message or log names (ERROR_INSTALL_FAILURE)
    kExitRestart = 3010,     // done once Windows restarts (ERROR_SUCCESS_REBOOT_REQUIRED)
};

enum RunMode {
    kRunPlain,    // no switch
    kRunAsking,   // switches, but the questions are asked (/log alone)
    kRunPassive,  // from here on nothing asks, nothing shows a message and nothing is started
    kRunQuiet,    // nor does the installation dialog show
};

class Session {
public:
    explicit Session(Platform& p) : p(p) {}

    // Reads the switches and opens the log, before anything is written.
    // The exit code to end with at once (after /?, at a switch not known,
    // when the log can't be made, each told in a message under `caption`
    // unless quiet), or -1 to go on.
    int Begin(const char* caption);
    // Logs the exit code and closes the log; returns the code.
    int End(int code);

    bool Unattended() const { return mode >= kRunPassive; }
    // The code for a stop: No or Cancel ends the plain run with 0.
    int Stopped(int code) const { return mode == kRunPlain && code == kExitCancelled ? 0 : code; }

    // A message box of a text formatted with args, or, unattended,
    // `unattended` as its answer with no box shown; either way the text and
    // the answer go into the log.
    int Ask(TextId id, const char* const* args, int count, const char* caption, unsigned style, int unattended);
    int Ask(TextId id, const char* arg, const char* caption, unsigned style, int unattended) {
        return Ask(id, &arg, 1, caption, style, unattended);
    }
    // A line of the log, when there is one: a text with up to two
    // arguments.
    void Log(TextId id, const char* a = 0, const char* b = 0);

    Platform& p;
    RunMode mode = kRunPlain;
    // What a check's stop ends the run with (before Stopped()).
    int stopCode = kExitCancelled;
    // The room a message has: the installer's texts fit their areas; the
    // uninstaller's, which list the files that stay, have more. At most
    // kMessageSize.
    enum { kMessageSize = kTextSize + kPathSize };
    unsigned textSize = kTextSize;

private:
    FileHandle log_ = kNoFile;
};

// The log of `s`, null-safe, for code that may run without a session.
inline void LogTo(Session* s, TextId id, const char* a = 0, const char* b = 0) {
    if (s) s->Log(id, a, b);
}

#endif
