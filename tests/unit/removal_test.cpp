// Removal on the simulated machine: what an installation leaves for it, and
// the uninstaller's run with its questions, faults and leftovers.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "app/installer.h"
#include "authoring/extraction.h"
#include "authoring/installer_reader.h"
#include "install/removal.h"
#include "payload/locator.h"
#include "payload/removal.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

const char kUninstaller[] = "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE";
const char kUninstallerHost[] = "WINDOWS/QUORBEL/SSAVERS/Forest/UNINSTAL.EXE";
const char kBefore[] = "[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\OTHER.SCR\r\n";

// Every file below the Windows directory, system.ini aside.
std::set<std::string> Files(Machine& k) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(k.Host("WINDOWS")))
        if (e.is_regular_file() && e.path().filename() != "system.ini")
            out.insert(e.path().lexically_relative(k.Host("WINDOWS")).generic_string());
    return out;
}

// Forest.exe installed over a machine whose screen saver was OTHER.SCR.
void Install(Machine& k) {
    WriteFile(k.Host("WINDOWS/system.ini"), Bytes(kBefore));
    k.Place(MakeInstaller("Forest", {{"f.scr", Pattern(3000, 1), ".SCR"},
                                      {"f.dat", Pattern(500, 2), ".DAT"},
                                      {"a.bmp", Pattern(700, 3), ".BMP"}}));
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    k.sim.messages.clear();
}

// The uninstaller's bytes, and the position of its record.
std::vector<uint8_t> ReadUninstaller(Machine& k, FilePosition* record) {
    std::vector<uint8_t> u;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(k.Host(kUninstallerHost), UINT64_MAX, &u, &error)) << error;
    MemoryReader r(u);
    *record = LocatePayloadIn(r);
    return u;
}

// Writes `text` and a NUL at `at` bytes into the uninstaller's record.
void PatchRecord(Machine& k, size_t at, const std::string& text) {
    FilePosition record;
    std::vector<uint8_t> u = ReadUninstaller(k, &record);
    std::copy(text.begin(), text.end(), u.begin() + record + at);
    u[record + at + text.size()] = 0;
    WriteFile(k.Host(kUninstallerHost), u);
}
enum { kPreviousAt = kRemovalHeaderSize + 260, kProgramAt = kRemovalHeaderSize + 2 * 260, kTitleAt = kRemovalRecordSize };

// A folder of the installation moved elsewhere on the drive, and a link to
// it in its place.
void Linked(Machine& k, const std::string& rel) {
    fs::create_directories(k.Host("elsewhere"));
    fs::rename(k.Host(rel), k.Host("elsewhere/" + fs::path(rel).filename().string()));
    std::string windows = "C:\\" + rel;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    k.sim.MakeLink(windows, k.Host("elsewhere/" + fs::path(rel).filename().string()));
}

// Runs the uninstaller as the list of installed programs would (or from
// `from`), with these answers; its exit code.
int Uninstall(Machine& k, std::vector<int> answers, bool quiet = false, const char* from = kUninstaller) {
    k.sim.SetModulePath(from);
    k.sim.SetCommandLine(std::string("\"") + kUninstaller + "\"" + (quiet ? " /quiet" : ""));
    for (int a : answers) k.sim.AnswerMessage(a);
    InstallerState s = {};
    return InstallerMain(k.sim, s);
}

