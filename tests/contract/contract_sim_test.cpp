// The platform contract on the simulated machine: each case a test.
#include <gtest/gtest.h>

#include "tests/contract/contract.h"
#include "tests/unit/test_support.h"

namespace {

class SimMachine : public ContractMachine {
public:
    SimMachine() : sim_(drive_.path()) {
        MakeDirs(drive_.path() + "/WINDOWS");
        MakeDirs(drive_.path() + "/SETUP");
        MakeDirs(drive_.path() + "/scratch");
        WriteFile(drive_.path() + "/SETUP/CONTRACT.EXE", Bytes("MZ, the program itself"));
        sim_.SetModulePath("C:\\SETUP\\CONTRACT.EXE");
    }
    Platform& platform() override { return sim_; }
    std::string Scratch() override { return "C:\\scratch"; }
    void SetReadOnly(const std::string& path) override { sim_.SetReadOnly(path); }
    void WillAnswer(int answer) override { sim_.AnswerMessage(answer); }
    const SimPlatform& sim() const { return sim_; }

private:
    TempDir drive_;
    SimPlatform sim_;
};

class PlatformContract : public ::testing::TestWithParam<int> {};

TEST_P(PlatformContract, HoldsOnTheSimulatedMachine) {
    SimMachine m;
    Expect e;
    kContractCases[GetParam()].run(m, e);
    EXPECT_EQ(e.failures(), "");
    EXPECT_EQ(m.sim().errors, std::vector<std::string>{});
    EXPECT_EQ(m.sim().OpenFiles(), 0);
    EXPECT_EQ(m.sim().LoadedLibraries(), 0);
    EXPECT_EQ(m.sim().OpenBuffers(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlatformContract, ::testing::Range(0, kContractCaseCount),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(kContractCases[i.param].name); });

}  // namespace
