// Runs with switches on the simulated machine: what each mode shows, the
// answer it takes where no one is asked, its log and its exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/installer.h"
#include "res/ids.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

enum Shown { kNothing, kMessagesOnly, kDialogOnly, kAll };

struct RunCase {
    const char* what;
    const char* args;  // after the installer's quoted path; null: `before` sets the line
    std::function<void(Machine&)> before;
    std::vector<int> answers;
    int exitCode;
    Shown shown;
    bool registered;
    std::vector<const char*> logged;  // in C:\inst.log, in this order
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.what; }

const char kLog[] = "/log=C:\\inst.log";
const char kQuietLog[] = "/quiet /log=C:\\inst.log";

const RunCase kRuns[] = {
    // The plain run keeps its 0 after Cancel; with a switch it is 1602.
    {"plain, cancelled", "", nullptr, {kIdCancel}, 0, kMessagesOnly, false, {}},
    {"logged, cancelled", kLog, nullptr, {kIdCancel}, kExitCancelled, kMessagesOnly, false,
     {"Run: \"C:\\SETUP\\Forest.exe\" /log=C:\\inst.log", "No C:\\WINDOWS\\FOREST.SCR yet.", "Room: 0 KB needed",
      "Found OPENGL32.DLL.", "Found GLU32.DLL.", "This program will install FOREST.SCR", "  -> Cancel",
      "Exit code 1602."}},
    {"logged, the whole run", kLog, nullptr, {kIdOk, kIdOk}, 0, kAll, true,
     {"-> OK", "Wrote C:\\WINDOWS\\FOREST.SCR, 7 bytes.", "Installation Complete!", "Exit code 0."}},
    {"quiet", kQuietLog, nullptr, {}, 0, kNothing, true,
     {"This program will install", "  -> OK", "Wrote C:\\WINDOWS\\FOREST.SCR, 7 bytes.",
      "Wrote C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT", "Registered C:\\WINDOWS\\FOREST.SCR in system.ini.",
      "Removal: C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE, entry FOREST.SCR.", "Installation Complete!",
      "Exit code 0."}},
    {"/S, in another case and with '-'", "-s", nullptr, {}, 0, kNothing, true, {}},
    {"the program's name unquoted", nullptr, [](Machine& k) { k.sim.SetCommandLine("C:\\SETUP\\Forest.exe /quiet"); },
     {}, 0, kNothing, true, {}},
    {"passive", "/PASSIVE", nullptr, {}, 0, kDialogOnly, true, {}},
    {"a quoted log path with a space", "/quiet \"/log=C:\\my logs\\inst.log\"",
     [](Machine& k) { MakeDirs(k.Host("my logs")); }, {}, 0, kNothing, true, {}},
    // Each question's unattended answer.
    {"quiet over the same name", kQuietLog, [](Machine& k) { WriteFile(k.Host("WINDOWS/FOREST.SCR"), {1}); }, {}, 0,
     kNothing, true, {"There is already a screen saver by the same name (Forest.SCR)", "  -> Yes", "Exit code 0."}},
    {"quiet without room", kQuietLog, [](Machine& k) { k.sim.SetReportedFreeSpace(0, {1, 512, 0}); }, {}, kExitNoRoom,
     kNothing, false, {"Room: 0 KB needed, 0 KB free.", "You will need 0 kilobytes", "  -> Cancel", "Exit code 112."}},
    {"quiet without OpenGL", kQuietLog, [](Machine& k) { k.sim.RemoveLibrary("OPENGL32.DLL"); }, {}, 0, kNothing, true,
     {"This screen saver needs OPENGL32.DLL to run.", "  -> No", "Found GLU32.DLL.", "Exit code 0."}},
    {"quiet with an outdated OpenGL", kQuietLog, [](Machine& k) { k.sim.SetLibrary("OPENGL32.DLL", {}); }, {}, 0,
     kNothing, true, {"appears to be out of date", "  -> Yes"}},
    {"quiet, failing halfway", kQuietLog, [](Machine& k) { k.sim.Fail({SimOp::Create, "*.DAT"}); }, {}, kExitFailed,
     kNothing, false, {"Wrote C:\\WINDOWS\\FOREST.SCR", "Forest.DAT could not be created.", "Exit code 1603."}},
    {"quiet, damaged", kQuietLog, [](Machine& k) { PatchEntry(k.installer, 0, 1, 1u << 30), k.Place(k.installer); },
     {}, kExitFailed, kNothing, false, {"is damaged", "Exit code 1603."}},
    {"quiet, as the system account", kQuietLog, [](Machine& k) { k.sim.SetSystemAccount(true); }, {}, 0, kNothing,
     false, {"Wrote C:\\WINDOWS\\FOREST.SCR", "System account: nothing registered", "Removal: ", "Exit code 0."}},
    // Refused before anything is written.
    {"a switch not known", "/frobnicate", nullptr, {kIdOk}, kExitBadSwitch, kMessagesOnly, false, {}},
    {"quiet, and a switch not known", "/quiet /frobnicate /log=C:\\inst.log", nullptr, {}, kExitBadSwitch, kNothing,
     false, {}},
    {"no switch at all", "Forest", nullptr, {kIdOk}, kExitBadSwitch, kMessagesOnly, false, {}},
    {"a log with no path", "/log=", nullptr, {kIdOk}, kExitBadSwitch, kMessagesOnly, false, {}},
    {"a value for a switch that takes none", "/quiet=", nullptr, {kIdOk}, kExitBadSwitch, kMessagesOnly, false, {}},
    {"a log with no '='", "/log", nullptr, {kIdOk}, kExitBadSwitch, kMessagesOnly, false, {}},
    {"a log that is a folder", "/log=C:\\WINDOWS", nullptr, {kIdOk}, kExitFailed, kMessagesOnly, false, {}},
    {"the help", "/?", nullptr, {kIdOk}, 0, kMessagesOnly, false, {}},
};

class UnattendedRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(UnattendedRun, AnswersAsItsModeSaysAndLogsWhatItDid) {
    REQUIRE_STUB();
    const RunCase& c = GetParam();
    Machine k;
    k.Place(MakeInstaller("Forest"));
    if (c.args) k.sim.SetCommandLine(std::string("\"C:\\SETUP\\Forest.exe\" ") + c.args);
    if (c.before) c.before(k);
    for (int a : c.answers) k.sim.AnswerMessage(a);
    if (c.shown == kAll) k.sim.AnswerDialog({kIdOk});  // the information dialog
    InstallerState s = {};
    EXPECT_EQ(InstallerMain(k.sim, s), c.exitCode);

    const bool messages = c.shown == kMessagesOnly || c.shown == kAll, dialog = c.shown >= kDialogOnly;
    EXPECT_EQ(!k.sim.messages.empty(), messages);
    EXPECT_EQ(!k.sim.dialogs.empty() && k.sim.dialogs[0].id == IDD_INSTALLING, dialog);
    EXPECT_EQ(k.sim.dialogs.size(), c.shown == kAll ? 2u : dialog ? 1u : 0u) << "the information dialog";
    EXPECT_EQ(k.sim.started.size(), c.shown == kAll ? 1u : 0u) << "nothing is started unattended";
    EXPECT_EQ(Setting(k) == "C:\\WINDOWS\\FOREST.SCR", c.registered);
    if (c.exitCode == kExitBadSwitch || c.exitCode == kExitNoRoom || (c.args && std::string(c.args) == "/?")) {
        EXPECT_FALSE(fs::exists(k.Host("WINDOWS/QUORBEL"))) << "nothing written";
    }
    const std::string log = ReadText(k.Host("inst.log"));
    size_t at = 0;
    for (const char* line : c.logged) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << "not logged in order: " << line << "\n" << log;
    }
    if (c.logged.empty() && c.exitCode == kExitBadSwitch) {
        EXPECT_FALSE(fs::exists(k.Host("inst.log")));
    }
    EXPECT_EQ(k.sim.shellOpened.size(), 0u);
    EXPECT_EQ(k.sim.OpenFiles(), 0);
    EXPECT_EQ(k.sim.UnusedAnswers(), 0u);
    EXPECT_TRUE(k.sim.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, UnattendedRun, ::testing::ValuesIn(kRuns), CaseName());

TEST(UnattendedRun, TheMessagesNameTheSwitchAndListTheSwitches) {
    REQUIRE_STUB();
    Machine k;
    k.Place(MakeInstaller("Forest"));
    k.sim.SetCommandLine("\"C:\\SETUP\\Forest.exe\" /passive /Frobnicate");
    k.sim.AnswerMessage(kIdOk);
    InstallerState s = {};
    EXPECT_EQ(InstallerMain(k.sim, s), kExitBadSwitch);
    ASSERT_EQ(k.sim.messages.size(), 1u);
    EXPECT_EQ(k.sim.messages[0].text.rfind("/Frobnicate is not a switch of this program.\r\n\r\n/quiet or /S", 0), 0u);
    EXPECT_EQ(k.sim.messages[0].caption, "Forest Screen Saver Installation");
    for (const char* code : {"1602", "1603", "112", "87", "3010"})
        EXPECT_NE(k.sim.messages[0].text.find(code), std::string::npos) << code;
}

TEST(UnattendedRun, TheUninstallerTakesTheSameSwitches) {
    REQUIRE_STUB();
    Machine k;
    k.Place(MakeInstaller("Forest"));
    k.sim.SetCommandLine("\"C:\\SETUP\\Forest.exe\" /quiet");
    InstallerState s = {};
    ASSERT_EQ(InstallerMain(k.sim, s), 0);
    const char kUninstaller[] = "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE";
    k.sim.SetModulePath(kUninstaller);
    // Refused before anything changes, then removed with no message.
    for (const char* args : {" /quiet /frobnicate", " /passive /log=C:\\rm.log"}) {
        k.sim.SetCommandLine(std::string("\"") + kUninstaller + "\"" + args);
        InstallerState u = {};
        EXPECT_EQ(InstallerMain(k.sim, u), args[2] == 'q' ? kExitBadSwitch : 0) << args;
        EXPECT_EQ(FileExists(k.Host("WINDOWS/FOREST.SCR")), args[2] == 'q') << args;
    }
    EXPECT_TRUE(k.sim.messages.empty());
    const std::string log = ReadText(k.Host("rm.log"));
    EXPECT_NE(log.find("Remove the Forest screen saver and its files?\r\n  -> Yes"), std::string::npos) << log;
    EXPECT_NE(log.find("Removed C:\\WINDOWS\\FOREST.SCR."), std::string::npos) << log;
    EXPECT_NE(log.find("Exit code 0."), std::string::npos) << log;
    EXPECT_EQ(k.sim.OpenFiles(), 0);
}

}  // namespace