TEST(Removal, TheInstallationLeavesAnUninstallerAndItsEntry) {
    REQUIRE_STUB();
    Machine k;
    Install(k);
    ASSERT_TRUE(FileExists(k.Host(kUninstallerHost)));
    std::map<std::string, std::string> e = k.sim.programEntries["FOREST.SCR"];
    EXPECT_EQ(e["DisplayName"], "Forest Screen Saver");
    EXPECT_EQ(e["UninstallString"], std::string("\"") + kUninstaller + "\"");
    EXPECT_EQ(e["QuietUninstallString"], std::string("\"") + kUninstaller + "\" /quiet");
    EXPECT_EQ(e["DisplayIcon"], "C:\\WINDOWS\\FOREST.SCR");
    EXPECT_EQ(e["InstallLocation"], "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest");
    EXPECT_EQ(e["NoModify"], "#1");
    EXPECT_EQ(e["NoRepair"], "#1");
    // The files and the uninstaller, in kilobytes rounded up.
    const uint64_t bytes = 3000 + 500 + 700 + fs::file_size(k.Host(kUninstallerHost));
    EXPECT_EQ(e["EstimatedSize"], "#" + std::to_string((bytes + 1023) / 1024));
    // The uninstaller is the stub part and a record, no payload; ssinst
    // reads it as the uninstaller does, naming what its installation wrote.
    EXPECT_LT(fs::file_size(k.Host(kUninstallerHost)), BuiltStub().size() + 2048);
    Verdict v;
    std::string error;
    ASSERT_TRUE(VerifyInstaller(k.Host(kUninstallerHost), &v, &error)) << error;
    EXPECT_TRUE(v.uninstaller && v.Sound()) << v.payloadProblem;
    std::vector<std::string> targets;
    for (const EntryVerdict& t : v.entries) targets.push_back(t.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"FOREST.SCR", "QUORBEL\\SSAVERS\\Forest\\Forest.DAT",
                                                 "QUORBEL\\SSAVERS\\Forest\\FILE0002.BMP"}));
    if (const char* keep = std::getenv("SSINST_KEEP_UNINSTALLER")) fs::copy_file(k.Host(kUninstallerHost), keep);
    // Installed again: one entry, the same values.
    k.sim.programEntries["FOREST.SCR"]["DisplayName"] = "changed";
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    EXPECT_EQ(k.sim.programEntries.size(), 1u);
    EXPECT_EQ(k.sim.programEntries["FOREST.SCR"]["DisplayName"], "Forest Screen Saver");
}

TEST(Removal, TheUninstallerOfASignedInstallerIsPlainlyUnsigned) {
    REQUIRE_STUB();
    Machine k;
    // A certificate table after the payload, and the header's entry for it.
    std::vector<uint8_t> installer = MakeInstaller("Forest");
    MemoryReader r(installer);
    ImagePlaces places;
    ASSERT_NE(LocatePayloadIn(r, &places), kNoPosition);
    PutLE32(&installer[places.securityEntry], (uint32_t)installer.size());
    PutLE32(&installer[places.securityEntry + 4], 16);
    installer.resize(installer.size() + 16, 0x5A);
    k.Place(installer);
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    std::vector<uint8_t> u;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(k.Host(kUninstallerHost), UINT64_MAX, &u, &error)) << error;
    MemoryReader ur(u);
    ImagePlaces up;
    ASSERT_NE(LocatePayloadIn(ur, &up), kNoPosition);
    EXPECT_EQ(up.certificates, 0u);
    EXPECT_EQ(GetLE32(&u[up.securityEntry + 4]), 0u);
}

