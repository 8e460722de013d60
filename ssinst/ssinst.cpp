// ssinst: builds screen-saver installers from a stub and files, lists what
// an installer holds, and checks a stub's layout.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>

#include <csignal>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/extraction.h"
#include "authoring/installer_names.h"
#include "authoring/installer_reader.h"
#include "authoring/project_build.h"
#include "authoring/embedded_stub.h"
#include "authoring/files.h"
#include "authoring/pe_image.h"
#include "authoring/project.h"
#include "authoring/printable.h"
#include "authoring/readers.h"
#include "payload/format.h"
#include "payload/locator.h"
#include "ssinst/command_line.h"

namespace {

enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// The one-line problem of a command line, and where its help is.
// Messages name files and what they hold: each reaches the terminal
// printable.
int Usage(const char* command, const std::string& problem) {
    if (command)
        std::fprintf(stderr, "ssinst: %s: %s; see ssinst %s --help\n", command, Printable(problem).c_str(), command);
    else
        std::fprintf(stderr, "ssinst: %s; see ssinst --help\n", Printable(problem).c_str());
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ssinst: %s\n", Printable(message).c_str());
    return kExitFailure;
}

// One line on a terminal that says how far long work has come: only for
// more than a few MB, and never when standard error is not a terminal.
class Progress {
public:
    Progress(const char* what, uint64_t total) : what_(what), total_(total) {
#ifdef _WIN32
        on_ = total > kThreshold && _isatty(_fileno(stderr));
#else
        on_ = total > kThreshold && isatty(fileno(stderr));
#endif
    }
    ~Progress() {
        if (shown_) std::fputc('\n', stderr);
    }
    void Update(uint64_t done) {
        const int percent = total_ ? (int)(done * 100 / total_) : 100;
        if (!on_ || percent == percent_) return;
        percent_ = percent;
        shown_ = true;
        std::fprintf(stderr, "\rssinst: %s %llu of %llu bytes (%d%%)", what_, (unsigned long long)done,
                     (unsigned long long)total_, percent);
        std::fflush(stderr);
    }

private:
    static const uint64_t kThreshold = 4u << 20;
    const char* what_;
    uint64_t total_;
    bool on_ = false, shown_ = false;
    int percent_ = -1;
};

int Version() {
    std::printf("ssinst %s\n", SSINST_VERSION);
    const EmbeddedStub& s = BuiltInStub();
    if (s.bytes) std::printf("built-in stub: %zu bytes, SHA-256 %s\n", s.size, s.sha256);
    else std::printf("no built-in stub\n");
    return kExitOk;
}

bool LoadImage(const std::string& path, PeImage* image, std::string* error) {
    SourceFile file;
    return OpenImage(path, &file, image, error);
}

int PrintRules(const std::string& path, const PeImage& image) {
    bool all = true;
    for (const RuleResult& r : CheckStubLayout(image)) {
        std::string label = r.rule ? "rule " + std::to_string(r.rule) : "locator";
        std::printf("%-8s %-6s %s\n", label.c_str(), r.held ? "held" : "BROKEN", r.detail.c_str());
        all = all && r.held;
    }
    if (!all) std::fprintf(stderr, "ssinst: %s breaks the stub layout rules\n", path.c_str());
    return all ? kExitOk : kExitFailure;
}

// --- the commands, each with its options and help ----------------------

int CheckStub(const ParsedArgs& a) {
    if (a.operands.size() != 1) return Usage("check-stub", "it takes one stub");
    PeImage image;
    std::string error;
    if (!LoadImage(a.operands[0], &image, &error)) return Fail(error);
    return PrintRules(a.operands[0], image);
}

int FixStub(const ParsedArgs& a) {
    const std::string out = a.Value("-o");
    if (a.operands.size() != 1 || out.empty()) return Usage("fix-stub", "it takes one input and -o OUT");
    const std::string& in = a.operands[0];
    PeImage image;
    std::string error;
    if (!LoadImage(in, &image, &error)) return Fail(error);
    if (image.fileSize > image.bytes.size()) return Fail(in + ": more than a stub can be");
    if (!MoveMarkerLast(image, &error) || !MarkEntrySectionAsCode(image, &error))
        return Fail(in + ": " + error);
    PeImage check;
    if (!check.Parse(image.bytes, &error)) return Fail(in + ": after the new layout: " + error);
    for (const RuleResult& r : CheckStubLayout(check))
        if (!r.held) return Fail(in + ": after the new layout: " + r.detail);
    if (!WriteWholeFile(out, check.bytes, &error)) return Fail(error);
    return kExitOk;
}

// The build flags, over what a project gave: each flag wins over the
// project's value, and the first --file starts the further files afresh.
// "" when they apply, else the usage problem.
std::string ApplyFlags(const ParsedArgs& a, Project* p) {
    bool files = false;
    for (const auto& [name, value] : a.options) {
        const bool path = name == "-o" || name == "--scr" || name == "--dat" || name == "--file" ||
                          name == "--stub" || name == "--project";
        if (path && value.empty()) return name + " names no file";
        if (name == "-o") p->output = value;
        else if (name == "--title") p->title = value, p->hasTitle = true;
        else if (name == "--strict") p->strict = true;
        else if (name == "--store") p->pack = false;
        else if (name == "--pack") p->pack = true;
        else if (name == "--scr") p->program = value;
        else if (name == "--dat") p->data = value;
        else if (name == "--file") {
            if (!files) p->files.clear();
            files = true;
            p->files.push_back(value);
        } else if (name == "--base" && !ParseNumberingBase(value, &p->numberingBase)) {
            return "--base takes a number from 0 to 65535";
        }
    }
    return "";
}

int Build(const ParsedArgs& a) {
    if (!a.operands.empty())
        return Usage("build", a.operands[0] + ": each file is named by its option (-o, --scr, --dat, --file, --project)");
    Project project;
    std::string error;
    if (a.Has("--project") && !a.Value("--project").empty() && !ReadProject(a.Value("--project"), &project, &error))
        return Fail(error);
    const std::string usage = ApplyFlags(a, &project);
    if (!usage.empty()) return Usage("build", usage);
    const std::string missing = MissingFromProject(project);
    if (!missing.empty()) return Usage("build", missing + " (-o, --title, --scr, --dat, or a --project)");
    // What stands in the way is said, all of it, before anything is read
    // or written.
    const ProjectPlan plan = PlanProject(project);
    for (const std::string& p : plan.problems) std::fprintf(stderr, "ssinst: %s\n", Printable(p).c_str());
    if (!plan.problems.empty()) return kExitFailure;
    std::vector<uint8_t> stubBytes;
    std::string stubName;
    if (!LoadStub(a.Value("--stub"), &stubBytes, &stubName, &error)) return Fail("stub: " + error);
    for (const std::string& w : plan.warnings) std::fprintf(stderr, "ssinst: warning: %s\n", Printable(w).c_str());
    uint64_t total = 0;
    for (const PlannedEntry& e : plan.entries) total += e.size;
    Progress progress("packed", total);
    BuildControl control;
    if (project.pack) control.progress = [&](uint64_t done, uint64_t) { progress.Update(done); };
    if (!BuildProject(project, stubBytes, stubName, control, nullptr, &error)) return Fail(error);
    return kExitOk;
}

int WriteProjectFile(const ParsedArgs& a) {
    if (a.operands.size() != 1)
        return Usage("project", a.operands.empty() ? "it takes a project file" : "it takes one project file");
    const std::string& path = a.operands[0];
    Project project;
    std::string error, what;
    const std::string usage = ApplyFlags(a, &project);
    if (!usage.empty()) return Usage("project", usage);
    if (!a.Has("--force") && (std::filesystem::exists(std::filesystem::u8path(path)) || IsThereButNotAFile(path, &what)))
        return Fail(path + ": there is a file of that name already; --force replaces it with these flags alone");
    if (!WriteProject(path, project, &error)) return Fail(error);
    return kExitOk;
}

// Whether an installer's stub part is this ssinst's built-in stub, whose
// switches it then knows; a signature's changes to the headers aside: the
// certificate table's entry, where the locator finds it, and the optional
// header's checksum, 64 bytes before it.
bool MadeWithBuiltInStub(ByteReader& r, FilePosition payloadStart) {
    const EmbeddedStub& s = BuiltInStub();
    MemoryReader stubReader(s.bytes, s.size);
    ImagePlaces places;
    if (!s.bytes || payloadStart > s.size || LocatePayloadIn(stubReader, &places) == kNoPosition ||
        places.securityEntry + 8 > payloadStart || r.Seek(0, kSeekSet) != 0)
        return false;
    std::vector<uint8_t> part(payloadStart), stub(s.bytes, s.bytes + payloadStart);
    if (!ReadExactly(r, part.data(), (int)part.size())) return false;
    for (FilePosition at : {places.securityEntry - 64, places.securityEntry, places.securityEntry + 4})
        std::copy(&stub[at], &stub[at] + 4, &part[at]);
    return part == stub;
}

// What Windows will make of an installer's program, as information: the
// installer is not damaged by it.
void PrintProgram(const ProgramReport& program) {
    std::printf("program: %s\n", Printable(DescribeProgram(program)).c_str());
    for (const std::string& f : program.findings) std::printf("program: %s\n", Printable(f).c_str());
}

int List(const ParsedArgs& a) {
    if (a.operands.size() != 1) return Usage("list", "it takes one installer");
    const std::string& path = a.operands[0];
    SourceFile file;
    std::string error;
    if (!file.Open(path, &error)) return Fail(error);
    InstallerContents c;
    if (!IsInstallerFile(file.Reader(), file.Size(), &error) || !ReadInstaller(file.Reader(), &c, &error))
        return Fail(path + ": " + error);
    if (c.uninstaller)
        std::printf("uninstaller of %s and QUORBEL\\SSAVERS\\%s\nscreen saver it set: %s\nthe one before: %s\n",
                    PrintableBytes(c.record.program).c_str(), PrintableBytes(c.record.base).c_str(),
                    PrintableBytes(c.record.written).c_str(),
                    c.record.previous[0] ? PrintableBytes(c.record.previous).c_str() : "(none)");
    std::printf("title: \"%s\"\nnumbering base: %u\npayload at: %lld\n", PrintableBytes(c.title).c_str(),
                c.numberingBase, (long long)c.payloadStart);
    std::printf("switches: %s\n", MadeWithBuiltInStub(file.Reader(), c.payloadStart)
                                      ? "/quiet (or /S), /passive, /log=PATH, /? (or /help); exit codes 0, 87, 112, "
                                        "1602, 1603, 3010"
                                      : "not known to this ssinst (its stub is not this version's)");
    ProgramReport program;
    if (CheckInstallerProgram(file.Reader(), file.Size(), c, path, &program)) PrintProgram(program);
    // An uninstaller's entries point into its installer: what it holds of
    // each file is the checksum its bytes must have to be removed.
    std::printf("%5s %10s %10s %10s  %-6s  %-6s %s\n", "index", c.uninstaller ? "checksum" : "offset", "stored",
                "installed", "how", "ext", "target");
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const PayloadEntry& e = c.entries[i];
        std::string target = Printable(CreatedPath(NamesFrom(c, path), (int)i, c.numberingBase, e));
        if ((int)i == c.check.entry) target = "(damaged: " + DescribeCheck(c.check) + ")";
        char first[16];
        if (!c.uninstaller) std::snprintf(first, sizeof first, "%10u", e.offset);
        else if (i < c.checksums.size()) std::snprintf(first, sizeof first, "  %08x", c.checksums[i]);
        else std::snprintf(first, sizeof first, "%10s", "(cut)");
        std::printf("%5zu %s %10u %10u  %-6s  %-6s %s\n", i, first, e.storedSize, InstalledSize(e),
                    e.unpackedSize ? "packed" : "stored", PrintableBytes(e.extension, kExtensionSize).c_str(),
                    target.empty() ? "(refused: unsafe name)" : target.c_str());
    }
    // The stub's verdict: it installs nothing from a payload that fails it.
    const std::string problem = c.check.problem != kPayloadSound ? DescribeCheck(c.check) : RecordProblem(c);
    if (!problem.empty()) return Fail(path + ": damaged: " + problem);
    if (!c.uninstaller && !InstallerNamesUsable(path))
        return Fail(path + ": its name gives no name to install the screen saver under");
    return kExitOk;
}

