#include "authoring/project_build.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "authoring/files.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"
#include "authoring/installer_writer.h"
#include "base/text.h"

namespace {

// An output that fails every write once `stop` is set, so that a build
// ends there as it would at a full disk.
class StoppableOutput : public OutputFile {
public:
    StoppableOutput(OutputFile& out, const std::atomic<bool>* stop) : out_(out), stop_(stop) {}
    bool Stopped() const { return stop_ && stop_->load(); }
    int Write(const void* buf, int n) override { return Stopped() ? -1 : out_.Write(buf, n); }
    bool SeekTo(uint64_t at) override { return !Stopped() && out_.SeekTo(at); }
    bool Truncate(uint64_t size) override { return !Stopped() && out_.Truncate(size); }
    int ReadAt(uint64_t at, void* buf, int n) override { return Stopped() ? -1 : out_.ReadAt(at, buf, n); }
    uint64_t Size() const override { return out_.Size(); }
    bool Failed() const override { return Stopped() || out_.Failed(); }

private:
    OutputFile& out_;
    const std::atomic<bool>* stop_;
};

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What Windows will make of an input where it is installed: the program's
// findings; a further file that is a library, which nothing looks for
// where it lands.
void CheckInput(size_t index, const PlannedEntry& e, SourceFile& f, ProjectPlan* plan) {
    const std::string name = e.target.empty() ? FileName(e.source) : e.target;
    if (index == kEntryProgram) {
        plan->program = CheckProgram(f.Reader(), f.Size(), name);
        plan->programChecked = true;
        plan->warnings.insert(plan->warnings.end(), plan->program.findings.begin(), plan->program.findings.end());
    } else if (index != kEntryMainData && IsLibraryFile(e.extension, f.Reader(), f.Size())) {
        plan->warnings.push_back(e.source + ": a library among the further files is installed as " + name +
                                 ", where the screen saver, in the Windows directory, never looks for it");
    }
}

// Where the installer can't be written as named: a name that does not end
// in .exe (Windows runs it by that, and the installer names what it
// installs after it), a name that gives no names, a folder that is not
// there.
std::string OutputProblem(const std::string& output) {
    if (output.empty()) return "";
    const std::string name = FileName(output);
    if (name.size() < 4 || !SameTextIgnoringCase(name.c_str() + name.size() - 4, ".exe"))
        return output + ": an installer's name ends in .exe, which Windows runs it by";
    if (!InstallerNamesUsable(output))
        return output + ": an installer of that name gives no name to install the screen saver under";
    const std::filesystem::path folder = std::filesystem::u8path(output).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
        return output + ": its folder " + folder.u8string() + " is not there";
    return "";
}

}  // namespace

namespace {

std::string Cancelled(const Project& p) {
    return p.output + ": the build was cancelled; the installer there stays as it was";
}

}  // namespace

