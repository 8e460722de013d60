// Answers an installer's dialogs by program, for the end-to-end tests.
//
//   winhelper SCRIPT
//
// SCRIPT is a text file, one command a line:
//   wait CAPTION      wait (up to 30 s) for a new top-level window with exactly
//                     this caption and a visible button (which passes over the
//                     installation dialog, whose caption is the same); it
//                     becomes the current window
//   text TEXT         the current message box's text is exactly TEXT
//   has TEXT          some child of the current window has exactly this text
//   shot FILE.bmp     save a picture of the current window
//   press LABEL       press the button with this label ('&' ignored), then
//                     wait until the window has gone
//   click LABEL       press the button with this label ('&' ignored) in a
//                     window that stays (it must be, or within 5 s become,
//                     enabled)
//   until TEXT        wait (up to 120 s) until some child of the current
//                     window holds TEXT within its text
//   within SECS TEXT  the same, within SECS seconds (a fraction allowed)
//                     of the command before it having been carried out
//   lacks TEXT        no child of the current window holds TEXT
//   disabled ID       the current window's control ID is disabled
//   key NAME [ID]     press and release a key (RETURN, DELETE, ESCAPE) in
//                     the control ID, or the one that has the keyboard
//   close             ask the current window to close, and wait until it has
//   askclose          ask the current window to close, and go on at once
//   settext ID TEXT   set the text of the current window's control ID
//   select ID N       select the list box ID's item N (from 0) alone, as
//                     a click on it does
//   command ID        send the current window the menu command ID
//   responsive SECS   for SECS seconds the current window answers every
//                     message sent to it within half a second
//   none SECONDS      no new top-level window appears within SECONDS
//   centred           the current window stands in the middle of the screen
//   nofile PATH       no file PATH exists (yet)
//   load NAME         LoadLibraryA(NAME) by that bare name succeeds
// In TEXT, {CR} and {LF} stand for a carriage return and a line feed.
// Runs in the same Wine prefix as the installer; exits 0 when every line
// held, 1 otherwise, printing what it saw.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<HWND> g_handled;  // windows already answered
HWND g_current = NULL;
DWORD g_last = 0;  // when the command before this one was carried out

std::string Unescape(std::string s) {
    const char* from[] = {"{CR}", "{LF}"};
    const char* to[] = {"\r", "\n"};
    for (int i = 0; i < 2; ++i)
        for (size_t at; (at = s.find(from[i])) != std::string::npos;) s.replace(at, 4, to[i]);
    return s;
}

std::string Visible(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') out += "{CR}";
        else if (c == '\n') out += "{LF}";
        else out += c;
    }
    return out;
}

std::string TextOf(HWND w) {
    char buf[2048];
    buf[0] = 0;
    // WM_GETTEXT works across processes where GetWindowText does not.
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, NULL);
    return buf;
}

