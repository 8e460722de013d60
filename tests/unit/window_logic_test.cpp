// The window's decisions and texts that need no window.
#include <gtest/gtest.h>

#include "ssinstw/window_logic.h"

namespace {

bool SameAscii(const std::u16string& a, const std::u16string& b) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? (char16_t)(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
               return lower(x) == lower(y);
           });
}

TEST(WindowLogic, ChosenFilesAndRecentProjects) {
    const struct {
        std::u16string buffer;  // as the dialog leaves it, NULs and all
        std::vector<std::u16string> files;
    } chosen[] = {
        {std::u16string(u"C:\\p\\a.bmp\0", 12), {u"C:\\p\\a.bmp"}},
        {std::u16string(u"C:\\p\0a.bmp\0b c.wav\0\0", 21), {u"C:\\p\\a.bmp", u"C:\\p\\b c.wav"}},
        {std::u16string(u"C:\\\0a.bmp\0b\0\0", 13), {u"C:\\a.bmp", u"C:\\b"}},  // a drive's root ends in '\'
        {std::u16string(u"\0", 1), {}},
    };
    for (const auto& c : chosen) EXPECT_EQ(ChosenFiles(c.buffer.c_str()), c.files) << c.buffer.size();

    using List = std::vector<std::u16string>;
    const struct {
        List recent;
        std::u16string opened;
        List after;
    } recents[] = {
        {{}, u"C:\\a.ssproj", {u"C:\\a.ssproj"}},
        {{u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d"}, u"C:\\e", {u"C:\\e", u"C:\\a", u"C:\\b", u"C:\\c"}},
        {{u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d"}, u"c:\\C", {u"c:\\C", u"C:\\a", u"C:\\b", u"C:\\d"}},
        {{u"C:\\a", u"C:\\b"}, u"C:\\A", {u"C:\\A", u"C:\\b"}},
    };
    for (const auto& r : recents) EXPECT_EQ(WithRecent(r.recent, r.opened, 4, SameAscii), r.after);
}

TEST(WindowLogic, SaysWhatIsLeftAndWhatWasBuilt) {
    const struct {
        std::string title, left;
    } titles[] = {
        {"", "32 of 32 characters left"},
        {"Forest at Night", "17 of 32 characters left"},
        {"For\xC3\xAAt", "27 of 32 characters left"},  // ê: two bytes here, one in the installer
        {std::string(35, 'x'), "3 characters too many"},
    };
    for (const auto& t : titles) EXPECT_EQ(TitleLeft(t.title), t.left) << t.title;

    ProjectPlan plan;
    plan.entries.resize(2);
    plan.entries[0].size = 15872;
    plan.entries[1].size = 1234567;
    EXPECT_EQ(ReadyLine(plan), "Ready: 1,250,439 bytes in 2 files.");
    plan.problems = {"no title named"};
    EXPECT_EQ(ReadyLine(plan), "");

    Verdict v;
    v.entries.resize(2);
    v.entries[0].target = "FOREST.SCR";
    v.entries[0].entry.storedSize = 6843;
    v.entries[0].entry.unpackedSize = 15872;
    v.entries[1].target = "QUORBEL\\SSAVERS\\Forest\\Forest.DAT";
    v.entries[1].entry.storedSize = 28;
    EXPECT_EQ(BuildSummary("C:\\proj\\Forest.exe", v, 28673, "03ab"),
              "Built and verified C:\\proj\\Forest.exe: sound.\r\n"
              "  FOREST.SCR: packed 6,843 -> 15,872 bytes\r\n"
              "  QUORBEL\\SSAVERS\\Forest\\Forest.DAT: stored 28 bytes\r\n"
              "  in all 15,900 bytes installed; the installer 28,673 bytes\r\n"
              "  SHA-256 03ab\r\n");
}

}  // namespace
