// What the authoring tool needs of Windows' file system beyond its C
// runtime: what a path names, without following a link, and a rename that
// may replace the target and is on disk when it returns. POSIX has both
// among its own calls, which the tool uses there directly.
#ifndef PLATFORM_HOST_FILES_H
#define PLATFORM_HOST_FILES_H

#ifdef _WIN32
// A link (a reparse point: a symbolic link, a junction) is told apart by
// what it stands for.
enum class PathKind { kNothing, kFile, kFolder, kLinkToFile, kLinkToFolder };
PathKind KindOfPath(const wchar_t* path);

// Renames `from` to `to`, replacing a file there only where `replace`; 0, or
// the errno value for why not (EEXIST where `to` was there).
int RenameWrittenThrough(const wchar_t* from, const wchar_t* to, bool replace);
#endif

#endif
