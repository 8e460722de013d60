// ssinstw: the authoring library in a window, for authors who do not use a
// command line. One dialog: the project's inputs, a live table of what the
// installer will write, the problems in ssinst's words, and Build, which
// runs off the window's thread, can be cancelled, and shows the verified
// installer's entries and SHA-256. The plan is made off the window's
// thread too, so that a project of thousands of files keeps it answering;
// the inputs stay locked while a build runs.
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

#include <algorithm>
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
const UINT kPlanMessage = WM_APP + 4;      // lParam: a PlanResult, the window's to delete
const int kRecentCount = 4;
const wchar_t kRecentKey[] = L"Software\\ssinstw\\Recent";

// Paths and texts cross to the library as UTF-8, which it gives Windows
// as UTF-16 again: any name Windows allows goes through.
std::wstring W16(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }
std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::string Narrow(const std::wstring& w) { return Utf8(U16(w)); }
std::wstring Wide(const std::string& s) { return W16(Utf16(s)); }

struct BuildResult {
    std::string output;  // as the build had it, whatever the controls hold since
    bool ok;
    std::string error;
    Verdict verdict;
    std::string sha256;
    uint64_t size;
};

struct PlanResult {
    unsigned asked;  // the request it answers
    ProjectPlan plan;
};

// The inputs a build locks, and the commands that would change them.
const int kLocked[] = {IDC_TITLE, IDC_PROGRAM, IDC_PROGRAM_BROWSE, IDC_DATA,   IDC_DATA_BROWSE,  IDC_FILES, IDC_ADD,
                       IDC_REMOVE, IDC_UP,    IDC_DOWN,           IDC_PACK, IDC_OUTPUT, IDC_OUTPUT_BROWSE};
const int kLockedCommands[] = {IDM_NEW, IDM_OPEN, IDM_RECENT, IDM_RECENT + 1, IDM_RECENT + 2, IDM_RECENT + 3};

struct Window {
    HWND dialog = NULL;
    std::wstring path;  // the project file; "" when new
    bool dirty = false;
    bool loading = false;  // the controls are being filled, not edited
    bool building = false;
    bool closing = false;  // asked to close while building: it closes when the build has stopped
    std::atomic<bool> stop{false};
    HANDLE thread = NULL;
    Project project;     // as the controls have it
    Project built;       // what the running build was given
    std::string result;  // the last build's outcome, shown above the problems
    HWND focus = NULL;   // where the keyboard was when the build started
    // The further files as the list shows them, and the width of each.
    std::vector<std::wstring> files;
    std::vector<int> widths;
    // The plan, made by a thread of its own from the latest project asked
    // for; the window shows a plan only of what it shows.
    ProjectPlan plan;
    unsigned asked = 0, shown = 0;
    Project wanted;
    CRITICAL_SECTION planLock;
    HANDLE planWake = NULL;
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
    p.files.reserve(g.files.size());
    for (const std::wstring& f : g.files) p.files.push_back(PathInProject(project, Narrow(f)));
    return p;
}

// The widths of the further files from `from` on, as the list shows them.
void MeasureFiles(size_t from) {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    const HDC dc = GetDC(list);
    const HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(list, WM_GETFONT, 0, 0));
    g.widths.resize(g.files.size());
    for (size_t i = from; i < g.files.size(); ++i) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, g.files[i].c_str(), (int)g.files[i].size(), &size);
        g.widths[i] = (int)size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

// The list box scrolls sideways as far as its longest path.
void FitFilesWidth() {
    const int widest = g.widths.empty() ? 0 : *std::max_element(g.widths.begin(), g.widths.end());
    SendDlgItemMessageW(g.dialog, IDC_FILES, LB_SETHORIZONTALEXTENT, (WPARAM)(widest + 8), 0);
}

std::vector<int> SelectedFiles() {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    const int n = (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    std::vector<int> out(n > 0 ? (size_t)n : 0);
    if (n > 0) out.resize((size_t)SendMessageW(list, LB_GETSELITEMS, (WPARAM)n, (LPARAM)out.data()));
    std::sort(out.begin(), out.end());
    return out;
}

// Remove, Up and Down as the selection allows; none while a build runs.
void UpdateListButtons() {
    const ListButtons b = ButtonsFor(SelectedFiles(), (int)g.files.size());
    EnableWindow(GetDlgItem(g.dialog, IDC_REMOVE), b.remove && !g.building);
    EnableWindow(GetDlgItem(g.dialog, IDC_UP), b.up && !g.building);
    EnableWindow(GetDlgItem(g.dialog, IDC_DOWN), b.down && !g.building);
}

void SelectFiles(const std::vector<int>& which) {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int i : which) SendMessageW(list, LB_SETSEL, TRUE, i);
    if (!which.empty()) SendMessageW(list, LB_SETCARETINDEX, (WPARAM)which.front(), FALSE);
    UpdateListButtons();
}

