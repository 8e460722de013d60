#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/targets.h"

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

TEST(EntryFileName, RefusesExtensionsThatLeaveTheDirectory) {
    const char* bad[] = {"\\..", "/x", "a:b", ".\x01", ".\x1f", ".\x7f", "..\\", ".a*", ".?", ".<>", ".\"", "|"};
    for (const char* ext : bad) {
        char out[260] = "junk";
        PayloadEntry e = WithExtension(ext, std::strlen(ext));
        EXPECT_FALSE(EntryFileName(2, 2, e, "FOREST.SCR", "Forest", out, sizeof out)) << ext;
        EXPECT_STREQ(out, "");
    }
    // The first two entries never use theirs.
    char out[260];
    PayloadEntry e = WithExtension("\\..", 3);
    EXPECT_TRUE(EntryFileName(1, 2, e, "FOREST.SCR", "Forest", out, sizeof out));
}
