// What the fuzz targets share: a folder of their own and checks that stop
// the run, so that the fuzzer keeps the input.
#ifndef TESTS_FUZZ_FUZZ_SUPPORT_H
#define TESTS_FUZZ_FUZZ_SUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline void Check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// A folder of this process's own, removed when it ends.
inline const std::filesystem::path& FuzzDirectory(const char* name) {
    static struct Folder {
        std::filesystem::path path;
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder{std::filesystem::temp_directory_path() /
             ("ssinst-fuzz-" + std::string(name) + "-" + std::to_string(getpid()))};
    std::filesystem::create_directories(folder.path);
    return folder.path;
}

inline void WriteBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

#endif
