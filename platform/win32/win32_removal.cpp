// The Win32 side of what removing an installed screen saver needs: folders
// removed, a file removed at the next start, a profile value read, the entry
// in the list of installed programs, the command line. A file of its own, so
// that a program links it only when it uses them (an import is kept once a
// call to it is compiled, used or not).
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "base/text.h"

bool FileSystem::RemoveFolder(const char* path) { return RemoveDirectoryA(path) != 0; }

bool FileSystem::RemoveAtRestart(const char* path) {
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
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
    path[0] = 0;
    return AppendText(path, cap, kProgramEntries) && AppendText(path, cap, key);
}

static bool SetProgramEntryValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    char path[MAX_PATH];
    HKEY entry;
    if (!ProgramEntryPath(key, path, sizeof path) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &entry, NULL) != ERROR_SUCCESS)
        return false;
    const bool set = RegSetValueExA(entry, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(entry);
    return set;
}

bool SystemServices::SetProgramEntryText(const char* key, const char* name, const char* text) {
    return SetProgramEntryValue(key, name, REG_SZ, text, TextLength(text) + 1);
}

bool SystemServices::SetProgramEntryNumber(const char* key, const char* name, uint32_t number) {
    const DWORD value = number;
    return SetProgramEntryValue(key, name, REG_DWORD, &value, sizeof value);
}

bool SystemServices::RemoveProgramEntry(const char* key) {
    char path[MAX_PATH];
    return ProgramEntryPath(key, path, sizeof path) && RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS;
}

unsigned SystemServices::CommandLine(char* buf, unsigned cap) {
    const char* line = GetCommandLineA();
    buf[0] = 0;
    return AppendText(buf, cap, line) ? TextLength(buf) : (buf[0] = 0, 0u);
}

