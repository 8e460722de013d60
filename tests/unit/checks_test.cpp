// The checks made before the confirmation, on the simulated machine. Every
// message is compared whole: caption, style and text.
#include <gtest/gtest.h>

#include <array>

#include "app/installer.h"
#include "checks/checks.h"
#include "install/names.h"
#include "tests/unit/test_support.h"

namespace {

const std::string kAddress = "ftp://ftp.lumasketch.example.com/pub/opengl/opengl95.exe";

std::string Shown(const std::string& caption, unsigned style, const std::string& text) {
    return caption + " | " + std::to_string(style) + " | " + text;
}
std::vector<std::string> Messages(const SimPlatform& sim) {
    std::vector<std::string> out;
    for (const SimMessage& m : sim.messages) out.push_back(Shown(m.caption, m.style, m.text));
    return out;
}
std::string Replace(const std::string& name) {
    return Shown("Replace Screen Saver?", kMbYesNo | kMbIconQuestion, "There is already a screen saver by the same "
                 "name (" + name + ") installed on your system.  Would you like to replace it?");
}
std::string Rename(const std::string& name) {
    return Shown("Rename Installer", kMbOk | kMbIconInformation, "If you would like to change the name of the .SCR "
                 "file that would be installed on your system, simply change the installers file name (" + name +
                 ") and run it again.");
}
std::string DiskFull(const std::string& needed, const std::string& free) {
    return Shown("Disk Full", kMbOkCancel | kMbIconInformation, "You will need " + needed + " kilobytes free in "
                 "your Windows directory to install this screen saver.  It appears that you only have " + free +
                 " kilobytes free on this drive.  Would you like to continue the installation?");
}
std::string Missing(const std::string& library) {
    return Shown("Missing Support File", kMbYesNoCancel | kMbIconQuestion, "This screen saver needs " + library +
                 " to run. Click on the \"Yes\" button below to download a copy from " + kAddress + ", then re-run "
                 "this installer (if you have trouble downloading this file, please feel free to call our technical "
                 "support for assistance at 1-800-555-0187). Click on \"No\" to install the screen saver anyway, "
                 "though it will NOT work! Click on \"Cancel\" to cancel the installation.");
}
const std::string kOutdated = Shown("Outdated Support File", kMbYesNo | kMbIconQuestion, "Your OPENGL32.DLL file "
    "appears to be out of date. If you experience problems running this screen saver, make sure to click on "
    "Troubleshooting in this screen saver's Settings dialog. Continue?");
const std::string kNoConnection = Shown(kAddress, kMbOk | kMbIconError, "Could not connect to this site.");

}  // namespace

TEST(Checks, NameConflictAsksOnlyAboutTheFileTheInstallationWrites) {
    const struct {
        const char *module, *windows, *existing;  // a host path; "dir:" for a directory
        int answer, result;
        std::vector<std::string> shown;
    } cases[] = {
        {"C:\\SETUP\\FOREST.EXE", "C:\\WINDOWS", "WINDOWS/FOREST.SCR", kIdYes, kGoOn, {Replace("FOREST.SCR")}},
        {"C:\\SETUP\\FOREST.EXE", "C:\\WINDOWS", "WINDOWS/FOREST.SCR", kIdNo, kStop,
         {Replace("FOREST.SCR"), Rename("FOREST.EXE")}},
        {"C:\\SETUP\\forest.exe", "C:\\WINDOWS", "WINDOWS/FOREST.SCR", kIdNo, kStop,
         {Replace("forest.SCR"), Rename("forest.EXE")}},
        // The file written is MY.SCR, and FOREST.SCR for the '.' in a directory.
        {"C:\\SETUP\\My.Forest.exe", "C:\\WINDOWS", "WINDOWS/MY.SCR", kIdNo, kStop,
         {Replace("MY.SCR"), Rename("My.Forest.EXE")}},
        {"C:\\SETUP\\My.Forest.exe", "C:\\WINDOWS", "WINDOWS/My.Forest.SCR", 0, kGoOn, {}},
        {"C:\\PROGRAMS\\A.B\\FOREST", "C:\\WINDOWS", "WINDOWS/FOREST.SCR", kIdNo, kStop,
         {Replace("FOREST.SCR"), Rename("FOREST.EXE")}},
        {"C:\\SETUP\\Forest.exe", "C:\\WINDOWS", "dir:WINDOWS/FOREST.SCR", kIdYes, kGoOn, {Replace("Forest.SCR")}},
        {"C:\\SETUP\\Forest.exe", "C:\\", "FOREST.SCR", kIdCancel, kGoOn, {Replace("Forest.SCR")}},
        {"", "C:\\WINDOWS", "WINDOWS/.SCR", 0, kGoOn, {}},  // failed queries ask nothing
        {"C:\\SETUP\\FOREST.EXE", "", "FOREST.SCR", 0, kGoOn, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module + std::string(" ") + c.existing);
        Machine k;
        const std::string existing = c.existing;
        if (existing.rfind("dir:", 0) == 0) MakeDirs(k.Host(existing.substr(4)));
        else WriteFile(k.Host(existing), {1});
        for (int a : {c.answer, c.shown.size() > 1 ? (int)kIdOk : 0})
            if (a) k.sim.AnswerMessage(a);
        char scr[kPathSize];
        ScreenSaverFileName(c.module, scr, sizeof scr);
        Session plain(k.sim);
        EXPECT_EQ(CheckNameConflict(plain, {c.module, c.windows, scr}), c.result);
        EXPECT_EQ(Messages(k.sim), c.shown);
        EXPECT_TRUE(k.sim.errors.empty());
    }
}

