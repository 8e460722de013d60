// The installer's command line from the fuzzer: a sound installer on the
// simulated machine, run with the fuzzer's bytes after its quoted name (a
// NUL ends the line), every question answered OK. Each run ends with a code
// of the exit-code table, every file closed; a switch not known or too
// little room leaves nothing written in the Windows directory, and nothing
// ever goes outside C: or changes the installer.
#include <filesystem>

#include "app/installer.h"
#include "platform/sim/sim_platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path drive = FuzzDirectory("switches");
    static const std::vector<uint8_t> installer = ReadBytes(SSINST_SOURCE_DIR "/tests/fuzz/seeds/install/packed.exe");
    Check(!installer.empty(), "no installer to run");
    fs::remove_all(drive);
    fs::create_directories(drive / "WINDOWS");
    fs::create_directories(drive / "SETUP");
    WriteBytes(drive / "SETUP" / "Forest.exe", installer);

    SimPlatform::SetMisuseHandler([](const std::string& what) { Check(false, "misuse: " + what); });
    SimPlatform sim(drive.string());
    sim.SetModulePath("C:\\SETUP\\Forest.exe");
    std::string line = "\"C:\\SETUP\\Forest.exe\" ";
    line.append(reinterpret_cast<const char*>(data), size);
    sim.SetCommandLine(line.substr(0, line.find('\0')));
    // A plain or asking run is answered; one that asks more than this gets
    // no answer (the machine records that) and ends.
    sim.AnswerMessage(kIdOk);
    sim.AnswerDialog({kIdOk});
    sim.AnswerMessage(kIdOk);
    sim.AnswerDialog({kIdOk});
    InstallerState state = {};
    const int code = InstallerMain(sim, state);
    Check(code == 0 || code == 87 || code == 112 || code == 1602 || code == 1603 || code == 3010,
          "an exit code outside the table: " + std::to_string(code));
    Check(sim.OpenFiles() == 0, "a file was left open");
    Check(sim.OpenBuffers() == 0, "the copy buffer was left allocated");
    Check(ReadBytes(drive / "SETUP" / "Forest.exe") == installer, "the installer changed");
    if (code == 87 || code == 112)
        Check(fs::is_empty(drive / "WINDOWS"), "a refused run wrote in the Windows directory");
    return 0;
}
