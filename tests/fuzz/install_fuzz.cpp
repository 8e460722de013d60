// A whole installation on the simulated machine from an arbitrary installer
// file, every question answered OK. After each run: nothing written outside
// the screen-saver file, its data directory and system.ini; every file
// closed; and a run that ends in the completion message left every entry's
// file whole.
#include <filesystem>

#include "app/installer.h"
#include "platform/sim/sim_platform.h"
#include "tests/fuzz/fuzz_support.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"
#include "authoring/installer_writer.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path drive = FuzzDirectory("install");
    fs::remove_all(drive / "WINDOWS");
    fs::create_directories(drive / "WINDOWS");
    fs::create_directories(drive / "SETUP");
    const std::vector<uint8_t> installer(data, data + size);
    WriteBytes(drive / "SETUP" / "Forest.exe", installer);

    SimPlatform::SetMisuseHandler([](const std::string& what) { Check(false, "misuse: " + what); });
    SimPlatform sim(drive.string());
    sim.SetModulePath("C:\\SETUP\\Forest.exe");
    sim.AnswerMessage(kIdOk);     // the confirmation
    sim.AnswerDialog({kIdOk});    // the installation
    sim.AnswerMessage(kIdOk);     // complete, or failed
    sim.AnswerDialog({kIdOk});    // the information dialog
    InstallerState state = {};
    InstallerMain(sim, state);
    Check(sim.OpenFiles() == 0, "a file was left open");
    Check(sim.OpenBuffers() == 0, "the copy buffer was left allocated");

    // Only these may be there: the program, system.ini, the data directory.
    const fs::path windows = drive / "WINDOWS";
    const fs::path dataDir = windows / "QUORBEL" / "SSAVERS" / "Forest";
    for (const auto& e : fs::recursive_directory_iterator(windows)) {
        const fs::path p = e.path();
        const bool allowed = p == windows / "FOREST.SCR" || p == windows / "system.ini" ||
                             p == windows / "QUORBEL" || p == windows / "QUORBEL" / "SSAVERS" ||
                             p == dataDir || (p.parent_path() == dataDir && e.is_regular_file());
        Check(allowed, "written outside its places: " + p.string());
    }

    bool complete = false;
    for (const SimMessage& m : sim.messages)
        complete = complete || m.text.rfind("Installation Complete!", 0) == 0;
    if (complete) {
        // Every entry the shared validation reads is there, whole.
        InstallerContents c;
        std::string error;
        MemoryReader reader(installer);
        Check(ReadInstaller(reader, &c, &error) && c.check.problem == kPayloadSound,
              "completed an installation the validation refuses");
        for (size_t i = 0; i < c.entries.size(); ++i) {
            std::vector<uint8_t> want;
            Check(EntryContents(installer, c.entries[i], &want, &error),
                  "an entry that can't be read: " + error);
            std::string target = TargetPath("Forest.exe", (int)i, c.numberingBase, c.entries[i]);
            for (char& ch : target)
                if (ch == '\\') ch = '/';
            Check(ReadBytes(windows / target) == want, "an entry's file is not whole: " + target);
        }
    }
    return 0;
}
