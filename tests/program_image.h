// Small PE images made to order, for the tests of the program check: the
// fields Windows looks at before it starts a program, the libraries it
// imports and the string its Screen Saver Settings list it under.
#ifndef TESTS_PROGRAM_IMAGE_H
#define TESTS_PROGRAM_IMAGE_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ProgramShape {
    uint16_t machine = 0x014C;
    bool plus = false;  // PE32+, the 64-bit layout
    uint16_t subsystem = 2;
    bool dll = false;
    std::vector<std::string> imports;
    std::vector<std::string> delayImports;  // new-style descriptors, which hold RVAs
    // String 1 in each language given (language id, text).
    std::vector<std::pair<uint16_t, std::u16string>> stringOne;
};

std::vector<uint8_t> ProgramImage(const ProgramShape& shape);

#endif
