// The window's decisions and texts that need no window.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>

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
    const std::string sums = "  SHA-256 03ab\r\n  the installer 28,673 bytes; in all 15,900 bytes installed\r\n"
                             "  FOREST.SCR: 15,872 bytes packed to 6,843\r\n"
                             "  QUORBEL\\SSAVERS\\Forest\\Forest.DAT: 28 bytes stored\r\n";
    EXPECT_EQ(BuildSummary("C:\\proj\\Forest.exe", v, 28673, "03ab", false),
              "Built and verified C:\\proj\\Forest.exe: sound.\r\n" + sums);
    const std::string stale = BuildSummary("C:\\proj\\Forest.exe", v, 28673, "03ab", true);
    EXPECT_EQ(stale.find("verified"), std::string::npos) << stale;
    EXPECT_NE(stale.find("changed since"), std::string::npos) << stale;

    // An outcome goes first and takes the Ready line's place; problems and
    // warnings stay under it.
    plan.problems.clear();
    plan.warnings = {"a caveat"};
    const struct {
        std::vector<std::string> problems;
        std::string outcome, text;
    } statuses[] = {
        {{}, "", "warning: a caveat\r\nReady: 1,250,439 bytes in 2 files.\r\n"},
        {{}, "Built.\r\n", "Built.\r\nwarning: a caveat\r\n"},
        {{"p1"}, "Not built: x\r\n", "Not built: x\r\np1\r\nwarning: a caveat\r\n"},
        {{"p1"}, "", "p1\r\nwarning: a caveat\r\n"},
    };
    for (const auto& t : statuses) {
        plan.problems = t.problems;
        EXPECT_EQ(StatusText(plan, t.outcome), t.text) << t.outcome;
    }
    plan.entries[1].opened = true;
    EXPECT_EQ(SizeCell(plan.entries[1]), "1,234,567");
    plan.entries[1].size = 0;
    EXPECT_EQ(SizeCell(plan.entries[1]), "0");
    EXPECT_EQ(SizeCell(PlannedEntry()), "missing");
}

// What the further files' buttons do with the selection.
TEST(WindowLogic, FurtherFilesFollowTheSelection) {
    using Sel = std::vector<int>;
    const struct {
        std::string items;
        Sel selected;
        ListButtons buttons;
        std::string removed;
        int after;  // selected once removed
        std::string up, down;
        Sel upSel, downSel;
    } cases[] = {
        {"abc", {}, {false, false, false}, "abc", -1, "abc", "abc", {}, {}},
        {"abc", {0}, {true, false, true}, "bc", 0, "abc", "bac", {0}, {1}},
        {"abc", {2}, {true, true, false}, "ab", 1, "acb", "abc", {1}, {2}},  // the last: the one before it
        {"abcde", {1, 3}, {true, true, true}, "ace", 1, "badce", "acbed", {0, 2}, {2, 4}},
        {"abcd", {1, 2}, {true, true, true}, "ad", 1, "bcad", "adbc", {0, 1}, {2, 3}},  // a block moves whole
        {"abc", {0, 1, 2}, {true, false, false}, "", -1, "abc", "abc", {0, 1, 2}, {0, 1, 2}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ButtonsFor(c.selected, (int)c.items.size()), c.buttons) << c.items;
        std::vector<char> items(c.items.begin(), c.items.end());
        EXPECT_EQ(RemoveSelected(items, c.selected), c.after) << c.items;
        EXPECT_EQ(std::string(items.begin(), items.end()), c.removed);
        for (const int by : {-1, 1}) {
            items.assign(c.items.begin(), c.items.end());
            EXPECT_EQ(MoveSelected(items, c.selected, by), by < 0 ? c.upSel : c.downSel) << c.items << by;
            EXPECT_EQ(std::string(items.begin(), items.end()), by < 0 ? c.up : c.down) << by;
        }
    }
}

// A build is of what the window shows only while every input stays.
TEST(WindowLogic, AnyChangedInputMakesADifferentBuild) {
    Project base;
    base.title = "Forest";
    base.files = {"a.bmp", "b.wav"};
    const std::function<void(Project&)> changes[] = {
        [](Project& p) { p.title = "Forest at Night"; },
        [](Project& p) { p.hasTitle = !p.hasTitle; },
        [](Project& p) { p.numberingBase = 3; },
        [](Project& p) { p.pack = !p.pack; },
        [](Project& p) { p.strict = !p.strict; },
        [](Project& p) { p.program = "other.scr"; },
        [](Project& p) { p.data = "other.dat"; },
        [](Project& p) { std::swap(p.files[0], p.files[1]); },
        [](Project& p) { p.files.pop_back(); },
        [](Project& p) { p.output = "Other.exe"; },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        Project changed = base;
        changes[i](changed);
        EXPECT_FALSE(SameInputs(base, changed)) << i;
    }
    Project moved = base;
    moved.path = "C:\\elsewhere\\Forest.ssproj";
    EXPECT_TRUE(SameInputs(base, moved));
}

}  // namespace