// The list box filled from g.files at once, drawn once when full.
void FillFilesList() {
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    size_t chars = 0;
    for (const std::wstring& f : g.files) chars += f.size() + 1;
    SendMessageW(list, LB_INITSTORAGE, (WPARAM)g.files.size(), (LPARAM)(chars * sizeof(wchar_t)));
    for (const std::wstring& f : g.files) SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)f.c_str());
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

void ToControls(const Project& p) {
    g.loading = true;
    SetDlgItemTextW(g.dialog, IDC_TITLE, Wide(p.title).c_str());
    SetDlgItemTextW(g.dialog, IDC_PROGRAM, Wide(p.program).c_str());
    SetDlgItemTextW(g.dialog, IDC_DATA, Wide(p.data).c_str());
    SetDlgItemTextW(g.dialog, IDC_OUTPUT, Wide(p.output).c_str());
    CheckDlgButton(g.dialog, IDC_PACK, p.pack ? BST_CHECKED : BST_UNCHECKED);
    g.files.clear();
    g.files.reserve(p.files.size());
    for (const std::string& f : p.files) g.files.push_back(Wide(f));
    FillFilesList();
    MeasureFiles(0);
    FitFilesWidth();
    UpdateListButtons();
    g.project = p;
    g.loading = false;
}

void UpdateCaption() {
    std::wstring name = g.path.empty() ? L"Untitled" : g.path.substr(g.path.find_last_of(L"\\/") + 1);
    SetWindowTextW(g.dialog, ((g.dirty ? L"*" : L"") + name + L" - ssinstw").c_str());
}

// The plan's thread: it plans the latest project asked for, and tells the
// window which request the plan answers.
DWORD WINAPI PlanThread(void*) {
    for (;;) {
        WaitForSingleObject(g.planWake, INFINITE);
        EnterCriticalSection(&g.planLock);
        const Project p = g.wanted;
        const unsigned asked = g.asked;
        LeaveCriticalSection(&g.planLock);
        PlanResult* r = new PlanResult{asked, PlanProject(p)};
        if (!PostMessageW(g.dialog, kPlanMessage, 0, (LPARAM)r)) delete r;
    }
}

bool PlanShown() { return g.shown == g.asked; }

void ShowStatus() { SetDlgItemTextW(g.dialog, IDC_PROBLEMS, Wide(StatusText(g.plan, g.result)).c_str()); }

// Build while the plan of what is shown has no problems and no build runs.
void UpdateBuildButtons() {
    EnableWindow(GetDlgItem(g.dialog, IDOK), PlanShown() && g.plan.problems.empty() && !g.building);
    EnableWindow(GetDlgItem(g.dialog, IDCANCEL), g.building && !g.stop);
}

// The table, the problems and Build, from the controls, as they change:
// what needs no file at once, the plan when its thread has made it.
void Refresh() {
    g.project = FromControls();
    SetDlgItemTextW(g.dialog, IDC_TITLE_LEFT, Wide(TitleLeft(g.project.title)).c_str());
    EnterCriticalSection(&g.planLock);
    g.wanted = g.project;
    ++g.asked;
    LeaveCriticalSection(&g.planLock);
    SetEvent(g.planWake);
    UpdateBuildButtons();
}

void ShowPlan(PlanResult* r) {
    if (r->asked != g.asked) return;  // the controls have changed since; a newer plan comes
    g.shown = r->asked;
    g.plan = std::move(r->plan);
    SetDlgItemTextW(g.dialog, IDC_PROGRAM_NAME, Wide(ProgramLine(g.plan)).c_str());
    const HWND table = GetDlgItem(g.dialog, IDC_TABLE);
    ListView_SetItemCountEx(table, (int)g.plan.entries.size(), 0);
    InvalidateRect(table, NULL, FALSE);
    ShowStatus();
    UpdateBuildButtons();
}

