// ssinst: builds screen-saver installers from a stub and files, lists what
// an installer holds, and checks a stub's layout.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>

#include <csignal>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "authoring/readers.h"
#include "payload/locator.h"

namespace {

enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

const char kUsage[] =
    "usage: ssinst COMMAND [ARGS]   (ssinst --version: the version and the built-in stub)\n"
    "\n"
    "commands:\n"
    "  build -o OUT.exe --title TITLE [--base N] [--stub STUB] [--store] [--strict]\n"
    "        --scr F.SCR --dat F.DAT [--file X ...]\n"
    "      Writes an installer: the stub up to its marker, then the payload. The\n"
    "      installed screen saver is named after OUT (Forest.exe installs\n"
    "      FOREST.SCR). --base is the number of the first extra file (default 2).\n"
    "      STUB defaults to $SSINST_STUB, then the stub built into ssinst. Each file\n"
    "      is packed with LZHUF when that makes it smaller; --store stores all.\n"
    "      It warns of what will keep the screen saver from running where it is\n"
    "      installed: a program that is no 32-bit Windows GUI program, a library\n"
    "      it needs that Windows does not include, a library among the further\n"
    "      files (nothing looks for it in the data folder). --strict (strict = yes\n"
    "      in a project file) makes any warning a failure, and nothing is written.\n"
    "  build --project FILE.ssproj [the flags above]\n"
    "      Builds what a project file names; a flag beside it wins over the file\n"
    "      (the first --file starts its further files afresh).\n"
    "  project FILE.ssproj [the flags of build]\n"
    "      Writes a project file from build's flags, its paths relative to it.\n"
    "  list INSTALLER\n"
    "      Prints the title, the numbering base, the program's name in the Screen\n"
    "      Saver Settings, its machine and the libraries it needs (with the first\n"
    "      Windows that has each, where later than Windows 95), findings that\n"
    "      keep it from running, then one line per entry: index,\n"
    "      offset, stored size, unpacked size, extension, target (below the\n"
    "      Windows directory, for an installer run from a directory without '.').\n"
    "      Checks the payload as the installer does and flags a damaged entry.\n"
    "      An uninstaller (UNINSTAL.EXE beside an installation's data files)\n"
    "      lists its removal record and the files its installation wrote.\n"
    "  extract INSTALLER -C DIR [--overwrite]\n"
    "      Writes every entry below DIR (standing for the Windows directory) under\n"
    "      the names the installer itself would use. Follows no link inside DIR;\n"
    "      a file that is there is kept unless --overwrite replaces it.\n"
    "  verify INSTALLER\n"
    "      Checks an installer as the installer itself would, and more: the\n"
    "      layout of its stub part, the entry table, each entry's bounds and\n"
    "      sizes, and every packed stream, decoded to nowhere. A stream that\n"
    "      decodes to other bytes than were packed can't be told (the format\n"
    "      keeps no checksum); one that needs more bits than it stores, or whose\n"
    "      last match runs past its size, can, and so can entries whose bytes\n"
    "      lie on the stub part, the table or another entry, and streams with\n"
    "      bytes after their end. An uninstaller: its stub part, its record and\n"
    "      its table, as the uninstaller checks them. Exit 0 sound, 1 damaged.\n"
    "  check-stub STUB\n"
    "      Reports each layout rule of the stub, its manifest among them, as held\n"
    "      or broken.\n"
    "  fix-stub IN -o OUT\n"
    "      Lays the resource section of a freshly linked stub out with the\n"
    "      marker's data last, marks its first section as code, and checks\n"
    "      the result.\n"
    "\n"
    "exit status: 0 done, 1 a file is missing, unreadable, refused or damaged,\n"
    "2 usage.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "ssinst: %s\n\n%s", problem, kUsage);
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ssinst: %s\n", message.c_str());
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

int CheckStub(int argc, char** argv) {
    if (argc != 1) return Usage("check-stub takes one stub");
    PeImage image;
    std::string error;
    if (!LoadImage(argv[0], &image, &error)) return Fail(error);
    return PrintRules(argv[0], image);
}

int FixStub(int argc, char** argv) {
    std::string in, out;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc) out = argv[++i];
        else if (in.empty()) in = argv[i];
        else return Usage("fix-stub takes one input");
    }
    if (in.empty() || out.empty()) return Usage("fix-stub needs IN and -o OUT");
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
bool ApplyFlags(int argc, char** argv, Project* p, std::string* stub, const char* command) {
    bool files = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        const bool path = a == "-o" || a == "--scr" || a == "--dat" || a == "--file" || a == "--stub" || a == "--project";
        if (path && hasValue && !*argv[i + 1])
            return Usage((std::string(command) + ": " + a + " names no file").c_str()), false;
        if (a == "-o" && hasValue) p->output = argv[++i];
        else if (a == "--title" && hasValue) p->title = argv[++i], p->hasTitle = true;
        else if (a == "--stub" && hasValue && stub) *stub = argv[++i];
        else if (a == "--project" && hasValue && stub) ++i;  // read already
        else if (a == "--strict") p->strict = true;
        else if (a == "--store") p->pack = false;
        else if (a == "--pack") p->pack = true;
        else if (a == "--scr" && hasValue) p->program = argv[++i];
        else if (a == "--dat" && hasValue) p->data = argv[++i];
        else if (a == "--file" && hasValue) {
            if (!files) p->files.clear();
            files = true;
            p->files.push_back(argv[++i]);
        } else if (a == "--base" && hasValue) {
            if (!ParseNumberingBase(argv[++i], &p->numberingBase)) return Usage("--base takes a number from 0 to 65535"), false;
        } else {
            return Usage((std::string(command) + ": unknown or incomplete option " + a).c_str()), false;
        }
    }
    return true;
}