int Verify(const ParsedArgs& a) {
    if (a.operands.size() != 1) return Usage("verify", "it takes one installer");
    const std::string& path = a.operands[0];
    std::string error;
    Verdict v;
    if (!VerifyInstaller(path, &v, &error)) return Fail(error);
    for (const std::string& p : v.stubProblems) std::printf("stub:  damaged: %s\n", Printable(p).c_str());
    if (v.stubProblems.empty()) std::printf("stub:  sound (its layout rules and its manifest)\n");
    if (v.programChecked) PrintProgram(v.program);
    if (v.uninstaller) std::printf("an uninstaller: the files its installation wrote, as it names them\n");
    for (size_t i = 0; i < v.entries.size(); ++i) {
        const EntryVerdict& e = v.entries[i];
        char sizes[64];
        if (e.entry.unpackedSize)
            std::snprintf(sizes, sizeof sizes, "packed %u <- %u", e.entry.storedSize, e.entry.unpackedSize);
        else
            std::snprintf(sizes, sizeof sizes, "stored %u", e.entry.storedSize);
        std::printf("%5zu  %-24s %-40s %s\n", i, sizes, e.target.empty() ? "(no target)" : Printable(e.target).c_str(),
                    e.problem.empty() ? "sound" : ("damaged: " + e.problem).c_str());
    }
    if (!v.payloadProblem.empty()) std::printf("payload: damaged: %s\n", Printable(v.payloadProblem).c_str());
    const bool sound = v.Sound();
    std::printf("%s: %s\n", path.c_str(), sound ? "sound" : "DAMAGED");
    return sound ? kExitOk : kExitFailure;
}

