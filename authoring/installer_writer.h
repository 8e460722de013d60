// Writing installers: a copy of the stub up to its marker, then the
// payload of the given files, each packed where that makes it smaller.
#ifndef AUTHORING_INSTALLER_WRITER_H
#define AUTHORING_INSTALLER_WRITER_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "payload/format.h"

struct InputFile {
    std::string name;            // for messages
    std::vector<uint8_t> bytes;  // the file's bytes, unless it is read from `path`
    std::string extension;       // at most 4 characters, ".BMP"
    std::string path = {};       // when set, the file is read from here, in pieces
};

struct InstallerRecipe {
    std::string title;           // at most 32 bytes
    uint16_t numberingBase = 2;
    bool pack = false;           // pack each file where that makes it smaller
    std::string stubName = "the stub";  // for messages
    std::vector<InputFile> files;  // the program, the main data file, then the others
    // Told the bytes of the files packed so far, now and then.
    std::function<void(uint64_t done)> progress;
    // Once set, the build ends within a block of at most 64 KiB of input:
    // packing, copying and the check of a packed stream look at it.
    const std::atomic<bool>* stop = nullptr;
};

// Copies the stub up to its marker's data and appends the payload. The stub
// must keep the layout rules. With recipe.pack each file goes in packed when
// that makes it smaller (and the stream is checked by unpacking it again),
// stored otherwise.
bool BuildInstaller(const std::vector<uint8_t>& stub, const InstallerRecipe& recipe,
                    std::vector<uint8_t>* out, std::string* error);
// The same into an output file, the inputs read and packed in pieces. On a
// failure of the output itself the error is left empty: the output names it.
class OutputFile;
bool BuildInstallerTo(const std::vector<uint8_t>& stub, const InstallerRecipe& recipe, OutputFile& out,
                      std::string* error);

// The words of two rules a build holds an installer's inputs to.
// The title is text (UTF-8, as everywhere in the tool); the installer holds
// it as the 8-bit text its dialogs show, in Windows-1252, which has a byte
// for each character of Western European languages.
std::string TitleProblem(const std::string& title);
// The same rule, with the title's bytes as the installer holds them.
std::string InstallerTitle(const std::string& title, std::string* bytes);
std::string SizeProblem(const std::string& name, uint64_t size);

#endif
