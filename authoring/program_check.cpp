#include "authoring/program_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "authoring/files.h"
#include "authoring/printable.h"

namespace {

// Windows' own libraries. A program that needs one Windows does not have
// will not start; one that Windows has only from some version on starts
// from that version.
const SystemLibrary kSystemLibraries[] = {
    // Every 32-bit Windows. OpenGL came with Windows 95's second release;
    // the installer itself offers it where it is missing.
    {"ADVAPI32.DLL", kWindows95}, {"AVIFIL32.DLL", kWindows95}, {"COMCTL32.DLL", kWindows95},
    {"COMDLG32.DLL", kWindows95}, {"GDI32.DLL", kWindows95},    {"GLU32.DLL", kWindows95},
    {"IMM32.DLL", kWindows95},    {"KERNEL32.DLL", kWindows95}, {"LZ32.DLL", kWindows95},
    {"MPR.DLL", kWindows95},      {"MSACM32.DLL", kWindows95},  {"MSVFW32.DLL", kWindows95},
    {"OLE32.DLL", kWindows95},    {"OLEAUT32.DLL", kWindows95}, {"OLEDLG.DLL", kWindows95},
    {"OPENGL32.DLL", kWindows95}, {"RPCRT4.DLL", kWindows95},   {"SHELL32.DLL", kWindows95},
    {"USER32.DLL", kWindows95},   {"VERSION.DLL", kWindows95},  {"WINMM.DLL", kWindows95},
    {"WINSPOOL.DRV", kWindows95}, {"WSOCK32.DLL", kWindows95},
    // The C runtime Windows keeps for itself, DirectX's first libraries and
    // Internet Explorer's, which came with Windows 98.
    {"DDRAW.DLL", kWindows98},    {"DINPUT.DLL", kWindows98},   {"DSOUND.DLL", kWindows98},
    {"MFC42.DLL", kWindows98},    {"MSIMG32.DLL", kWindows98},  {"MSVCRT.DLL", kWindows98},
    {"OLEACC.DLL", kWindows98},   {"SETUPAPI.DLL", kWindows98}, {"SHFOLDER.DLL", kWindows98},
    {"SHLWAPI.DLL", kWindows98},  {"URLMON.DLL", kWindows98},   {"WININET.DLL", kWindows98},
    {"WS2_32.DLL", kWindows98},
    {"CRYPT32.DLL", kWindows2000}, {"DBGHELP.DLL", kWindows2000}, {"MSVBVM60.DLL", kWindows2000},
    {"MSVCP60.DLL", kWindows2000}, {"NTDLL.DLL", kWindows2000},   {"PSAPI.DLL", kWindows2000},
    {"SECUR32.DLL", kWindows2000}, {"USERENV.DLL", kWindows2000}, {"WINTRUST.DLL", kWindows2000},
    {"D3D8.DLL", kWindowsXp},     {"D3D9.DLL", kWindowsXp},     {"DINPUT8.DLL", kWindowsXp},
    {"GDIPLUS.DLL", kWindowsXp},  {"UXTHEME.DLL", kWindowsXp},  {"WINHTTP.DLL", kWindowsXp},
    {"WTSAPI32.DLL", kWindowsXp},
    // .NET's loader came with the .NET Framework that Windows Vista holds.
    {"BCRYPT.DLL", kWindowsVista}, {"D3D10.DLL", kWindowsVista}, {"D3D10_1.DLL", kWindowsVista},
    {"DWMAPI.DLL", kWindowsVista}, {"DXGI.DLL", kWindowsVista},  {"MFPLAT.DLL", kWindowsVista},
    {"MSCOREE.DLL", kWindowsVista}, {"NCRYPT.DLL", kWindowsVista}, {"WINDOWSCODECS.DLL", kWindowsVista},
    {"XINPUT9_1_0.DLL", kWindowsVista},
    {"D2D1.DLL", kWindows7},      {"D3D11.DLL", kWindows7},     {"DWRITE.DLL", kWindows7},
    {"MFREADWRITE.DLL", kWindows7},
    {"D3DCOMPILER_47.DLL", kWindows8}, {"XINPUT1_4.DLL", kWindows8},
    // The Universal C runtime.
    {"D3D12.DLL", kWindows10},    {"UCRTBASE.DLL", kWindows10},
};

// The API sets: libraries by contract, which Windows maps onto its own.
const SystemLibrary kCoreApiSets = {"API-MS-WIN-", kWindows7};
const SystemLibrary kRuntimeApiSets = {"API-MS-WIN-CRT-", kWindows10};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return s;
}

