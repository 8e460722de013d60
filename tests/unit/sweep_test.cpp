// The fault sweep, in the manner of SQLite's I/O-error tests: a whole run of
// a representative installer (packed and stored entries, extra files) with
// each use of each platform operation failed in turn, then on a disk that
// fills after N bytes. Every case must end in a whole installation, a clean
// stop, or the failure message with nothing registered and no partial file;
// never a success message over a missing or short file, an open file or a
// write outside the installer's places.
//   SSINST_SWEEP_TABLE=1 unit_tests --gtest_filter='*FaultSweep*'   prints the table
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>

#include "app/installer.h"
#include "res/ids.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

const char* const kOpNames[] = {
    "ModuleFileName", "WindowsDirectory", "Open", "Read", "Seek", "Create", "Write", "Remove",
    "MakeDirectory", "ShortPathName", "WriteProfileValue", "Allocate", "ShowMessage", "RunDialog",
    "GetWindowRect", "StartProgram", "FreeBytesAvailable", "FreeClusters", "LoadLibrary", "OpenWithShell",
    "RemoveAtRestart", "ReadProfileValue", "ProgramEntry", "ListFolder", "Rename", "ReadProgramEntry"};
const int kOps = (int)(sizeof kOpNames / sizeof kOpNames[0]);

const std::vector<uint8_t>& Representative() {
    static const std::vector<uint8_t> installer = [] {
        std::vector<uint8_t> text(20000), random = Pattern(3000, 7);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = (uint8_t)"forest trees "[Pattern(1, (uint32_t)i)[0] % 13];
        InstallerRecipe r;
        r.title = "Forest";
        r.pack = true;
        r.files = {{"f.scr", text, ".SCR"}, {"f.dat", random, ".DAT"},
                   {"a.bmp", text, ".BMP"}, {"b.wav", random, ".WAV"}};
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_TRUE(BuildInstaller(BuiltStub(), r, &out, &error)) << error;
        return out;
    }();
    return installer;
}

std::vector<uint8_t> Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Runs the installer on a fresh machine set up by `setup`; checks that it
// ended cleanly and returns how: installed, stopped, or the failure.
// `uses`, when given, receives how often each operation was used.
std::string RunOnce(const std::function<void(SimPlatform&)>& setup, std::vector<int>* uses = nullptr) {
    Machine k;
    k.Place(Representative());
    k.sim.AnswerMessage(kIdOk);
    k.sim.AnswerDialog({kIdOk});
    k.sim.AnswerMessage(kIdOk);
    k.sim.AnswerDialog({kIdOk});
    setup(k.sim);
    InstallerState s = {};
    const int exitCode = InstallerMain(k.sim, s);
    for (int op = 0; uses && op < kOps; ++op) uses->push_back(k.sim.Count((SimOp)op));

    EXPECT_EQ(k.sim.OpenFiles(), 0) << "a file left open";
    EXPECT_EQ(k.sim.OpenBuffers(), 0) << "the copy buffer left allocated";
    EXPECT_EQ(k.sim.LoadedLibraries(), 0) << "a library left loaded";
    const fs::path windows = k.Host("WINDOWS");
    InstallerContents c;
    std::string error;
    MemoryReader reader(Representative());
    EXPECT_TRUE(ReadInstaller(reader, &c, &error)) << error;
    // Each target is whole or absent; nothing else is written.
    size_t whole = 0, files = 0;
    for (size_t i = 0; i < c.entries.size(); ++i) {
        std::string target = TargetPath("Forest.exe", (int)i, c.numberingBase, c.entries[i]);
        for (char& ch : target)
            if (ch == '\\') ch = '/';
        if (!fs::exists(windows / target)) continue;
        std::vector<uint8_t> want;
        EXPECT_TRUE(EntryContents(Representative(), c.entries[i], &want, &error));
        EXPECT_EQ(Read(windows / target), want) << "a partial file stayed: " << target;
        ++whole;
    }
    for (const auto& e : fs::recursive_directory_iterator(windows)) files += e.is_regular_file();
    const bool registered = fs::exists(windows / "system.ini");
    // Removal is left whole with its entry, or not at all.
    const bool uninstaller = fs::exists(windows / "QUORBEL/SSAVERS/Forest/UNINSTAL.EXE");
    EXPECT_EQ(uninstaller, k.sim.programEntries.count("FOREST.SCR") == 1) << "an uninstaller without its entry, or one the other way";
    EXPECT_EQ(files, whole + registered + uninstaller) << "a file outside the installer's places";

    std::string last;
    bool success = false;
    for (const SimMessage& m : k.sim.messages) {
        last = m.text;
        success = success || m.text.rfind("Installation Complete!", 0) == 0;
    }
    const bool installed = whole == c.entries.size() && registered && k.sim.screenSaverActive == 1;
    EXPECT_TRUE(installed || !success) << "success over a missing file or without the registration";
    EXPECT_TRUE(installed || !uninstaller) << "removal left for an installation that failed";
    if (installed) {
        EXPECT_EQ(exitCode, 0);
        bool said = false;
        for (const SimMessage& m : k.sim.messages) said = said || m.text.find("can't be removed") != std::string::npos;
        EXPECT_NE(said, uninstaller) << "removal not set up and not said, or said and set up";
        if (!success) return "installed (the completion message not shown)";
        return uninstaller ? "installed" : "installed, removal not set up";
    }
    EXPECT_FALSE(registered) << "registered without a whole installation";
    EXPECT_EQ(k.sim.screenSaverActive, -1);
    if (last.find("has not been made your default") != std::string::npos) {
        EXPECT_EQ(exitCode, kExitFailed);
        EXPECT_EQ(whole, c.entries.size());
        return "failed: files written, not made the default";
    }
    if (last.find("has not been installed") != std::string::npos) {
        EXPECT_EQ(exitCode, kExitFailed);
        return "failed: " + last.substr(0, last.find("\r\n"));
    }
    if (exitCode == kExitFailed) return "failed (its message not shown)";
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(whole, 0u) << "stopped after writing";
    return "stopped";
}

void Row(const std::string& what, const std::string& outcome) {
    if (std::getenv("SSINST_SWEEP_TABLE")) std::printf("%-36s %s\n", what.c_str(), outcome.c_str());
}

class FaultSweep : public ::testing::TestWithParam<int> {};

TEST_P(FaultSweep, EveryUseFailedInTurnEndsCleanly) {
    REQUIRE_STUB();
    const SimOp op = (SimOp)GetParam();
    std::vector<int> uses;
    EXPECT_EQ(RunOnce([](SimPlatform&) {}, &uses), "installed");
    for (int n = 1; n <= uses[GetParam()]; ++n) {
        const std::string what = std::string(kOpNames[GetParam()]) + " #" + std::to_string(n);
        SCOPED_TRACE(what);
        Row(what, RunOnce([&](SimPlatform& sim) { sim.Fail({op, "*", n}); }));
    }
    if (op != SimOp::Write) return;
    // The disk fills after N bytes: before the first file, inside each, at the end.
    for (uint64_t n : {0, 1, 4095, 10000, 20000, 23000, 26000, 43000, 46000, 46001, 60000}) {
        const std::string what = "disk full after " + std::to_string(n) + " bytes";
        SCOPED_TRACE(what);
        Row(what, RunOnce([&](SimPlatform& sim) { sim.SetFreeBytes(n); }));
    }
}

INSTANTIATE_TEST_SUITE_P(EachOperation, FaultSweep, ::testing::Range(0, kOps),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(kOpNames[i.param]); });

}  // namespace
