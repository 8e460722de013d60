// Extraction and registration on the simulated machine: where each entry
// goes, the copy loop, and every way an installation can fail.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>

#include "app/installer.h"
#include "install/install.h"
#include "payload/locator.h"
#include "authoring/extraction.h"
#include "authoring/pe_image.h"
#include "res/ids.h"
#include "tests/unit/test_support.h"

namespace {

std::vector<uint8_t> ReadHost(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(path, UINT64_MAX, &bytes, &error)) << error;
    return bytes;
}

// Every file below root, as paths relative to it.
void ListFiles(const std::string& root, const std::string& rel, std::set<std::string>* out) {
    DIR* d = opendir((root + rel).c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        std::string path = rel + "/" + name;
        if (stat((root + path).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) ListFiles(root, path, out);
        else out->insert(path.substr(1));
    }
    closedir(d);
}

std::vector<InputFile> ForestFiles(std::vector<InputFile> extras = {}) {
    std::vector<InputFile> files = {{"f.scr", Pattern(3000, 1), ".SCR"}, {"f.dat", Pattern(100, 2), ".DAT"}};
    files.insert(files.end(), extras.begin(), extras.end());
    return files;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The machine ends clean: no errors, no open files, the buffer freed.
void ExpectClean(const Machine& m) {
    for (const std::string& e : m.sim.errors) ADD_FAILURE() << "simulated machine: " << e;
    EXPECT_EQ(m.sim.OpenFiles(), 0) << "files left open";
    EXPECT_EQ(m.sim.OpenBuffers(), 0) << "copy buffer not freed";
    EXPECT_EQ(m.sim.LoadedLibraries(), 0) << "libraries left loaded";
}

class ExtractTest : public ::testing::Test {
protected:
    Machine m;
    void TearDown() override { ExpectClean(m); }
    std::string Data(const std::string& file) { return m.Host("WINDOWS/QUORBEL/SSAVERS/" + file); }
};

TEST_F(ExtractTest, EntriesGoToTheirTargets) {
    REQUIRE_STUB();
    const struct {
        const char* installer;
        uint16_t base;
        std::vector<std::pair<std::string, std::string>> extras;  // extension, expected name
        const char *program, *dataDir;
    } cases[] = {
        {"Forest.exe", 2, {{".BMP", "FILE0002.BMP"}, {".WAV", "FILE0003.WAV"}, {".TXT", "FILE0004.TXT"}},
         "FOREST.SCR", "Forest"},
        {"Forest.exe", 5, {{".BMP", "FILE0005.BMP"}, {".WAV", "FILE0006.WAV"}, {".TXT", "FILE0007.TXT"}},
         "FOREST.SCR", "Forest"},
        {"My.Forest.exe", 2, {{"BMP", "FILE0002BMP"}}, "MY.SCR", "My.Forest"},
        {"forest.exe", 9999, {{".A", "FILE9999.A"}, {"", "FILE10000"}}, "FOREST.SCR", "forest"},
    };
    for (const auto& c : cases) {
        Machine k;
        std::vector<InputFile> files = ForestFiles();
        for (size_t i = 0; i < c.extras.size(); ++i)
            files.push_back({"x", Pattern(10 + i, 7 + (uint32_t)i), c.extras[i].first});
        k.Place(MakeInstaller("Forest", files, c.base), c.installer);
        ASSERT_EQ(k.RunAnsweringOk(), 0) << c.installer;
        const std::string dir = k.Host("WINDOWS/QUORBEL/SSAVERS/") + c.dataDir + "/";
        EXPECT_EQ(ReadHost(k.Host("WINDOWS/") + c.program), files[0].bytes) << c.installer;
        EXPECT_EQ(ReadHost(dir + c.dataDir + ".DAT"), files[1].bytes) << c.installer;
        for (size_t i = 0; i < c.extras.size(); ++i)
            EXPECT_EQ(ReadHost(dir + c.extras[i].second), files[2 + i].bytes) << c.extras[i].second;
        ExpectClean(k);
    }
}

TEST_F(ExtractTest, CopiesExactlyTheStoredSize) {
    REQUIRE_STUB();
    for (size_t size : {1, 2, 2047, 2048, 2049, 4095, 4096, 4097, 70000}) {
        Machine k;
        std::vector<uint8_t> data = Pattern(size, (uint32_t)size);
        k.Place(MakeInstaller("Forest", {{"s", Pattern(size, 3), ".SCR"}, {"d", data, ".DAT"}}));
        ASSERT_EQ(k.RunAnsweringOk(), 0) << size;
        EXPECT_EQ(ReadHost(k.Host("WINDOWS/FOREST.SCR")), Pattern(size, 3)) << size;
        EXPECT_EQ(ReadHost(k.Host("WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT")), data) << size;
        ExpectClean(k);
    }
}

TEST_F(ExtractTest, WritesNothingOutsideItsTwoPlaces) {
    REQUIRE_STUB();
    m.Place(MakeInstaller("Forest", ForestFiles({{"a.bmp", Pattern(5, 5), ".BMP"}})));
    std::set<std::string> before;
    ListFiles(m.drive.path(), "", &before);
    EXPECT_EQ(m.RunAnsweringOk(), 0);
    std::set<std::string> after;
    ListFiles(m.drive.path(), "", &after);
    std::set<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::inserter(added, added.begin()));
    EXPECT_EQ(added, (std::set<std::string>{"WINDOWS/FOREST.SCR", "WINDOWS/system.ini",
                                             "WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT",
                                             "WINDOWS/QUORBEL/SSAVERS/Forest/FILE0002.BMP",
                                             "WINDOWS/QUORBEL/SSAVERS/Forest/UNINSTAL.EXE"}));
}

TEST_F(ExtractTest, ExistingFilesAndDirectoriesAreReused) {
    REQUIRE_STUB();
    MakeDirs(m.Host("WINDOWS/QUORBEL/SSAVERS/Forest"));
    WriteFile(Data("Forest/Forest.DAT"), Pattern(99999, 9));
    WriteFile(m.Host("WINDOWS/FOREST.SCR"), Pattern(5, 9));
    std::vector<InputFile> files = ForestFiles();
    m.Place(MakeInstaller("Forest", files));
    m.sim.AnswerMessage(kIdYes);  // replace it
    EXPECT_EQ(m.RunAnsweringOk(), 0);
    EXPECT_EQ(ReadHost(Data("Forest/Forest.DAT")), files[1].bytes);
    EXPECT_EQ(ReadHost(m.Host("WINDOWS/FOREST.SCR")), files[0].bytes);
}

TEST_F(ExtractTest, RegistersTheShortPathOfTheProgram) {
    REQUIRE_STUB();
    const struct {
        std::string windowsDir, hostDir, existingIni, expectedIni;
        bool failShortPath;
        bool failWrite = false;  // system.ini can't be written: a failure, not a success
    } cases[] = {
        {"C:\\WINDOWS", "WINDOWS", "", "[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\FOREST.SCR\r\n", false},
        // The directory as the platform reports it, shortened where long.
        {"C:\\Program Windows", "Program Windows", "",
         "[boot]\r\nSCRNSAVE.EXE=C:\\PROGRA~1\\FOREST.SCR\r\n", false},
        {"C:\\WINDOWS", "WINDOWS", "[boot]\r\nshell=Explorer.exe\r\nscrnsave.exe=C:\\OLD.SCR\r\n[drivers]\r\nwave=x\r\n",
         "[boot]\r\nshell=Explorer.exe\r\nscrnsave.exe=C:\\WINDOWS\\FOREST.SCR\r\n[drivers]\r\nwave=x\r\n", false},
        // A missing [boot] section is added at the end.
        {"C:\\WINDOWS", "WINDOWS", "[drivers]\r\nwave=x\r\n",
         "[drivers]\r\nwave=x\r\n[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\FOREST.SCR\r\n", false},
        // No short form to be had: the full path, never an undefined value.
        {"C:\\Program Windows", "Program Windows", "", "[boot]\r\nSCRNSAVE.EXE=C:\\Program Windows\\FOREST.SCR\r\n", true},
        {"C:\\WINDOWS", "WINDOWS", "[boot]\r\nscrnsave.exe=C:\\OLD.SCR\r\n", "[boot]\r\nscrnsave.exe=C:\\OLD.SCR\r\n",
         false, true},
    };
    for (const auto& c : cases) {
        Machine k;
        MakeDirs(k.Host(c.hostDir));
        if (!c.existingIni.empty()) WriteFile(k.Host(c.hostDir + "/system.ini"), Bytes(c.existingIni));
        k.Place(MakeInstaller("Forest"));
        k.sim.SetWindowsDirectoryPath(c.windowsDir);
        if (c.failShortPath) k.sim.Fail({SimOp::ShortPathName});
        if (c.failWrite) k.sim.Fail({SimOp::WriteProfileValue});
        ASSERT_EQ(k.RunAnsweringOk(), c.failWrite ? kExitFailed : 0);
        EXPECT_EQ(ReadText(k.Host(c.hostDir + "/system.ini")), c.expectedIni);
        EXPECT_EQ(k.sim.screenSaverActive, c.failWrite ? -1 : 1);
        if (c.failWrite) {
            ASSERT_EQ(k.sim.messages.size(), 2u);
            EXPECT_EQ(k.sim.messages[1].text,
                      "system.ini could not be changed.\r\n\r\nThe screen saver's files have been written, "
                      "but it has not been made your default Screen Saver.");
            EXPECT_TRUE(k.sim.started.empty());
            EXPECT_TRUE(FileExists(k.Host(c.hostDir + "/FOREST.SCR")));
        }
        ExpectClean(k);
    }
}

// Each way the installation can fail: the user is told, naming the file;
// nothing is registered; no completion, no start; exit code non-zero.
TEST_F(ExtractTest, FailuresAreReportedAndNothingIsRegistered) {
    REQUIRE_STUB();
    struct Failure {
        const char* what;
        std::function<void(Machine&, std::vector<uint8_t>&)> setup;
        const char* message;
        bool nothingWritten;
        const char* gone = nullptr;  // a target that was begun and must not stay
        const char* name = "Forest.exe";  // the installer's
    };
    auto none = [](Machine&, std::vector<uint8_t>&) {};
    auto cut = [](size_t n) { return [n](Machine&, std::vector<uint8_t>& b) { b.resize(b.size() - n); }; };
    auto patch = [](int index, int field, uint32_t value) {
        return [=](Machine&, std::vector<uint8_t>& b) { PatchEntry(b, index, field, value); };
    };
    auto fail = [](SimFault f) { return [=](Machine& k, std::vector<uint8_t>&) { k.sim.Fail(f); }; };
    const Failure failures[] = {
        {"the disk fills up during the data file",
         [](Machine& k, std::vector<uint8_t>&) { k.sim.SetFreeBytes(3000 + 50); },
         "The file C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\Forest.DAT could not be written completely", false,
         "WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT"},
        {"a write error", fail({SimOp::Write, "*\\FOREST.SCR"}),
         "The file C:\\WINDOWS\\FOREST.SCR could not be written completely", true, "WINDOWS/FOREST.SCR"},
        {"a read error while copying the last file",
         [](Machine& k, std::vector<uint8_t>& b) {
             k.sim.Fail({SimOp::Read, "*\\Forest.exe", 1, 1, EntryAt(b, 2).offset});
         },
         "The installer C:\\SETUP\\Forest.exe could not be read", false,
         "WINDOWS/QUORBEL/SSAVERS/Forest/FILE0002.BMP"},
        // A table that can't be read is not a damaged one.
        {"a read error in the table",
         [](Machine& k, std::vector<uint8_t>& b) {
             MemoryReader in(b);
             k.sim.Fail({SimOp::Read, "*\\Forest.exe", 1, -1, LocatePayloadIn(in) + kTitleSize});
         },
         "The installer C:\\SETUP\\Forest.exe could not be read", true},
        {"the program can't be created", fail({SimOp::Create, "*\\FOREST.SCR"}),
         "The file C:\\WINDOWS\\FOREST.SCR could not be created", true},
        {"a file stands where the data directory goes",
         [](Machine& k, std::vector<uint8_t>&) { WriteFile(k.Host("WINDOWS/QUORBEL"), {1}); },
         "The directory C:\\WINDOWS\\QUORBEL could not be created", false},
        {"the installer is cut short", cut(10), "The installer C:\\SETUP\\Forest.exe is damaged", true},
        {"the installer is cut inside its table", cut(7 + 100 + 3000 + 20), "is damaged", true},
        {"an entry reaches past the end", patch(1, 1, 0x7FFFFFFF), "is damaged", true},
        {"an entry offset past the end", patch(0, 0, 0xFFFFFFF0u), "is damaged", true},
        {"a packed size of 2^31", patch(1, 2, 0x80000000u), "is damaged", true},
        {"no entries at all", patch(0, 1, 0), "The installer C:\\SETUP\\Forest.exe holds no screen saver", true},
        {"no Windows directory", fail({SimOp::WindowsDirectory}), "The Windows directory could not be found", true},
        {"no module path", fail({SimOp::ModuleFileName}), "could not find its own file", true},
        {"the installer can't be opened for the extraction",
         fail({SimOp::Open, "*\\Forest.exe", 1, 1, 0, IDD_INSTALLING}),
         "The installer C:\\SETUP\\Forest.exe could not be read", true},
        {"no copy buffer", fail({SimOp::Allocate}), "not enough memory", true},
        {"the installation dialog can't be shown", fail({SimOp::RunDialog, "103"}), "could not be started", true},
        // Names that would put the data in the directory above, or the
        // program at C:\WINDOWS\.SCR.
        {"an installer named ...exe", none, "The installer's name (C:\\SETUP\\...exe) gives no name", true,
         nullptr, "...exe"},
        {"an installer named ..exe", none, "gives no name", true, nullptr, "..exe"},
        {"an installer named . .exe", none, "gives no name", true, nullptr, ". .exe"},
        {"an installer named .a.exe", none, "gives no name", true, nullptr, ".a.exe"},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        Machine k;
        std::vector<uint8_t> installer = MakeInstaller("Forest", ForestFiles({{"a.bmp", Pattern(7, 3), ".BMP"}}));
        f.setup(k, installer);
        k.Place(installer, f.name);
        EXPECT_EQ(k.RunAnsweringOk(), kExitFailed);
        ASSERT_EQ(k.sim.messages.size(), 2u);
        const SimMessage& msg = k.sim.messages[1];
        EXPECT_NE(msg.text.find(f.message), std::string::npos) << msg.text;
        EXPECT_NE(msg.text.find("The screen saver has not been installed."), std::string::npos) << msg.text;
        EXPECT_EQ(msg.style, (unsigned)(kMbOk | kMbIconError));
        EXPECT_EQ(k.sim.screenSaverActive, -1);
        EXPECT_FALSE(FileExists(k.Host("WINDOWS/system.ini")));
        EXPECT_TRUE(k.sim.started.empty());
        for (const SimDialog& d : k.sim.dialogs) EXPECT_NE(d.id, IDD_ORDERING_INFO);
        // A partly written file never stays; before a damage is found, nothing is written.
        if (f.gone) {
            EXPECT_FALSE(FileExists(k.Host(f.gone)));
        }
        std::set<std::string> files;
        ListFiles(k.Host("WINDOWS"), "", &files);
        files.erase("QUORBEL");  // the file that stands in the way
        if (f.nothingWritten) {
            EXPECT_TRUE(files.empty()) << *files.begin();
        }
        ExpectClean(k);
    }
}

std::vector<uint8_t> Compressible(size_t n, uint32_t seed) {
    std::vector<uint8_t> v = Pattern(n, seed);
    for (size_t i = 0; i < n; ++i) v[i] = (uint8_t)("forest "[v[i] % 7]);
    return v;
}

InstallerRecipe PackedRecipe(std::vector<InputFile> files) {
    InstallerRecipe recipe;
    recipe.title = "Forest";
    recipe.pack = true;
    recipe.files = std::move(files);
    return recipe;
}

std::vector<uint8_t> Build(const InstallerRecipe& recipe) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildInstaller(BuiltStub(), recipe, &out, &error)) << error;
    return out;
}