// The name as the loader looks it up.
std::string LoaderName(const std::string& dll) {
    std::string name = Upper(dll);
    if (name.find('.') == std::string::npos) name += ".DLL";
    return name;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// "MSVCR120.DLL" with prefix "MSVCR": the number after it, -1 without one.
int NumberAfter(const std::string& name, const char* prefix) {
    if (!StartsWith(name, prefix)) return -1;
    size_t at = std::strlen(prefix);
    int n = -1;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && n < 100000) n = (n < 0 ? 0 : n * 10) + (name[at++] - '0');
    return n;
}

// The Visual C++ release of a runtime library's number: 120 is 2013.
const char* VisualCppRelease(int number) {
    switch (number) {
    case 70: return "2002";
    case 71: return "2003";
    case 80: return "2005";
    case 90: return "2008";
    case 100: return "2010";
    case 110: return "2012";
    case 120: return "2013";
    case 140: return "2015-2022";
    default: return nullptr;
    }
}

// Bounded reads of an image by file position, and of its virtual
// addresses through its section table.
class Image {
public:
    Image(ByteReader& r, uint64_t size) : r_(r), size_(size) {}

    bool At(uint64_t at, void* buf, size_t n) {
        if (at > size_ || n > size_ - at || at + n >= kNoPosition) return false;
        return r_.Seek((uint32_t)at, kSeekSet) == at && ReadExactly(r_, buf, (int)n);
    }

    // The section table, read once the headers are.
    struct Section {
        uint32_t address, span, raw, rawSize;
    };
    std::vector<Section> sections;
    uint32_t headersSize = 0;

    // The file position of an address of the loaded image, with the bytes
    // the file holds from there on; false when the file holds none.
    bool Place(uint32_t rva, uint64_t* at, uint32_t* left) const {
        if (rva < headersSize) {
            *at = rva, *left = headersSize - rva;
            return true;
        }
        for (const Section& s : sections)
            if (rva >= s.address && rva - s.address < s.span) {
                const uint32_t into = rva - s.address;
                if (into >= s.rawSize) return false;  // zeroes in memory, nothing in the file
                *at = (uint64_t)s.raw + into, *left = s.rawSize - into;
                return true;
            }
        return false;
    }
    bool Read(uint32_t rva, void* buf, size_t n) {
        uint64_t at;
        uint32_t left;
        return Place(rva, &at, &left) && n <= left && At(at, buf, n);
    }
    // A NUL-terminated name of at most `most` bytes; "" when it can't be read.
    std::string Name(uint32_t rva, size_t most) {
        char buf[256];
        uint64_t at;
        uint32_t left;
        if (!Place(rva, &at, &left)) return "";
        const size_t n = std::min<size_t>({sizeof buf, most + 1, left, (size_t)(size_ > at ? size_ - at : 0)});
        if (!At(at, buf, n)) return "";
        const char* end = (const char*)std::memchr(buf, 0, n);
        return end ? std::string((const char*)buf, end) : "";
    }

private:
    ByteReader& r_;
    uint64_t size_;
};

uint16_t Le16(const uint8_t* p) { return GetLE16(p); }
uint32_t Le32(const uint8_t* p) { return GetLE32(p); }

// Most of each table read: more than any real program has, few enough to
// read at once.
enum {
    kMostSections = 96,       // the loader's own limit
    kMostLibraries = 1024,    // import descriptors of each kind
    kMostNameBytes = 255,     // a library's name
    kMostDirectoryEntries = 4096,
};

// The imports of a descriptor table: `size` bytes apart, the name's field
// at `nameAt`; old delay-load descriptors hold addresses, not RVAs.
void ReadImports(Image& image, uint32_t rva, int size, int nameAt, uint32_t imageBase, bool delay,
                 std::vector<std::string>* out, bool* damaged) {
    if (!rva) return;
    for (int i = 0; i < kMostLibraries; ++i, rva += (uint32_t)size) {
        uint8_t d[32] = {};
        if (!image.Read(rva, d, (size_t)size)) {
            *damaged = true;
            return;
        }
        uint32_t name = Le32(d + nameAt);
        if (!name) return;  // the table's end
        if (delay && !(Le32(d) & 1)) name -= imageBase;
        const std::string dll = image.Name(name, kMostNameBytes);
        if (dll.empty()) {
            *damaged = true;
            return;
        }
        if (std::find(out->begin(), out->end(), dll) == out->end()) out->push_back(dll);
    }
}