// The table's cells, from the plan shown, as the table draws them.
void TableCell(NMLVDISPINFOW* d) {
    if (!(d->item.mask & LVIF_TEXT) || d->item.iItem < 0 || (size_t)d->item.iItem >= g.plan.entries.size()) return;
    const PlannedEntry& e = g.plan.entries[(size_t)d->item.iItem];
    const std::wstring text =
        Wide(d->item.iSubItem == 0 ? (e.target.empty() ? "(no installer named)" : e.target) : SizeCell(e));
    lstrcpynW(d->item.pszText, text.c_str(), d->item.cchTextMax);
}

void ResetProgress() { SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0); }

void Changed() {
    if (g.loading) return;
    if (!g.building) {  // a build's outcome stays, and says whether it is of what is shown
        g.result.clear();
        ResetProgress();
    }
    if (!g.dirty) {
        g.dirty = true;
        UpdateCaption();
    }
    Refresh();
}

// The inputs, and what would change them, locked while a build runs.
void Lock(bool locked) {
    for (int id : kLocked) EnableWindow(GetDlgItem(g.dialog, id), !locked);
    const HMENU menu = GetMenu(g.dialog);
    for (int id : kLockedCommands) EnableMenuItem(menu, (UINT)id, MF_BYCOMMAND | (locked ? MF_GRAYED : MF_ENABLED));
    DragAcceptFiles(g.dialog, !locked);
    if (!locked) UpdateListButtons();
}

bool IsLocked(int id) {
    for (int l : kLocked)
        if (l == id) return true;
    for (int l : kLockedCommands)
        if (l == id) return true;
    return false;
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
    ResetProgress();
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
    Refresh();  // the plan holds the installer against the project file where it now is
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
    // Told after every file: posted only when the bar moves, so that ten
    // thousand files never fill the window's queue.
    WPARAM shown = (WPARAM)-1;
    control.progress = [&shown](uint64_t done, uint64_t total) {
        const WPARAM perMille = total ? (WPARAM)(done * 1000 / total) : 0;
        if (perMille != shown && PostMessageW(g.dialog, kProgressMessage, perMille, 0)) shown = perMille;
    };
    r->ok = r->ok && BuildProject(*p, stub, stubName, control, &r->verdict, &r->error);
    if (r->ok) {
        r->sha256 = FileSha256(p->output);
        SourceFile f;
        std::string error;
        r->size = f.Open(p->output, &error) ? f.Size() : 0;
    }
    delete p;
    // The window waits for this word: a full queue only delays it.
    while (!PostMessageW(g.dialog, kDoneMessage, 0, (LPARAM)r)) {
        if (!IsWindow(g.dialog)) {
            delete r;
            break;
        }
        Sleep(20);
    }
    return 0;
}

void StartBuild() {
    if (g.building || !PlanShown() || !g.plan.problems.empty()) return;
    g.built = FromControls();
    g.building = true;
    g.stop = false;
    g.result = "Building...\r\n";
    SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, 1000);
    ResetProgress();
    Project* p = new Project(g.built);
    g.thread = CreateThread(NULL, 0, BuildThread, p, 0, NULL);
    if (!g.thread) {
        delete p;
        g.building = false;
        g.result = "Not built: the build could not be started\r\n";
        ShowStatus();
        return;
    }
    // The keyboard leaves what is locked, and Build, for the table: Enter
    // then finds Build disabled, and only Cancel itself cancels.
    g.focus = GetFocus();
    Lock(true);
    UpdateBuildButtons();
    SendMessageW(g.dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(g.dialog, IDC_TABLE), TRUE);
    ShowStatus();
}

void Cancel() {
    if (!g.building || g.stop) return;
    g.stop = true;
    g.result = "Cancelling...\r\n";
    const bool onCancel = GetFocus() == GetDlgItem(g.dialog, IDCANCEL);
    UpdateBuildButtons();
    if (onCancel) SendMessageW(g.dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(g.dialog, IDC_TABLE), TRUE);
    ShowStatus();
}

void Finished(BuildResult* r) {
    WaitForSingleObject(g.thread, INFINITE);
    CloseHandle(g.thread);
    g.thread = NULL;
    g.building = false;
    if (!r->ok) {
        g.result = "Not built: " + r->error + "\r\n";
    } else {
        g.result = BuildSummary(r->output, r->verdict, r->size, r->sha256, !SameInputs(g.built, FromControls()));
    }
    SendDlgItemMessageW(g.dialog, IDC_PROGRESS, PBM_SETPOS, r->ok ? 1000 : 0, 0);
    delete r;
    if (g.closing) {  // asked already
        DestroyWindow(g.dialog);
        return;
    }
    Lock(false);
    UpdateBuildButtons();
    const HWND focus = GetFocus();
    if ((focus == GetDlgItem(g.dialog, IDC_TABLE) || focus == GetDlgItem(g.dialog, IDOK) || !focus) && g.focus &&
        IsWindowEnabled(g.focus))
        SendMessageW(g.dialog, WM_NEXTDLGCTL, (WPARAM)g.focus, TRUE);
    ShowStatus();
}