ProjectPlan PlanProject(const Project& p, const std::atomic<bool>* stop) {
    ProjectPlan plan;
    const std::string missing = MissingFromProject(p);
    if (!missing.empty()) plan.problems.push_back(missing);
    const std::string title = TitleProblem(p.title);
    if (!title.empty()) plan.problems.push_back(title);
    // An installer without a title still installs; its questions and
    // messages then name nothing.
    if (p.hasTitle && p.title.empty())
        plan.warnings.push_back("the title is empty: the installer's questions and messages will name no screen saver");
    const std::string output = OutputProblem(p.output);
    if (!output.empty()) plan.problems.push_back(output);
    std::vector<std::string> inputs = {p.program, p.data};
    inputs.insert(inputs.end(), p.files.begin(), p.files.end());
    // The installer must not take the place of what it is built from. Only
    // a file of its size can be it: sizes are cheap to have for thousands
    // of inputs, where asking whether two paths are one file is not.
    std::error_code ec;
    const uint64_t outputSize = p.output.empty() ? 0 : std::filesystem::file_size(std::filesystem::u8path(p.output), ec);
    for (size_t i = 0; !p.output.empty() && !ec && i < inputs.size(); ++i) {
        std::error_code own;
        if (inputs[i].empty() || std::filesystem::file_size(std::filesystem::u8path(inputs[i]), own) != outputSize || own ||
            !SameFile(p.output, inputs[i]))
            continue;
        plan.problems.push_back(p.output + ": the installer would be written over its own input " + inputs[i]);
        break;
    }
    if (SameFile(p.output, p.path)) plan.problems.push_back(p.output + ": the installer would be written over the project file");
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (stop && *stop) {
            plan.problems.push_back(Cancelled(p));
            break;
        }
        if (inputs[i].empty()) continue;
        PlannedEntry e;
        e.source = inputs[i];
        std::string error;
        if (i == kEntryProgram) e.extension = ".SCR";
        else if (i == kEntryMainData) e.extension = ".DAT";
        else if (!ExtensionFor(inputs[i], &e.extension, &error)) plan.problems.push_back(error);
        PayloadEntry pe = {};
        std::memcpy(pe.extension, e.extension.data(), std::min<size_t>(e.extension.size(), kExtensionSize));
        if (!p.output.empty()) {
            e.target = CreatedPath(p.output, (int)i, p.numberingBase, pe);
            const std::string caveat = ExtensionCaveat(e.extension, e.target);
            if (!caveat.empty()) plan.warnings.push_back(inputs[i] + ": " + caveat);
        }
        SourceFile f;
        if (!f.Open(inputs[i], &error)) {
            plan.problems.push_back(error);
        } else {
            e.size = f.Size();
            e.opened = true;
            const std::string size = SizeProblem(inputs[i], e.size);
            if (!size.empty()) plan.problems.push_back(size);
            CheckInput(i, e, f, &plan);
        }
        plan.entries.push_back(e);
    }
    return plan;
}

bool BuildProject(const Project& p, const std::vector<uint8_t>& stub, const std::string& stubName,
                  const BuildControl& control, Verdict* verdict, std::string* error) {
    const ProjectPlan plan = PlanProject(p, control.stop);
    if (control.stop && *control.stop) {
        *error = Cancelled(p);
        return false;
    }
    if (!plan.problems.empty()) {
        *error = plan.problems.front();
        return false;
    }
    if (p.strict && !plan.warnings.empty()) {
        *error = p.output + ": not built: the project is strict, and its build has " +
                 std::to_string(plan.warnings.size()) + (plan.warnings.size() == 1 ? " warning" : " warnings");
        return false;
    }
    InstallerRecipe recipe;
    recipe.title = p.title;
    recipe.numberingBase = p.numberingBase;
    recipe.pack = p.pack;
    recipe.stubName = stubName;
    recipe.stop = control.stop;
    uint64_t total = 0;
    for (const PlannedEntry& e : plan.entries) {
        InputFile f;
        f.name = f.path = e.source;
        f.extension = e.extension;
        recipe.files.push_back(std::move(f));
        total += e.size;
    }
    if (control.progress) recipe.progress = [&](uint64_t done) { control.progress(done, total); };
    SafeWrite out;
    if (!out.Open(p.output, error)) return false;
    StoppableOutput o(out, control.stop);
    const std::string cancelled = Cancelled(p);
    if (!BuildInstallerTo(stub, recipe, o, error)) {
        if (o.Stopped()) *error = cancelled;
        else if (error->empty()) *error = out.FailureText();
        return false;
    }
    // Checked as verify checks it before it takes the old one's place; its
    // reads fail once the build is stopped, which ends the check.
    if (verdict) {
        OutputReader reader(o);
        const bool read = VerifyInstallerReader(reader, out.Size(), p.output, verdict, error);
        if (o.Stopped()) {
            *error = cancelled;
            return false;
        }
        if (!read) return false;
        if (!verdict->Sound()) {
            *error = p.output + ": the new installer does not verify; the one there stays as it was";
            return false;
        }
    }
    if (o.Stopped()) {  // asked while it was checked
        *error = cancelled;
        return false;
    }
    return out.Commit(true, error);
}