// The entries of a resource directory at `at` within the section: id and
// offset word of each, the named ones left out; false when unreadable.
bool DirectoryEntries(Image& image, uint32_t base, uint32_t at, std::vector<std::pair<uint32_t, uint32_t>>* out) {
    uint8_t head[16];
    if (!image.Read(base + at, head, sizeof head)) return false;
    const unsigned named = Le16(head + 12), ids = Le16(head + 14);
    if (named + ids > kMostDirectoryEntries) return false;
    std::vector<uint8_t> entries((named + ids) * 8u);
    if (!entries.empty() && !image.Read(base + at + 16, entries.data(), entries.size())) return false;
    for (unsigned i = named; i < named + ids; ++i)
        out->push_back({Le32(&entries[i * 8u]), Le32(&entries[i * 8u + 4])});
    return true;
}

// String 1 of the resources, as an English Windows picks among its
// languages: language-neutral first, then US English, then any English,
// then the first there is. "" when there is none.
std::u16string StringOne(Image& image, uint32_t resources) {
    enum { kStringType = 6, kSubdirectory = 0x80000000u };
    std::vector<std::pair<uint32_t, uint32_t>> types, blocks, languages;
    if (!resources || !DirectoryEntries(image, resources, 0, &types)) return u"";
    // Strings come in blocks of 16; block 1 holds strings 0 to 15.
    for (const auto& t : types) {
        if (t.first != kStringType || !(t.second & kSubdirectory)) continue;
        if (!DirectoryEntries(image, resources, t.second & ~kSubdirectory, &blocks)) return u"";
        for (const auto& b : blocks) {
            if (b.first != 1 || !(b.second & kSubdirectory)) continue;
            if (!DirectoryEntries(image, resources, b.second & ~kSubdirectory, &languages)) return u"";
        }
    }
    const std::pair<uint32_t, uint32_t>* pick = nullptr;
    int rank = 4;
    for (const auto& l : languages) {
        if (l.second & kSubdirectory) continue;
        const int r = (l.first & 0x3FF) == 0 ? 0 : l.first == 0x409 ? 1 : (l.first & 0x3FF) == 9 ? 2 : 3;
        if (r < rank) rank = r, pick = &l;
    }
    uint8_t entry[16];
    if (!pick || !image.Read(resources + pick->second, entry, sizeof entry)) return u"";
    // The block: for each string its length in UTF-16 units, then those.
    const uint32_t data = Le32(entry), size = Le32(entry + 4);
    uint8_t length[2];
    if (size < 4 || !image.Read(data, length, 2)) return u"";
    const uint32_t second = 2 + 2u * Le16(length);
    if (second > size - 2 || !image.Read(data + second, length, 2)) return u"";
    const uint32_t units = std::min<uint32_t>(Le16(length), (size - second - 2) / 2);
    std::vector<uint8_t> text(std::min<uint32_t>(units, 256) * 2u);
    if (!text.empty() && !image.Read(data + second + 2, text.data(), text.size())) return u"";
    std::u16string s;
    for (size_t i = 0; i + 1 < text.size(); i += 2) s += (char16_t)Le16(&text[i]);
    return s;
}

