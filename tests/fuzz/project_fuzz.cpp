// Project files on arbitrary text: read, written, read again. What the
// reader takes, the writer keeps, and the reader then takes the same
// project back; what the reader refuses is named with its file and line.
#include <filesystem>

#include "authoring/project.h"
#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path dir = FuzzDirectory("project");
    const std::string text(reinterpret_cast<const char*>(data), size);
    Project p;
    std::string error;
    if (!ParseProject(text, "fuzz.ssproj", dir.string(), &p, &error)) {
        Check(error.compare(0, 12, "fuzz.ssproj:") == 0 && error.size() > 14, "a refusal names no line: " + error);
        return 0;
    }
    const std::string file = (dir / "fuzz.ssproj").string();
    Check(WriteProject(file, p, &error), "the writer refuses what the reader took: " + error);
    Project again;
    Check(ReadProject(file, &again, &error), "the reader refuses what the writer wrote: " + error);
    Check(SameInputs(p, again), "read back otherwise than it was read:\n" + text + "\n---\n" + ProjectText(p, dir.string()));
    return 0;
}