TEST(Checks, DiskSpaceAddsUpThePayloadAndWarnsWhenTheDriveIsShort) {
    REQUIRE_STUB();
    // 100000 unpacked and 150000 stored: 250000 bytes, 244 KB.
    const std::vector<std::array<uint32_t, 3>> k250000 = {{0, 1, 40000}, {0, 2, 100000}, {1, 1, 150000}};
    const struct {
        std::vector<std::array<uint32_t, 3>> patches;  // entry, field, value
        uint64_t freeBytes;
        int answer, result;
        uint32_t total;
        std::vector<std::string> shown;
    } cases[] = {
        {k250000, 244 << 10, kIdCancel, kStop, 250000, {DiskFull("244", "244")}},  // equal is too little
        {k250000, 244 << 10, kIdOk, kGoOn, 250000, {DiskFull("244", "244")}},
        {k250000, 245 << 10, 0, kGoOn, 250000, {}},
        {{{0, 2, 1234 << 10}}, 1000 << 10, kIdOk, kGoOn, (1234 << 10) + 4, {DiskFull("1,234", "1,000")}},
        {{}, 0, kIdOk, kGoOn, 11, {DiskFull("0", "0")}},  // under 1 KB needs 0
        {{}, 1024, 0, kGoOn, 11, {}},
        {{{2, 2, 5000}}, 1 << 30, 0, kGoOn, 5011, {}},  // the terminator's size counts
        {{{0, 2, 0xFFFFFF00u}, {1, 2, 0x1000}}, 8ull << 30, 0, kGoOn, 0xFFFFFFFFu, {}},  // no wrap-around
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        Machine k;
        std::vector<uint8_t> installer = MakeInstaller("Forest");
        for (const auto& patch : c.patches) PatchEntry(installer, (int)patch[0], (int)patch[1], patch[2]);
        k.Place(installer);
        k.sim.SetReportedFreeSpace(c.freeBytes, {1, 512, 0});
        if (c.answer) k.sim.AnswerMessage(c.answer);
        uint32_t total = 0;
        Session plain(k.sim);
        EXPECT_EQ(CheckDiskSpace(plain, {"C:\\SETUP\\Forest.exe", "C:\\WINDOWS", "FOREST.SCR"}, &total), c.result);
        EXPECT_EQ(total, c.total);
        EXPECT_EQ(Messages(k.sim), c.shown);
        EXPECT_EQ(k.sim.OpenFiles(), 0);
    }
}

