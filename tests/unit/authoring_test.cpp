// Installers written by the authoring tool, read back through the stub's
// own reader.
#include <gtest/gtest.h>

#include "tests/unit/test_support.h"
#include "authoring/pe_image.h"
#include "authoring/printable.h"
#include "authoring/readers.h"

namespace {

InstallerContents ReadBack(const std::vector<uint8_t>& installer) {
    MemoryReader r(installer);
    InstallerContents c;
    std::string error;
    EXPECT_TRUE(ReadInstaller(r, &c, &error)) << error;
    return c;
}


}  // namespace

TEST(BuildInstaller, LaysTheEntriesOutInOrderAfterTheTable) {
    REQUIRE_STUB();
    std::vector<InputFile> files = {{"f.scr", Pattern(5000, 1), ".SCR"},
                                    {"f.dat", Pattern(3, 2), ".DAT"},
                                    {"a.bmp", Pattern(70000, 3), ".BMP"},
                                    {"b", Pattern(1, 4), ""}};
    std::vector<uint8_t> installer = MakeInstaller("Forest", files, 5);
    InstallerContents c = ReadBack(installer);
    EXPECT_STREQ(c.title, "Forest");
    EXPECT_EQ(c.numberingBase, 5);
    EXPECT_TRUE(c.terminated);
    ASSERT_EQ(c.entries.size(), files.size());
    uint64_t expected = (uint64_t)c.payloadStart + kHeaderSize + kEntrySize * (files.size() + 1);
    for (size_t i = 0; i < files.size(); ++i) {
        const PayloadEntry& e = c.entries[i];
        EXPECT_EQ(e.offset, expected) << i;
        EXPECT_EQ(e.storedSize, files[i].bytes.size()) << i;
        EXPECT_EQ(e.unpackedSize, 0u) << i;
        EXPECT_TRUE(std::equal(files[i].bytes.begin(), files[i].bytes.end(), installer.begin() + e.offset)) << i;
        expected += e.storedSize;
    }
    EXPECT_EQ(expected, installer.size()) << "the last entry ends the file";
    EXPECT_EQ(TargetPath("Forest.exe", 0, 5, c.entries[0]), "FOREST.SCR");
    EXPECT_EQ(TargetPath("/x/y/Forest.exe", 1, 5, c.entries[1]), "QUORBEL\\SSAVERS\\Forest\\Forest.DAT");
    EXPECT_EQ(TargetPath("Forest.exe", 2, 5, c.entries[2]), "QUORBEL\\SSAVERS\\Forest\\FILE0005.BMP");
    EXPECT_EQ(TargetPath("Forest.exe", 3, 5, c.entries[3]), "QUORBEL\\SSAVERS\\Forest\\FILE0006");
}

TEST(BuildInstaller, ASmallPayloadStillCoversTheResourceSection) {
    REQUIRE_STUB();
    PeImage img;
    std::string error;
    ASSERT_TRUE(img.Parse(BuiltStub(), &error));
    const PeSection& rs = img.sections[img.resourceSection];
    std::vector<uint8_t> installer = MakeInstaller("T", {{"s", {1}, ".SCR"}, {"d", {2}, ".DAT"}});
    EXPECT_GE(installer.size(), (size_t)rs.rawPointer + rs.rawSize);
    EXPECT_EQ(ReadBack(installer).entries.size(), 2u);
}

