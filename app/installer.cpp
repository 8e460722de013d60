#include "app/installer.h"

#include "base/text.h"
#include "checks/checks.h"
#include "install/install.h"
#include "install/names.h"
#include "install/removal.h"
#include "install/session.h"
#include "payload/payload.h"
#include "payload/removal.h"
#include "res/ids.h"
#include "res/texts.h"

static const char kWindowClass[] = "ZELMInst";

int OrderingInfoDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void*) {
    if (msg == kMsgInitDialog) {
        CentreWindow(p, dialog);
        return 1;
    }
    // Only a plain button command: the whole wParam, not its low word.
    if (msg == kMsgCommand && (wParam == kIdOk || wParam == kIdCancel)) {
        p.EndDialog(dialog, (int)wParam);
        return 1;
    }
    return 0;
}

namespace {

// The installation after its switches, in the session's mode; returns the
// exit code.
int Install(Session& ss, InstallerState& s, const char* caption) {
    Platform& p = ss.p;
    // The checks and the installation name the same place.
    InstallContext install = {s.title, {s.modulePath, s.windowsDirectory, s.screenSaverName}, &ss, false, {}};
    const InstallPlace& where = install.where;
    if (!CheckNameConflict(ss, where) || !CheckDiskSpace(ss, where, &s.totalPayloadSize) ||
        !CheckGraphicsLibraries(ss))
        return ss.Stopped(ss.stopCode);

    char windowsDir[kPathSize];
    CopyText(windowsDir, sizeof windowsDir, s.windowsDirectory);
    UpperAscii(windowsDir);
    char size[kNumberSize];
    FormatThousands(s.totalPayloadSize, size, sizeof size);
    const char* confirmArgs[] = {s.screenSaverName, s.title, windowsDir, size};
    // Cancelled, the run ends as at a check's stop: the stop code is still
    // kExitCancelled here, since only a stop for too little room changes it.
    if (ss.Ask(kTextConfirm, confirmArgs, 4, caption, kMbOkCancel | kMbIconInformation, kIdOk) != kIdOk)
        return ss.Stopped(ss.stopCode);

    // Quiet, the installation runs with no dialog to show it.
    if (ss.mode == kRunQuiet) {
        RunInstall(p, &install);
    } else {
        p.SetCursor(kCursorWait);
        p.RunDialog(IDD_INSTALLING, InstallDialogProc, &install);
        p.SetCursor(kCursorArrow);
    }
    char text[kTextSize];
    if (!install.ran) FailInstall(&install.outcome, kInstallNotRun, "");
    if (install.outcome.error != kInstallOk) {
        // Formatted as FormatInstallFailure formats it, in the room of a message.
        const TextId says = InstallFailure(install.outcome, text, sizeof text);
        ss.Ask(says, text, caption, kMbOk | kMbIconError, kIdOk);
        return kExitFailed;
    }

    if (install.outcome.removalFailed[0])
        ss.Ask(kTextNoRemoval, install.outcome.removalFailed, caption, kMbOk | kMbIconExclamation, kIdOk);

    CopyText(windowsDir, sizeof windowsDir, s.windowsDirectory);
    AppendBackslash(windowsDir, sizeof windowsDir);
    char dataDir[kPathSize];
    CompletionDirectoryPart(s.modulePath, dataDir, sizeof dataDir);
    const char* completeArgs[] = {windowsDir, dataDir};
    ss.Ask(kTextComplete, completeArgs, 2, caption, kMbOk | kMbIconExclamation, kIdOk);
    // Unattended, nothing more shows and nothing is started.
    if (ss.Unattended()) return kExitDone;

    p.RunDialog(IDD_ORDERING_INFO, OrderingInfoDialogProc, 0);
    // By its full path, quoted: a program of that name beside the installer
    // (in a Downloads folder, say) is never the one started.
    char command[kPathSize + 2];
    command[0] = '"';
    if (ScreenSaverPath(where, command + 1, kPathSize) && AppendText(command, sizeof command, "\""))
        p.StartProgram(command);
    return kExitDone;
}

}  // namespace

int RunInstallation(Platform& p, InstallerState& s) {
    // Read once: every step below names the same file and directory.
    p.ModuleFileName(s.modulePath, sizeof s.modulePath);
    p.WindowsDirectory(s.windowsDirectory, sizeof s.windowsDirectory);

    ScreenSaverFileName(s.modulePath, s.screenSaverName, sizeof s.screenSaverName);
    ReadPayloadTitle(p, s.modulePath, s.title);
    TrimTrailingSpaces(s.title);
    char caption[kCaptionSize];
    FormatCaption(s.title, caption, sizeof caption);
    // An uninstaller is this stub with a removal record for its payload.
    const bool removal = IsRemovalMark(s.title);
    Session session(p);
    int code = session.Begin(removal ? kUninstallerName : caption);
    if (code < 0)
        code = removal ? RunRemoval(session, s.modulePath, s.windowsDirectory) : Install(session, s, caption);
    return session.End(code);
}

static int OnCreate(Platform& p, void* context) {
    return RunInstallation(p, *static_cast<InstallerState*>(context));
}

int InstallerMain(Platform& p, InstallerState& s) {
    return p.RunMainWindow(kWindowClass, IDI_INSTALLER, OnCreate, &s);
}
