// Project files: what a bad one is told, and that what is written reads
// back the same.
#include <gtest/gtest.h>

#include "authoring/project.h"

namespace {

TEST(Project, ABadFileIsNamedWithItsLine) {
    const struct {
        const char* text;
        const char* error;  // "" for none
    } cases[] = {
        {"\xEF\xBB\xBF; Notepad's mark\r\n[installer]\r\ntitle = \" Forest \"\r\nfile = a.bmp\r\nfile = b.wav\r\n", ""},
        {"title = T\ntitel = U\n", "p.ssproj:2: unknown key \"titel\""},
        {"\n\n[setup]\n", "p.ssproj:3: unknown section [setup]"},
        {"title\n", "p.ssproj:1: a line is key = value"},
        {"base = 65536\n", "p.ssproj:1: base takes a number from 0 to 65535"},
        {"base = -1\n", "p.ssproj:1: base takes"},
        {"pack = maybe\n", "p.ssproj:1: pack takes yes or no"},
        {"title = A\n; a comment\ntitle = B\n", "p.ssproj:3: title is given twice"},
        {"program =\n", "p.ssproj:1: program = names no file"},
        {"title = T\nprogram = caf\xE9.scr\n", "p.ssproj:2: not UTF-8 text"},  // a file saved in a code page
        // Each line end counts one line, a bare CR (an old Mac editor) too.
        {"title = T\rbase = 9\rtitel = U\r", "p.ssproj:3: unknown key \"titel\""},
        {"title = T\r\n\r\nbase = x\n", "p.ssproj:3: base takes"},
        {"title = T\n\rbase = x\n", "p.ssproj:3: base takes"},
        {"title = \"a\x01b\"\n", "p.ssproj:1: a control character"},
    };
    for (const auto& c : cases) {
        Project p;
        std::string error;
        EXPECT_EQ(ParseProject(c.text, "p.ssproj", "dir", &p, &error), !*c.error) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    Project p;
    std::string error;
    ASSERT_TRUE(ParseProject(cases[0].text, "p.ssproj", "dir", &p, &error));
    EXPECT_EQ(p.title, " Forest ");
    EXPECT_EQ(p.files, (std::vector<std::string>{"dir/a.bmp", "dir/b.wav"}));
    // A path typed in the window means what it would in the file.
    EXPECT_EQ(PathInProject("dir/p.ssproj", "pics/../a.bmp"), "dir/a.bmp");
    EXPECT_EQ(PathInProject("dir/p.ssproj", "/abs/a.bmp"), "/abs/a.bmp");
    EXPECT_EQ(PathInProject("", "a.bmp"), "a.bmp");
    EXPECT_EQ(PathInProject("dir/p.ssproj", ""), "");
}

TEST(Project, WhatIsWrittenReadsBackTheSame) {
    Project p;
    p.title = "  Forest \"at night\"";
    p.hasTitle = true;
    p.numberingBase = 7;
    p.pack = false;
    p.program = "/work/savers/Forest.scr";
    p.data = "/work/savers/data/Forest.dat";
    p.files = {"/work/savers/pics/a b.bmp", "/elsewhere/c.wav"};
    p.output = "/work/out/Forest.exe";
    const std::string text = ProjectText(p, "/work/savers");
    EXPECT_NE(text.find("program = Forest.scr\n"), std::string::npos) << text;
    EXPECT_NE(text.find("output = ../out/Forest.exe\n"), std::string::npos) << text;
    Project back;
    std::string error;
    ASSERT_TRUE(ParseProject(text, "p", "/work/savers", &back, &error)) << error;
    EXPECT_EQ(back.title, p.title);
    EXPECT_EQ(back.numberingBase, 7);
    EXPECT_FALSE(back.pack);
    EXPECT_EQ(back.program, p.program);
    EXPECT_EQ(back.data, p.data);
    EXPECT_EQ(back.files, p.files);
    EXPECT_EQ(back.output, p.output);
    EXPECT_EQ(MissingFromProject(back), "");
    EXPECT_EQ(MissingFromProject(Project()), "no title, program (.SCR), main data file (.DAT), output installer named");
}

}  // namespace

#include <atomic>
#include <filesystem>
#include <functional>

#include "authoring/installer_reader.h"
#include "authoring/project_build.h"
#include "authoring/files.h"
#include "authoring/sha256.h"
#include "tests/unit/test_support.h"

namespace {

TEST(Project, ABuildIsCheckedBeforeItReplacesAndACancelledOneLeavesTheOldInstaller) {
    REQUIRE_STUB();
    TempDir dir;
    const std::string d = dir.path() + "/";
    WriteFile(d + "f.scr", Pattern(300000, 1));
    WriteFile(d + "f.dat", Bytes("data"));
    WriteFile(d + "Forest.exe", Bytes("the old installer"));
    Project p;
    std::string error;
    ASSERT_TRUE(ParseProject("title = Forest\nprogram = f.scr\ndata = f.dat\noutput = Forest.exe\n", "p", dir.path(),
                             &p, &error));
    // Stopped at its first progress report, or at its last, once all is
    // packed: nothing of it stays.
    std::atomic<bool> stop(false);
    BuildControl control;
    control.stop = &stop;
    for (const bool atTheEnd : {false, true}) {
        stop = false;
        control.progress = [&](uint64_t done, uint64_t total) { stop = !atTheEnd || done == total; };
        Verdict checked;
        EXPECT_FALSE(BuildProject(p, BuiltStub(), "the stub", control, &checked, &error)) << atTheEnd;
        EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(d + "Forest.exe", UINT64_MAX, &bytes, &error));
        EXPECT_EQ(bytes, Bytes("the old installer"));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
    }
    // Whole, it is verified and put in place.
    Verdict v;
    stop = false;
    control.progress = nullptr;
    ASSERT_TRUE(BuildProject(p, BuiltStub(), "the stub", control, &v, &error)) << error;
    EXPECT_TRUE(v.Sound());
    EXPECT_EQ(v.entries.size(), 2u);
    // What stands in the way, in ssinst's words.
    p.title = std::string(33, 'T');
    p.data = d + "missing.dat";
    const ProjectPlan plan = PlanProject(p);
    ASSERT_EQ(plan.problems.size(), 2u);
    EXPECT_EQ(plan.problems[0], "the title is 33 characters; at most 32 fit");
    EXPECT_NE(plan.problems[1].find("missing.dat: No such file"), std::string::npos) << plan.problems[1];
    EXPECT_EQ(plan.entries[1].target, "QUORBEL\\SSAVERS\\Forest\\Forest.DAT");
    // The installer never takes the place of an input or of the project.
    p.title = "Forest";
    p.data = d + "f.dat";
    p.path = d + "Forest.ssproj";
    WriteFile(p.path, Bytes("title = Forest\n"));
    for (const std::string& over : {d + "f.dat", d + "../" + std::filesystem::path(dir.path()).filename().string() + "/f.scr", p.path}) {
        p.output = over;
        const ProjectPlan own = PlanProject(p);
        ASSERT_FALSE(own.problems.empty()) << over;
        EXPECT_NE(own.problems.back().find("the installer would be written over"), std::string::npos) << own.problems.back();
    }
    // A project file is text of a bounded size, and keeps a private
    // file's permissions when saved over it.
    for (const char* bad : {"/dev/zero", "/dev/null"}) {
        Project none;
        EXPECT_FALSE(ReadProject(bad, &none, &error));
        EXPECT_NE(error.find("not a file"), std::string::npos) << error;
    }
    // The writer never writes what the reader refuses.
    WriteFile(d + "big.ssproj", std::vector<uint8_t>(kLargestProjectFile + 1, ';'));
    EXPECT_FALSE(ReadProject(d + "big.ssproj", &p, &error));
    EXPECT_NE(error.find("more than " + std::to_string(kLargestProjectFile) + " bytes"), std::string::npos) << error;
    Project huge = p;
    huge.title.assign(kLargestProjectFile, 'T');
    EXPECT_FALSE(WriteProject(d + "huge.ssproj", huge, &error));
    EXPECT_NE(error.find("a project file holds " + std::to_string(kLargestProjectFile) + " at most"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(d + "huge.ssproj"));
    std::filesystem::permissions(d + "Forest.ssproj", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_TRUE(WriteProject(d + "Forest.ssproj", p, &error)) << error;
    EXPECT_EQ(std::filesystem::status(d + "Forest.ssproj").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace

// The rules both front ends show before anything is built, in one set of
// words.
TEST(Project, WhatStandsInTheWayIsNamedBeforeABuild) {
    const std::string dir = testing::TempDir();
    const struct {
        const char* what;
        std::function<void(Project&)> change;
        const char* problem;  // "" for none
    } cases[] = {
        {"nothing", [](Project&) {}, ""},
        {"no title", [](Project& p) { p.hasTitle = false; }, "no title named"},
        {"a title that does not fit", [](Project& p) { p.title = std::string(33, 'T'); }, "the title is 33 characters"},
        {"an installer not named .exe", [&](Project& p) { p.output = dir + "Forest.txt"; }, "Forest.txt: an installer's name ends in .exe"},
        {"upper case is .exe too", [&](Project& p) { p.output = dir + "FOREST.EXE"; }, ""},
        {"an installer in no folder", [&](Project& p) { p.output = dir + "gone/Forest.exe"; }, "gone/Forest.exe: its folder"},
        {"a missing program", [&](Project& p) { p.program = dir + "gone.scr"; }, "gone.scr: No such file"},
    };
    WriteFile(dir + "f.scr", Bytes("program"));
    WriteFile(dir + "f.dat", Bytes("data"));
    for (const auto& c : cases) {
        Project p;
        p.title = "Forest";
        p.hasTitle = true;
        p.program = dir + "f.scr";
        p.data = dir + "f.dat";
        p.output = dir + "Forest.exe";
        c.change(p);
        const ProjectPlan plan = PlanProject(p);
        if (!*c.problem) {
            EXPECT_TRUE(plan.problems.empty()) << c.what << ": " << plan.problems.front();
            continue;
        }
        ASSERT_EQ(plan.problems.size(), 1u) << c.what;
        EXPECT_NE(plan.problems[0].find(c.problem), std::string::npos) << c.what << ": " << plan.problems[0];
    }
    // An empty title still installs: a warning, which a strict build fails on.
    Project p;
    p.hasTitle = true;
    p.program = dir + "f.scr";
    p.data = dir + "f.dat";
    p.output = dir + "Forest.exe";
    const ProjectPlan plan = PlanProject(p);
    EXPECT_TRUE(plan.problems.empty());
    ASSERT_FALSE(plan.warnings.empty());
    EXPECT_EQ(plan.warnings[0].rfind("the title is empty", 0), 0u) << plan.warnings[0];
}

TEST(Sha256, GivesTheStandardDigests) {
    const struct {
        std::string in;
        const char* hex;
    } cases[] = {{"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
                 {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
                 {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
                 {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}};
    for (const auto& c : cases) {
        Sha256 s;
        // In two pieces, split off the block boundary.
        s.Add(c.in.data(), c.in.size() / 3);
        s.Add(c.in.data() + c.in.size() / 3, c.in.size() - c.in.size() / 3);
        EXPECT_EQ(s.Hex(), c.hex) << c.in.size();
    }
}

TEST(Utf, PathsGoToWindowsAndBackWhole) {
    // ASCII, Latin, CJK, and a character past the 16-bit plane.
    for (const std::string s : {"Forest.scr", "For\xC3\xAAt \xC3\xA9t\xC3\xA9.dat", "\xE6\xA3\xAE.bmp",
                                "\xF0\x9F\x8C\xB2 tree.wav"}) {
        EXPECT_EQ(Utf8(Utf16(s)), s);
    }
    EXPECT_EQ(Utf16("\xF0\x9F\x8C\xB2").size(), 2u);  // a surrogate pair
    // What is no character becomes U+FFFD, a byte or a unit at a time.
    EXPECT_EQ(Utf8(Utf16("a\xFF" "b")), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(Utf8(Utf16("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD");        // an overlong '/'
    EXPECT_EQ(Utf8(Utf16("\xED\xA0\x80")), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
    EXPECT_EQ(Utf8(std::u16string(1, (char16_t)0xD800)), "\xEF\xBF\xBD");
}