// Packed entries among stored ones: each is unpacked by the decoder, and
// the table is read on from where it was.
TEST(PackedEntries, UnpackBetweenStoredOnes) {
    REQUIRE_STUB();
    Machine k;
    std::vector<InputFile> files = {{"s", Pattern(5000, 1), ".SCR"},        // stored: random
                                    {"d", Compressible(70000, 2), ".DAT"},  // packed
                                    {"a", Pattern(3000, 3), ".BMP"},        // stored
                                    {"b", Compressible(16385, 4), ".TXT"},  // packed
                                    {"c", Pattern(10, 5), ".WAV"}};         // stored
    std::vector<uint8_t> installer = Build(PackedRecipe(files));
    MemoryReader r(installer);
    InstallerContents c;
    std::string error;
    ASSERT_TRUE(ReadInstaller(r, &c, &error));
    const bool packed[] = {false, true, false, true, false};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c.entries[i].unpackedSize != 0, packed[i]) << i;
    k.Place(installer);
    ASSERT_EQ(k.RunAnsweringOk(), 0);
    const std::string dir = "WINDOWS/QUORBEL/SSAVERS/Forest/";
    EXPECT_EQ(ReadHost(k.Host("WINDOWS/FOREST.SCR")), files[0].bytes);
    EXPECT_EQ(ReadHost(k.Host(dir + "Forest.DAT")), files[1].bytes);
    EXPECT_EQ(ReadHost(k.Host(dir + "FILE0002.BMP")), files[2].bytes);
    EXPECT_EQ(ReadHost(k.Host(dir + "FILE0003.TXT")), files[3].bytes);
    EXPECT_EQ(ReadHost(k.Host(dir + "FILE0004.WAV")), files[4].bytes);
    ExpectClean(k);
}

