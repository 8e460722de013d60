#include "install/install.h"

#include "app/installer.h"
#include "app/text.h"
#include "res/ids.h"

void RegisterScreenSaver(Platform& p, const char* screenSaverName, InstallOutcome* o) {
    if (o->error != kInstallOk) return;  // nothing incomplete is ever registered
    char path[kPathSize];
    if (p.WindowsDirectory(path, sizeof path) == 0) {
        FailInstall(o, kInstallNoWindowsDirectory, "");
        return;
    }
    if (!AppendBackslash(path, sizeof path) || !AppendText(path, sizeof path, screenSaverName)) {
        FailInstall(o, kInstallPathTooLong, screenSaverName);
        return;
    }
    // The short form where the platform gives one; the full path of the
    // program just written otherwise. Never an undefined value.
    char value[kPathSize];
    if (p.ShortPathName(path, value, sizeof value) == 0) {
        if (!o->programWritten) return;
        CopyText(value, sizeof value, path);
    }
    p.WriteProfileValue("boot", "SCRNSAVE.EXE", value, "system.ini");
    p.SetScreenSaverActive(true);
}

int InstallDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, uintptr_t,
                      void* context) {
    InstallContext* c = static_cast<InstallContext*>(context);
    if (msg == kMsgInitDialog) {
        char text[kCaptionSize];
        const char* args[] = {c->title};
        FormatText(text, sizeof text, "%s Screen Saver Installation", args, 1);
        p.SetText(dialog, text);
        FormatText(text, sizeof text, "%s Screen Saver", args, 1);
        p.SetItemText(dialog, IDC_INSTALL_TITLE, text);
        CentreWindow(p, dialog);
        // The work starts once the dialog is up, on this command.
        p.Post(dialog, kMsgCommand, kIdOk, p.DialogItem(dialog, kIdOk));
        return 1;
    }
    if (msg == kMsgCommand && (wParam == kIdOk || wParam == kIdCancel)) {
        if (!c->ran) {
            c->ran = true;
            ExtractEntries(p, c->screenSaverName, &c->outcome);
            RegisterScreenSaver(p, c->screenSaverName, &c->outcome);
        }
        p.EndDialog(dialog, (int)wParam);
        return 1;
    }
    return 0;
}

void FormatInstallFailure(const InstallOutcome& o, char* out, size_t cap) {
    const char* reason = "%s";
    switch (o.error) {
    case kInstallOk: reason = ""; break;
    case kInstallDamaged:
        reason = "The installer %s is damaged: its data is incomplete or invalid.  Please obtain a new copy.";
        break;
    case kInstallEmpty: reason = "The installer %s holds no screen saver."; break;
    case kInstallCantRead: reason = "The installer %s could not be read."; break;
    case kInstallCantCreate: reason = "The file %s could not be created."; break;
    case kInstallCantWrite: reason = "The file %s could not be written completely.  The disk may be full."; break;
    case kInstallCantMakeDirectory: reason = "The directory %s could not be created."; break;
    case kInstallPathTooLong: reason = "The path for %s is too long."; break;
    case kInstallNoWindowsDirectory: reason = "The Windows directory could not be found."; break;
    case kInstallNoModulePath: reason = "The installer could not find its own file."; break;
    case kInstallNoMemory: reason = "There is not enough memory to install the screen saver."; break;
    case kInstallNotRun: reason = "The installation could not be started."; break;
    }
    char first[kTextSize];
    const char* file[] = {o.file};
    FormatText(first, sizeof first, reason, file, 1);
    const char* args[] = {first};
    FormatText(out, cap,
               o.filesComplete ? "%s\r\n\r\nThe screen saver's files have been written, but it has not "
                                 "been made your default Screen Saver."
                               : "%s\r\n\r\nThe screen saver has not been installed.",
               args, 1);
}
