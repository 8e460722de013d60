// Writes a small PE image made to order, for the command-line tests of the
// program check:
//   make_program OUT [--x64] [--console] [--dll] [--import DLL]... [--delay DLL]... [--name TEXT]
#include <cstdio>
#include <cstring>

#include "tests/program_image.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    ProgramShape s;
    for (int i = 2; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--x64")) s.machine = 0x8664, s.plus = true;
        else if (!std::strcmp(argv[i], "--console")) s.subsystem = 3;
        else if (!std::strcmp(argv[i], "--dll")) s.dll = true;
        else if (!std::strcmp(argv[i], "--import") && value) s.imports.push_back(argv[++i]);
        else if (!std::strcmp(argv[i], "--delay") && value) s.delayImports.push_back(argv[++i]);
        else if (!std::strcmp(argv[i], "--name") && value) {
            const char* t = argv[++i];
            s.stringOne.push_back({0x409, std::u16string(t, t + std::strlen(t))});  // ASCII names
        } else {
            return 2;
        }
    }
    const std::vector<uint8_t> bytes = ProgramImage(s);
    std::FILE* f = std::fopen(argv[1], "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return f && std::fclose(f) == 0 && ok ? 0 : 1;
}