TEST(PackedEntries, FailuresWhileUnpacking) {
    REQUIRE_STUB();
    std::vector<InputFile> files = {{"s", Compressible(50000, 1), ".SCR"}, {"d", Compressible(100, 2), ".DAT"}};
    const struct {
        const char* what;
        std::function<void(Machine&)> setup;
        const char* message;
    } cases[] = {
        {"the disk fills up", [](Machine& k) { k.sim.SetFreeBytes(20000); },
         "The file C:\\WINDOWS\\FOREST.SCR could not be written completely"},
        {"a write error", [](Machine& k) { k.sim.Fail({SimOp::Write, "*\\FOREST.SCR"}); },
         "The file C:\\WINDOWS\\FOREST.SCR could not be written completely"},
        {"the target can't be created", [](Machine& k) { k.sim.Fail({SimOp::Create, "*\\FOREST.SCR"}); },
         "The file C:\\WINDOWS\\FOREST.SCR could not be created"},
        {"a read error in the stream",
         [](Machine& k) { k.sim.Fail({SimOp::Read, "*\\Forest.exe", 1, 1, EntryAt(k.installer, 0).offset}); },
         "The installer C:\\SETUP\\Forest.exe could not be read"},
        // Would decode zeros for minutes; stops within bytes of its end.
        {"a stream that needs more than its bytes",
         [](Machine& k) {
             PatchEntry(k.installer, 0, 2, 0x7FFFFFFF);
             WriteFile(k.Host("SETUP/Forest.exe"), k.installer);
         },
         "The installer C:\\SETUP\\Forest.exe is damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine k;
        k.Place(Build(PackedRecipe(files)));
        c.setup(k);
        EXPECT_EQ(k.RunAnsweringOk(), kExitFailed);
        ASSERT_EQ(k.sim.messages.size(), 2u);
        EXPECT_NE(k.sim.messages[1].text.find(c.message), std::string::npos) << k.sim.messages[1].text;
        // A whole target stays (the failure came after it); a part never does.
        if (FileExists(k.Host("WINDOWS/FOREST.SCR"))) {
            EXPECT_EQ(ReadHost(k.Host("WINDOWS/FOREST.SCR")), files[0].bytes) << "a partial target stayed";
        }
        EXPECT_FALSE(FileExists(k.Host("WINDOWS/system.ini")));
        ExpectClean(k);
    }
}

// ssinst extract writes what the stub writes, byte for byte.
TEST(ToolExtract, MatchesTheStubsOutput) {
    REQUIRE_STUB();
    for (const char* name : {"Forest.exe", "My.Forest.exe", "FOREST"}) {
        SCOPED_TRACE(name);
        Machine k;
        InstallerRecipe recipe = PackedRecipe(
            ForestFiles({{"a", Compressible(4096, 5), ".BMP"}, {"b", Pattern(1, 6), "WAV"}, {"c", Pattern(9, 7), ""}}));
        recipe.numberingBase = 3;
        std::vector<uint8_t> installer = Build(recipe);
        k.Place(installer, name);
        ASSERT_EQ(k.RunAnsweringOk(), 0);
        TempDir out;
        std::vector<std::string> written;
        std::string error;
        ASSERT_TRUE(ExtractInstaller(k.Host(std::string("SETUP/") + name), out.path(), &written, &error)) << error;
        std::set<std::string> stub, tool;
        ListFiles(k.Host("WINDOWS"), "", &stub);
        stub.erase("system.ini");
        // The uninstaller is the installation's own, not one of the installer's entries.
        for (auto it = stub.begin(); it != stub.end();)
            it = it->find("/UNINSTAL.EXE") != std::string::npos ? stub.erase(it) : std::next(it);
        ListFiles(out.path(), "", &tool);
        EXPECT_EQ(stub, tool);
        EXPECT_EQ(written.size(), 5u);
        for (const std::string& f : tool) EXPECT_EQ(ReadHost(out.path() + "/" + f), ReadHost(k.Host("WINDOWS/" + f))) << f;
        ExpectClean(k);
    }
}

TEST(ToolExtract, RefusesDamagedInstallersBeforeWriting) {
    REQUIRE_STUB();
    const struct {
        const char* what;
        int cut, index, field;
        uint32_t value;
        const char* message;
    } cases[] = {
        {"cut short", 5, -1, 0, 0, "reaches past the end"},
        {"no terminator", 0, 2, 1, 5, "runs into the end"},
        {"no entries", 0, 0, 1, 0, "holds no entries"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> installer = MakeInstaller("Forest", ForestFiles({{"a", Pattern(40, 5), ".BMP"}}));
        if (c.index >= 0) PatchEntry(installer, c.index, c.field, c.value);
        // Entries 0 and 1 moved to the file's start, then a cut inside the
        // record of entry 2: the table has no terminator.
        if (c.index == 2 && c.field == 1) {
            PatchEntry(installer, 0, 0, 0);
            PatchEntry(installer, 1, 0, 0);
            installer.resize(installer.size() - 40 - 100 - 3000 - 16 - 8);
        }
        installer.resize(installer.size() - c.cut);
        TempDir d;
        WriteFile(d.path() + "/Forest.exe", installer);
        std::string error;
        EXPECT_FALSE(ExtractInstaller(d.path() + "/Forest.exe", d.path() + "/out", nullptr, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_FALSE(FileExists(d.path() + "/out")) << c.what;
    }
}

TEST(InstallDialog, InstallsOnceOnAPlainCommand) {
    REQUIRE_STUB();
    Machine k;
    k.Place(MakeInstaller("Forest"));
    InstallContext c = {"Forest", {"C:\\SETUP\\Forest.exe", "C:\\WINDOWS", "FOREST.SCR"}, nullptr, false, {}};
    k.sim.SetScreen(1024, 768);
    k.sim.SetDialogSize(IDD_INSTALLING, 282, 130);
    EXPECT_EQ(k.sim.RunDialog(IDD_INSTALLING, InstallDialogProc, &c), kIdOk);
    EXPECT_TRUE(c.ran);
    EXPECT_EQ(c.outcome.error, kInstallOk);
    ASSERT_EQ(k.sim.dialogs.size(), 1u);
    EXPECT_EQ(k.sim.dialogs[0].moves, (std::vector<std::pair<int, int>>{{371, 319}}));
    int creates = k.sim.Count(SimOp::Create);
    EXPECT_EQ(creates, 3);  // the program, its data, the uninstaller

    // Notifications (a code in the high word) and other ids do nothing; a
    // second press ends the dialog without installing again.
    InstallContext again = c;
    EXPECT_EQ(InstallDialogProc(k.sim, 0, kMsgCommand, 0x10001, &again), 0);
    EXPECT_EQ(InstallDialogProc(k.sim, 0, kMsgCommand, 3, &again), 0);
    k.sim.AnswerDialog({kIdCancel});
    EXPECT_EQ(k.sim.RunDialog(IDD_INSTALLING, InstallDialogProc, &again), kIdOk);
    EXPECT_EQ(k.sim.Count(SimOp::Create), creates);
    ExpectClean(k);
}

TEST(InstallFailureText, StaysInsideItsArea) {
    InstallOutcome o = {kInstallCantWrite, "", false, ""};
    std::memset(o.file, 'F', sizeof o.file - 1);
    o.file[sizeof o.file - 1] = 0;
    char text[512];
    text[sizeof text - 1] = 'x';
    FormatInstallFailure(o, text, sizeof text - 1);
    EXPECT_EQ(text[sizeof text - 1], 'x');
    EXPECT_LE(std::strlen(text), sizeof text - 2);
    EXPECT_EQ(std::string(text).rfind("The file FFF", 0), 0u);
    // Files all written, only the registration failed: the message says so.
    o = {kInstallCantRegister, "system.ini", true, ""};
    FormatInstallFailure(o, text, sizeof text);
    EXPECT_NE(std::string(text).find("files have been written, but it has not been made your default"),
              std::string::npos);
}

}  // namespace

// What a hostile or damaged payload does. Offsets count from the file's
// start, so an entry may name any bytes of the installer, the stub's
// included: it gets those bytes, as every reader of the format does;
// nothing is read outside the file and nothing written outside the
// installer's places.
TEST(HostilePayloads, HaveDefinedOutcomes) {
    REQUIRE_STUB();
    const std::vector<uint8_t> plain =
        MakeInstaller("Forest", ForestFiles({{"a.bmp", Pattern(7, 3), ".BMP"}, {"b.wav", Pattern(5, 4), ".WAV"}}));
    MemoryReader r(plain);
    const FilePosition payloadStart = LocatePayloadIn(r);
    auto patch = [](int index, int field, uint32_t value) {
        return [=](std::vector<uint8_t>& b) { PatchEntry(b, index, field, value); };
    };
    auto base = [](uint16_t value) {
        return [=](std::vector<uint8_t>& b) {
            MemoryReader in(b);
            PutLE16(&b[LocatePayloadIn(in) + kTitleSize], value);
        };
    };
    const std::vector<uint8_t> dat = Pattern(100, 2);
    const struct {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> mutate;
        const char* outcome;  // "installed", or a part of the failure message
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;  // what an installation left
    } cases[] = {
        {"an entry in the stub", patch(1, 0, 0), "installed",
         {{"QUORBEL/SSAVERS/Forest/Forest.DAT", std::vector<uint8_t>(plain.begin(), plain.begin() + 100)}}},
        {"an entry ending where the payload starts", patch(1, 0, payloadStart - 100), "installed",
         {{"QUORBEL/SSAVERS/Forest/Forest.DAT",
           std::vector<uint8_t>(plain.begin() + payloadStart - 100, plain.begin() + payloadStart)}}},
        {"two entries on the same bytes", [](std::vector<uint8_t>& b) { PatchEntry(b, 2, 0, EntryAt(b, 1).offset); },
         "installed", {{"QUORBEL/SSAVERS/Forest/FILE0002.BMP", std::vector<uint8_t>(dat.begin(), dat.begin() + 7)}}},
        {"an offset and size that wrap past 2^32", [](std::vector<uint8_t>& b) {
             PatchEntry(b, 1, 0, 0xFFFFFF00u);
             PatchEntry(b, 1, 1, 0x200);
         }, "is damaged", {}},
        {"a stored size of 2^32 - 1", patch(1, 1, 0xFFFFFFFFu), "is damaged", {}},
        // Windows drops a name's trailing dots: FILE0002.. is FILE0002.
        {"the extension \"..\"", patch(2, 3, 0x2E2E), "installed", {{"QUORBEL/SSAVERS/Forest/FILE0002", Pattern(7, 3)}}},
        {"a resource directory whose first entry leads back to it",
         [](std::vector<uint8_t>& b) {
             PeImage img;
             std::string error;
             ASSERT_TRUE(img.Parse(b, &error)) << error;
             PutLE32(&b[img.sections[img.resourceSection].rawPointer + 16 + 4], 0x80000000u);
         },
         "is damaged", {}},
        {"numbers past 65535", base(65535), "installed", {{"QUORBEL/SSAVERS/Forest/FILE65535.BMP", Pattern(7, 3)}, {"QUORBEL/SSAVERS/Forest/FILE65536.WAV", Pattern(5, 4)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine k;
        std::vector<uint8_t> installer = plain;
        c.mutate(installer);
        k.Place(installer);
        const int exitCode = k.RunAnsweringOk();
        ASSERT_EQ(k.sim.messages.size(), 2u);
        if (std::string(c.outcome) == "installed") {
            EXPECT_EQ(exitCode, 0);
            EXPECT_EQ(k.sim.messages[1].text.rfind("Installation Complete!", 0), 0u) << k.sim.messages[1].text;
        } else {
            EXPECT_EQ(exitCode, kExitFailed);
            EXPECT_NE(k.sim.messages[1].text.find(c.outcome), std::string::npos) << k.sim.messages[1].text;
        }
        for (const auto& f : c.files) EXPECT_EQ(ReadHost(k.Host("WINDOWS/" + f.first)), f.second) << f.first;
        ExpectClean(k);
    }
}

// A signature covers what lies before its certificate table: an entry that
// reaches into the table is damaged, to the stub and to ssinst alike.
TEST(SignedInstallers, EntriesEndBeforeTheCertificateTable) {
    REQUIRE_STUB();
    for (uint32_t reach : {0u, 8u}) {
        std::vector<uint8_t> installer = MakeInstaller("Forest", ForestFiles({{"a", Pattern(7, 3), ".BMP"}}));
        const uint32_t pe = GetLE32(&installer[60]), table = (uint32_t)installer.size();
        PutLE32(&installer[pe + 24 + 128], table);  // the security directory: 16 bytes after the payload
        PutLE32(&installer[pe + 24 + 132], 16);
        installer.resize(table + 16, 0xCC);
        PatchEntry(installer, 2, 1, 7 + reach);
        Machine k;
        k.Place(installer);
        EXPECT_EQ(k.RunAnsweringOk(), reach ? kExitFailed : 0) << reach;
        std::string error;
        TempDir out;
        EXPECT_EQ(ExtractInstaller(k.Host("SETUP/Forest.exe"), out.path(), nullptr, &error), reach == 0) << error;
        ExpectClean(k);
    }
}