int Extract(const ParsedArgs& a) {
    const std::string dir = a.Value("-C");
    if (a.operands.size() != 1 || dir.empty()) return Usage("extract", "it takes one installer and -C DIR");
    ExtractOptions options;
    options.overwrite = a.Has("--overwrite");
    std::vector<std::string> written;
    std::string error;
    {
        std::unique_ptr<Progress> progress;
        options.progress = [&](uint64_t done, uint64_t total) {
            if (!progress) progress.reset(new Progress("written", total));
            progress->Update(done);
        };
        const bool ok = ExtractInstaller(a.operands[0], dir, &written, &error, options);
        if (!ok) return Fail(error);
    }
    for (const std::string& w : written) std::printf("%s\n", Printable(w).c_str());
    return kExitOk;
}

int Help(const ParsedArgs& a);

const OptionSpec kBuildOptions[] = {{"-o", true},      {"--title", true}, {"--scr", true},     {"--dat", true},
                                    {"--file", true},  {"--base", true},  {"--store", false},  {"--pack", false},
                                    {"--strict", false}, {"--stub", true}, {"--project", true}, {nullptr, false}};
const OptionSpec kProjectOptions[] = {{"-o", true},      {"--title", true}, {"--scr", true},    {"--dat", true},
                                      {"--file", true},  {"--base", true},  {"--store", false}, {"--pack", false},
                                      {"--strict", false}, {"--force", false}, {nullptr, false}};
