// What the installer relies on from the platform seam, as one table of cases
// written once and run against both sides: the simulated machine on the host
// (contract_sim_test.cpp) and the Win32 side in a 32-bit program under Wine
// (contract_win32.cpp). Where the two differ on a case, one of them is wrong.
//
// Where the simulated machine is simpler on purpose, and so not held here:
// it has no disk-full write on Windows to compare with (the host tests fill
// its disk by SetFreeBytes), its short names are its own (a case holds only
// what the installer relies on: an 8.3 form that names the same file), and
// it reports the free space it is told to (SetReportedFreeSpace), so the
// cases hold that a drive answers, not how much.
#ifndef TESTS_CONTRACT_CONTRACT_H
#define TESTS_CONTRACT_CONTRACT_H

#include <string>

#include "platform/platform.h"

// The failures of one case, each with its line.
class Expect {
public:
    void That(bool ok, int line, const char* what);
    void Equal(long long got, long long want, int line, const char* what);
    void Equal(const std::string& got, const std::string& want, int line, const char* what);
    const std::string& failures() const { return failures_; }

private:
    std::string failures_;
};
#define EXPECT_THAT(e, cond) (e).That((cond), __LINE__, #cond)
#define EXPECT_SAME(e, got, want) (e).Equal((got), (want), __LINE__, #got)

// One side of the seam, with what a case needs that the seam does not offer.
class ContractMachine {
public:
    virtual ~ContractMachine() {}
    virtual Platform& platform() = 0;
    // An empty folder the cases may use: a full Windows path, no trailing
    // backslash, on the drive of the Windows directory.
    virtual std::string Scratch() = 0;
    // Marks an existing file read-only.
    virtual void SetReadOnly(const std::string& path) = 0;
    // The user will answer the next message box with this button.
    virtual void WillAnswer(int answer) = 0;
};

struct ContractCase {
    const char* name;
    void (*run)(ContractMachine& m, Expect& e);
};
extern const ContractCase kContractCases[];
extern const int kContractCaseCount;

#endif