void AddFiles(const std::vector<std::wstring>& files) {
    if (files.empty() || g.building) return;
    const size_t from = g.files.size();
    g.files.insert(g.files.end(), files.begin(), files.end());
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const std::wstring& f : files) SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)f.c_str());
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    MeasureFiles(from);
    FitFilesWidth();
    UpdateListButtons();
    Changed();
}

void RemoveFiles() {
    const std::vector<int> selected = SelectedFiles();
    if (selected.empty() || g.building) return;
    const int next = RemoveSelected(g.files, selected);
    RemoveSelected(g.widths, selected);
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    if (selected.size() > 64) {
        FillFilesList();
    } else {
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        for (auto i = selected.rbegin(); i != selected.rend(); ++i) SendMessageW(list, LB_DELETESTRING, (WPARAM)*i, 0);
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, NULL, TRUE);
    }
    SelectFiles(next >= 0 ? std::vector<int>{next} : std::vector<int>{});
    FitFilesWidth();
    Changed();
}

void MoveFiles(int by) {
    const std::vector<int> selected = SelectedFiles();
    if (g.building) return;
    const std::vector<int> moved = MoveSelected(g.files, selected, by);
    if (moved == selected) return;
    MoveSelected(g.widths, selected, by);
    // Only the rows that changed are written again.
    std::vector<int> rows = selected;
    rows.insert(rows.end(), moved.begin(), moved.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const HWND list = GetDlgItem(g.dialog, IDC_FILES);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (int i : rows) {
        SendMessageW(list, LB_DELETESTRING, (WPARAM)i, 0);
        SendMessageW(list, LB_INSERTSTRING, (WPARAM)i, (LPARAM)g.files[(size_t)i].c_str());
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    SelectFiles(moved);
    Changed();
}

void Command(int id, int code) {
    if (g.building && IsLocked(id) && id != IDC_TITLE && id != IDC_PROGRAM && id != IDC_DATA && id != IDC_OUTPUT)
        return;  // an edit's change is told whatever, and the outcome then says it is not of what is shown
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
    case IDC_FILES:
        if (code == LBN_SELCHANGE) UpdateListButtons();
        return;
    case IDC_ADD: AddFiles(ChooseFiles(false, L"All files\0*.*\0", NULL, L"", true)); return;
    case IDC_REMOVE: RemoveFiles(); return;
    case IDC_UP: MoveFiles(-1); return;
    case IDC_DOWN: MoveFiles(1); return;
    case IDOK: StartBuild(); return;
    case IDCANCEL: Cancel(); return;  // Esc, and the Cancel button
    case IDM_NEW:
        if (!MayDiscard()) return;
        g.path.clear();
        g.dirty = false;
        g.result.clear();
        ResetProgress();
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
        InitializeCriticalSection(&g.planLock);
        g.planWake = CreateEventW(NULL, FALSE, FALSE, NULL);
        if (!g.planWake || !CreateThread(NULL, 0, PlanThread, NULL, 0, NULL)) {
            MessageBoxW(dialog, L"The window could not start the thread that checks its inputs.", L"ssinstw",
                        MB_OK | MB_ICONERROR);
            DestroyWindow(dialog);
            return FALSE;
        }
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
    case WM_NOTIFY: {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lParam);
        if (n->idFrom == IDC_TABLE && n->code == LVN_GETDISPINFOW) {
            TableCell(reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return TRUE;
        }
        return FALSE;
    }
    case WM_VKEYTOITEM:  // Del in the further files removes the selected ones
        if ((HWND)lParam == GetDlgItem(dialog, IDC_FILES) && LOWORD(wParam) == VK_DELETE) {
            RemoveFiles();
            return -2;
        }
        return -1;
    case kPlanMessage: {
        PlanResult* r = reinterpret_cast<PlanResult*>(lParam);
        ShowPlan(r);
        delete r;
        return TRUE;
    }
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
        AddFiles(files);  // none while a build runs
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
    // The plan's thread may be in the middle of a plan: it ends with the
    // process, before anything of the program's is torn down.
    ExitProcess(0);
}
