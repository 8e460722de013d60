// The authoring tool's few calls to Windows' file system (built into the
// tool's Windows programs, not the stub).
#include "platform/host_files.h"

#include <windows.h>

#include <cerrno>

PathKind KindOfPath(const wchar_t* path) {
    const DWORD a = GetFileAttributesW(path);
    if (a == INVALID_FILE_ATTRIBUTES) return PathKind::kNothing;
    const bool folder = a & FILE_ATTRIBUTE_DIRECTORY;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return folder ? PathKind::kLinkToFolder : PathKind::kLinkToFile;
    return folder ? PathKind::kFolder : PathKind::kFile;
}

int RenameWrittenThrough(const wchar_t* from, const wchar_t* to, bool replace) {
    if (MoveFileExW(from, to, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) return 0;
    const DWORD why = GetLastError();
    return why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS ? EEXIST
           : why == ERROR_ACCESS_DENIED                             ? EACCES
           : why == ERROR_NOT_SAME_DEVICE                           ? EXDEV
                                                                    : EIO;
}
