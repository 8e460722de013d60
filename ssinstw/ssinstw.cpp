// ssinstw: the authoring library in a window, for authors who do not use a
// command line. One dialog: the project's inputs, a live table of what the
// installer will write, the problems in ssinst's words, and Build, which
// runs off the window's thread, can be cancelled, and shows the verified
// installer's entries and SHA-256.
//
//   ssinstw.exe [Forest.ssproj]
#ifndef UNICODE
#define UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <atomic>
#include <string>
#include <vector>

#include "authoring/installer_reader.h"
#include "authoring/project_build.h"
#include "authoring/embedded_stub.h"
#include "authoring/files.h"
#include "authoring/project.h"
#include "authoring/sha256.h"
#include "ssinstw/ids.h"
#include "ssinstw/window_logic.h"

namespace {

const UINT kProgressMessage = WM_APP + 1;  // wParam: per mille done
const UINT kDoneMessage = WM_APP + 2;      // lParam: a BuildResult, the window's to delete
const UINT kDpiChangedMessage = WM_APP + 3;
const int kRecentCount = 4;
const wchar_t kRecentKey[] = L"Software\\ssinstw\\Recent";

// Paths and texts cross to the library as UTF-8, which it gives Windows
// as UTF-16 again: any name Windows allows goes through.
std::wstring W16(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }
std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::string Narrow(const std::wstring& w) { return Utf8(U16(w)); }
std::wstring Wide(const std::string& s) { return W16(Utf16(s)); }

// Item i of a list box.
std::wstring ListItem(HWND list, int i) {
    std::wstring f((size_t)SendMessageW(list, LB_GETTEXTLEN, i, 0) + 1, L'\0');
    f.resize((size_t)SendMessageW(list, LB_GETTEXT, i, (LPARAM)&f[0]));
    return f;
}

struct BuildResult {
    std::string output;  // as the build had it, whatever the controls hold since
    bool ok;
    std::string error;
    Verdict verdict;
    std::string sha256;
    uint64_t size;
};

struct Window {
    HWND dialog = NULL;
    std::wstring path;  // the project file; "" when new
    bool dirty = false;
    bool loading = false;  // the controls are being filled, not edited
    bool building = false;
    bool closing = false;  // asked to close while building: it closes when the build has stopped
    std::atomic<bool> stop{false};
    HANDLE thread = NULL;
    Project project;
    std::string result;  // the last build's summary, shown under the problems
};

Window g;

std::wstring ItemText(int id) {
    const HWND item = GetDlgItem(g.dialog, id);
    std::wstring s((size_t)GetWindowTextLengthW(item) + 1, L'\0');
    s.resize((size_t)GetWindowTextW(item, &s[0], (int)s.size()));
    return s;
}

// The project as the controls have it.
Project FromControls() {
    Project p;
    p.title = Narrow(ItemText(IDC_TITLE));
    p.hasTitle = g.project.hasTitle || !p.title.empty();  // "" is a title once one was typed
    p.numberingBase = g.project.numberingBase;
    p.strict = g.project.strict;  // the window has no control for it; a project file's stays
    p.pack = IsDlgButtonChecked(g.dialog, IDC_PACK) == BST_CHECKED;
    const std::string project = Narrow(g.path);
    p.path = project;
    p.program = PathInProject(project, Narrow(ItemText(IDC_PROGRAM)));
    p.data = PathInProject(project, Narrow(ItemText(IDC_DATA)));
    p.output = PathInProject(project, Narrow(ItemText(IDC_OUTPUT)));
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    const int n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) p.files.push_back(PathInProject(project, Narrow(ListItem(list, i))));
    return p;
}

// The list box scrolls sideways as far as its longest path.
void FitFilesWidth() {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    const HDC dc = GetDC(list);
    const HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(list, WM_GETFONT, 0, 0));
    int widest = 0;
    const int n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        const std::wstring f = ListItem(list, i);
        SIZE size;
        if (GetTextExtentPoint32W(dc, f.c_str(), (int)f.size(), &size) && size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, (WPARAM)(widest + 8), 0);
}

void ToControls(const Project& p) {
    g.loading = true;
    SetDlgItemTextW(g.dialog, IDC_TITLE, Wide(p.title).c_str());
    SetDlgItemTextW(g.dialog, IDC_PROGRAM, Wide(p.program).c_str());
    SetDlgItemTextW(g.dialog, IDC_DATA, Wide(p.data).c_str());
    SetDlgItemTextW(g.dialog, IDC_OUTPUT, Wide(p.output).c_str());
    CheckDlgButton(g.dialog, IDC_PACK, p.pack ? BST_CHECKED : BST_UNCHECKED);
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& f : p.files) SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)Wide(f).c_str());
    FitFilesWidth();
    g.project = p;
    g.loading = false;
}

