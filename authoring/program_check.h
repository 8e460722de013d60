// What Windows will make of a screen-saver program before an author
// publishes it: whether it can start it at all, on which Windows, with
// which libraries, and under which name its Screen Saver Settings list it.
// The program is read through a ByteReader in small bounded pieces, never
// whole, so that a huge or hostile file costs no more than a sound one.
#ifndef AUTHORING_PROGRAM_CHECK_H
#define AUTHORING_PROGRAM_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "payload/reader.h"

// The Windows versions a library can first be had on, oldest first.
enum WindowsVersion {
    kWindows95, kWindows98, kWindows2000, kWindowsXp, kWindowsVista, kWindows7, kWindows8, kWindows10,
};
const char* WindowsVersionName(WindowsVersion v);

// A library of Windows itself, and the first Windows that has it.
struct SystemLibrary {
    const char* name;  // upper case, with its extension: "KERNEL32.DLL"
    WindowsVersion since;
};
// Windows' own library of that name (any case; a name without an extension
// is taken with ".DLL", as the loader takes it), or null.
const SystemLibrary* FindSystemLibrary(const std::string& dll);
// What provides a library that Windows does not include ("the Visual C++
// 2013 Redistributable"), "" when it is not known.
std::string LibraryProvider(const std::string& dll);

enum : uint16_t {
    kMachineI386 = 0x014C, kMachineAmd64 = 0x8664, kMachineArm64 = 0xAA64,
    kSubsystemGui = 2, kSubsystemConsole = 3,
};

struct ProgramReport {
    bool image = false;     // a PE image whose headers could be read
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    bool dll = false;
    std::vector<std::string> imports;  // as written, the delay-loaded ones after the others
    // The name the Screen Saver Settings list it under: its string 1, as an
    // English Windows picks among its languages, made printable; else its
    // file name without the extension.
    std::string listedName;
    bool nameFromResources = false;
    // What will keep it from running as it should, each one sentence that
    // starts with the program's name; none for a sound program.
    std::vector<std::string> findings;
};

// Checks the program that will be installed as `installedName`
// ("FOREST.SCR"), `size` bytes read through `r`.
ProgramReport CheckProgram(ByteReader& r, uint64_t size, const std::string& installedName);

// The report as one line of information: listed name, machine, subsystem
// and the libraries it needs, each with the first Windows that has it
// where that is later than Windows 95.
std::string DescribeProgram(const ProgramReport& report);

// Whether a further file is a library: by its extension (.DLL, .OCX), or,
// read through `r`, by being a PE image marked as a DLL.
bool IsLibraryFile(const std::string& extension, ByteReader& r, uint64_t size);

#endif
