#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/installer.h"
#include "authoring/extraction.h"
#include "install/targets.h"
#include "tests/unit/test_support.h"

static PayloadEntry WithExtension(const char* ext, size_t n) {
    PayloadEntry e = {};
    std::memcpy(e.extension, ext, n);
    return e;
}

TEST(EntryFileName, NamesByIndexBaseAndExtension) {
    const struct {
        int index;
        uint16_t base;
        const char* ext;
        size_t extLen;
        const char* name;
    } cases[] = {
        {0, 2, ".XYZ", 4, "FOREST.SCR"},  // the first two ignore their extension
        {1, 2, ".XYZ", 4, "My.Forest.DAT"},
        {1, 2, "\\..\0", 4, "My.Forest.DAT"},  // never checked: the name is fixed
        {2, 2, ".BMP", 4, "FILE0002.BMP"},
        {3, 2, ".WAV", 4, "FILE0003.WAV"},
        {4, 2, ".TXT", 4, "FILE0004.TXT"},
        {2, 5, ".BMP", 4, "FILE0005.BMP"},
        {4, 5, ".TXT", 4, "FILE0007.TXT"},
        {2, 2, "BMP\0", 4, "FILE0002BMP"},  // no '.' is added
        {2, 2, ".JP\0", 4, "FILE0002.JP"},
        {2, 2, "\0\0\0\0", 4, "FILE0002"},
        {2, 0, ".BMP", 4, "FILE0000.BMP"},
        {2, 9999, ".BMP", 4, "FILE9999.BMP"},
        {3, 9999, ".BMP", 4, "FILE10000.BMP"},  // five digits keep them all
        {4, 65535, ".BMP", 4, "FILE65537.BMP"},
    };
    for (const auto& c : cases) {
        char out[260];
        PayloadEntry e = WithExtension(c.ext, c.extLen);
        EXPECT_TRUE(EntryFileName(c.index, c.base, e, "FOREST.SCR", "My.Forest", out, sizeof out));
        EXPECT_STREQ(out, c.name);
    }
}

// One rule for an extension, in the stub, in ssinst extract and in ssinst
// build: the same bytes are refused or taken by all three.
TEST(ExtensionRule, StubAndToolAgree) {
    REQUIRE_STUB();
    const struct {
        std::string ext;
        bool safe;
    } cases[] = {
        {".BMP", true}, {"BMP", true}, {".\x80", true}, {".\xE9t\xFF", true},
        {".\x7F", false}, {".\x1F", false}, {".a*", false}, {".?", false}, {".<>", false},
        {".\"", false}, {"|", false}, {"a:b", false}, {"\\..", false}, {"/x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        Machine k;
        k.Place(MakeInstaller("Forest", {{"s", Bytes("program"), ".SCR"}, {"d", Bytes("data"), ".DAT"},
                                         {"x", Bytes("extra"), c.ext}}));
        const int rc = k.RunAnsweringOk();
        EXPECT_EQ(rc, c.safe ? 0 : kExitFailed);
        EXPECT_EQ(k.sim.messages.back().text.find("is damaged") != std::string::npos, !c.safe);
        TempDir out;
        std::string error, ext;
        EXPECT_EQ(ExtractInstaller(k.Host("SETUP/Forest.exe"), out.path(), nullptr, &error), c.safe) << error;
        if (c.ext.find_first_of("/\\") == std::string::npos) {  // a separator ends a file name
            EXPECT_EQ(ExtensionFor("pic" + c.ext, &ext, &error), c.safe || c.ext[0] != '.');
        }
    }
}
