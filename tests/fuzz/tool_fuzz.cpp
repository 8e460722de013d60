// ssinst's reading of a stub and of an installer, on arbitrary bytes: the
// layout rules and fix-stub's new layout (check-stub, fix-stub), the table
// (list) and the extraction (extract -C DIR), which must never write
// outside DIR; and the check of a screen-saver program (build, list and
// verify), which must read it in bounded pieces and never fail.
#include <filesystem>

#include "tests/fuzz/fuzz_support.h"
#include "authoring/extraction.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"
#include "authoring/pe_image.h"
#include "authoring/program_check.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);

    PeImage image;
    std::string error;
    if (image.Parse(bytes, &error)) {
        CheckStubLayout(image);
        PeImage laid = image;
        if (MoveMarkerLast(laid, &error)) {
            PeImage again;
            if (again.Parse(laid.bytes, &error)) CheckStubLayout(again);
        }
    }

    MemoryReader reader(bytes);
    const ProgramReport program = CheckProgram(reader, bytes.size(), "FOREST.SCR");
    DescribeProgram(program);
    Check(program.image || !program.findings.empty(), "no PE image, and no finding says so");
    IsLibraryFile(".BIN", reader, bytes.size());

    InstallerContents contents;
    if (ReadInstaller(reader, &contents, &error))
        for (size_t i = 0; i < contents.entries.size() && i < 64; ++i)
            TargetPath("Forest.exe", (int)i, contents.numberingBase, contents.entries[i]);

    // The installer beside DIR; after the extraction, nothing but the two.
    static const fs::path root = FuzzDirectory("tool");
    fs::remove_all(root / "out");
    WriteBytes(root / "Forest.exe", bytes);
    Verdict verdict;
    VerifyInstaller((root / "Forest.exe").string(), &verdict, &error);
    std::vector<std::string> written;
    ExtractInstaller((root / "Forest.exe").string(), (root / "out").string(), &written, &error);
    for (const auto& e : fs::directory_iterator(root)) {
        const fs::path p = e.path();
        Check(p == root / "out" || p == root / "Forest.exe", "written outside DIR: " + p.string());
    }
    for (const std::string& w : written)
        Check(fs::weakly_canonical(root / "out" / w).string().rfind((root / "out").string(), 0) == 0,
              "extracted outside DIR: " + w);
    return 0;
}
