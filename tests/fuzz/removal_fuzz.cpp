// The uninstaller on the simulated machine with an arbitrary record: a real
// installation of a fixed installer is made first, beside files of other
// installations and of the user's own; the fuzzer's bytes then take the
// place of what follows the uninstaller's stub part (its record, table and
// checksums), and it runs, answering Yes and OK. After each run and a
// restart: every file that is not this installation's is there as it was,
// nothing was written anywhere, system.ini gained no line, and every file
// is closed.
//
// REMOVAL_FUZZ_SEED=FILE writes the real uninstaller's bytes from its
// payload start to FILE instead: the seed.
#include <algorithm>
#include <filesystem>
#include <map>

#include "app/installer.h"
#include "authoring/installer_reader.h"
#include "payload/locator.h"
#include "payload/removal.h"
#include "platform/sim/sim_platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

namespace {

const char kUninstaller[] = "C:\\WINDOWS\\QUORBEL\\SSAVERS\\Forest\\UNINSTAL.EXE";

// Every file below the drive, with its bytes.
std::map<fs::path, std::vector<uint8_t>> Snapshot(const fs::path& drive) {
    std::map<fs::path, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(drive))
        if (e.is_regular_file() && !e.is_symlink()) files[fs::relative(e.path(), drive)] = ReadBytes(e.path());
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path drive = FuzzDirectory("removal");
    static const std::vector<uint8_t> installer = ReadBytes(SSINST_SOURCE_DIR "/tests/fuzz/seeds/install/packed.exe");
    Check(!installer.empty(), "no installer to install");
    fs::remove_all(drive / "WINDOWS");
    fs::remove_all(drive / "SETUP");
    fs::create_directories(drive / "WINDOWS" / "QUORBEL" / "SSAVERS" / "Other");
    fs::create_directories(drive / "SETUP");
    WriteBytes(drive / "SETUP" / "Forest.exe", installer);
    const std::string ini = "[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\OTHER.SCR\r\n[other]\r\nkey=1\r\n";
    WriteBytes(drive / "WINDOWS" / "system.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    // Another installation's files, which a record of this folder's
    // uninstaller can't name.
    WriteBytes(drive / "WINDOWS" / "QUORBEL" / "SSAVERS" / "Other" / "Other.DAT", {'d'});
    WriteBytes(drive / "WINDOWS" / "QUORBEL" / "SSAVERS" / "Other" / "UNINSTAL.EXE", {'u'});

    SimPlatform::SetMisuseHandler([](const std::string& what) { Check(false, "misuse: " + what); });
    SimPlatform sim(drive.string());
    sim.SetModulePath("C:\\SETUP\\Forest.exe");
    sim.AnswerMessage(kIdOk);
    sim.AnswerDialog({kIdOk});
    sim.AnswerMessage(kIdOk);
    sim.AnswerDialog({kIdOk});
    InstallerState state = {};
    Check(InstallerMain(sim, state) == 0, "the installation failed");
    const fs::path host = drive / "WINDOWS" / "QUORBEL" / "SSAVERS" / "Forest" / "UNINSTAL.EXE";
    std::vector<uint8_t> uninstaller = ReadBytes(host);
    MemoryReader r(uninstaller);
    const FilePosition start = LocatePayloadIn(r);
    Check(start != kNoPosition, "the uninstaller has no payload marker");
    if (const char* seed = std::getenv("REMOVAL_FUZZ_SEED")) {
        WriteBytes(seed, std::vector<uint8_t>(uninstaller.begin() + start, uninstaller.end()));
        return 0;
    }
    // Bytes that hold no removal record's mark make the file an installer
    // named UNINSTAL.EXE, which installs UNINSTAL.SCR as any installer of
    // that name would (and quietly, under /quiet): that is the installer's
    // target's to try, not this one's.
    char mark[kTitleSize] = {};
    std::copy(data, data + std::min(size, (size_t)kTitleSize), mark);
    if (!IsRemovalMark(mark)) return 0;
    // And one of the user's beside its files.
    WriteBytes(drive / "WINDOWS" / "QUORBEL" / "SSAVERS" / "Forest" / "notes.txt", {'n'});
    uninstaller.resize(start);
    uninstaller.insert(uninstaller.end(), data, data + size);
    WriteBytes(host, uninstaller);
    // What no record of this uninstaller names: the installer, the other
    // installation's files, the user's. None of them may change.
    std::map<fs::path, std::vector<uint8_t>> before = Snapshot(drive);
    const std::map<fs::path, std::vector<uint8_t>> whole = before;
    for (auto it = before.begin(); it != before.end();) {
        const std::string p = it->first.generic_string();
        const bool kept = p.rfind("SETUP/", 0) == 0 || p.rfind("WINDOWS/QUORBEL/SSAVERS/Other/", 0) == 0 ||
                          p == "WINDOWS/QUORBEL/SSAVERS/Forest/notes.txt";
        it = kept ? std::next(it) : before.erase(it);
    }

    // ssinst's verdict, by the uninstaller's own checks: what it goes on to
    // remove from, verify calls sound.
    Verdict verdict;
    std::string error;
    const bool sound = VerifyInstaller(host.string(), &verdict, &error) && verdict.Sound();

    sim.SetModulePath(kUninstaller);
    sim.SetCommandLine(std::string("\"") + kUninstaller + "\"" + (size % 2 ? " /quiet" : ""));
    for (int answer : {kIdYes, kIdOk, kIdOk, kIdOk}) sim.AnswerMessage(answer);
    InstallerMain(sim, state);
    sim.Restart();
    Check(sim.OpenFiles() == 0, "a file was left open");
    Check(sim.OpenBuffers() == 0, "the copy buffer was left allocated");

    std::map<fs::path, std::vector<uint8_t>> after = Snapshot(drive);
    Check(sound || (after.count("WINDOWS/FOREST.SCR") && after.count("WINDOWS/QUORBEL/SSAVERS/Forest/Forest.DAT")),
          "the uninstaller removed files of one that verify calls damaged: " + error + verdict.payloadProblem);
    for (const auto& f : before) {
        auto it = after.find(f.first);
        Check(it != after.end() && it->second == f.second, "a file not its own changed or went: " + f.first.string());
    }
    for (const auto& f : after) {
        const fs::path& p = f.first;
        Check(before.count(p) || p == "WINDOWS/FOREST.SCR" || p == "WINDOWS/system.ini" ||
                  p.parent_path() == "WINDOWS/QUORBEL/SSAVERS/Forest",
              "written outside its places: " + p.string());
        // Nothing is written by an uninstaller: what is there was there.
        Check(p == "WINDOWS/system.ini" || p.filename() == "UNINSTAL.OLD" || whole.count(p),
              "a file appeared: " + p.string());
    }
    // system.ini: the section and key of its own, and the setting, no more.
    std::vector<uint8_t> text = ReadBytes(drive / "WINDOWS" / "system.ini");
    std::string lines(text.begin(), text.end());
    size_t n = 0;
    for (size_t at = 0; (at = lines.find("\r\n", at)) != std::string::npos; at += 2) ++n;
    Check(n <= 4 && lines.find("[other]\r\nkey=1\r\n") != std::string::npos, "system.ini changed beyond its setting: " + lines);
    return 0;
}
