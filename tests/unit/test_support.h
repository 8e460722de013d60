// Shared pieces of the host tests: the built stub, installers made from it,
// and a simulated machine on a fresh folder.
#ifndef TESTS_UNIT_TEST_SUPPORT_H
#define TESTS_UNIT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "authoring/files.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"
#include "authoring/installer_writer.h"

// The stub the build produced; the test is skipped when there is none.
const std::vector<uint8_t>& BuiltStub();
const std::vector<uint8_t>& RawStub();
#define REQUIRE_STUB() \
    if (BuiltStub().empty()) GTEST_SKIP() << "no stub was built"

std::vector<uint8_t> Bytes(const std::string& s);
std::vector<uint8_t> Pattern(size_t n, uint32_t seed);

// An installer of the built stub with the given title and files.
std::vector<uint8_t> MakeInstaller(const std::string& title, std::vector<InputFile> files,
                                   uint16_t base = 2);
std::vector<uint8_t> MakeInstaller(const std::string& title);

// A test name made of a case's description: its letters and digits, '_'
// for the rest. For INSTANTIATE_TEST_SUITE_P over cases with a `what`.
struct CaseName {
    template <class Info>
    std::string operator()(const Info& i) const {
        std::string n;
        for (const char* c = i.param.what; *c; ++c) n += std::isalnum((unsigned char)*c) ? *c : '_';
        return n;
    }
};

// A fresh folder, removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void MakeDirs(const std::string& path);
bool FileExists(const std::string& path);

// Sets one 32-bit field (0 offset, 1 stored size, 2 unpacked size,
// 3 extension) of entry `index` in an installer's table.
void PatchEntry(std::vector<uint8_t>& installer, int index, int field, uint32_t value);
// Entry `index` of an installer's table.
PayloadEntry EntryAt(const std::vector<uint8_t>& installer, int index);

// A simulated machine on its own fresh folder, with C:\WINDOWS and C:\SETUP.
struct Machine {
    Machine();
    // Places the installer at C:\SETUP\<name>, makes it the running module.
    void Place(const std::vector<uint8_t>& installer, const std::string& name = "Forest.exe");
    // Runs the installer with OK for every question; returns the exit code.
    int RunAnsweringOk();
    std::string Host(const std::string& rel) const { return drive.path() + "/" + rel; }
    TempDir drive;
    SimPlatform sim;
    std::vector<uint8_t> installer;  // the one placed
};

// The screen-saver setting in system.ini ("" for none).
std::string Setting(Machine& k);

// A test on a simulated machine, which must end without errors, with every
// file closed and every scripted answer used.
class SimTest : public ::testing::Test, protected Machine {
protected:
    void TearDown() override;
    void PlaceInstaller(const std::string& name, const std::vector<uint8_t>& bytes) { Place(bytes, name); }
};

#endif
