#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "install/names.h"
#include "payload/validate.h"

// The three names one installer path gives: the screen-saver file (first
// '.' of the base name, upper case), the installer base (last '.' of the
// whole path, case kept) and the completion message's directory part.
TEST(InstallerNames, EachRuleCutsItsOwnWay) {
    const struct {
        const char *path, *scr, *base, *completion;
    } cases[] = {
        {"C:\\SETUP\\Forest.exe", "FOREST.SCR", "Forest", "\\FOREST"},
        {"C:\\SETUP\\forest.exe", "FOREST.SCR", "forest", "\\FOREST"},
        {"C:\\SETUP\\My.Forest.exe", "MY.SCR", "My.Forest", "\\MY.FOREST"},
        {"C:\\SETUP\\FOREST", "FOREST.SCR", "FOREST", "\\FOREST"},
        // A '.' in a directory and none in the file name: the last-'.' rules
        // cut inside the directory name.
        {"C:\\PROGRAMS\\A.B\\FOREST", "FOREST.SCR", "A", "\\A"},
        {"Z:\\tmp\\x\\.hidden.exe", ".SCR", ".hidden", "\\.HIDDEN"},
        {"Forest.exe", "FOREST.SCR", "Forest", "FOREST"},
        {"C:\\a\xe9\\\xe9t\xe9.exe", "\xe9T\xe9.SCR", "\xe9t\xe9", "\\\xe9T\xe9"},
    };
    for (const auto& c : cases) {
        char scr[260], base[260], completion[260];
        EXPECT_TRUE(ScreenSaverFileName(c.path, scr, sizeof scr));
        EXPECT_TRUE(InstallerBase(c.path, base, sizeof base));
        EXPECT_TRUE(CompletionDirectoryPart(c.path, completion, sizeof completion));
        EXPECT_STREQ(scr, c.scr) << c.path;
        EXPECT_STREQ(base, c.base) << c.path;
        EXPECT_STREQ(completion, c.completion) << c.path;
    }
}

TEST(InstallerNames, LongNamesAreBoundedAndReported) {
    std::string path = "C:\\SETUP\\" + std::string(300, 'n') + ".exe";
    char scr[260], base[260], completion[260];
    EXPECT_FALSE(ScreenSaverFileName(path.c_str(), scr, sizeof scr));
    EXPECT_FALSE(InstallerBase(path.c_str(), base, sizeof base));
    EXPECT_FALSE(CompletionDirectoryPart(path.c_str(), completion, sizeof completion));
    EXPECT_EQ(std::strlen(scr), 259u);
    EXPECT_EQ(std::strlen(base), 259u);
    EXPECT_EQ(std::strlen(completion), 259u);
    // Exactly filling the area is fine: 255 characters and ".SCR".
    std::string fits = "C:\\" + std::string(255, 'n') + ".exe";
    EXPECT_TRUE(ScreenSaverFileName(fits.c_str(), scr, sizeof scr));
}
