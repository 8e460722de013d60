#include "authoring/extraction.h"

#include "payload/contents.h"
#include "authoring/files.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"

namespace {


// Passes writes on; `wrote` is told each write's size.
class CountingSink : public ByteSink {
public:
    CountingSink(ByteSink& out, std::function<void(int)> wrote) : out_(out), wrote_(std::move(wrote)) {}
    int Write(const void* buf, int n) override {
        const int put = out_.Write(buf, n);
        if (put > 0) wrote_(put);
        return put;
    }

private:
    ByteSink& out_;
    std::function<void(int)> wrote_;
};
}  // namespace

bool ExtractInstaller(const std::string& installerPath, const std::string& dir,
                      std::vector<std::string>* written, std::string* error, const ExtractOptions& options) {
    SourceFile file;
    if (!file.Open(installerPath, error)) return false;
    ByteReader& reader = file.Reader();
    InstallerContents c;
    if (!IsInstallerFile(reader, file.Size(), error) || !ReadInstaller(reader, &c, error)) {
        *error = installerPath + ": " + *error;
        return false;
    }
    if (c.uninstaller) {
        *error = installerPath + ": an uninstaller holds no files to extract, only the names and checksums of "
                 "those its installation wrote (ssinst list shows them)";
        return false;
    }
    // The stub's own checks, before anything is written.
    if (c.check.problem != kPayloadSound) {
        *error = installerPath + ": damaged: " + DescribeCheck(c.check);
        return false;
    }
    if (!InstallerNamesUsable(installerPath)) {
        *error = installerPath + ": its name gives no name to install the screen saver under; rename it";
        return false;
    }
    std::vector<std::string> targets;
    for (size_t i = 0; i < c.entries.size(); ++i) {
        std::string target = CreatedPath(installerPath, (int)i, c.numberingBase, c.entries[i]);
        if (target.empty()) {
            *error = installerPath + ": entry " + std::to_string(i) + ": its name does not fit";
            return false;
        }
        for (char& ch : target)
            if (ch == '\\') ch = '/';
        targets.push_back(target);
    }
    uint64_t total = 0, done = 0;
    for (const PayloadEntry& e : c.entries) total += InstalledSize(e);
    for (size_t i = 0; i < c.entries.size(); ++i) {
        // Straight to the file: an entry may unpack to far more than it stores.
        SafeWrite out;
        if (!out.OpenBelow(dir, targets[i], options.overwrite, error)) return false;
        CountingSink sink(out, [&](int n) {
            if (options.progress) options.progress(done += (uint64_t)n, total);
        });
        std::string problem;
        if (!WriteEntry(reader, file.Size(), c.entries[i], sink, &problem) && !out.Failed()) {
            *error = dir + "/" + targets[i] + ": " + problem;
            return false;
        }
        if (!out.Commit(false, error)) return false;  // names the file's own failure
        if (written) written->push_back(targets[i]);
    }
    return true;
}