void UpdateCaption() {
    std::wstring name = g.path.empty() ? L"Untitled" : g.path.substr(g.path.find_last_of(L"\\/") + 1);
    SetWindowTextW(g.dialog, ((g.dirty ? L"*" : L"") + name + L" - ssinstw").c_str());
}

// The table, the problems and Build, from the controls, as they change.
void Refresh() {
    g.project = FromControls();
    const ProjectPlan plan = PlanProject(g.project);
    SetDlgItemTextW(g.dialog, IDC_TITLE_LEFT, Wide(TitleLeft(g.project.title)).c_str());
    SetDlgItemTextW(g.dialog, IDC_PROGRAM_NAME, Wide(ProgramLine(plan)).c_str());
    const HWND table = GetDlgItem(g.dialog, IDC_TABLE);
    ListView_DeleteAllItems(table);
    for (size_t i = 0; i < plan.entries.size(); ++i) {
        const PlannedEntry& e = plan.entries[i];
        std::wstring target = Wide(e.target.empty() ? "(no installer named)" : e.target);
        std::wstring size = Wide(Thousands(e.size));
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)i;
        item.pszText = &target[0];
        ListView_InsertItem(table, &item);
        ListView_SetItemText(table, (int)i, 1, &size[0]);
    }
    std::string text;
    for (const std::string& p : plan.problems) text += p + "\r\n";
    for (const std::string& w : plan.warnings) text += "warning: " + w + "\r\n";
    if (plan.problems.empty()) text += ReadyLine(plan) + "\r\n";
    text += g.result;
    SetDlgItemTextW(g.dialog, IDC_PROBLEMS, Wide(text).c_str());
    EnableWindow(GetDlgItem(g.dialog, IDOK), plan.problems.empty() && !g.building);
    EnableWindow(GetDlgItem(g.dialog, IDCANCEL), g.building);
}

void Changed() {
    if (g.loading) return;
    FitFilesWidth();
    g.result.clear();
    if (!g.dirty) {
        g.dirty = true;
        UpdateCaption();
    }
    Refresh();
}