TEST(BuildInstaller, RefusesWhatAnInstallerCantHold) {
    REQUIRE_STUB();
    const InputFile scr = {"f.scr", Bytes("x"), ".SCR"}, dat = {"f.dat", Bytes("y"), ".DAT"};
    const struct {
        const char* what;
        std::vector<uint8_t> stub;
        std::string title;
        std::vector<InputFile> files;
        const char* message;
    } cases[] = {
        {"title of 33 bytes", BuiltStub(), std::string(33, 'T'), {scr, dat}, "at most 32"},
        {"title beyond Windows-1252", BuiltStub(), "Forest \xE6\xA3\xAE", {scr, dat}, "holds \"\xE6\xA3\xAE\""},
        {"no data file", BuiltStub(), "T", {scr}, "needs the screen-saver program and its .DAT"},
        {"empty file", BuiltStub(), "T", {scr, {"empty.dat", {}, ".DAT"}}, "empty.dat: the file is empty"},
        {"stub with the marker first", RawStub(), "T", {scr, dat}, "layout rules"},
        {"not an executable", Bytes("hello"), "T", {scr, dat}, "not an executable"},
    };
    for (const auto& c : cases) {
        if (c.stub.empty()) continue;
        InstallerRecipe recipe;
        recipe.title = c.title;
        recipe.files = c.files;
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_FALSE(BuildInstaller(c.stub, recipe, &out, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(BuildInstaller, WritesTheTitleAsTheInstallersDialogsShowIt) {
    REQUIRE_STUB();
    // UTF-8 in, Windows-1252 in the installer; 32 characters fit whatever
    // their UTF-8 length.
    const struct {
        std::string title;
        std::string bytes;  // "" where refused
    } cases[] = {
        {"For\xC3\xAAt", "For\xEAt"},
        {"\xE2\x82\xAC \xE2\x80\x98\xE2\x80\x99 \xE2\x80\x93 \xC5\xB8", "\x80 \x91\x92 \x96 \x9F"},
        {[] { std::string t; for (int i = 0; i < 32; ++i) t += "\xC3\xA9"; return t; }(), std::string(32, '\xE9')},
        {"\xC2\x81", ""},      // a code point Windows-1252 leaves out
        {"bad \xFF byte", ""},  // no UTF-8
    };
    for (const auto& c : cases) {
        InstallerRecipe recipe;
        recipe.title = c.title;
        recipe.files = {{"f.scr", Bytes("x"), ".SCR"}, {"f.dat", Bytes("y"), ".DAT"}};
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_EQ(BuildInstaller(BuiltStub(), recipe, &out, &error), !c.bytes.empty()) << c.title << ": " << error;
        if (!c.bytes.empty()) {
            EXPECT_EQ(std::string(ReadBack(out).title), c.bytes) << c.title;
        }
    }
}

TEST(ExtensionFor, TakesTheLastDotOfTheFileName) {
    const struct {
        const char* name;
        bool ok;
        const char* ext;
    } cases[] = {
        {"pic.bmp", true, ".bmp"}, {"dir.x/pic", true, ""}, {"a.b.WAV", true, ".WAV"},
        {"photo.jpeg", false, ""}, {"odd.a:b", false, ""}, {"x.\x01", false, ""},
        {"noext", true, ""},
    };
    for (const auto& c : cases) {
        std::string ext, error;
        EXPECT_EQ(ExtensionFor(c.name, &ext, &error), c.ok) << c.name;
        if (c.ok) EXPECT_EQ(ext, c.ext) << c.name;
        else EXPECT_NE(error.find(c.name), std::string::npos) << error;
    }
}

TEST(ReadInstaller, ReportsAFileThatIsNoInstaller) {
    std::vector<uint8_t> junk = Bytes("MZ plainly not a stub");
    MemoryReader r(junk);
    InstallerContents c;
    std::string error;
    EXPECT_FALSE(ReadInstaller(r, &c, &error));
    EXPECT_NE(error.find("no payload marker"), std::string::npos);
}

// What a file holds reaches a terminal as text: no control sequence, no
// turn of the text's direction, no byte that is no character.
TEST(Printable, KeepsCharactersAndShowsEverythingElseAsBytes) {
    const struct {
        std::string in, utf8, bytes;
    } cases[] = {
        {"Forest Lights", "Forest Lights", "Forest Lights"},
        {"C:\\WINDOWS\\FOREST.SCR", "C:\\WINDOWS\\FOREST.SCR", "C:\\WINDOWS\\FOREST.SCR"},
        {"\x1b[2Jgone", "\\x1B[2Jgone", "\\x1B[2Jgone"},
        {"a\r\nb\x7f", "a\\x0D\\x0Ab\\x7F", "a\\x0D\\x0Ab\\x7F"},
        {"For\xC3\xAAt", "For\xC3\xAAt", "For\\xC3\\xAAt"},                  // UTF-8 kept as UTF-8
        {"\xC2\x9B" "31m", "\\xC2\\x9B31m", "\\xC2\\x9B31m"},                // a C1 control
        {"abc\xE2\x80\xAEgpj.exe", "abc\\xE2\\x80\\xAEgpj.exe", "abc\\xE2\\x80\\xAEgpj.exe"},  // right to left
        {"caf\xE9", "caf\\xE9", "caf\\xE9"},                                 // Windows-1252, no UTF-8
        {"\xC0\xAF\xED\xA0\x80", "\\xC0\\xAF\\xED\\xA0\\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},  // overlong, surrogate
        {"\xF0\x9F\x8C\xB2", "\xF0\x9F\x8C\xB2", "\\xF0\\x9F\\x8C\\xB2"},
        {"\xE2\x82", "\\xE2\\x82", "\\xE2\\x82"},                            // cut short
        {"a\xE2\x80\x8F" "b\xE2\x80\xA8", "a\\xE2\\x80\\x8Fb\\xE2\\x80\\xA8", "a\\xE2\\x80\\x8Fb\\xE2\\x80\\xA8"},  // a mark, a separator
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printable(c.in), c.utf8) << c.in;
        EXPECT_EQ(PrintableBytes(c.in.c_str()), c.bytes) << c.in;
    }
    EXPECT_EQ(PrintableBytes("FOREST.SCR\0hidden", 32), "FOREST.SCR");
    EXPECT_EQ(PrintableBytes(".BMPX", 4), ".BMP");
}