struct Case {
    const char* what;
    std::function<void(Machine&)> before;  // after the installation
    std::vector<int> answers;
    bool quiet;
    int exitCode;
    std::vector<std::string> left;  // files still there after the restart ("*": all it installed)
    std::string setting;             // SCRNSAVE.EXE then
    bool entry;                      // the entry is still there
    const char* said;                // part of the last message ("" for none)
    const char* from = kUninstaller;  // where it is run from
    std::function<void(Machine&)> after = nullptr;  // further checks, after the restart
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class RemovalRun : public ::testing::TestWithParam<Case> {};

TEST_P(RemovalRun, RemovesWhatItWroteAndNothingElse) {
    REQUIRE_STUB();
    const Case& c = GetParam();
    Machine k;
    Install(k);
    const std::set<std::string> installed = Files(k);
    if (c.before) c.before(k);
    EXPECT_EQ(Uninstall(k, c.answers, c.quiet, c.from), c.exitCode);
    k.sim.Restart();
    if (c.after) c.after(k);
    const bool all = c.left.size() == 1 && c.left[0] == "*";
    EXPECT_EQ(Files(k), all ? installed : std::set<std::string>(c.left.begin(), c.left.end()));
    EXPECT_EQ(Setting(k), c.setting);
    EXPECT_EQ(k.sim.programEntries.count("FOREST.SCR"), c.entry ? 1u : 0u);
    if (c.quiet) {
        EXPECT_TRUE(k.sim.messages.empty());
    } else if (*c.said) {
        ASSERT_FALSE(k.sim.messages.empty());
        EXPECT_NE(k.sim.messages.back().text.find(c.said), std::string::npos) << k.sim.messages.back().text;
        if (std::string(c.said) != "is damaged" && k.sim.messages.back().caption != "UNINSTAL.EXE") {
            EXPECT_EQ(k.sim.messages.back().caption, "Forest Screen Saver");
        }
    }
    // Its folders go too, where nothing is left in them.
    if (c.left.empty() && std::string(c.said).find(":\r\n") == std::string::npos) {
        EXPECT_FALSE(fs::exists(k.Host("WINDOWS/QUORBEL")));
    }
    EXPECT_EQ(k.sim.OpenFiles(), 0);
    EXPECT_EQ(k.sim.UnusedAnswers(), 0u);
}

void Fail(Machine& k, SimOp op, const char* target, int count) { k.sim.Fail({op, target, 1, count}); }

const Case kCases[] = {
    {"removed", nullptr, {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false,
     "The Forest screen saver has been removed.\r\n\r\nThis removal program goes when Windows restarts."},
    {"quiet", nullptr, {}, true, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, ""},
    {"said no", nullptr, {kIdNo}, false, 0, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "Remove the Forest screen saver"},
    {"in use, retried", [](Machine& k) { Fail(k, SimOp::Remove, "*\\FOREST.SCR", 1); },
     {kIdYes, kIdRetry, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, "has been removed"},
    {"in use, stopped", [](Machine& k) { Fail(k, SimOp::Remove, "*\\FOREST.SCR", -1); },
     {kIdYes, kIdCancel}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "C:\\WINDOWS\\FOREST.SCR could not be removed"},
    // Unattended, a file in use goes when Windows restarts, and the exit
    // code says a restart finishes the removal.
    {"in use, quiet", [](Machine& k) { Fail(k, SimOp::Remove, "*\\FOREST.SCR", -1); },
     {}, true, kExitRestart, {}, "C:\\WINDOWS\\OTHER.SCR", false, ""},
    {"read-only data", [](Machine& k) { k.sim.SetReadOnly("C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT"); },
     {kIdYes, kIdCancel}, false, kExitFailed,
     {"QUORBEL/SSAVERS/Forest/Forest.DAT", "QUORBEL/SSAVERS/Forest/FILE0002.BMP", "QUORBEL/SSAVERS/Forest/UNINSTAL.EXE"},
     "C:\\WINDOWS\\FOREST.SCR", true, "Forest.DAT could not be removed"},
    {"system.ini read-only", [](Machine& k) { k.sim.SetReadOnly("C:\\WINDOWS\\system.ini"); },
     {kIdYes, kIdCancel}, false, kExitFailed, {"QUORBEL/SSAVERS/Forest/UNINSTAL.EXE"}, "C:\\WINDOWS\\FOREST.SCR", true,
     "system.ini could not be removed or changed"},
    {"changed and added files stay",
     [](Machine& k) {
         WriteFile(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT"), Bytes("edited"));
         WriteFile(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/notes.txt"), Bytes("mine"));
         WriteFile(k.Host("WINDOWS/FOREST.SCR"), Bytes("a newer one"));
     },
     {kIdYes, kIdOk}, false, 0, {"FOREST.SCR", "QUORBEL/SSAVERS/Forest/Forest.DAT", "QUORBEL/SSAVERS/Forest/notes.txt"},
     "C:\\WINDOWS\\OTHER.SCR", false,
     ":\r\nC:\\WINDOWS\\FOREST.SCR\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT\r\n"
     "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\notes.txt\r\n"},
    {"another screen saver chosen since",
     [](Machine& k) { k.sim.WriteProfileValue("boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\MINE.SCR", "system.ini"); },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\MINE.SCR", false, "has been removed"},
    {"files gone already",
     [](Machine& k) {
         fs::remove(k.Host("WINDOWS/FOREST.SCR"));
         fs::remove(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT"));
     },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, "has been removed"},
    // Only the very bytes it wrote go: the same size is not enough, and a
    // file it can't read, or a link in a file's place, stays.
    {"same size, other bytes",
     [](Machine& k) {
         std::vector<uint8_t> other = Pattern(500, 9);
         WriteFile(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT"), other);
         WriteFile(k.Host("WINDOWS/FOREST.SCR"), Pattern(3000, 9));
     },
     {kIdYes, kIdOk}, false, 0, {"FOREST.SCR", "QUORBEL/SSAVERS/Forest/Forest.DAT"}, "C:\\WINDOWS\\OTHER.SCR", false,
     ":\r\nC:\\WINDOWS\\FOREST.SCR\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT"},
    {"files it can't read",
     [](Machine& k) {
         // The program's last read, at its end, fails: its bytes were all
         // read, but not known to be all there is.
         k.sim.Fail({SimOp::Read, "*\\FOREST.SCR", 1, -1, 4097});
         Fail(k, SimOp::Open, "*\\FILE0002.BMP", -1);
     },
     {kIdYes, kIdOk}, false, 0,
     {"FOREST.SCR", "QUORBEL/SSAVERS/Forest/FILE0002.BMP"}, "C:\\WINDOWS\\OTHER.SCR",
     false, ":\r\nC:\\WINDOWS\\FOREST.SCR\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\FILE0002.BMP\r\n"},
    {"a link in the program's place",
     [](Machine& k) {
         fs::rename(k.Host("WINDOWS/FOREST.SCR"), k.Host("SETUP/FOREST.SCR"));
         k.sim.MakeLink("C:\\WINDOWS\\FOREST.SCR", k.Host("SETUP/FOREST.SCR"));
     },
     {kIdYes, kIdOk}, false, 0, {"FOREST.SCR"}, "C:\\WINDOWS\\OTHER.SCR", false, ":\r\nC:\\WINDOWS\\FOREST.SCR\r\n",
     kUninstaller, [](Machine& k) { EXPECT_TRUE(FileExists(k.Host("SETUP/FOREST.SCR"))); }},
    // None of its folders is followed through a link: what it leads to stays
    // whole, and is named.
    {"the data folder a link", [](Machine& k) { Linked(k, "WINDOWS/QUORBEL/SSAVERS/Forest"); },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false,
     ":\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest", kUninstaller,
     [](Machine& k) {
         for (const char* f : {"Forest.DAT", "FILE0002.BMP", "UNINSTAL.EXE"})
             EXPECT_TRUE(FileExists(k.Host(std::string("elsewhere/Forest/") + f))) << f;
     }},
    {"QUORBEL a link", [](Machine& k) { Linked(k, "WINDOWS/QUORBEL"); },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, ":\r\nC:\\WINDOWS\\QUORBEL", kUninstaller,
     [](Machine& k) { EXPECT_TRUE(FileExists(k.Host("elsewhere/QUORBEL/SSAVERS/Forest/Forest.DAT"))); }},
    // A copy run from elsewhere says so and changes nothing.
    {"a copy on the desktop",
     [](Machine& k) { fs::copy_file(k.Host(kUninstallerHost), k.Host("SETUP/UNINSTAL.EXE")); },
     {kIdOk}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true,
     "changes nothing.  To remove the screen saver, run C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE.",
     "C:\\SETUP\\UNINSTAL.EXE"},
    {"a copy, quiet",
     [](Machine& k) { fs::copy_file(k.Host(kUninstallerHost), k.Host("SETUP/UNINSTAL.EXE")); },
     {}, true, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "", "C:\\SETUP\\UNINSTAL.EXE"},
    // With no entry, nothing says another installation owns the program; an
    // entry that can't be read does not say this one does.
    {"no entry", [](Machine& k) { k.sim.programEntries.clear(); },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, "The Forest screen saver has been removed.\r\n\r\nThis"},
    {"the entry can't be read", [](Machine& k) { Fail(k, SimOp::ReadProgramEntry, "FOREST.SCR", -1); },
     {kIdYes, kIdOk}, false, 0, {"FOREST.SCR"}, "C:\\WINDOWS\\FOREST.SCR", true,
     "C:\\WINDOWS\\FOREST.SCR belongs to a later installation (the entry FOREST.SCR in the list of installed programs)"},
    // Nothing is said to be done that is not.
    {"its own file can't be moved aside", [](Machine& k) { Fail(k, SimOp::Rename, "*\\UNINSTAL.EXE", -1); },
     {kIdYes, kIdOk}, false, kExitFailed, {"QUORBEL/SSAVERS/Forest/UNINSTAL.EXE"}, "C:\\WINDOWS\\OTHER.SCR", false,
     ":\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE"},
    {"no deletion at restart", [](Machine& k) { Fail(k, SimOp::RemoveAtRestart, "*", -1); },
     {kIdYes, kIdOk}, false, kExitFailed, {"QUORBEL/SSAVERS/Forest/UNINSTAL.OLD"}, "C:\\WINDOWS\\OTHER.SCR", false,
     ":\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.OLD\r\nC:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest"},
    {"the entry can't be removed", [](Machine& k) { Fail(k, SimOp::ProgramEntry, "FOREST.SCR", -1); },
     {kIdYes, kIdOk}, false, kExitFailed, {}, "C:\\WINDOWS\\OTHER.SCR", true,
     ":\r\nthe entry FOREST.SCR in the list of installed programs"},
    // The record is checked whole: a setting to put back that is no plain
    // path of a .SCR is removed instead, and the title is shown trimmed.
    {"a previous setting with a line break",
     [](Machine& k) { PatchRecord(k, kPreviousAt, "C:\\X.SCR\r\n[boot]\r\nshell=evil.exe\r\nA=B.SCR"); },
     {kIdYes, kIdOk}, false, 0, {}, "", false, "has been removed",
     kUninstaller, [](Machine& k) {
         std::vector<uint8_t> ini;
         std::string error;
         ASSERT_TRUE(ReadWholeFile(k.Host("WINDOWS/system.ini"), UINT64_MAX, &ini, &error));
         EXPECT_EQ(std::string(ini.begin(), ini.end()), "[boot]\r\n");
         EXPECT_EQ(k.sim.screenSaverActive, 0);
     }},
    {"a previous setting that is no .SCR", [](Machine& k) { PatchRecord(k, kPreviousAt, "C:\\WINDOWS\\EVIL.EXE"); },
     {kIdYes, kIdOk}, false, 0, {}, "", false, "has been removed"},
    {"a previous setting with a DEL", [](Machine& k) { PatchRecord(k, kPreviousAt, "C:\\A\x7F.SCR"); },
     {kIdYes, kIdOk}, false, 0, {}, "", false, "has been removed"},
    {"a title with trailing spaces", [](Machine& k) { PatchRecord(k, kTitleAt, "Forest          "); },
     {kIdYes, kIdOk}, false, 0, {}, "C:\\WINDOWS\\OTHER.SCR", false, "The Forest screen saver has been removed."},
    {"a device for the program", [](Machine& k) { PatchRecord(k, kProgramAt, "CON.SCR"); },
     {kIdOk}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "is damaged"},
    {"a short name for the program", [](Machine& k) { PatchRecord(k, kProgramAt, "FOREST~1.SCR"); },
     {kIdOk}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "is damaged"},
    // The uninstaller and ssinst verify hold it damaged alike.
    {"checksums cut short",
     [](Machine& k) {
         FilePosition record;
         std::vector<uint8_t> u = ReadUninstaller(k, &record);
         u.resize(u.size() - 1);
         WriteFile(k.Host(kUninstallerHost), u);
         Verdict v;
         std::string error;
         ASSERT_TRUE(VerifyInstaller(k.Host(kUninstallerHost), &v, &error)) << error;
         EXPECT_EQ(v.payloadProblem, "its files' checksums are cut short");
     },
     {kIdOk}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "is damaged"},
    {"damaged record", [](Machine& k) { PatchRecord(k, kProgramAt, "..\\EVIL.SCR"); },
     {kIdOk}, false, kExitFailed, {"*"}, "C:\\WINDOWS\\FOREST.SCR", true, "is damaged"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RemovalRun, ::testing::ValuesIn(kCases), CaseName());

TEST(Removal, ANewInstallationBeforeTheRestartKeepsItsUninstaller) {
    REQUIRE_STUB();
    Machine k;
    Install(k);
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}), 0);
    // It moved itself aside, and that is what goes at the restart. Run
    // again from there it is a copy, and changes nothing.
    const std::string old = "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.OLD";
    EXPECT_EQ(k.sim.removeAtRestart.front(), old);
    k.sim.SetModulePath(old);
    k.sim.AnswerMessage(kIdOk);
    InstallerState s = {};
    EXPECT_EQ(InstallerMain(k.sim, s), kExitFailed);
    EXPECT_NE(k.sim.messages.back().text.find("changes nothing"), std::string::npos) << k.sim.messages.back().text;
    EXPECT_EQ(Setting(k), "C:\\WINDOWS\\OTHER.SCR");
    // Installed and removed again before Windows restarts: the second
    // UNINSTAL.OLD takes the place of the first, and nothing is said to stay.
    Install(k);
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}), 0);
    EXPECT_EQ(k.sim.messages.back().text.find("Left in place"), std::string::npos) << k.sim.messages.back().text;
    // Installed again: the restart takes the old uninstallers, not the new
    // one, whose entry then removes it.
    Install(k);
    k.sim.Restart();
    EXPECT_TRUE(FileExists(k.Host(kUninstallerHost)));
    EXPECT_FALSE(FileExists(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/UNINSTAL.OLD")));
    EXPECT_EQ(k.sim.programEntries.count("FOREST.SCR"), 1u);
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}), 0);
    k.sim.Restart();
    EXPECT_TRUE(Files(k).empty());
    // An entry whose uninstaller is gone: installing again makes both.
    Install(k);
    k.sim.programEntries["FOREST.SCR"]["UninstallString"] = "gone";
    fs::remove(k.Host(kUninstallerHost));
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    EXPECT_TRUE(FileExists(k.Host(kUninstallerHost)));
    EXPECT_EQ(k.sim.programEntries["FOREST.SCR"]["UninstallString"], std::string("\"") + kUninstaller + "\"");
}

// Forest.exe, then Forest.v2.exe, both install FOREST.SCR: the program,
// its entry and its setting are the later one's, and the first's
// uninstaller takes only its own data folder.
TEST(Removal, AnEarlierInstallationLeavesTheProgramToTheLaterOne) {
    REQUIRE_STUB();
    Machine k;
    Install(k);
    k.Place(MakeInstaller("Forest", {{"f.scr", Pattern(3000, 4), ".SCR"}, {"f.dat", Pattern(500, 5), ".DAT"}}),
            "Forest.v2.exe");
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    k.sim.messages.clear();
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}), 0);
    k.sim.Restart();
    EXPECT_EQ(Files(k), (std::set<std::string>{"FOREST.SCR", "QUORBEL/SSAVERS/Forest.v2/Forest.v2.DAT",
                                               "QUORBEL/SSAVERS/Forest.v2/UNINSTAL.EXE"}));
    EXPECT_EQ(Setting(k), "C:\\WINDOWS\\FOREST.SCR");
    EXPECT_EQ(k.sim.programEntries["FOREST.SCR"]["InstallLocation"], "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest.v2");
    ASSERT_FALSE(k.sim.messages.empty());
    EXPECT_EQ(k.sim.messages.back().text,
              "The files of this installation of the Forest screen saver have been removed.\r\n\r\n"
              "C:\\WINDOWS\\FOREST.SCR belongs to a later installation (C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest.v2) and "
              "stays, with its entry and setting.\r\n\r\nThis removal program goes when Windows restarts.");
    // The later one's uninstaller removes it all.
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}, false, "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest.v2\\UNINSTAL.EXE"), 0);
    k.sim.Restart();
    EXPECT_TRUE(Files(k).empty());
    EXPECT_TRUE(k.sim.programEntries.empty());
}

