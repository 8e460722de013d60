// The Win32 side of what removing an installed screen saver needs: a file
// or folder removed at the next start, a folder listed, a profile value
// read, the entry in the list of installed programs, the command line, the
// account the program runs as. A
// file of its own, so that a program links it only when it uses them (an
// import is kept once a call to it is compiled, used or not).
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "base/text.h"

bool FileSystem::RemoveAtRestart(const char* path) {
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool FileSystem::RenameFile(const char* from, const char* to, bool replace) {
    if (MoveFileExA(from, to, replace ? MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH : 0)) return true;
    // Windows 95, 98 and Me have no MoveFileEx.
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (replace) DeleteFileA(to);
    return MoveFileA(from, to) != 0;
}

bool FileSystem::ListFolder(const char* path, FolderVisitor visit, void* context) {
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, sizeof pattern, path, "*")) return false;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        const char* n = found.cFileName;
        if (!(n[0] == '.' && (!n[1] || (n[1] == '.' && !n[2])))) visit(context, n);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

unsigned SystemServices::ReadProfileValue(const char* section, const char* key, const char* file, char* buf,
                                          unsigned cap) {
    // A value that fills the buffer may have been cut: a failure too.
    const unsigned n = GetPrivateProfileStringA(section, key, "", buf, cap, file);
    if (n + 1 >= cap) {
        if (cap) buf[0] = 0;
        return 0;
    }
    return n;
}

// The entries of the list of installed programs, by their key's full path.
static const char kProgramEntries[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

static bool ProgramEntryPath(const char* key, char* path, unsigned cap) {
    return JoinPath(path, cap, kProgramEntries, key);
}

bool SystemServices::WriteProgramEntry(const char* key, const ProgramEntry& entry) {
    static const char* const kNumberNames[] = {"EstimatedSize", "NoModify", "NoRepair"};
    const DWORD numbers[] = {entry.estimatedSize, 1, 1};
    char path[MAX_PATH];
    HKEY k;
    if (!ProgramEntryPath(key, path, sizeof path) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &k, NULL) != ERROR_SUCCESS)
        return false;
    LONG failed = 0;
    for (int i = 0; i < kProgramEntryTexts; ++i) {
        const char* text = entry.texts[i];
        failed |= RegSetValueExA(k, kProgramEntryTextNames[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 TextLength(text) + 1);
    }
    for (int i = 0; i < 3; ++i)
        failed |= RegSetValueExA(k, kNumberNames[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&numbers[i]),
                                 sizeof numbers[i]);
    RegCloseKey(k);
    return failed == ERROR_SUCCESS;
}

int SystemServices::ReadProgramEntryText(const char* key, const char* name, char* buf, unsigned cap) {
    char path[MAX_PATH];
    HKEY k;
    buf[0] = 0;
    if (!ProgramEntryPath(key, path, sizeof path)) return 0;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &k);
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? -1 : 0;
    DWORD type = 0, size = cap - 1;  // a NUL after the value, whether it has one or not
    const LONG got = RegQueryValueExA(k, name, NULL, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    buf[got == ERROR_SUCCESS && type == REG_SZ ? size : 0] = 0;
    return (int)TextLength(buf);
}

bool SystemServices::RemoveProgramEntry(const char* key) {
    char path[MAX_PATH];
    return ProgramEntryPath(key, path, sizeof path) && RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS;
}

unsigned SystemServices::CommandLine(char* buf, unsigned cap) {
    return CopyText(buf, cap, GetCommandLineA()) ? TextLength(buf) : (buf[0] = 0, 0u);
}

bool SystemServices::RunsAsSystemAccount() {
    // The token's user is S-1-5-18. Windows 95 to Me have no tokens: the
    // calls fail there, and no one is the system account.
    HANDLE token;
    union {
        TOKEN_USER user;
        DWORD words[16];
    } info;
    DWORD size = 0;
    // GetCurrentProcess() is this constant, with no import for it.
    const HANDLE self = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
    if (!OpenProcessToken(self, TOKEN_QUERY, &token)) return false;
    const BOOL got = GetTokenInformation(token, TokenUser, &info, sizeof info, &size);
    CloseHandle(token);
    if (!got) return false;
    // The SID lies in the buffer, with room after it for the 12 bytes of
    // S-1-5-18: revision 1, one sub-authority, authority 5, then 18.
    const DWORD* sid = static_cast<const DWORD*>(info.user.User.Sid);
    return sid[0] == 0x00000101 && sid[1] == 0x05000000 && sid[2] == 18;
}