std::string ClassOf(HWND w) {
    char buf[256];
    buf[0] = 0;
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

BOOL CALLBACK CollectTop(HWND w, LPARAM out) {
    if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> v;
    EnumWindows(CollectTop, (LPARAM)&v);
    return v;
}

std::vector<HWND> Children(HWND w) {
    std::vector<HWND> v;
    EnumChildWindows(w, CollectChild, (LPARAM)&v);
    return v;
}

bool Handled(HWND w) {
    for (HWND h : g_handled)
        if (h == w) return true;
    return false;
}

void Dump() {
    for (HWND w : TopWindows()) {
        std::printf("  window \"%s\" class %s\n", Visible(TextOf(w)).c_str(), ClassOf(w).c_str());
        for (HWND c : Children(w))
            std::printf("    child id %d class %s \"%s\"\n", GetDlgCtrlID(c), ClassOf(c).c_str(),
                        Visible(TextOf(c)).c_str());
    }
}

bool HasVisibleButton(HWND w) {
    for (HWND c : Children(w))
        if (ClassOf(c) == "Button" && IsWindowVisible(c)) return true;
    return false;
}

bool Wait(const std::string& caption) {
    for (int tick = 0; tick < 300; ++tick) {
        for (HWND w : TopWindows())
            if (!Handled(w) && TextOf(w) == caption && HasVisibleButton(w)) {
                g_current = w;
                std::printf("  (after %lu ms)\n", (unsigned long)(GetTickCount() - g_last));
                Sleep(300);  // let it paint
                return true;
            }
        Sleep(100);
    }
    std::printf("no window \"%s\" appeared; windows now:\n", caption.c_str());
    Dump();
    return false;
}

bool None(int seconds) {
    for (int tick = 0; tick < seconds * 10; ++tick) {
        for (HWND w : TopWindows())
            if (!Handled(w) && !TextOf(w).empty()) {
                std::printf("unexpected window \"%s\"\n", Visible(TextOf(w)).c_str());
                Dump();
                return false;
            }
        Sleep(100);
    }
    return true;
}

bool Text(const std::string& want) {
    HWND s = GetDlgItem(g_current, 0xFFFF);
    std::string got = s ? TextOf(s) : "";
    if (got == want) return true;
    std::printf("text differs\n  want \"%s\"\n  got  \"%s\"\n", Visible(want).c_str(),
                Visible(got).c_str());
    return false;
}

bool Has(const std::string& want) {
    for (HWND c : Children(g_current))
        if (TextOf(c) == want) return true;
    std::printf("no child with text \"%s\"; the window holds:\n", Visible(want).c_str());
    Dump();
    return false;
}

bool Centred() {
    RECT r;
    GetWindowRect(g_current, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2;
    if (r.left == x && r.top == y) return true;
    std::printf("window at %ld,%ld; centred would be %d,%d\n", r.left, r.top, x, y);
    return false;
}

bool NoFile(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    std::printf("%s exists\n", path.c_str());
    return false;
}

std::string WithoutAmpersand(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '&') out += c;
    return out;
}

bool Press(const std::string& label) {
    for (HWND c : Children(g_current))
        if (ClassOf(c) == "Button" && WithoutAmpersand(TextOf(c)) == label) {
            HWND w = g_current;
            g_handled.push_back(w);
            PostMessageA(c, BM_CLICK, 0, 0);
            for (int tick = 0; tick < 300 && IsWindow(w); ++tick) Sleep(100);
            if (IsWindow(w)) {
                std::printf("window did not close after pressing %s\n", label.c_str());
                return false;
            }
            return true;
        }
    std::printf("no button \"%s\"; the window holds:\n", label.c_str());
    Dump();
    return false;
}

bool Click(const std::string& label) {
    for (HWND c : Children(g_current))
        if (ClassOf(c) == "Button" && WithoutAmpersand(TextOf(c)) == label) {
            for (int tick = 0; tick < 50 && !IsWindowEnabled(c); ++tick) Sleep(100);
            if (!IsWindowEnabled(c)) {
                std::printf("the button \"%s\" is disabled; the window holds:\n", label.c_str());
                Dump();
                return false;
            }
            PostMessageA(c, BM_CLICK, 0, 0);
            return true;
        }
    std::printf("no button \"%s\"; the window holds:\n", label.c_str());
    Dump();
    return false;
}

bool Until(const std::string& want) {
    for (int tick = 0; tick < 1200; ++tick) {
        for (HWND c : Children(g_current))
            if (TextOf(c).find(want) != std::string::npos) return true;
        Sleep(100);
    }
    std::printf("no child came to hold \"%s\"; the window holds:\n", Visible(want).c_str());
    Dump();
    return false;
}

bool Within(const std::string& arg) {
    const size_t space = arg.find(' ');
    const double seconds = std::atof(arg.substr(0, space).c_str());
    const std::string want = space == std::string::npos ? "" : arg.substr(space + 1);
    for (;;) {
        const DWORD elapsed = GetTickCount() - g_last;
        for (HWND c : Children(g_current))
            if (TextOf(c).find(want) != std::string::npos) {
                std::printf("  (after %lu ms)\n", (unsigned long)(GetTickCount() - g_last));
                return true;
            }
        if (elapsed > (DWORD)(seconds * 1000)) break;
        Sleep(20);
    }
    std::printf("no child came to hold \"%s\" within %s s; the window holds:\n", Visible(want).c_str(),
                arg.substr(0, space).c_str());
    Dump();
    return false;
}

bool Lacks(const std::string& text) {
    for (HWND c : Children(g_current))
        if (TextOf(c).find(text) != std::string::npos) {
            std::printf("a child holds \"%s\": \"%s\"\n", Visible(text).c_str(), Visible(TextOf(c)).c_str());
            return false;
        }
    return true;
}

bool Disabled(const std::string& id) {
    const HWND item = GetDlgItem(g_current, std::atoi(id.c_str()));
    if (item && !IsWindowEnabled(item)) return true;
    std::printf("control %s is %s\n", id.c_str(), item ? "enabled" : "not there");
    return false;
}

bool Key(const std::string& arg) {
    const size_t space = arg.find(' ');
    const std::string name = arg.substr(0, space);
    const struct {
        const char* name;
        UINT vk;
    } keys[] = {{"RETURN", VK_RETURN}, {"DELETE", VK_DELETE}, {"ESCAPE", VK_ESCAPE}};
    UINT vk = 0;
    for (const auto& k : keys)
        if (name == k.name) vk = k.vk;
    HWND to = NULL;
    if (space != std::string::npos) {
        to = GetDlgItem(g_current, std::atoi(arg.substr(space + 1).c_str()));
    } else {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(g_current, NULL), &info)) to = info.hwndFocus;
    }
    if (!vk || !to) {
        std::printf("no key %s, or nowhere to press it\n", name.c_str());
        return false;
    }
    const LPARAM scan = (LPARAM)MapVirtualKeyA(vk, 0) << 16;
    return PostMessageA(to, WM_KEYDOWN, vk, scan | 1) && PostMessageA(to, WM_KEYUP, vk, scan | 1 | 0xC0000000);
}