const OptionSpec kExtractOptions[] = {{"-C", true}, {"--overwrite", false}, {nullptr, false}};
const OptionSpec kFixStubOptions[] = {{"-o", true}, {nullptr, false}};
const OptionSpec kNoOptions[] = {{nullptr, false}};

struct Command {
    const char* name;
    const char* summary;  // its line in ssinst --help
    const char* help;     // what ssinst COMMAND --help prints
    const OptionSpec* options;
    int (*run)(const ParsedArgs&);
};

const Command kCommands[] = {
    {"build", "write an installer from files, or from a project file",
     "usage: ssinst build -o OUT.exe --title TITLE --scr F.SCR --dat F.DAT [--file X]...\n"
     "                    [--base N] [--store | --pack] [--strict] [--stub STUB]\n"
     "       ssinst build --project FILE.ssproj [the options above]\n"
     "\n"
     "Writes an installer: the stub up to its marker, then the payload. The\n"
     "screen saver is installed under the installer's name (Forest.exe installs\n"
     "FOREST.SCR), so OUT ends in .exe.\n"
     "\n"
     "  -o OUT.exe          the installer to write; the one there stays until\n"
     "                      the new one is whole\n"
     "  --title TITLE       the title its messages show, 32 characters at most\n"
     "  --scr F.SCR         the screen-saver program\n"
     "  --dat F.DAT         its main data file\n"
     "  --file X            a further data file; once for each, in order\n"
     "  --base N            the number of the first further file (0 to 65535;\n"
     "                      2 unless given): FILE0002.BMP\n"
     "  --pack              packs each file with LZHUF where that makes it\n"
     "                      smaller (the default)\n"
     "  --store             stores every file as it is\n"
     "  --strict            makes any warning a failure, and nothing is written\n"
     "                      (strict = yes in a project file)\n"
     "  --stub STUB         the stub to build on: $SSINST_STUB unless given, then\n"
     "                      the stub built into ssinst\n"
     "  --project FILE      builds what a project file names; an option beside it\n"
     "                      wins over the file (the first --file starts its\n"
     "                      further files afresh)\n"
     "\n"
     "It warns of what will keep the screen saver from running where it is\n"
     "installed: a program that is no 32-bit Windows GUI program, a library it\n"
     "needs that Windows does not include, a library among the further files\n"
     "(nothing looks for it in the data folder).\n",
     kBuildOptions, Build},
    {"project", "write a project file from build's options",
     "usage: ssinst project FILE.ssproj [--force] [the options of build but --stub\n"
     "                      and --project]\n"
     "\n"
     "Writes a project file from build's options, its paths relative to its\n"
     "folder; ssinst build --project FILE.ssproj builds it, and ssinstw opens it.\n"
     "A file that is there already stays as it is.\n"
     "\n"
     "  --force             replaces a project file that is there, with these\n"
     "                      options alone\n",
     kProjectOptions, WriteProjectFile},
    {"list", "print what an installer or an uninstaller holds",
     "usage: ssinst list INSTALLER\n"
     "\n"
     "Prints the title, the numbering base, the program's name in the Screen\n"
     "Saver Settings, its machine and the libraries it needs (with the first\n"
     "Windows that has each, where later than Windows 95), findings that keep\n"
     "it from running, then one line per entry: index, offset, bytes stored,\n"
     "bytes installed, stored or packed, extension, target (below the Windows\n"
     "directory, for an installer run from a directory without '.'). Checks\n"
     "the payload as the installer does and flags a damaged entry.\n"
     "An uninstaller (UNINSTAL.EXE beside an installation's data files) lists\n"
     "its removal record and the files its installation wrote, each with the\n"
     "checksum it must still have to be removed. Exit 1 for a file that is no\n"
     "installer, or a damaged one.\n",
     kNoOptions, List},
    {"extract", "write an installer's files below a folder",
     "usage: ssinst extract INSTALLER -C DIR [--overwrite]\n"
     "\n"
     "Writes every entry below DIR (standing for the Windows directory) under\n"
     "the names the installer itself would use, after checking the whole\n"
     "installer as it does. Follows no link inside DIR. An uninstaller holds\n"
     "no files, and is refused.\n"
     "\n"
     "  -C DIR              the folder to write below\n"
     "  --overwrite         replaces files that are there (never writing through\n"
     "                      a link); without it, each stays and the run fails\n",
     kExtractOptions, Extract},
    {"verify", "check an installer as the installer would, and more",
     "usage: ssinst verify INSTALLER\n"
     "\n"
     "Checks an installer as the installer itself would, and more: the layout\n"
     "of its stub part, the entry table, each entry's bounds and sizes, and\n"
     "every packed stream, decoded to nowhere. A stream that decodes to other\n"
     "bytes than were packed can't be told (the format keeps no checksum); one\n"
     "that needs more bits than it stores, or whose last match runs past its\n"
     "size, can, and so can entries whose bytes lie on the stub part, the\n"
     "table or another entry, and streams with bytes after their end.\n"
     "An uninstaller is checked by the very checks it runs before it removes\n"
     "anything (in a Windows directory C:\\WINDOWS): its record, the names in\n"
     "it, its table and its files' checksums.\n"
     "Exit 0 sound; 1 damaged, or no installer.\n",
     kNoOptions, Verify},
    {"check-stub", "report a stub's layout rules",
     "usage: ssinst check-stub STUB\n"
     "\n"
     "Reports each layout rule of the stub, its manifest among them, as held\n"
     "or broken. Exit 0 when all hold.\n",
     kNoOptions, CheckStub},
    {"fix-stub", "lay a freshly linked stub out as the rules want",
     "usage: ssinst fix-stub IN -o OUT\n"
     "\n"
     "Lays the resource section of a freshly linked stub out with the marker's\n"
     "data last, marks its first section as code, and checks the result.\n"
     "\n"
     "  -o OUT              the stub to write\n",
     kFixStubOptions, FixStub},
    {"help", "print a command's help",
     "usage: ssinst help [COMMAND]\n"
     "\n"
     "Prints the command's help, as ssinst COMMAND --help does; without one,\n"
     "the list of commands.\n",
     kNoOptions, Help},
};