// The listed name as a terminal and a window can show it: controls become
// spaces.
std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// What the bytes are when they are no PE image, as a finding.
std::string NotAnImage(Image& image, const std::string& name) {
    uint8_t mz[64];
    if (!image.At(0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z')
        return name + " is no Windows program: it does not start as a program file does";
    uint8_t sig[4];
    const uint32_t next = Le32(mz + 60);
    if (image.At(next, sig, sizeof sig) && sig[0] == 'N' && sig[1] == 'E')
        return name + " is a 16-bit Windows program, which 64-bit Windows can't run";
    return name + " is an MS-DOS program, no Windows program";
}

}  // namespace

const char* WindowsVersionName(WindowsVersion v) {
    static const char* const kNames[] = {"Windows 95", "Windows 98", "Windows 2000", "Windows XP",
                                         "Windows Vista", "Windows 7", "Windows 8", "Windows 10"};
    return kNames[v];
}

const SystemLibrary* FindSystemLibrary(const std::string& dll) {
    const std::string name = LoaderName(dll);
    for (const SystemLibrary& l : kSystemLibraries)
        if (name == l.name) return &l;
    if (StartsWith(name, kRuntimeApiSets.name)) return &kRuntimeApiSets;
    if (StartsWith(name, kCoreApiSets.name) || StartsWith(name, "EXT-MS-WIN-")) return &kCoreApiSets;
    return nullptr;
}

std::string LibraryProvider(const std::string& dll) {
    const std::string name = LoaderName(dll);
    // A debug build's runtime, which only a compiler installs.
    for (const char* debug : {"MSVCRTD.DLL", "UCRTBASED.DLL", "VCRUNTIME140D.DLL", "VCRUNTIME140_1D.DLL", "MSVCP140D.DLL"})
        if (name == debug) return "a debug build's runtime, which only Visual C++ itself installs";
    if (name.size() > 5 && name.compare(name.size() - 5, 5, "D.DLL") == 0 &&
        (NumberAfter(name, "MSVCR") > 0 || NumberAfter(name, "MSVCP") > 0))
        return "a debug build's runtime, which only Visual C++ itself installs";
    for (const char* prefix : {"MSVCR", "MSVCP", "MFC", "VCRUNTIME", "VCOMP", "CONCRT"}) {
        const char* release = VisualCppRelease(NumberAfter(name, prefix));
        if (release) return std::string("the Visual C++ ") + release + " Redistributable";
    }
    for (const char* prefix : {"D3DX9_", "D3DX10_", "D3DX11_", "D3DCOMPILER_", "XINPUT1_", "XAUDIO2_", "X3DAUDIO1_",
                               "XACTENGINE", "XAPOFX1_"})
        if (StartsWith(name, prefix)) return "the DirectX End-User Runtime";
    for (const char* mingw : {"LIBGCC_S_", "LIBSTDC++-", "LIBWINPTHREAD-"})
        if (StartsWith(name, mingw)) return "the MinGW compiler's runtime (linking with -static leaves it out)";
    if (StartsWith(name, "QT")) return "Qt";
    if (StartsWith(name, "SDL")) return "SDL";
    if (StartsWith(name, "GLUT") || StartsWith(name, "FREEGLUT")) return "GLUT";
    if (StartsWith(name, "GLEW")) return "GLEW";
    if (StartsWith(name, "OPENAL")) return "OpenAL";
    if (name == "MSVBVM50.DLL") return "the Visual Basic 5 runtime";
    return "";
}

ProgramReport CheckProgram(ByteReader& r, uint64_t size, const std::string& installedName) {
    ProgramReport report;
    const std::string& name = installedName;
    report.listedName = WithoutExtension(installedName);
    Image image(r, size);
    uint8_t dos[64], pe[24];
    if (!image.At(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z' || !image.At(Le32(dos + 60), pe, sizeof pe) ||
        std::memcmp(pe, "PE\0\0", 4) != 0) {
        report.findings.push_back(NotAnImage(image, name));
        return report;
    }
    const uint32_t optionalAt = Le32(dos + 60) + 24;
    const unsigned optionalSize = Le16(pe + 20), sectionCount = Le16(pe + 6);
    report.machine = Le16(pe + 4);
    report.dll = (Le16(pe + 22) & 0x2000) != 0;
    uint8_t opt[240] = {};
    const bool plus = optionalSize >= 2 && image.At(optionalAt, opt, 2) && Le16(opt) == 0x20B;
    // The fields read: up to the resource directory, and the delay-load one.
    const unsigned directoriesAt = plus ? 112 : 96, needed = directoriesAt + 8 * 3;
    if (optionalSize < needed || !image.At(optionalAt, opt, std::min<size_t>(optionalSize, sizeof opt)) ||
        sectionCount > kMostSections) {
        report.findings.push_back(name + " is damaged: its headers are cut short or out of bounds");
        return report;
    }
    report.image = true;
    report.subsystem = Le16(opt + 68);
    const uint32_t imageBase = plus ? Le32(opt + 24) : Le32(opt + 28);  // the low half of a 64-bit one
    image.headersSize = Le32(opt + 60);
    const unsigned directories = std::min<unsigned>(Le32(opt + (plus ? 108 : 92)), (optionalSize - directoriesAt) / 8);
    auto directory = [&](unsigned i) { return i < directories ? Le32(opt + directoriesAt + 8 * i) : 0; };
    for (unsigned i = 0; i < sectionCount; ++i) {
        uint8_t s[40];
        if (!image.At(optionalAt + optionalSize + 40 * i, s, sizeof s)) {
            report.findings.push_back(name + " is damaged: its section table is cut short");
            return report;
        }
        image.sections.push_back({Le32(s + 12), std::max(Le32(s + 8), Le32(s + 16)), Le32(s + 20), Le32(s + 16)});
    }

    switch (report.machine) {
    case kMachineI386: break;
    case kMachineAmd64:
        report.findings.push_back(name + " is a 64-bit (x64) program: 32-bit Windows can't run it, only 64-bit Windows");
        break;
    case kMachineArm64:
        report.findings.push_back(name + " is an ARM64 program: only Windows on ARM runs it");
        break;
    default: {
        char machine[8];
        std::snprintf(machine, sizeof machine, "%04X", report.machine);
        report.findings.push_back(name + " is for another processor (machine " + machine + "), which Windows on PCs can't run");
    }
    }
    if (report.dll) report.findings.push_back(name + " is a DLL, not a program: Windows can't start it");
    if (report.subsystem == kSubsystemConsole)
        report.findings.push_back(name + " is a console program: a console window opens behind the screen saver");
    else if (report.subsystem != kSubsystemGui)
        report.findings.push_back(name + " is no Windows program with a window (its subsystem is " +
                                  std::to_string(report.subsystem) + ")");

    bool damaged = false;
    enum { kImports = 1, kResources = 2, kDelayImports = 13 };
    ReadImports(image, directory(kImports), 20, 12, 0, false, &report.imports, &damaged);
    ReadImports(image, directory(kDelayImports), 32, 4, imageBase, true, &report.imports, &damaged);
    if (damaged) report.findings.push_back(name + " is damaged: its list of the libraries it needs can't be read whole");
    for (const std::string& dll : report.imports) {
        if (FindSystemLibrary(dll)) continue;
        const std::string provider = LibraryProvider(dll);
        report.findings.push_back(name + " needs " + dll + ", which Windows does not include" +
                                  (provider.empty() ? "" : " (it comes with " + provider + ")") +
                                  ": the screen saver will not start where it is missing");
    }
    const std::string listed = Printable(Utf8(StringOne(image, directory(kResources))));
    if (listed.find_first_not_of(' ') != std::string::npos) {
        report.listedName = listed;
        report.nameFromResources = true;
    }
    return report;
}

std::string DescribeProgram(const ProgramReport& report) {
    std::string line = "listed as \"" + report.listedName + "\"" + (report.nameFromResources ? "" : " (its file name)");
    if (!report.image) return line + "; no Windows program";
    switch (report.machine) {
    case kMachineI386: line += "; i386"; break;
    case kMachineAmd64: line += "; x64"; break;
    case kMachineArm64: line += "; ARM64"; break;
    default: line += "; machine " + std::to_string(report.machine);
    }
    line += report.subsystem == kSubsystemGui ? " GUI" : report.subsystem == kSubsystemConsole ? " console" : " (no GUI)";
    line += report.dll ? " DLL" : " program";
    if (report.imports.empty()) return line + "; needs no library";
    line += "; needs";
    const char* separator = " ";
    for (const std::string& dll : report.imports) {
        line += separator + dll;
        const SystemLibrary* l = FindSystemLibrary(dll);
        if (!l) line += " (not in Windows)";
        else if (l->since > kWindows95) line += std::string(" (") + WindowsVersionName(l->since) + " on)";
        separator = ", ";
    }
    return line;
}

bool IsLibraryFile(const std::string& extension, ByteReader& r, uint64_t size) {
    const std::string ext = Upper(extension);
    if (ext == ".DLL" || ext == ".OCX") return true;
    Image image(r, size);
    uint8_t dos[64], pe[24];
    return image.At(0, dos, sizeof dos) && dos[0] == 'M' && dos[1] == 'Z' && image.At(Le32(dos + 60), pe, sizeof pe) &&
           std::memcmp(pe, "PE\0\0", 4) == 0 && (Le16(pe + 22) & 0x2000) != 0;
}
