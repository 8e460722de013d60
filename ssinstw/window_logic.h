// What the window decides and says that needs no window: built into
// ssinstw.exe and tested on the host. Texts are UTF-8; Windows' names are
// UTF-16, as the window has them.
#ifndef SSINSTW_WINDOW_LOGIC_H
#define SSINSTW_WINDOW_LOGIC_H

#include <cstdint>
#include <string>
#include <vector>

#include "authoring/installer_reader.h"
#include "authoring/project_build.h"

// The files Windows' Open dialog chose with several allowed: one path, or
// their folder and then each name; each ended by a NUL, and the whole by
// one more.
std::vector<std::u16string> ChosenFiles(const char16_t* names);

// The recent projects once `path` is opened or saved: it first, the others
// after it without it (`same` tells names apart as Windows does), `count`
// at most.
std::vector<std::u16string> WithRecent(const std::vector<std::u16string>& recent, const std::u16string& path,
                                       size_t count, bool (*same)(const std::u16string&, const std::u16string&));

// "17 of 32 characters left", or "3 characters too many", for a title.
std::string TitleLeft(const std::string& title);

// What the line under the program says of it: the name Windows' Screen
// Saver Settings will list it under; "" before it can be read.
std::string ProgramLine(const ProjectPlan& plan);

// "Ready: 44,361 bytes in 3 files." for a plan without problems; "" else.
std::string ReadyLine(const ProjectPlan& plan);

// The lines shown under a verified build: each entry stored or packed with
// its sizes, the bytes installed in all, the installer's size and SHA-256.
std::string BuildSummary(const std::string& output, const Verdict& v, uint64_t installerSize,
                         const std::string& sha256);

// 1,234,567 (the largest 32-bit count for anything larger).
std::string Thousands(uint64_t n);

#endif