int Build(int argc, char** argv) {
    Project project;
    std::string stub, error;
    // A project first, wherever its flag stands.
    for (int i = 0; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--project") && !ReadProject(argv[i + 1], &project, &error)) return Fail(error);
    if (!ApplyFlags(argc, argv, &project, &stub, "build")) return kExitUsage;
    const std::string missing = MissingFromProject(project);
    if (!missing.empty()) return Usage(("build: " + missing + " (-o, --title, --scr, --dat, or a --project)").c_str());
    std::vector<uint8_t> stubBytes;
    std::string stubName;
    if (!LoadStub(stub, &stubBytes, &stubName, &error)) return Fail("stub: " + error);
    const ProjectPlan plan = PlanProject(project);
    for (const std::string& w : plan.warnings) std::fprintf(stderr, "ssinst: warning: %s\n", w.c_str());
    uint64_t total = 0;
    for (const PlannedEntry& e : plan.entries) total += e.size;
    Progress progress("packed", total);
    BuildControl control;
    if (project.pack) control.progress = [&](uint64_t done, uint64_t) { progress.Update(done); };
    if (!BuildProject(project, stubBytes, stubName, control, nullptr, &error)) return Fail(error);
    return kExitOk;
}

std::string Printable(const char* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && s[i]; ++i) {
        unsigned char c = (unsigned char)s[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') out += (char)c;
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

int WriteProjectFile(int argc, char** argv) {
    if (argc < 1) return Usage("project takes a project file, then the flags of build");
    Project project;
    std::string error;
    if (!ApplyFlags(argc - 1, argv + 1, &project, nullptr, "project")) return kExitUsage;
    if (!WriteProject(argv[0], project, &error)) return Fail(error);
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
    std::printf("program: %s\n", DescribeProgram(program).c_str());
    for (const std::string& f : program.findings) std::printf("program: %s\n", f.c_str());
}

int List(int argc, char** argv) {
    if (argc != 1) return Usage("list takes one installer");
    SourceFile file;
    std::string error;
    if (!file.Open(argv[0], &error)) return Fail(error);
    if (file.Size() >= kNoPosition)
        return Fail(std::string(argv[0]) + ": " + std::to_string(file.Size()) + " bytes: an installer ends before " +
                    std::to_string(kNoPosition) + " bytes");
    InstallerContents c;
    if (!ReadInstaller(file.Reader(), &c, &error)) return Fail(std::string(argv[0]) + ": " + error);
    if (c.uninstaller)
        std::printf("uninstaller of %s and QUORBEL\\SSAVERS\\%s\nscreen saver it set: %s\nthe one before: %s\n",
                    c.record.program, c.record.base, c.record.written,
                    c.record.previous[0] ? c.record.previous : "(none)");
    std::printf("title: \"%s\"\nnumbering base: %u\npayload at: %lld\n",
                Printable(c.title, kTitleSize).c_str(), c.numberingBase, (long long)c.payloadStart);
    std::printf("switches: %s\n", MadeWithBuiltInStub(file.Reader(), c.payloadStart)
                                      ? "/quiet (or /S), /passive, /log=PATH, /? (or /help); exit codes 0, 87, 112, "
                                        "1602, 1603, 3010"
                                      : "not known to this ssinst (its stub is not this version's)");
    ProgramReport program;
    if (CheckInstallerProgram(file.Reader(), file.Size(), c, argv[0], &program)) PrintProgram(program);
    // An uninstaller's entries point into its installer: what it holds of
    // each file is the checksum its bytes must have to be removed.
    std::printf("%5s %10s %10s %10s  %-6s %s\n", "index", c.uninstaller ? "checksum" : "offset", "stored", "unpacked",
                "ext", "target");
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const PayloadEntry& e = c.entries[i];
        std::string target = CreatedPath(NamesFrom(c, argv[0]), (int)i, c.numberingBase, e);
        if ((int)i == c.check.entry) target = "(damaged: " + DescribeCheck(c.check) + ")";
        char first[16];
        if (!c.uninstaller) std::snprintf(first, sizeof first, "%10u", e.offset);
        else if (i < c.checksums.size()) std::snprintf(first, sizeof first, "  %08x", c.checksums[i]);
        else std::snprintf(first, sizeof first, "%10s", "(cut)");
        std::printf("%5zu %s %10u %10u  %-6s %s\n", i, first, e.storedSize, e.unpackedSize,
                    Printable(e.extension, kExtensionSize).c_str(),
                    target.empty() ? "(refused: unsafe name)" : target.c_str());
    }
    // The stub's verdict: it installs nothing from a payload that fails it.
    if (c.check.problem != kPayloadSound) {
        std::fprintf(stderr, "ssinst: %s: damaged: %s\n", argv[0], DescribeCheck(c.check).c_str());
        return kExitFailure;
    }
    if (!RecordProblem(c).empty()) {
        std::fprintf(stderr, "ssinst: %s: damaged: %s\n", argv[0], RecordProblem(c).c_str());
        return kExitFailure;
    }
    if (!c.uninstaller && !InstallerNamesUsable(argv[0])) {
        std::fprintf(stderr, "ssinst: %s: its name gives no name to install the screen saver under\n",
                     argv[0]);
        return kExitFailure;
    }
    return kExitOk;
}

int Verify(int argc, char** argv) {
    if (argc != 1) return Usage("verify takes one installer");
    std::string error;
    Verdict v;
    if (!VerifyInstaller(argv[0], &v, &error)) return Fail(error);
    for (const std::string& p : v.stubProblems) std::printf("stub:  damaged: %s\n", p.c_str());
    if (v.stubProblems.empty()) std::printf("stub:  sound (its layout rules and its manifest)\n");
    if (v.programChecked) PrintProgram(v.program);
    if (v.uninstaller) std::printf("an uninstaller: the files its installation wrote, as it names them\n");
    for (size_t i = 0; i < v.entries.size(); ++i) {
        const EntryVerdict& e = v.entries[i];
        char sizes[64];
        if (e.entry.unpackedSize)
            std::snprintf(sizes, sizeof sizes, "packed %u -> %u", e.entry.storedSize, e.entry.unpackedSize);
        else
            std::snprintf(sizes, sizeof sizes, "stored %u", e.entry.storedSize);
        std::printf("%5zu  %-24s %-40s %s\n", i, sizes, e.target.empty() ? "(no target)" : e.target.c_str(),
                    e.problem.empty() ? "sound" : ("damaged: " + e.problem).c_str());
    }
    if (!v.payloadProblem.empty()) std::printf("payload: damaged: %s\n", v.payloadProblem.c_str());
    const bool sound = v.Sound();
    std::printf("%s: %s\n", argv[0], sound ? "sound" : "DAMAGED");
    return sound ? kExitOk : kExitFailure;
}

int Extract(int argc, char** argv) {
    std::string in, dir;
    ExtractOptions options;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-C") && i + 1 < argc) dir = argv[++i];
        else if (!std::strcmp(argv[i], "--overwrite")) options.overwrite = true;
        else if (in.empty()) in = argv[i];
        else return Usage("extract takes one installer");
    }
    if (in.empty() || dir.empty()) return Usage("extract needs INSTALLER and -C DIR");
    std::vector<std::string> written;
    std::string error;
    {
        std::unique_ptr<Progress> progress;
        options.progress = [&](uint64_t done, uint64_t total) {
            if (!progress) progress.reset(new Progress("written", total));
            progress->Update(done);
        };
        const bool ok = ExtractInstaller(in, dir, &written, &error, options);
        if (!ok) return Fail(error);
    }
    for (const std::string& w : written) std::printf("%s\n", w.c_str());
    return kExitOk;
}

}  // namespace

namespace {

int Run(int argc, char** argv) {
    if (argc < 2) return Usage("no command given");
    std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (cmd == "--version") return Version();
    if (cmd == "build") return Build(argc - 2, argv + 2);
    if (cmd == "project") return WriteProjectFile(argc - 2, argv + 2);
    if (cmd == "list") return List(argc - 2, argv + 2);
    if (cmd == "extract") return Extract(argc - 2, argv + 2);
    if (cmd == "verify") return Verify(argc - 2, argv + 2);
    if (cmd == "check-stub") return CheckStub(argc - 2, argv + 2);
    if (cmd == "fix-stub") return FixStub(argc - 2, argv + 2);
    return Usage(("unknown command " + cmd).c_str());
}

}  // namespace

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
        return Run(argc, argv);
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
