#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/text.h"

TEST(FormatThousands, GroupsDigitsInThrees) {
    const struct {
        uint32_t value;
        const char* text;
    } cases[] = {
        {0, "0"}, {7, "7"}, {999, "999"}, {1000, "1,000"}, {1234, "1,234"}, {99999, "99,999"},
        {100000, "100,000"}, {1234567, "1,234,567"}, {2147483647u, "2,147,483,647"},
        // Unsigned counts: 2^31 and more are the positive numbers they are.
        {2147483648u, "2,147,483,648"}, {4294967295u, "4,294,967,295"},
    };
    for (const auto& c : cases) {
        char out[36];
        EXPECT_STREQ(FormatThousands(c.value, out, sizeof out), c.text) << c.value;
    }
}

TEST(FormatThousands, ReturnsItsAreaAndNeverOverrunsIt) {
    char out[36];
    EXPECT_EQ(FormatThousands(5, out, sizeof out), out);
    char small[6] = "xxxxx";
    FormatThousands(1234567, small, 4);
    EXPECT_STREQ(small, "1,2");
    EXPECT_EQ(small[4], 'x');
}

TEST(FormatText, FillsPlaceholdersInOrder) {
    const char* args[] = {"FOREST.SCR", "Forest"};
    char out[64];
    EXPECT_TRUE(FormatText(out, sizeof out, "%s (%s Screen Saver)", args, 2));
    EXPECT_STREQ(out, "FOREST.SCR (Forest Screen Saver)");
    EXPECT_TRUE(FormatText(out, sizeof out, "100%% %s %s", args, 1));
    EXPECT_STREQ(out, "100% FOREST.SCR ");
}

TEST(FormatText, CutsToItsAreaAndSaysSo) {
    const char* args[] = {"0123456789"};
    for (size_t cap = 1; cap < 16; ++cap) {
        char out[17];
        std::memset(out, '#', sizeof out);
        bool whole = FormatText(out, cap, "ab%scd", args, 1);
        EXPECT_EQ(whole, cap > 14) << cap;
        EXPECT_EQ(std::strlen(out), std::min<size_t>(cap - 1, 14)) << cap;
        EXPECT_EQ(out[cap], '#') << "wrote past the area at cap " << cap;
    }
}

TEST(BoundedCopy, CopyAppendAndBackslash) {
    char buf[8];
    EXPECT_TRUE(CopyText(buf, sizeof buf, "C:"));
    EXPECT_TRUE(AppendBackslash(buf, sizeof buf));
    EXPECT_TRUE(AppendBackslash(buf, sizeof buf));  // not doubled
    EXPECT_STREQ(buf, "C:\\");
    EXPECT_FALSE(AppendText(buf, sizeof buf, "WINDOWS"));
    EXPECT_STREQ(buf, "C:\\WIND");
    EXPECT_FALSE(CopyText(buf, sizeof buf, "012345678"));
    EXPECT_STREQ(buf, "0123456");
    EXPECT_TRUE(AppendTextN(buf, 0, "x", 1) == false);
}

TEST(TextEdits, TrimUpperReverse) {
    const struct {
        const char *in, *trimmed;
    } trims[] = {{"Forest   ", "Forest"}, {"  a b  ", "  a b"}, {"    ", ""}, {"", ""}};
    for (const auto& t : trims) {
        char buf[40];
        CopyText(buf, sizeof buf, t.in);
        TrimTrailingSpaces(buf);
        EXPECT_STREQ(buf, t.trimmed);
    }
    char up[] = "c:\\windows\\\xe9t\xe9-z{";
    UpperAscii(up);
    EXPECT_STREQ(up, "C:\\WINDOWS\\\xe9T\xe9-Z{");  // only a to z change
    for (const char* s : {"", "a", "ab", "abc", "abcd"}) {
        char buf[8];
        CopyText(buf, sizeof buf, s);
        ReverseText(buf);
        std::string want(s);
        std::reverse(want.begin(), want.end());
        EXPECT_EQ(std::string(buf), want);
    }
}

TEST(FormatDecimal, PadsToFourDigits) {
    const struct {
        uint32_t v;
        const char* text;
    } cases[] = {{0, "0000"}, {2, "0002"}, {17, "0017"}, {9999, "9999"}, {10000, "10000"},
                 {65535 + 98, "65633"}};
    for (const auto& c : cases) {
        char out[16];
        EXPECT_TRUE(FormatDecimal(c.v, 4, out, sizeof out));
        EXPECT_STREQ(out, c.text);
    }
}
