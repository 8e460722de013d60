// The installer's run on the simulated machine: what the user is shown, in
// what order, and how each answer ends the run.
#include <gtest/gtest.h>

#include <cstring>

#include "app/installer.h"
#include "res/ids.h"
#include "tests/unit/test_support.h"

namespace {

const char kForestConfirm[] =
    "This program will install FOREST.SCR (Forest Screen Saver) to C:\\WINDOWS and will make it "
    "your default Screen Saver.  This installation will take 11 bytes.";
const char kForestComplete[] =
    "Installation Complete!\r\n\r\nData files have also been installed in your "
    "C:\\WINDOWS\\QUORBEL\\SSAVERS\\FOREST directory.";

class FlowTest : public SimTest {
protected:
    int Run() {
        InstallerState s = {};
        return InstallerMain(sim, s);
    }
    void AnswerWholeRun() {
        sim.AnswerMessage(kIdOk);
        sim.AnswerMessage(kIdOk);
        sim.AnswerDialog({kIdOk});
    }
};

TEST_F(FlowTest, ConfirmedRunShowsEachTextInOrder) {
    REQUIRE_STUB();
    PlaceInstaller("Forest.exe", MakeInstaller("Forest"));
    AnswerWholeRun();
    EXPECT_EQ(Run(), 0);

    EXPECT_EQ(sim.windowClass, "ZELMInst");
    EXPECT_EQ(sim.windowIcon, IDI_INSTALLER);
    ASSERT_EQ(sim.messages.size(), 2u);
    EXPECT_EQ(sim.messages[0].text, kForestConfirm);
    EXPECT_EQ(sim.messages[0].caption, "Forest Screen Saver Installation");
    EXPECT_EQ(sim.messages[0].style, (unsigned)(kMbOkCancel | kMbIconInformation));
    EXPECT_EQ(sim.messages[1].text, kForestComplete);
    EXPECT_EQ(sim.messages[1].caption, "Forest Screen Saver Installation");
    EXPECT_EQ(sim.messages[1].style, (unsigned)(kMbOk | kMbIconExclamation));
    ASSERT_EQ(sim.dialogs.size(), 2u);
    EXPECT_EQ(sim.dialogs[0].id, IDD_INSTALLING);
    EXPECT_EQ(sim.dialogs[0].caption, "Forest Screen Saver Installation");
    EXPECT_EQ(sim.dialogs[0].items[IDC_INSTALL_TITLE], "Forest Screen Saver");
    EXPECT_EQ(sim.dialogs[0].moves.size(), 1u) << "centred";
    EXPECT_EQ(sim.dialogs[1].id, IDD_ORDERING_INFO);
    EXPECT_EQ(sim.dialogs[1].result, kIdOk);
    EXPECT_EQ(sim.cursors, (std::vector<Cursor>{kCursorWait, kCursorArrow}));
    // By its full path, quoted, never by a name the system would search for.
    EXPECT_EQ(sim.started, std::vector<std::string>{"\"C:\\WINDOWS\\FOREST.SCR\""});
    EXPECT_TRUE(FileExists(sim.HostPath("C:\\WINDOWS\\FOREST.SCR")));
    EXPECT_TRUE(FileExists(sim.HostPath("C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT")));
    EXPECT_EQ(sim.screenSaverActive, 1);
}

TEST_F(FlowTest, AnythingButOkOnTheConfirmationEndsTheRun) {
    REQUIRE_STUB();
    for (int answer : {(int)kIdCancel, 0, (int)kIdNo}) {
        SimPlatform fresh(drive.path());
        WriteFile(drive.path() + "/SETUP/Forest.exe", MakeInstaller("Forest"));
        fresh.SetModulePath("C:\\SETUP\\Forest.exe");
        fresh.AnswerMessage(answer);
        InstallerState s = {};
        EXPECT_EQ(InstallerMain(fresh, s), 0) << answer;
        EXPECT_EQ(fresh.messages.size(), 1u) << answer;
        EXPECT_TRUE(fresh.dialogs.empty()) << answer;
        EXPECT_TRUE(fresh.started.empty()) << answer;
        EXPECT_TRUE(fresh.errors.empty()) << answer;
    }
}

TEST_F(FlowTest, NamesComeFromTheInstallersPathAndTheWindowsDirectory) {
    REQUIRE_STUB();
    const struct {
        const char *installer, *windowsDir, *scr, *confirmDir, *completeDir;
    } cases[] = {
        {"Forest.exe", "C:\\WINDOWS", "FOREST.SCR", "C:\\WINDOWS", "C:\\WINDOWS\\QUORBEL\\SSAVERS\\FOREST"},
        {"My.Forest.exe", "C:\\WINDOWS", "MY.SCR", "C:\\WINDOWS", "C:\\WINDOWS\\QUORBEL\\SSAVERS\\MY.FOREST"},
        {"FOREST", "C:\\WINDOWS", "FOREST.SCR", "C:\\WINDOWS", "C:\\WINDOWS\\QUORBEL\\SSAVERS\\FOREST"},
        {"forest.exe", "c:\\windows", "FOREST.SCR", "C:\\WINDOWS", "c:\\windows\\QUORBEL\\SSAVERS\\FOREST"},
        // A drive root keeps its single backslash.
        {"Forest.exe", "C:\\", "FOREST.SCR", "C:\\", "C:\\QUORBEL\\SSAVERS\\FOREST"},
    };
    for (const auto& c : cases) {
        Machine k;  // each on a drive of its own: no screen saver installed yet
        k.Place(MakeInstaller("Forest"), c.installer);
        k.sim.SetWindowsDirectoryPath(c.windowsDir);
        SimPlatform& m = k.sim;
        m.AnswerMessage(kIdOk);
        m.AnswerMessage(kIdOk);
        m.AnswerDialog({kIdOk});
        InstallerState s = {};
        EXPECT_EQ(InstallerMain(m, s), 0);
        ASSERT_EQ(m.messages.size(), 2u) << c.installer;
        EXPECT_EQ(m.messages[0].text, std::string("This program will install ") + c.scr +
                                          " (Forest Screen Saver) to " + c.confirmDir +
                                          " and will make it your default Screen Saver.  "
                                          "This installation will take 11 bytes.");
        EXPECT_EQ(m.messages[1].text, std::string("Installation Complete!\r\n\r\nData files have "
                                                  "also been installed in your ") +
                                          c.completeDir + " directory.");
        EXPECT_EQ(m.started, std::vector<std::string>{"\"" + std::string(c.windowsDir) +
                                                      (c.windowsDir[3] ? "\\" : "") + c.scr + "\""});
        EXPECT_STREQ(s.screenSaverName, c.scr);
        EXPECT_TRUE(m.errors.empty());
    }
}

TEST_F(FlowTest, AStoppingCheckEndsTheRunBeforeTheConfirmation) {
    REQUIRE_STUB();
    const struct {
        void (*setup)(Machine&);
        std::vector<int> answers;
        const char* lastCaption;
    } cases[] = {
        {[](Machine& k) { WriteFile(k.Host("WINDOWS/FOREST.SCR"), {1}); }, {kIdNo, kIdOk}, "Rename Installer"},
        {[](Machine& k) { k.sim.SetReportedFreeSpace(0, {}); }, {kIdCancel}, "Disk Full"},
        {[](Machine& k) { k.sim.RemoveLibrary("OPENGL32.DLL"); }, {kIdCancel}, "Missing Support File"},
    };
    for (const auto& c : cases) {
        Machine k;
        k.Place(MakeInstaller("Forest"));
        c.setup(k);
        for (int a : c.answers) k.sim.AnswerMessage(a);
        InstallerState s = {};
        EXPECT_EQ(InstallerMain(k.sim, s), 0);
        ASSERT_EQ(k.sim.messages.size(), c.answers.size());
        EXPECT_EQ(k.sim.messages.back().caption, c.lastCaption);
        EXPECT_TRUE(k.sim.dialogs.empty());
        EXPECT_FALSE(FileExists(k.Host("WINDOWS/QUORBEL")));
        EXPECT_TRUE(k.sim.errors.empty());
    }
}

TEST_F(FlowTest, TitlesAreShownWithoutTrailingSpaces) {
    REQUIRE_STUB();
    const struct {
        std::string title, caption, inText;
    } cases[] = {
        {"Forest" + std::string(26, ' '), "Forest Screen Saver Installation", "(Forest Screen Saver)"},
        {"", " Screen Saver Installation", "( Screen Saver)"},
        {"   ", " Screen Saver Installation", "( Screen Saver)"},
        {"  Deep Forest ", "  Deep Forest Screen Saver Installation", "(  Deep Forest Screen Saver)"},
        {std::string(32, 'T'), std::string(32, 'T') + " Screen Saver Installation",
         "(" + std::string(32, 'T') + " Screen Saver)"},
    };
    for (const auto& c : cases) {
        SimPlatform m(drive.path());
        WriteFile(drive.path() + "/SETUP/Forest.exe", MakeInstaller(c.title));
        m.SetModulePath("C:\\SETUP\\Forest.exe");
        m.AnswerMessage(kIdCancel);
        InstallerState s = {};
        InstallerMain(m, s);
        ASSERT_EQ(m.messages.size(), 1u);
        EXPECT_EQ(m.messages[0].caption, c.caption) << "[" << c.title << "]";
        EXPECT_NE(m.messages[0].text.find(c.inText), std::string::npos) << m.messages[0].text;
    }
}

TEST_F(FlowTest, WithoutAPayloadTheTitleStaysEmpty) {
    REQUIRE_STUB();
    struct Setup {
        const char* what;
        void (*apply)(SimPlatform&, const std::string& drive);
    };
    const Setup setups[] = {
        {"the installer can't be opened", [](SimPlatform& m, const std::string&) { m.Fail({SimOp::Open, "*\\Forest.exe"}); }},
        {"the module path can't be had", [](SimPlatform& m, const std::string&) { m.Fail({SimOp::ModuleFileName}); }},
        {"the installer can't be read", [](SimPlatform& m, const std::string&) { m.Fail({SimOp::Read, "*\\Forest.exe", 1, -1}); }},
        {"the file is no installer", [](SimPlatform&, const std::string& d) {
             WriteFile(d + "/SETUP/Forest.exe", Bytes("MZ not really"));
         }},
    };
    for (const Setup& s : setups) {
        SimPlatform m(drive.path());
        WriteFile(drive.path() + "/SETUP/Forest.exe", MakeInstaller("Forest"));
        m.SetModulePath("C:\\SETUP\\Forest.exe");
        s.apply(m, drive.path());
        m.AnswerMessage(kIdCancel);
        InstallerState st = {};
        EXPECT_EQ(InstallerMain(m, st), 0);
        ASSERT_EQ(m.messages.size(), 1u) << s.what;
        EXPECT_EQ(m.messages[0].caption, " Screen Saver Installation") << s.what;
        EXPECT_EQ(m.OpenFiles(), 0) << s.what;
        EXPECT_TRUE(m.errors.empty()) << s.what;
    }
}

TEST_F(FlowTest, LongNamesNeverOverrunTheTextAreasNorReachTheDisk) {
    REQUIRE_STUB();
    // The longest paths the platform hands out: 259 characters.
    std::string name = std::string(259 - std::strlen("C:\\SETUP\\") - 4, 'N') + ".exe";
    PlaceInstaller(name, MakeInstaller(std::string(32, 'T')));
    std::string windows(200, 'W');
    MakeDirs(drive.path() + "/" + windows);
    sim.SetWindowsDirectoryPath("C:\\" + windows);
    sim.AnswerMessage(kIdOk);
    sim.AnswerMessage(kIdOk);
    EXPECT_EQ(Run(), kExitFailed);
    ASSERT_EQ(sim.messages.size(), 2u);
    for (const SimMessage& m : sim.messages) EXPECT_LE(m.text.size(), (size_t)kTextSize - 1);
    EXPECT_EQ(sim.messages[0].text.rfind("This program will install NNN", 0), 0u);
    EXPECT_NE(sim.messages[1].text.find("is too long"), std::string::npos) << sim.messages[1].text;
    EXPECT_EQ(sim.messages[1].style, (unsigned)(kMbOk | kMbIconError));
    EXPECT_TRUE(sim.started.empty());
    EXPECT_EQ(sim.screenSaverActive, -1);
}

TEST(OrderingInfoDialog, EndsOnlyOnAPlainOkOrCancel) {
    const struct {
        std::vector<uintptr_t> commands;
        int result;
    } cases[] = {
        {{kIdOk}, kIdOk},
        {{kIdCancel}, kIdCancel},
        // Notifications carry a code in the high word: not a button press.
        {{0x10001, kIdCancel}, kIdCancel},
        {{0x20002, 0x10002, 3, 0, kIdOk}, kIdOk},
    };
    for (const auto& c : cases) {
        TempDir d;
        SimPlatform m(d.path());
        m.AnswerDialog(c.commands);
        EXPECT_EQ(m.RunDialog(IDD_ORDERING_INFO, OrderingInfoDialogProc, nullptr), c.result);
        EXPECT_TRUE(m.errors.empty());
    }
}

TEST(CentreWindow, PlacesDialogsInTheMiddleOfTheScreen) {
    const struct {
        int screenW, screenH, w, h, x, y;
    } cases[] = {
        {800, 600, 301, 200, 250, 200},
        {801, 601, 300, 201, 250, 200},  // halves truncate
        {1024, 768, 410, 334, 307, 217},
        {200, 100, 301, 201, -50, -50},  // larger than the screen
    };
    for (const auto& c : cases) {
        TempDir d;
        SimPlatform m(d.path());
        m.SetScreen(c.screenW, c.screenH);
        m.SetDialogSize(IDD_ORDERING_INFO, c.w, c.h);
        m.AnswerDialog({kIdOk});
        m.RunDialog(IDD_ORDERING_INFO, OrderingInfoDialogProc, nullptr);
        ASSERT_EQ(m.dialogs.size(), 1u);
        ASSERT_EQ(m.dialogs[0].moves.size(), 1u);
        EXPECT_EQ(m.dialogs[0].moves[0], std::make_pair(c.x, c.y));
    }
}

}  // namespace