// Posted, so that it comes after the clicks before it; a list of several
// selections is told what a click on the item tells it.
bool Select(const std::string& arg) {
    const int id = std::atoi(arg.c_str()), n = std::atoi(arg.substr(arg.find(' ') + 1).c_str());
    const HWND list = GetDlgItem(g_current, id);
    if (!list) {
        std::printf("no control %d\n", id);
        return false;
    }
    if (GetWindowLongA(list, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) {
        return PostMessageA(list, LB_SETSEL, FALSE, -1) && PostMessageA(list, LB_SETSEL, TRUE, n) &&
               PostMessageA(list, LB_SETCARETINDEX, n, FALSE) &&
               PostMessageA(g_current, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), (LPARAM)list);
    }
    return PostMessageA(list, LB_SETCURSEL, (WPARAM)n, 0) != 0;
}

bool Close() {
    HWND w = g_current;
    g_handled.push_back(w);
    PostMessageA(w, WM_CLOSE, 0, 0);
    for (int tick = 0; tick < 300 && IsWindow(w); ++tick) Sleep(100);
    if (IsWindow(w)) std::printf("the window did not close\n");
    return !IsWindow(w);
}

bool Responsive(int seconds) {
    for (int tick = 0; tick < seconds * 20; ++tick) {
        DWORD_PTR result;
        if (!SendMessageTimeoutA(g_current, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result)) {
            std::printf("the window did not answer within half a second\n");
            return false;
        }
        Sleep(50);
    }
    return true;
}

bool SetItemText(const std::string& arg) {
    const size_t space = arg.find(' ');
    const HWND item = GetDlgItem(g_current, std::atoi(arg.substr(0, space).c_str()));
    if (!item) {
        std::printf("no control %s\n", arg.substr(0, space).c_str());
        return false;
    }
    const std::string text = space == std::string::npos ? "" : arg.substr(space + 1);
    return SendMessageTimeoutA(item, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_ABORTIFHUNG, 5000, NULL) != 0;
}

bool Shot(const std::string& path) {
    RECT r;
    if (!GetWindowRect(g_current, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = NULL;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = (DWORD)((w * 3 + 3) & ~3), size = stride * (DWORD)h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
             std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             std::fwrite(bits, 1, size, f) == size;
        ok = std::fclose(f) == 0 && ok;
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    if (!ok) std::printf("could not write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: winhelper SCRIPT\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::printf("can't open %s\n", argv[1]);
        return 2;
    }
    char line[4096];
    int number = 0;
    g_last = GetTickCount();
    while (std::fgets(line, sizeof line, f)) {
        ++number;
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (s.empty() || s[0] == '#') continue;
        size_t space = s.find(' ');
        std::string cmd = s.substr(0, space), arg = space == std::string::npos ? "" : Unescape(s.substr(space + 1));
        bool ok;
        if (cmd == "wait") ok = Wait(arg);
        else if (cmd == "text") ok = Text(arg);
        else if (cmd == "has") ok = Has(arg);
        else if (cmd == "press") ok = Press(arg);
        else if (cmd == "shot") ok = Shot(arg);
        else if (cmd == "centred") ok = Centred();
        else if (cmd == "nofile") ok = NoFile(arg);
        else if (cmd == "load") ok = LoadLibraryA(arg.c_str()) != NULL;
        else if (cmd == "none") ok = None(std::atoi(arg.c_str()));
        else if (cmd == "click") ok = Click(arg);
        else if (cmd == "until") ok = Until(arg);
        else if (cmd == "close") ok = Close();
        else if (cmd == "askclose") ok = PostMessageA(g_current, WM_CLOSE, 0, 0) != 0;
        else if (cmd == "settext") ok = SetItemText(arg);
        else if (cmd == "select") ok = Select(arg);
        else if (cmd == "within") ok = Within(arg);
        else if (cmd == "lacks") ok = Lacks(arg);
        else if (cmd == "disabled") ok = Disabled(arg);
        else if (cmd == "key") ok = Key(arg);
        else if (cmd == "command") ok = PostMessageA(g_current, WM_COMMAND, (WPARAM)std::atoi(arg.c_str()), 0) != 0;
        else if (cmd == "responsive") ok = Responsive(std::atoi(arg.c_str()));
        else {
            std::printf("line %d: unknown command %s\n", number, cmd.c_str());
            ok = false;
        }
        if (!ok) {
            std::printf("line %d failed: %s\n", number, Visible(s).c_str());
            std::fclose(f);
            return 1;
        }
        g_last = GetTickCount();
        std::printf("ok: %s\n", Visible(s).c_str());
        std::fflush(stdout);
    }
    std::fclose(f);
    return 0;
}