// A link in place of QUORBEL is taken as the folder it leads to when
// installing, as it always was; the uninstaller then leaves what is behind
// it, and says so.
TEST(Removal, AnInstallationThroughALinkIsLeftBehindIt) {
    REQUIRE_STUB();
    Machine k;
    fs::create_directories(k.Host("elsewhere/QUORBEL"));
    k.sim.MakeLink("C:\\WINDOWS\\QUORBEL", k.Host("elsewhere/QUORBEL"));
    Install(k);
    ASSERT_TRUE(FileExists(k.Host("elsewhere/QUORBEL/SSAVERS/Forest/Forest.DAT")));
    EXPECT_EQ(Uninstall(k, {kIdYes, kIdOk}), 0);
    k.sim.Restart();
    EXPECT_FALSE(FileExists(k.Host("WINDOWS/FOREST.SCR")));
    EXPECT_TRUE(FileExists(k.Host("elsewhere/QUORBEL/SSAVERS/Forest/Forest.DAT")));
    EXPECT_NE(k.sim.messages.back().text.find(":\r\nC:\\WINDOWS\\QUORBEL"), std::string::npos) << k.sim.messages.back().text;
}

// The uninstaller is written whole under another name before it takes the
// place of the one there: an installation that fails, or whose uninstaller
// can't be written, leaves the old one, or none and no entry.
TEST(Removal, TheUninstallerTakesItsPlaceOnlyWhole) {
    REQUIRE_STUB();
    Machine k;
    Install(k);
    std::vector<uint8_t> before, after;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(k.Host(kUninstallerHost), UINT64_MAX, &before, &error));
    k.sim.Fail({SimOp::Create, "*\\FILE0002.BMP"});
    k.sim.AnswerMessage(kIdOk);
    EXPECT_NE(k.RunAnsweringOk(), 0);
    ASSERT_TRUE(ReadWholeFile(k.Host(kUninstallerHost), UINT64_MAX, &after, &error));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(FileExists(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/UNINSTAL.NEW")));

    Machine n;
    n.Place(MakeInstaller("Forest"));
    n.sim.Fail({SimOp::Write, "*\\UNINSTAL.NEW", 1, 1, 2000});
    n.sim.AnswerMessage(kIdOk);
    EXPECT_EQ(n.RunAnsweringOk(), 0);
    ASSERT_GE(n.sim.messages.size(), 2u);
    EXPECT_NE(n.sim.messages[1].text.find("UNINSTAL.EXE could not be written"), std::string::npos) << n.sim.messages[1].text;
    EXPECT_EQ(n.sim.UnusedAnswers(), 0u);
    EXPECT_FALSE(FileExists(n.Host(kUninstallerHost)));
    EXPECT_FALSE(FileExists(n.Host("WINDOWS/QUORBEL/SSAVERS/Forest/UNINSTAL.NEW")));
    EXPECT_TRUE(n.sim.programEntries.empty());
}

TEST(Removal, IsRecordedOnlyForWhatARecordMayName) {
    RemovalRecord r = {};
    StartRemovalRecord(&r);
    auto read = [&](const char* program, const char* base) {
        RemovalRecord w = r;
        std::snprintf(w.program, sizeof w.program, "%s", program);
        std::snprintf(w.base, sizeof w.base, "%s", base);
        MemoryReader in(reinterpret_cast<const uint8_t*>(&w), sizeof w);
        return ReadRemovalRecord(in, &w);
    };
    EXPECT_TRUE(read("FOREST.SCR", "Forest"));
    for (const char* good : {"CONSOLE.SCR", "COM10.SCR", "COM0.SCR", "AUX1.SCR", "A~B.SCR", "LPT.SCR"})
        EXPECT_TRUE(read(good, "Forest")) << good;
    for (const char* bad : {"..\\X.SCR", "C:X.SCR", "X.EXE", "", ".SCR", "a/b.SCR", "CON.SCR", "nul.SCR", "COM1.SCR",
                            "LPT9 .SCR", "COM\xB9.SCR", "FOREST~1.SCR", "PRN.X.SCR"})
        EXPECT_FALSE(read(bad, "Forest")) << bad;
    for (const char* bad : {"..", "a\\b", "", " .", "c:", "AUX", "Con", "Fores~12"}) EXPECT_FALSE(read("FOREST.SCR", bad)) << bad;
    // A record of another version is not read as this one.
    RemovalRecord older = r;
    older.header[kTitleSize - 3] = '1';
    std::snprintf(older.program, sizeof older.program, "FOREST.SCR");
    std::snprintf(older.base, sizeof older.base, "Forest");
    MemoryReader o(reinterpret_cast<const uint8_t*>(&older), sizeof older);
    EXPECT_EQ(RemovalMarkVersion(older.header), 1);
    EXPECT_FALSE(ReadRemovalRecord(o, &older));
    // An installer's payload is no record.
    MemoryReader in(BuiltStub());
    RemovalRecord w;
    EXPECT_FALSE(LocatePayloadIn(in) != kNoPosition && ReadRemovalRecord(in, &w));
}

// ssinst judges an uninstaller by the checks the uninstaller runs itself:
// what it refuses to run is damaged for list and verify, and extract
// writes nothing of any uninstaller.
TEST(Removal, TheToolJudgesAnUninstallerAsItJudgesItself) {
    enum { kBaseAt = kRemovalHeaderSize + 3 * 260, kTableAt = kRemovalRecordSize + kHeaderSize };
    const struct {
        const char* what;
        size_t at;  // into the record; 0 leaves it as it is
        std::string text;
    } kCases[] = {
        {"as it was left", 0, ""},
        {"an extension with a folder in it", kTableAt + 2 * kEntrySize + 12, ".B/P"},
        {"a data folder too long for the Windows directory", kBaseAt, std::string(240, 'F')},
        {"a program too long for it", kProgramAt, std::string(250, 'F') + ".SCR"},
        {"a program no installation names so", kProgramAt, ". X.SCR"},
    };
    for (const auto& c : kCases) {
        Machine k;
        Install(k);
        if (c.at) PatchRecord(k, c.at, c.text);
        const bool sound = !c.at;
        const std::string path = k.Host(kUninstallerHost);
        Verdict v;
        std::string error;
        ASSERT_TRUE(VerifyInstaller(path, &v, &error)) << c.what << ": " << error;
        EXPECT_EQ(v.Sound(), sound) << c.what << ": " << v.payloadProblem;
        SourceFile f;
        InstallerContents contents;
        ASSERT_TRUE(f.Open(path, &error) && ReadInstaller(f.Reader(), &contents, &error)) << error;
        EXPECT_EQ(contents.check.problem == kPayloadSound && RecordProblem(contents).empty(), sound) << c.what;
        std::vector<std::string> written;
        EXPECT_FALSE(ExtractInstaller(path, k.Host("out"), &written, &error)) << c.what;
        EXPECT_NE(error.find("an uninstaller holds no files"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(k.Host("out/FOREST.SCR"))) << c.what;
        // The uninstaller itself: a refusal leaves every file.
        const std::set<std::string> before = Files(k);
        Uninstall(k, {}, true);
        EXPECT_EQ(Files(k) == before, !sound) << c.what;
    }
}

}  // namespace
