#include "app/installer.h"

#include "base/text.h"
#include "checks/checks.h"
#include "install/install.h"
#include "install/names.h"
#include "install/removal.h"
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

int RunInstallation(Platform& p, InstallerState& s) {
    // Read once: every step below names the same file and directory.
    p.ModuleFileName(s.modulePath, sizeof s.modulePath);
    p.WindowsDirectory(s.windowsDirectory, sizeof s.windowsDirectory);

    ScreenSaverFileName(s.modulePath, s.screenSaverName, sizeof s.screenSaverName);
    const InstallPlace where = {s.modulePath, s.windowsDirectory, s.screenSaverName};

    ReadPayloadTitle(p, s.modulePath, s.title);
    // An uninstaller is this stub with a removal record for its payload.
    if (IsRemovalMark(s.title)) return RunRemoval(p, s.modulePath, s.windowsDirectory);
    if (!CheckNameConflict(p, where) || !CheckDiskSpace(p, where, &s.totalPayloadSize) ||
        !CheckGraphicsLibraries(p))
        return 0;
    TrimTrailingSpaces(s.title);
    char caption[kCaptionSize];
    FormatCaption(s.title, caption, sizeof caption);

    char windowsDir[kPathSize];
    CopyText(windowsDir, sizeof windowsDir, s.windowsDirectory);
    UpperAscii(windowsDir);
    char size[kNumberSize];
    FormatThousands(s.totalPayloadSize, size, sizeof size);
    char text[kTextSize];
    const char* confirmArgs[] = {s.screenSaverName, s.title, windowsDir, size};
    FormatText(text, sizeof text, Text(kTextConfirm), confirmArgs, 4);
    if (p.ShowMessage(text, caption, kMbOkCancel | kMbIconInformation) != kIdOk) return 0;

    p.SetCursor(kCursorWait);
    InstallContext install = {s.title, where, false, {}};
    p.RunDialog(IDD_INSTALLING, InstallDialogProc, &install);
    p.SetCursor(kCursorArrow);
    if (!install.ran) FailInstall(&install.outcome, kInstallNotRun, "");
    if (install.outcome.error != kInstallOk) {
        FormatInstallFailure(install.outcome, text, sizeof text);
        p.ShowMessage(text, caption, kMbOk | kMbIconError);
        return kExitInstallFailed;
    }

    if (install.outcome.removalFailed[0]) {
        const char* args[] = {install.outcome.removalFailed};
        FormatText(text, sizeof text, Text(kTextNoRemoval), args, 1);
        p.ShowMessage(text, caption, kMbOk | kMbIconExclamation);
    }

    CopyText(windowsDir, sizeof windowsDir, s.windowsDirectory);
    AppendBackslash(windowsDir, sizeof windowsDir);
    char dataDir[kPathSize];
    CompletionDirectoryPart(s.modulePath, dataDir, sizeof dataDir);
    const char* completeArgs[] = {windowsDir, dataDir};
    FormatText(text, sizeof text, Text(kTextComplete), completeArgs, 2);
    p.ShowMessage(text, caption, kMbOk | kMbIconExclamation);

    p.RunDialog(IDD_ORDERING_INFO, OrderingInfoDialogProc, 0);
    // By its full path, quoted: a program of that name beside the installer
    // (in a Downloads folder, say) is never the one started.
    char command[kPathSize + 2] = "\"";
    if (ScreenSaverPath(where, command + 1, kPathSize) && AppendText(command, sizeof command, "\""))
        p.StartProgram(command);
    return 0;
}

static int OnCreate(Platform& p, void* context) {
    return RunInstallation(p, *static_cast<InstallerState*>(context));
}

int InstallerMain(Platform& p, InstallerState& s) {
    return p.RunMainWindow(kWindowClass, IDI_INSTALLER, OnCreate, &s);
}
