#include "install/install.h"

#include "base/text.h"
#include "res/ids.h"
#include "res/texts.h"

void FormatCaption(const char* title, char* out, size_t cap) {
    FormatWithArgument(out, cap, kTextCaption, title);
}

void CentreWindow(UserInterface& ui, Window w) {
    Rect r;
    if (!ui.GetWindowRect(w, &r)) return;
    int width = r.right - r.left, height = r.bottom - r.top;
    // Signed divisions, truncating toward zero.
    ui.MoveWindow(w, ui.ScreenWidth() / 2 - width / 2, ui.ScreenHeight() / 2 - height / 2, width,
                  height);
}

void RunInstall(Platform& p, InstallContext* c) {
    if (c->ran) return;
    c->ran = true;
    ExtractEntries(p, c->where, &c->outcome, c->title, 0, c->session);
}

int InstallDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context) {
    InstallContext* c = static_cast<InstallContext*>(context);
    if (msg == kMsgInitDialog) {
        char text[kCaptionSize];
        FormatCaption(c->title, text, sizeof text);
        p.SetText(dialog, text);
        FormatWithArgument(text, sizeof text, kTextDialogTitle, c->title);
        p.SetItemText(dialog, IDC_INSTALL_TITLE, text);
        CentreWindow(p, dialog);
        // The work starts once the dialog is up, on this command.
        p.PostCommand(dialog, kIdOk);
        return 1;
    }
    if (msg == kMsgCommand && (wParam == kIdOk || wParam == kIdCancel)) {
        RunInstall(p, c);
        p.EndDialog(dialog, (int)wParam);
        return 1;
    }
    return 0;
}