const char kOverviewEnd[] =
    "\n"
    "ssinst help COMMAND (or ssinst COMMAND --help) prints a command's options.\n"
    "Options take their value as the next argument or after '=' (--title=Forest);\n"
    "'--' ends the options, so that a file name may start with '-'.\n"
    "ssinst --version prints the version and the built-in stub.\n"
    "\n"
    "exit status: 0 done; 1 a file is missing, unreadable, refused or damaged,\n"
    "or no installer; 2 usage.\n";

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

int Overview() {
    std::printf("usage: ssinst COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : kCommands) std::printf("  %-12s %s\n", c.name, c.summary);
    std::fputs(kOverviewEnd, stdout);
    return kExitOk;
}

int Help(const ParsedArgs& a) {
    if (a.operands.empty()) return Overview();
    const Command* c = a.operands.size() == 1 ? FindCommand(a.operands[0]) : nullptr;
    if (!c) return Usage("help", a.operands.size() == 1 ? "no command " + a.operands[0] : "it takes one command");
    std::fputs(c->help, stdout);
    return kExitOk;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage(nullptr, "no command given");
    const std::string cmd = argv[1];
    if (IsHelpArgument(cmd)) return argc == 2 ? Overview() : Usage(nullptr, cmd + " takes nothing after it");
    if (cmd == "--version") return argc == 2 ? Version() : Usage(nullptr, "--version takes nothing after it");
    const Command* c = FindCommand(cmd);
    if (!c) return Usage(nullptr, "unknown command " + cmd);
    if (AsksForHelp(argc - 2, argv + 2)) {
        std::fputs(c->help, stdout);
        return kExitOk;
    }
    ParsedArgs a;
    const std::string problem = ParseArgs(c->options, argc - 2, argv + 2, &a);
    if (!problem.empty()) return Usage(c->name, problem);
    return c->run(a);
}

}  // namespace

// A failed write to standard output (a full disk) fails the run: what was
// asked for did not arrive. A closed pipe ends it as it ends any program
// (SIGPIPE), as `ssinst list X | head -1` expects.
int Finished(int code) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "ssinst: standard output: %s\n", std::strerror(errno ? errno : EIO));
        return kExitFailure;
    }
    return code;
}

int Main(int argc, char** argv) {
#ifndef _WIN32
    // A file-size limit fails the write ("File too large"), which is
    // reported; it must not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    RemoveTemporaryFileOnInterrupt();
    // No command ends on an exception: memory that can't be had, or any
    // other failure, is one line and exit 1.
    try {
        return Finished(Run(argc, argv));
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

#ifdef _WIN32
// Windows gives the arguments as UTF-16; the tool takes paths as UTF-8, so
// that a name may hold any character Windows allows.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    std::vector<char*> argv;
    for (int i = 0; i < argc; ++i) args.push_back(Utf8(std::u16string(wargv[i], wargv[i] + wcslen(wargv[i]))));
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return Main(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Main(argc, argv); }
#endif