// Recent projects, newest first, in the user's part of the registry.
std::vector<std::wstring> Recent() {
    std::vector<std::wstring> out;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecentKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    for (int i = 0; i < kRecentCount; ++i) {
        wchar_t value[MAX_PATH * 2];
        DWORD size = sizeof value, type = 0;
        if (RegQueryValueExW(key, std::to_wstring(i).c_str(), NULL, &type, (BYTE*)value, &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            out.push_back(std::wstring(value, wcsnlen(value, size / sizeof(wchar_t))));
    }
    RegCloseKey(key);
    return out;
}

// In the File menu, between a separator of their own and Exit's.
void ShowRecent() {
    const HMENU file = GetSubMenu(GetMenu(g.dialog), 0);
    for (int i = 0; i < kRecentCount; ++i) DeleteMenu(file, IDM_RECENT + i, MF_BYCOMMAND);
    DeleteMenu(file, IDM_RECENT_SEPARATOR, MF_BYCOMMAND);
    const std::vector<std::wstring> recent = Recent();
    if (recent.empty()) return;
    const UINT at = (UINT)GetMenuItemCount(file) - 1;  // Exit
    InsertMenuW(file, at, MF_BYPOSITION | MF_SEPARATOR, IDM_RECENT_SEPARATOR, NULL);
    for (size_t i = 0; i < recent.size(); ++i) {
        std::wstring label = L"&" + std::to_wstring(i + 1) + L" ";
        for (wchar_t c : recent[i]) label += c == L'&' ? L"&&" : std::wstring(1, c);
        InsertMenuW(file, at + 1 + (UINT)i, MF_BYPOSITION | MF_STRING, IDM_RECENT + i, label.c_str());
    }
}

void AddRecent(const std::wstring& path) {
    std::vector<std::u16string> old;
    for (const std::wstring& r : Recent()) old.push_back(U16(r));
    const std::vector<std::u16string> recent =
        WithRecent(old, U16(path), kRecentCount, [](const std::u16string& a, const std::u16string& b) {
            return lstrcmpiW(W16(a).c_str(), W16(b).c_str()) == 0;
        });
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRecentKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < recent.size(); ++i)
        RegSetValueExW(key, std::to_wstring(i).c_str(), 0, REG_SZ, (const BYTE*)recent[i].c_str(),
                       (DWORD)((recent[i].size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    ShowRecent();
}

// The table's columns share its width, three quarters for the path.
void SizeColumns() {
    const HWND table = GetDlgItem(g.dialog, IDC_TABLE);
    RECT r;
    GetClientRect(table, &r);
    const int width = r.right - r.left - GetSystemMetrics(SM_CXVSCROLL);
    ListView_SetColumnWidth(table, 0, width * 3 / 4);
    ListView_SetColumnWidth(table, 1, width - width * 3 / 4);
}

void Message(const std::string& text, UINT style) {
    MessageBoxW(g.dialog, Wide(text).c_str(), L"ssinstw", style);
}

bool Open(const std::wstring& path) {
    Project p;
    std::string error;
    if (!ReadProject(Narrow(path), &p, &error)) {
        Message(error, MB_OK | MB_ICONERROR);
        return false;
    }
    g.path = path;
    g.dirty = false;
    g.result.clear();
    ToControls(p);
    UpdateCaption();
    AddRecent(path);
    Refresh();
    return true;
}

// The files chosen in Windows' Open or Save As dialog; none when it was
// cancelled. With `many`, any number may be chosen.
std::vector<std::wstring> ChooseFiles(bool save, const wchar_t* filter, const wchar_t* extension,
                                      const std::wstring& start, bool many) {
    std::vector<wchar_t> names(many ? 65536 : MAX_PATH * 4);
    lstrcpynW(names.data(), start.c_str(), (int)names.size());
    OPENFILENAMEW f = {};
    f.lStructSize = sizeof f;
    f.hwndOwner = g.dialog;
    f.lpstrFilter = filter;
    f.lpstrFile = names.data();
    f.nMaxFile = (DWORD)names.size();
    f.lpstrDefExt = extension;
    // The current folder stays: typed paths of a project not saved yet are
    // taken from it.
    f.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST) | (many ? OFN_ALLOWMULTISELECT : 0);
    BOOL chosen = save ? GetSaveFileNameW(&f) : GetOpenFileNameW(&f);
    if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {  // a starting name no file can have
        names[0] = 0;
        chosen = save ? GetSaveFileNameW(&f) : GetOpenFileNameW(&f);
    }
    if (!chosen) return {};
    if (!many) return {names.data()};  // what follows its NUL may be left of `start`
    std::vector<std::wstring> out;
    for (const std::u16string& f : ChosenFiles(reinterpret_cast<const char16_t*>(names.data()))) out.push_back(W16(f));
    return out;
}

std::wstring FileDialog(bool save, const wchar_t* filter, const wchar_t* extension, const std::wstring& start) {
    const std::vector<std::wstring> chosen = ChooseFiles(save, filter, extension, start, false);
    return chosen.empty() ? L"" : chosen[0];
}

const wchar_t kProjects[] = L"Installer projects (*.ssproj)\0*.ssproj\0All files\0*.*\0";

bool SaveTo(const std::wstring& path) {
    std::string error;
    const Project p = FromControls();
    if (!WriteProject(Narrow(path), p, &error)) {
        Message(error, MB_OK | MB_ICONERROR);
        return false;
    }
    // Typed paths were taken from the old folder; shown whole, they keep
    // their meaning in the new one.
    ToControls(p);
    g.path = path;
    g.dirty = false;
    UpdateCaption();
    AddRecent(path);
    return true;
}

bool SaveAs() {
    const std::wstring path = FileDialog(true, kProjects, L"ssproj", g.path);
    return !path.empty() && SaveTo(path);
}

bool Save() { return g.path.empty() ? SaveAs() : SaveTo(g.path); }

// Unsaved changes: asked about before they would be lost.
bool MayDiscard() {
    if (!g.dirty) return true;
    const std::wstring name = g.path.empty() ? L"Untitled" : g.path;
    switch (MessageBoxW(g.dialog, (L"Save the changes to " + name + L"?").c_str(), L"ssinstw",
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return Save();
    case IDNO: return true;
    default: return false;
    }
}

DWORD WINAPI BuildThread(void* context) {
    Project* p = static_cast<Project*>(context);
    BuildResult* r = new BuildResult();
    r->output = p->output;
    std::vector<uint8_t> stub;
    std::string stubName;
    r->ok = LoadStub("", &stub, &stubName, &r->error);
    BuildControl control;
    control.stop = &g.stop;
    control.progress = [](uint64_t done, uint64_t total) {
        PostMessageW(g.dialog, kProgressMessage, total ? (WPARAM)(done * 1000 / total) : 0, 0);
    };
    r->ok = r->ok && BuildProject(*p, stub, stubName, control, &r->verdict, &r->error);
    if (r->ok) {
        r->sha256 = FileSha256(p->output);
        SourceFile f;
        std::string error;
        r->size = f.Open(p->output, &error) ? f.Size() : 0;
    }
    delete p;
    PostMessageW(g.dialog, kDoneMessage, 0, (LPARAM)r);
    return 0;
}

void StartBuild() {
    Refresh();
    if (g.building || !IsWindowEnabled(GetDlgItem(g.dialog, IDOK))) return;
    g.building = true;
    g.stop = false;
    g.result = "Building...\r\n";
    SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, 1000);
    SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    Project* p = new Project(g.project);
    g.thread = CreateThread(NULL, 0, BuildThread, p, 0, NULL);
    if (!g.thread) {
        delete p;
        g.building = false;
        g.result = "Not built: the build could not be started\r\n";
        Refresh();
        return;
    }
    Refresh();
    SendMessageW(g.dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(g.dialog, IDCANCEL), TRUE);
}

void Finished(BuildResult* r) {
    WaitForSingleObject(g.thread, INFINITE);
    CloseHandle(g.thread);
    g.thread = NULL;
    g.building = false;
    if (!r->ok) {
        g.result = "Not built: " + r->error + "\r\n";
    } else {
        g.result = BuildSummary(r->output, r->verdict, r->size, r->sha256);
    }
    SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETPOS, r->ok ? 1000 : 0, 0);
    delete r;
    if (g.closing) {  // asked already
        DestroyWindow(g.dialog);
        return;
    }
    const bool onCancel = GetFocus() == GetDlgItem(g.dialog, IDCANCEL);
    Refresh();
    if (onCancel) SendMessageW(g.dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(g.dialog, IDOK), TRUE);
}

void AddFiles(const std::vector<std::wstring>& files) {
    for (const std::wstring& f : files) SendDlgItemMessageW(g.dialog, IDC_FILES, LB_ADDSTRING, 0, (LPARAM)f.c_str());
    if (!files.empty()) Changed();
}

void MoveSelected(int by) {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    const int at = (int)SendMessageW(list, LB_GETCURSEL, 0, 0), n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (at < 0 || at + by < 0 || at + by >= n) return;
    const std::wstring f = ListItem(list, at);
    SendMessageW(list, LB_DELETESTRING, at, 0);
    SendMessageW(list, LB_INSERTSTRING, at + by, (LPARAM)f.c_str());
    SendMessageW(list, LB_SETCURSEL, at + by, 0);
    Changed();
}

void Command(int id, int code) {
    switch (id) {
    case IDC_TITLE:
        if (code != EN_CHANGE) return;
        if (!g.loading) g.project.hasTitle = true;
        Changed();
        return;
    case IDC_PROGRAM:
    case IDC_DATA:
    case IDC_OUTPUT:
        if (code == EN_CHANGE) Changed();
        return;
    case IDC_PACK: Changed(); return;
    case IDC_PROGRAM_BROWSE:
    case IDC_DATA_BROWSE: {
        const bool program = id == IDC_PROGRAM_BROWSE;
        const std::wstring f = FileDialog(false, program ? L"Screen savers (*.scr)\0*.scr\0All files\0*.*\0"
                                                         : L"Data files (*.dat)\0*.dat\0All files\0*.*\0",
                                          NULL, L"");
        if (!f.empty()) SetDlgItemTextW(g.dialog, program ? IDC_PROGRAM : IDC_DATA, f.c_str());
        return;
    }
    case IDC_OUTPUT_BROWSE: {
        const std::wstring f = FileDialog(true, L"Installers (*.exe)\0*.exe\0", L"exe", ItemText(IDC_OUTPUT));
        if (!f.empty()) SetDlgItemTextW(g.dialog, IDC_OUTPUT, f.c_str());
        return;
    }
    case IDC_ADD: AddFiles(ChooseFiles(false, L"All files\0*.*\0", NULL, L"", true)); return;
    case IDC_REMOVE: {
        const int at = (int)SendDlgItemMessageW(g.dialog, IDC_FILES, LB_GETCURSEL, 0, 0);
        if (at >= 0) {
            SendDlgItemMessageW(g.dialog, IDC_FILES, LB_DELETESTRING, at, 0);
            Changed();
        }
        return;
    }
    case IDC_UP: MoveSelected(-1); return;
    case IDC_DOWN: MoveSelected(1); return;
    case IDOK: StartBuild(); return;
    case IDCANCEL:  // Esc, and the Cancel button
        if (g.building) g.stop = true;
        return;
    case IDM_NEW:
        if (!MayDiscard()) return;
        g.path.clear();
        g.dirty = false;
        g.result.clear();
        ToControls(Project());
        UpdateCaption();
        Refresh();
        return;
    case IDM_OPEN: {
        if (!MayDiscard()) return;
        const std::wstring f = FileDialog(false, kProjects, L"ssproj", L"");
        if (!f.empty()) Open(f);
        return;
    }
    case IDM_SAVE: Save(); return;
    case IDM_SAVE_AS: SaveAs(); return;
    case IDM_EXIT: PostMessageW(g.dialog, WM_CLOSE, 0, 0); return;
    }
    if (id >= IDM_RECENT && id < IDM_RECENT + kRecentCount) {
        const std::vector<std::wstring> recent = Recent();
        if ((size_t)(id - IDM_RECENT) < recent.size() && MayDiscard()) Open(recent[(size_t)(id - IDM_RECENT)]);
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        g.dialog = dialog;
        const HINSTANCE self = GetModuleHandleW(NULL);
        for (int big = 0; big < 2; ++big)
            SendMessageW(dialog, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                         (LPARAM)LoadImageW(self, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                            GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON),
                                            GetSystemMetrics(big ? SM_CYICON : SM_CYSMICON), LR_SHARED));
        const HWND table = GetDlgItem(dialog, IDC_TABLE);
        ListView_SetExtendedListViewStyle(table, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_FMT;
        c.pszText = const_cast<wchar_t*>(L"Path below the Windows directory");
        ListView_InsertColumn(table, 0, &c);
        c.fmt = LVCFMT_RIGHT;
        c.pszText = const_cast<wchar_t*>(L"Bytes");
        ListView_InsertColumn(table, 1, &c);
        SizeColumns();
        ToControls(Project());
        ShowRecent();
        UpdateCaption();
        Refresh();
        return TRUE;
    }
    case WM_COMMAND: Command(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_DROPFILES: {
        const HDROP drop = (HDROP)wParam;
        std::vector<std::wstring> files;
        const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, NULL, 0);
        for (UINT i = 0; i < n; ++i) {
            std::wstring f((size_t)DragQueryFileW(drop, i, NULL, 0) + 1, L'\0');
            f.resize(DragQueryFileW(drop, i, &f[0], (UINT)f.size()));
            files.push_back(f);
        }
        DragFinish(drop);
        AddFiles(files);
        return TRUE;
    }
    case kDpiChangedMessage:  // Windows has scaled the dialog and its controls, not the table's columns
        SizeColumns();
        return TRUE;
    case WM_DPICHANGED:
        PostMessageW(dialog, kDpiChangedMessage, 0, 0);
        return FALSE;  // the dialog's own handling scales it
    case kProgressMessage: SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETPOS, wParam, 0); return TRUE;
    case kDoneMessage: Finished(reinterpret_cast<BuildResult*>(lParam)); return TRUE;
    case WM_CLOSE:
        if (g.closing || !MayDiscard()) return TRUE;
        if (g.building) {  // the build stops first, then the window goes
            g.closing = true;
            g.stop = true;
            EnableWindow(dialog, FALSE);
            return TRUE;
        }
        DestroyWindow(dialog);
        return TRUE;
    case WM_QUERYENDSESSION:  // Windows is ending: unsaved changes are asked about, a build is not cut off
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, !g.building && MayDiscard());
        return TRUE;
    case WM_DESTROY: PostQuitMessage(0); return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), NULL, DialogProc, 0);
    if (!dialog) return 1;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc > 1) {
        wchar_t whole[MAX_PATH * 4];
        const DWORD n = GetFullPathNameW(argv[1], MAX_PATH * 4, whole, NULL);
        Open(n > 0 && n < MAX_PATH * 4 ? whole : argv[1]);
    }
    if (argv) LocalFree(argv);
    const HACCEL keys = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCEL));
    MSG m;
    while (GetMessageW(&m, NULL, 0, 0) > 0) {
        if (TranslateAcceleratorW(dialog, keys, &m) || IsDialogMessageW(dialog, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
