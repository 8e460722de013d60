#include "tests/unit/test_support.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/installer.h"
#include "payload/locator.h"
#include "res/ids.h"

static std::vector<uint8_t> LoadOrEmpty(const char* path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (path && !ReadWholeFile(path, UINT64_MAX, &bytes, &error)) ADD_FAILURE() << error;
    return bytes;
}

const std::vector<uint8_t>& BuiltStub() {
#ifdef STUB_PATH
    static const std::vector<uint8_t> stub = LoadOrEmpty(STUB_PATH);
#else
    static const std::vector<uint8_t> stub;
#endif
    return stub;
}

const std::vector<uint8_t>& RawStub() {
#ifdef RAW_STUB_PATH
    static const std::vector<uint8_t> stub = LoadOrEmpty(RAW_STUB_PATH);
#else
    static const std::vector<uint8_t> stub;
#endif
    return stub;
}

std::vector<uint8_t> MakeInstaller(const std::string& title, std::vector<InputFile> files,
                                   uint16_t base) {
    InstallerRecipe recipe;
    recipe.title = title;
    recipe.numberingBase = base;
    recipe.files = std::move(files);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildInstaller(BuiltStub(), recipe, &out, &error)) << error;
    return out;
}

std::vector<uint8_t> MakeInstaller(const std::string& title) {
    return MakeInstaller(title, {{"saver.scr", Bytes("program"), ".SCR"},
                                 {"saver.dat", Bytes("data"), ".DAT"}});
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/ssinst-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (!made) ADD_FAILURE() << "mkdtemp failed";
    path_ = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (path_.size() > 5) {
        std::string cmd = "rm -rf '" + path_ + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
    }
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    ASSERT_TRUE(WriteWholeFile(path, bytes, &error)) << error;
}

void MakeDirs(const std::string& path) {
    for (size_t at = 1; at != std::string::npos;) {
        at = path.find('/', at + 1);
        mkdir(path.substr(0, at).c_str(), 0755);
    }
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void PatchEntry(std::vector<uint8_t>& installer, int index, int field, uint32_t value) {
    MemoryReader r(installer);
    const FilePosition start = LocatePayloadIn(r);
    ASSERT_NE(start, kNoPosition);
    PutLE32(&installer[(size_t)start + kHeaderSize + kEntrySize * index + 4 * field], value);
}

PayloadEntry EntryAt(const std::vector<uint8_t>& installer, int index) {
    MemoryReader r(installer);
    InstallerContents c;
    std::string error;
    EXPECT_TRUE(ReadInstaller(r, &c, &error)) << error;
    return index < (int)c.entries.size() ? c.entries[(size_t)index] : PayloadEntry();
}

// Misuse of any simulated machine (a handle that is not open, a library
// released twice, ...) fails the test that caused it, where it happens.
static const bool kMisuseFails = (SimPlatform::SetMisuseHandler([](const std::string& what) {
                                      ADD_FAILURE() << "simulated machine misused: " << what;
                                  }),
                                  true);

Machine::Machine() : sim(drive.path()) {
    MakeDirs(drive.path() + "/WINDOWS");
    MakeDirs(drive.path() + "/SETUP");
}

void Machine::Place(const std::vector<uint8_t>& installer, const std::string& name) {
    this->installer = installer;
    WriteFile(drive.path() + "/SETUP/" + name, installer);
    sim.SetModulePath("C:\\SETUP\\" + name);
}

int Machine::RunAnsweringOk() {
    sim.AnswerMessage(kIdOk);
    sim.AnswerMessage(kIdOk);
    sim.AnswerDialog({kIdOk});
    InstallerState s = {};
    return InstallerMain(sim, s);
}

std::string Setting(Machine& k) {
    char value[260];
    k.sim.ReadProfileValue("boot", "SCRNSAVE.EXE", "system.ini", value, sizeof value);
    return value;
}

void SimTest::TearDown() {
    for (const std::string& e : sim.errors) ADD_FAILURE() << "simulated machine: " << e;
    EXPECT_EQ(sim.OpenFiles(), 0) << "files left open";
    EXPECT_EQ(sim.LoadedLibraries(), 0) << "libraries left loaded";
    EXPECT_EQ(sim.UnusedAnswers(), 0u) << "scripted answers left over";
}
