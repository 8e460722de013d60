// Writing an installer's files out below a folder that stands for the
// Windows directory, under the names the installer itself would use.
#ifndef AUTHORING_EXTRACTION_H
#define AUTHORING_EXTRACTION_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ExtractOptions {
    bool overwrite = false;  // replace files that are there (never write through them)
    // Told the bytes written so far and in all, now and then.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

// Writes every entry of the installer at installerPath below dir, which
// stands for the Windows directory, under the names the stub would use for
// an installer of that file name. Checks the whole installer first, as the
// stub does. Follows no link inside dir and writes nothing outside it; each
// file is written safely (see SafeWrite). `written` receives the paths
// made, relative to dir.
bool ExtractInstaller(const std::string& installerPath, const std::string& dir,
                      std::vector<std::string>* written, std::string* error,
                      const ExtractOptions& options = {});

#endif