TEST(Checks, FreeKilobytesByEitherQuery) {
    const struct {
        const char* path;
        std::vector<SimFault> faults;
        bool kernel, entry;
        uint64_t bytes;
        DiskClusters clusters;
        uint32_t result;
        std::vector<std::string> roots;  // asked, in order
    } cases[] = {
        {"C:\\WINDOWS", {}, true, true, 5000 << 10, {8, 512, 1}, 5000, {"C:\\"}},
        {"C:\\GAMES\\OLD\\SYSTEMS\\WINDOWS\\WIN95", {}, true, true, 1 << 20, {}, 1024, {"C:\\GAMES\\OLD\\SYSTEMS\\WINDOWS\\"}},
        {"C:WINDOWS-WITHOUT-A-BACKSLASH-ANYWHERE", {}, true, true, 2048, {}, 2, {"C:\\"}},
        {"WINDOWS", {}, true, true, 2048, {}, kFailedQuery, {}},
        {"C:\\WINDOWS", {}, true, false, 0, {8, 512, 1000}, 4000, {"C:\\", "C:\\"}},  // no GetDiskFreeSpaceExA
        {"C:\\WINDOWS", {}, false, false, 0, {8, 512, 1000}, 4000, {"C:\\"}},         // no KERNEL32.DLL
        {"C:\\WINDOWS", {{SimOp::FreeBytesAvailable}}, true, true, 0, {2, 512, 3}, 3, {"C:\\", "C:\\"}},
        {"C:\\WINDOWS", {{SimOp::FreeBytesAvailable}, {SimOp::FreeClusters}}, true, true, 0, {}, kFailedQuery,
         {"C:\\", "C:\\"}},
        {"C:\\WINDOWS", {}, true, true, 4ull << 40, {}, 0xFFFFFFFEu, {"C:\\"}},  // 4 TB: room, not a failure
        {"C:\\WINDOWS", {}, true, false, 0, {64, 4096, 0x10000000}, 0xFFFFFFFEu, {"C:\\", "C:\\"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + std::string(" ") + std::to_string(c.result));
        Machine k;
        MakeDirs(k.Host("GAMES/OLD/SYSTEMS/WINDOWS"));
        if (!c.kernel) k.sim.RemoveLibrary("KERNEL32.DLL");
        else if (!c.entry) k.sim.SetLibrary("KERNEL32.DLL", {});
        for (const SimFault& f : c.faults) k.sim.Fail(f);
        k.sim.SetReportedFreeSpace(c.bytes, c.clusters);
        EXPECT_EQ(GetFreeKilobytes(k.sim, c.path), c.result);
        EXPECT_EQ(k.sim.freeSpaceRoots, c.roots);
        EXPECT_EQ(k.sim.releases["KERNEL32.DLL"], c.kernel && !c.roots.empty() ? 1 : 0) << "released once";
        EXPECT_EQ(k.sim.LoadedLibraries(), 0);
    }
}

TEST(Checks, GraphicsLibrariesAreProbedAndTheDownloadOffered) {
    enum { kPresent, kAbsent, kOld };
    // Each library by its name in the system directory, released before the
    // next is loaded.
    const std::string gl = "load OPENGL32.DLL, entry glGenTextures, release OPENGL32.DLL", noGl = "load OPENGL32.DLL: none",
                      glu = ", load GLU32.DLL, release GLU32.DLL", noGlu = ", load GLU32.DLL: none";
    const struct {
        int gl, glu;
        std::vector<int> answers;
        bool shellFails;
        int result;
        std::vector<std::string> shown;
        bool opened;
        std::string libraries;
    } cases[] = {
        {kPresent, kPresent, {}, false, kGoOn, {}, false, gl + glu},
        {kAbsent, kPresent, {kIdYes}, false, kStop, {Missing("OPENGL32.DLL")}, true, noGl},
        {kAbsent, kPresent, {kIdYes, kIdOk}, true, kStop, {Missing("OPENGL32.DLL"), kNoConnection}, true, noGl},
        {kAbsent, kPresent, {kIdCancel}, false, kStop, {Missing("OPENGL32.DLL")}, false, noGl},
        {kAbsent, kAbsent, {kIdNo, kIdNo}, false, kGoOn, {Missing("OPENGL32.DLL"), Missing("GLU32.DLL")}, false,
         noGl + noGlu},
        {kPresent, kAbsent, {kIdYes}, false, kStop, {Missing("GLU32.DLL")}, true, gl + noGlu},
        {kPresent, kAbsent, {kIdCancel}, false, kStop, {Missing("GLU32.DLL")}, false, gl + noGlu},
        {kOld, kPresent, {kIdYes}, false, kGoOn, {kOutdated}, false, gl + glu},
        {kOld, kPresent, {kIdNo}, false, kStop, {kOutdated}, false, gl},
        {kOld, kAbsent, {kIdYes, kIdNo}, false, kGoOn, {kOutdated, Missing("GLU32.DLL")}, false, gl + noGlu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.gl << c.glu << " answers " << c.answers.size());
        Machine k;
        if (c.gl == kAbsent) k.sim.RemoveLibrary("OPENGL32.DLL");
        if (c.gl == kOld) k.sim.SetLibrary("OPENGL32.DLL", {"glBegin"});
        if (c.glu == kAbsent) k.sim.RemoveLibrary("GLU32.DLL");
        if (c.shellFails) k.sim.Fail({SimOp::OpenWithShell});
        for (int a : c.answers) k.sim.AnswerMessage(a);
        Session plain(k.sim);
        EXPECT_EQ(CheckGraphicsLibraries(plain), c.result);
        EXPECT_EQ(Messages(k.sim), c.shown);
        EXPECT_EQ(k.sim.shellOpened, c.opened ? std::vector<std::string>{kAddress} : std::vector<std::string>{});
        std::string libraries;
        for (const std::string& call : k.sim.calls)
            if (call.rfind("message", 0) != 0) libraries += (libraries.empty() ? "" : ", ") + call;
        EXPECT_EQ(libraries, c.libraries);
        EXPECT_EQ(k.sim.UnusedAnswers(), 0u);
    }
}

TEST(Checks, RunInOrderAndEachLibraryIsReleasedBeforeTheNextIsLoaded) {
    REQUIRE_STUB();
    Machine k;
    k.Place(MakeInstaller("Forest"));
    k.sim.AnswerMessage(kIdCancel);
    InstallerState s = {};
    EXPECT_EQ(InstallerMain(k.sim, s), 0);
    EXPECT_EQ(k.sim.calls, (std::vector<std::string>{
                               "query C:\\WINDOWS\\FOREST.SCR",                             // the name
                               "load KERNEL32.DLL", "free bytes C:\\", "release KERNEL32.DLL",  // the disk
                               "load OPENGL32.DLL", "entry glGenTextures", "release OPENGL32.DLL",  // OpenGL
                               "load GLU32.DLL", "release GLU32.DLL",
                               "message Forest Screen Saver Installation"}));  // the confirmation
}
