// The platform contract on the Win32 side, under Wine or Windows: every case
// in a folder of its own under the folder given (made fresh), a line for
// each, exit status 1 when any fails. A message box is answered by a thread
// that presses the button as a user would.
//   contract.exe C:\contract
#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_platform.h"
#include "tests/contract/contract.h"

namespace {

const char kQuestionCaption[] = "Contract question";

DWORD WINAPI PressWhenShown(void* arg) {
    const int button = (int)(INT_PTR)arg;
    for (int tries = 0; tries < 800; ++tries) {
        HWND box = FindWindowA("#32770", kQuestionCaption);
        HWND b = box && IsWindowVisible(box) ? GetDlgItem(box, button) : NULL;
        if (b) {
            PostMessageA(b, BM_CLICK, 0, 0);
            return 0;
        }
        Sleep(25);
    }
    std::printf("  no message box to answer\n");
    return 1;
}

class Win32Machine : public ContractMachine {
public:
    explicit Win32Machine(const char* root) : root_(root) {}
    Platform& platform() override { return platform_; }
    std::string Scratch() override { return scratch_; }
    void SetReadOnly(const std::string& path) override { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY); }
    void WillAnswer(int answer) override {
        HANDLE t = CreateThread(NULL, 0, PressWhenShown, (void*)(INT_PTR)answer, 0, NULL);
        if (t) CloseHandle(t);
    }
    bool Begin(const char* name) {
        scratch_ = root_ + "\\" + name;
        return CreateDirectoryA(scratch_.c_str(), NULL) != 0;
    }

private:
    Win32Platform platform_;
    std::string root_, scratch_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !CreateDirectoryA(argv[1], NULL)) {
        std::fprintf(stderr, "usage: contract NEW-FOLDER (a folder that does not exist yet)\n");
        return 2;
    }
    Win32Machine m(argv[1]);
    int failed = 0;
    for (int i = 0; i < kContractCaseCount; ++i) {
        const ContractCase& c = kContractCases[i];
        Expect e;
        if (!m.Begin(c.name)) e.That(false, 0, "its scratch folder could not be made");
        else c.run(m, e);
        std::printf("%s %s\n%s", e.failures().empty() ? "ok  " : "FAIL", c.name, e.failures().c_str());
        std::fflush(stdout);
        failed += !e.failures().empty();
    }
    return failed ? 1 : 0;
}
