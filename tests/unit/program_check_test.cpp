// The check of the screen-saver program: what Windows makes of its headers,
// the libraries it needs and the name its Screen Saver Settings list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring/program_check.h"
#include "tests/program_image.h"
#include "tests/unit/test_support.h"

namespace {

ProgramReport Check(const std::vector<uint8_t>& bytes) {
    MemoryReader r(bytes);
    return CheckProgram(r, bytes.size(), "FOREST.SCR");
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

ProgramShape Sound() {
    ProgramShape s;
    s.imports = {"KERNEL32.dll", "USER32.dll", "OPENGL32.dll"};
    s.stringOne = {{0x409, u"Forest Lights"}};
    return s;
}

struct ProgramCase {
    const char* what;
    ProgramShape shape;
    const char* listed;   // the name listed
    const char* finding;  // in the one finding expected; "" for none
};

ProgramShape With(void (*change)(ProgramShape&)) {
    ProgramShape s = Sound();
    change(s);
    return s;
}

class ProgramCheck : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramCheck, FindsWhatKeepsItFromRunning) {
    const ProgramCase& c = GetParam();
    const ProgramReport r = Check(ProgramImage(c.shape));
    EXPECT_EQ(r.listedName, c.listed);
    if (!*c.finding) {
        EXPECT_TRUE(r.findings.empty()) << Joined(r.findings);
    } else {
        ASSERT_EQ(r.findings.size(), 1u) << Joined(r.findings);
        EXPECT_NE(r.findings[0].find(c.finding), std::string::npos) << r.findings[0];
        EXPECT_EQ(r.findings[0].rfind("FOREST.SCR ", 0), 0u) << r.findings[0];
    }
}

const ProgramCase kPrograms[] = {
    {"sound", Sound(), "Forest Lights", ""},
    {"no string 1: the file name", With([](ProgramShape& s) { s.stringOne.clear(); }), "FOREST", ""},
    {"an empty string 1: the file name", With([](ProgramShape& s) { s.stringOne = {{0x409, u""}}; }), "FOREST", ""},
    {"neutral language first",
     With([](ProgramShape& s) { s.stringOne = {{0x407, u"Waldlichter"}, {0, u"Forest"}, {0x409, u"US"}}; }), "Forest", ""},
    {"US English before other languages",
     With([](ProgramShape& s) { s.stringOne = {{0x407, u"Waldlichter"}, {0x409, u"Forest Lights"}}; }), "Forest Lights", ""},
    {"any English next", With([](ProgramShape& s) { s.stringOne = {{0x407, u"Wald"}, {0x809, u"UK"}}; }), "UK", ""},
    {"else the first language", With([](ProgramShape& s) { s.stringOne = {{0x407, u"Wald"}, {0x40C, u"Foret"}}; }),
     "Wald", ""},
    {"controls made printable", With([](ProgramShape& s) { s.stringOne = {{0, u"Forest\r\nLights\x1b"}}; }),
     "Forest\\x0D\\x0ALights\\x1B", ""},
    {"a compiler's C runtime", With([](ProgramShape& s) { s.imports.push_back("MSVCR120.dll"); }), "Forest Lights",
     "needs MSVCR120.dll, which Windows does not include (it comes with the Visual C++ 2013 Redistributable)"},
    {"a delay-loaded library counts too", With([](ProgramShape& s) { s.delayImports = {"d3dx9_43.dll"}; }),
     "Forest Lights", "needs d3dx9_43.dll, which Windows does not include (it comes with the DirectX End-User Runtime)"},
    {"Windows' own, in any case and from any version",
     With([](ProgramShape& s) { s.imports = {"kernel32", "api-ms-win-crt-runtime-l1-1-0.dll", "D3D11.DLL", "ucrtbase.dll"}; }),
     "Forest Lights", ""},
    {"a 64-bit program", With([](ProgramShape& s) { s.machine = 0x8664, s.plus = true; }), "Forest Lights",
     "64-bit (x64) program: 32-bit Windows can't run it"},
    {"an ARM64 program", With([](ProgramShape& s) { s.machine = 0xAA64, s.plus = true; }), "Forest Lights",
     "only Windows on ARM"},
    {"another processor", With([](ProgramShape& s) { s.machine = 0x01C4; }), "Forest Lights", "machine 01C4"},
    {"a console program", With([](ProgramShape& s) { s.subsystem = 3; }), "Forest Lights", "a console window opens"},
    {"a native one", With([](ProgramShape& s) { s.subsystem = 1; }), "Forest Lights", "subsystem is 1"},
    {"a DLL", With([](ProgramShape& s) { s.dll = true; }), "Forest Lights", "is a DLL, not a program"},
};

INSTANTIATE_TEST_SUITE_P(Programs, ProgramCheck, ::testing::ValuesIn(kPrograms), CaseName());

TEST(ProgramCheck, FilesThatAreNoWindowsProgramSayWhatTheyAre) {
    std::vector<uint8_t> dos(200, 0), ne(200, 0);
    dos[0] = ne[0] = 'M', dos[1] = ne[1] = 'Z';
    ne[60] = 0x80, ne[0x80] = 'N', ne[0x81] = 'E';
    const std::string text = "not a program\n";
    const struct {
        std::vector<uint8_t> bytes;
        const char* finding;
    } cases[] = {{{}, "is no Windows program"},
                 {std::vector<uint8_t>(text.begin(), text.end()), "is no Windows program"},
                 {dos, "MS-DOS program"},
                 {ne, "16-bit Windows program"}};
    for (const auto& c : cases) {
        const ProgramReport r = Check(c.bytes);
        EXPECT_FALSE(r.image);
        ASSERT_EQ(r.findings.size(), 1u);
        EXPECT_NE(r.findings[0].find(c.finding), std::string::npos) << r.findings[0];
    }
}

// Every cut of an image, and every byte of its headers and tables changed,
// gives findings or none, never a crash; each cut short of the tables it
// reads says it is damaged or no program.
TEST(ProgramCheck, DamagedImagesGiveAFinding) {
    ProgramShape shape = Sound();
    shape.delayImports = {"WINMM.dll"};
    const std::vector<uint8_t> sound = ProgramImage(shape);
    const ProgramReport whole = Check(sound);
    ASSERT_TRUE(whole.findings.empty()) << Joined(whole.findings);
    for (size_t cut = 0; cut < sound.size(); cut += 7) {
        const std::vector<uint8_t> part(sound.begin(), sound.begin() + (long)cut);
        const ProgramReport r = Check(part);
        if (cut < 0x200 + 0x40) {  // short of the tables
            EXPECT_FALSE(r.findings.empty()) << cut;
        }
    }
    for (size_t at = 0; at < sound.size(); ++at) {
        std::vector<uint8_t> changed = sound;
        changed[at] ^= 0xFF;
        Check(changed);
    }
}

TEST(ProgramCheck, SystemLibrariesAndWhatProvidesTheRest) {
    const struct {
        const char* dll;
        bool windows;
        const char* since;     // for Windows' own
        const char* provider;  // for the rest
    } cases[] = {
        {"KERNEL32.DLL", true, "Windows 95", ""},
        {"opengl32.dll", true, "Windows 95", ""},
        {"Gdi32", true, "Windows 95", ""},
        {"MSVCRT.dll", true, "Windows 98", ""},
        {"D3D9.DLL", true, "Windows XP", ""},
        {"mscoree.dll", true, "Windows Vista", ""},
        {"api-ms-win-core-synch-l1-2-0.dll", true, "Windows 7", ""},
        {"API-MS-WIN-CRT-STDIO-L1-1-0.DLL", true, "Windows 10", ""},
        {"VCRUNTIME140.dll", false, "", "the Visual C++ 2015-2022 Redistributable"},
        {"MSVCP100.dll", false, "", "the Visual C++ 2010 Redistributable"},
        {"msvcr120d.dll", false, "", "a debug build's runtime"},
        {"ucrtbased.dll", false, "", "a debug build's runtime"},
        {"XINPUT1_3.DLL", false, "", "the DirectX End-User Runtime"},
        {"libgcc_s_dw2-1.dll", false, "", "the MinGW compiler's runtime"},
        {"Qt5Core.dll", false, "", "Qt"},
        {"FOREST.DLL", false, "", ""},
        {"KERNEL32.DLL.EXTRA", false, "", ""},
    };
    for (const auto& c : cases) {
        const SystemLibrary* l = FindSystemLibrary(c.dll);
        EXPECT_EQ(l != nullptr, c.windows) << c.dll;
        if (l) {
            EXPECT_STREQ(WindowsVersionName(l->since), c.since) << c.dll;
        } else {
            EXPECT_EQ(LibraryProvider(c.dll).rfind(c.provider, 0), 0u) << c.dll << ": " << LibraryProvider(c.dll);
        }
    }
}

TEST(ProgramCheck, DescribesWhatItNeeds) {
    ProgramShape shape = Sound();
    shape.imports.push_back("D3D11.dll");
    shape.imports.push_back("MSVCR120.dll");
    EXPECT_EQ(DescribeProgram(Check(ProgramImage(shape))),
              "listed as \"Forest Lights\"; i386 GUI program; needs KERNEL32.dll, USER32.dll, OPENGL32.dll, "
              "D3D11.dll (Windows 7 on), MSVCR120.dll (not in Windows)");
}

TEST(ProgramCheck, LibrariesAmongTheFurtherFiles) {
    ProgramShape dll = Sound();
    dll.dll = true;
    const std::vector<uint8_t> library = ProgramImage(dll), program = ProgramImage(Sound());
    const std::string text = "a picture";
    const struct {
        const char* extension;
        std::vector<uint8_t> bytes;
        bool library;
    } cases[] = {{".DLL", {text.begin(), text.end()}, true},
                 {".ocx", {text.begin(), text.end()}, true},
                 {".BIN", library, true},
                 {".BIN", program, false},
                 {".BMP", {text.begin(), text.end()}, false}};
    for (const auto& c : cases) {
        MemoryReader r(c.bytes);
        EXPECT_EQ(IsLibraryFile(c.extension, r, c.bytes.size()), c.library) << c.extension;
    }
}

}  // namespace
