#include "tests/contract/contract.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "res/ids.h"

void Expect::That(bool ok, int line, const char* what) {
    if (!ok) failures_ += "line " + std::to_string(line) + ": " + what + "\n";
}

void Expect::Equal(long long got, long long want, int line, const char* what) {
    if (got != want)
        failures_ += "line " + std::to_string(line) + ": " + what + " is " + std::to_string(got) + ", not " +
                     std::to_string(want) + "\n";
}

void Expect::Equal(const std::string& got, const std::string& want, int line, const char* what) {
    if (got != want) failures_ += "line " + std::to_string(line) + ": " + what + " is \"" + got + "\", not \"" + want + "\"\n";
}

namespace {

// A whole file written and read through the seam; "<none>" when it can't be read.
bool Put(Platform& p, const std::string& path, const std::string& bytes) {
    FileHandle f = p.CreateForWrite(path.c_str());
    if (f == kNoFile) return false;
    const bool whole = p.Write(f, bytes.data(), (int)bytes.size()) == (int)bytes.size();
    p.Close(f);
    return whole;
}

std::string Get(Platform& p, const std::string& path) {
    FileHandle f = p.OpenRead(path.c_str());
    if (f == kNoFile) return "<none>";
    std::string out;
    char buf[4096];
    for (int n; (n = p.Read(f, buf, sizeof buf)) > 0;) out.append(buf, (size_t)n);
    p.Close(f);
    return out;
}

// A profile file's lines, without the blank ones: how a system lays the file
// out is its own, what it holds is what the installer relies on.
std::string Lines(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        if (end > at) out += text.substr(at, end - at) + "|";
        at = end + 2;
    }
    return out;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += n + "|";
    return out;
}

bool Is83(const std::string& name) {
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    return !base.empty() && base.size() <= 8 && ext.size() <= 3 && ext.find('.') == std::string::npos &&
           name.find(' ') == std::string::npos;
}

void WindowsDirectory(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    char dir[260];
    const unsigned n = p.WindowsDirectory(dir, sizeof dir);
    EXPECT_THAT(e, n >= 3 && n == std::strlen(dir));
    EXPECT_THAT(e, dir[1] == ':' && dir[2] == '\\');
    EXPECT_THAT(e, n == 3 || dir[n - 1] != '\\');  // no trailing backslash but at a root
    EXPECT_SAME(e, p.QueryPath(dir), kPathDirectory);
    // No room for the terminator: a failure, never a cut path.
    char small[260];
    EXPECT_SAME(e, p.WindowsDirectory(small, n), 0);
    EXPECT_SAME(e, small, "");
}

void ModuleFile(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    char path[260];
    const unsigned n = p.ModuleFileName(path, sizeof path);
    EXPECT_THAT(e, n > 3 && n == std::strlen(path));
    EXPECT_SAME(e, p.QueryPath(path), kPathFile);
    // The running program's own file opens for reading.
    EXPECT_SAME(e, Get(p, path).substr(0, 2), "MZ");
    char small[260];
    EXPECT_SAME(e, p.ModuleFileName(small, n), 0);
    EXPECT_SAME(e, small, "");
}

void WriteReadSeek(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string path = m.Scratch() + "\\a.bin";
    FileHandle f = p.CreateForWrite(path.c_str());
    EXPECT_THAT(e, f != kNoFile);
    if (f == kNoFile) return;
    EXPECT_SAME(e, p.Write(f, "hello world", 11), 11);
    EXPECT_SAME(e, p.Write(f, "", 0), 0);
    p.Close(f);
    EXPECT_SAME(e, p.QueryPath(path.c_str()), kPathFile);
    f = p.OpenRead(path.c_str());
    EXPECT_THAT(e, f != kNoFile);
    if (f == kNoFile) return;
    char buf[32];
    EXPECT_SAME(e, p.Read(f, buf, sizeof buf), 11);
    EXPECT_SAME(e, p.Read(f, buf, sizeof buf), 0);  // at the end
    EXPECT_SAME(e, p.Seek(f, 0, kSeekEnd), 11);
    EXPECT_SAME(e, p.Seek(f, 6, kSeekSet), 6);
    EXPECT_SAME(e, p.Read(f, buf, 5), 5);
    EXPECT_SAME(e, std::string(buf, 5), "world");
    EXPECT_SAME(e, p.Seek(f, 2, kSeekCur), 13);  // past the end is a position too
    EXPECT_SAME(e, p.Read(f, buf, 4), 0);
    // Past what 32 bits count: no position.
    EXPECT_SAME(e, p.Seek(f, 0xFFFFFFFFu, kSeekCur), kNoPosition);
    p.Close(f);
    // A second reader while one is open; creating empties the file.
    FileHandle a = p.OpenRead(path.c_str()), b = p.OpenRead(path.c_str());
    EXPECT_THAT(e, a != kNoFile && b != kNoFile);
    if (a != kNoFile) p.Close(a);
    if (b != kNoFile) p.Close(b);
    f = p.CreateForWrite(path.c_str());
    EXPECT_THAT(e, f != kNoFile);
    if (f != kNoFile) p.Close(f);
    EXPECT_SAME(e, Get(p, path), "");
}

void RefusedTargets(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string s = m.Scratch();
    EXPECT_SAME(e, p.CreateForWrite((s + "\\missing\\a.txt").c_str()), kNoFile);
    EXPECT_SAME(e, p.OpenRead((s + "\\missing.txt").c_str()), kNoFile);
    EXPECT_THAT(e, p.MakeDirectory((s + "\\dir").c_str()));
    EXPECT_SAME(e, p.CreateForWrite((s + "\\dir").c_str()), kNoFile);
    EXPECT_SAME(e, p.QueryPath((s + "\\dir").c_str()), kPathDirectory);
    // A read-only file is neither replaced nor removed.
    const std::string locked = s + "\\locked.txt";
    EXPECT_THAT(e, Put(p, locked, "keep"));
    m.SetReadOnly(locked);
    EXPECT_SAME(e, p.CreateForWrite(locked.c_str()), kNoFile);
    EXPECT_THAT(e, !p.RemoveFile(locked.c_str()));
    EXPECT_SAME(e, Get(p, locked), "keep");
}

void RemoveAndMakeDirectories(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string s = m.Scratch();
    EXPECT_THAT(e, Put(p, s + "\\gone.txt", "x"));
    EXPECT_THAT(e, p.RemoveFile((s + "\\gone.txt").c_str()));
    EXPECT_SAME(e, p.QueryPath((s + "\\gone.txt").c_str()), kPathMissing);
    EXPECT_THAT(e, !p.RemoveFile((s + "\\gone.txt").c_str()));
    EXPECT_THAT(e, p.MakeDirectory((s + "\\d").c_str()));
    EXPECT_THAT(e, !p.RemoveFile((s + "\\d").c_str()));  // not a file
    EXPECT_THAT(e, !p.MakeDirectory((s + "\\d").c_str()));  // there already
    EXPECT_THAT(e, !p.MakeDirectory((s + "\\no\\d").c_str()));  // no parent
    EXPECT_SAME(e, p.QueryPath((s + "\\no").c_str()), kPathMissing);
    EXPECT_THAT(e, p.MakeDirectory((s + "\\d\\e").c_str()));
    EXPECT_SAME(e, p.QueryPath((s + "\\d\\e").c_str()), kPathDirectory);
}

void NamesAsWindowsReadsThem(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string s = m.Scratch();
    EXPECT_THAT(e, Put(p, s + "\\Mixed Case.Txt", "m"));
    for (const char* name : {"\\MIXED CASE.TXT", "\\mixed case.txt.", "/Mixed Case.Txt", "\\x\\..\\Mixed Case.Txt",
                             "\\.\\Mixed Case.Txt"})
        EXPECT_SAME(e, p.QueryPath((s + name).c_str()), kPathFile);
    EXPECT_SAME(e, Get(p, s + "\\MIXED CASE.TXT"), "m");
    // A name's trailing dots and spaces are dropped when it is made.
    EXPECT_THAT(e, Put(p, s + "\\Trailing. .", "t"));
    EXPECT_SAME(e, Get(p, s + "\\Trailing"), "t");
    EXPECT_THAT(e, p.MakeDirectory((s + "\\Folder..").c_str()));
    EXPECT_SAME(e, p.QueryPath((s + "\\Folder").c_str()), kPathDirectory);
}

void ShortPaths(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string s = m.Scratch(), file = s + "\\Long File Name.text";
    EXPECT_THAT(e, Put(p, file, "long"));
    char out[260];
    const unsigned n = p.ShortPathName(file.c_str(), out, sizeof out);
    EXPECT_THAT(e, n > 3 && n == std::strlen(out));
    const std::string shortPath = out;
    // Every name in it 8.3, and it names the same file.
    for (size_t at = 3; at < shortPath.size();) {
        size_t end = shortPath.find('\\', at);
        if (end == std::string::npos) end = shortPath.size();
        EXPECT_THAT(e, Is83(shortPath.substr(at, end - at)));
        at = end + 1;
    }
    EXPECT_SAME(e, Get(p, shortPath), "long");
    EXPECT_SAME(e, p.ShortPathName(file.c_str(), out, n), 0);
    EXPECT_SAME(e, out, "");
    EXPECT_SAME(e, p.ShortPathName((s + "\\missing.txt").c_str(), out, sizeof out), 0);
    EXPECT_SAME(e, out, "");
}

void ProfileStrings(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string ini = m.Scratch() + "\\system.ini";
    EXPECT_THAT(e, Put(p, ini, "[boot]\r\nshell=Explorer.exe\r\n\r\n[386Enh]\r\nx=1\r\n"));
    EXPECT_THAT(e, p.WriteProfileValue("boot", "SCRNSAVE.EXE", "C:\\A.SCR", ini.c_str()));
    EXPECT_SAME(e, Lines(Get(p, ini)), "[boot]|shell=Explorer.exe|SCRNSAVE.EXE=C:\\A.SCR|[386Enh]|x=1|");
    // Replaced in place, the section and key matched without regard to
    // case, the key kept as it was written.
    EXPECT_THAT(e, p.WriteProfileValue("Boot", "scrnsave.exe", "C:\\B.SCR", ini.c_str()));
    EXPECT_SAME(e, Lines(Get(p, ini)), "[boot]|shell=Explorer.exe|SCRNSAVE.EXE=C:\\B.SCR|[386Enh]|x=1|");
    // A file that is not there is made.
    const std::string fresh = m.Scratch() + "\\fresh.ini";
    EXPECT_THAT(e, p.WriteProfileValue("boot", "SCRNSAVE.EXE", "C:\\A.SCR", fresh.c_str()));
    EXPECT_SAME(e, Lines(Get(p, fresh)), "[boot]|SCRNSAVE.EXE=C:\\A.SCR|");
    // A read-only file is not changed.
    m.SetReadOnly(fresh);
    EXPECT_THAT(e, !p.WriteProfileValue("boot", "SCRNSAVE.EXE", "C:\\C.SCR", fresh.c_str()));
    EXPECT_SAME(e, Lines(Get(p, fresh)), "[boot]|SCRNSAVE.EXE=C:\\A.SCR|");
    // A bare name is a file of the Windows directory.
    char dir[260];
    p.WindowsDirectory(dir, sizeof dir);
    const std::string bare = std::string(dir) + (dir[3] ? "\\" : "") + "contract.ini";
    EXPECT_THAT(e, p.WriteProfileValue("a", "b", "c", "contract.ini"));
    EXPECT_SAME(e, Lines(Get(p, bare)), "[a]|b=c|");
    EXPECT_THAT(e, p.RemoveFile(bare.c_str()));
}

// What removing an installed screen saver relies on.
void RemovalSupport(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const std::string s = m.Scratch();
    EXPECT_THAT(e, p.MakeDirectory((s + "\\full").c_str()) && Put(p, s + "\\full\\a.txt", "a") &&
                       Put(p, s + "\\full\\Long Name.data", "b") && p.MakeDirectory((s + "\\full\\sub").c_str()));
    // Every name but "." and "..", as written; the order is the system's.
    std::vector<std::string> names;
    EXPECT_THAT(e, p.ListFolder((s + "\\full").c_str(), [](void* c, const char* n) {
        static_cast<std::vector<std::string>*>(c)->push_back(n);
    }, &names));
    std::sort(names.begin(), names.end());
    EXPECT_SAME(e, Joined(names), "Long Name.data|a.txt|sub|");
    EXPECT_THAT(e, !p.ListFolder((s + "\\missing").c_str(), [](void*, const char*) {}, nullptr));
    // Removed at the next start, not now: a file, and a folder.
    EXPECT_THAT(e, p.RemoveAtRestart((s + "\\full\\a.txt").c_str()) && p.RemoveAtRestart((s + "\\full").c_str()));
    EXPECT_SAME(e, Get(p, s + "\\full\\a.txt"), "a");

    const std::string ini = s + "\\system.ini";
    char value[32];
    EXPECT_THAT(e, p.WriteProfileValue("boot", "SCRNSAVE.EXE", "C:\\A.SCR", ini.c_str()));
    EXPECT_SAME(e, p.ReadProfileValue("Boot", "scrnsave.exe", ini.c_str(), value, sizeof value), 8);
    EXPECT_SAME(e, value, "C:\\A.SCR");
    for (unsigned cap : {8u, 9u}) {  // no room for the terminator, or only just: a failure either way
        EXPECT_SAME(e, p.ReadProfileValue("boot", "SCRNSAVE.EXE", ini.c_str(), value, cap), 0);
        EXPECT_SAME(e, value, "");
    }
    EXPECT_SAME(e, p.ReadProfileValue("boot", "SCRNSAVE.EXE", ini.c_str(), value, 10), 8);
    EXPECT_SAME(e, p.ReadProfileValue("boot", "missing", ini.c_str(), value, sizeof value), 0);
    EXPECT_SAME(e, value, "");
    // No value removes the key, and the others stay.
    EXPECT_THAT(e, p.WriteProfileValue("boot", "other", "1", ini.c_str()) &&
                       p.WriteProfileValue("boot", "SCRNSAVE.EXE", nullptr, ini.c_str()));
    EXPECT_SAME(e, Lines(Get(p, ini)), "[boot]|other=1|");
    EXPECT_THAT(e, p.WriteProfileValue("boot", "missing", nullptr, ini.c_str()));

    const ProgramEntry entry = {{"Contract Screen Saver", "\"C:\\U.EXE\"", "\"C:\\U.EXE\" /quiet", "C:\\A.SCR", "C:\\"}, 12};
    EXPECT_THAT(e, p.WriteProgramEntry("SSINST-CONTRACT", entry));
    EXPECT_THAT(e, p.WriteProgramEntry("ssinst-contract", entry));  // the same entry, replaced
    // Its texts read back; a number, a missing value and one that does not
    // fit are "", an entry that is not there -1.
    char text[32] = "x";
    EXPECT_SAME(e, p.ReadProgramEntryText("ssinst-contract", "InstallLocation", text, sizeof text), 3);
    EXPECT_SAME(e, text, "C:\\");
    EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", "InstallLocation", text, 5), 3);
    for (const char* name : {"EstimatedSize", "Missing"}) {
        EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", name, text, sizeof text), 0);
        EXPECT_SAME(e, text, "");
    }
    EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", "InstallLocation", text, 4), 0);
    EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", "DisplayName", text, 22), 0);
    EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", "DisplayName", text, 23), 21);
    EXPECT_THAT(e, p.RemoveProgramEntry("SSINST-CONTRACT"));
    EXPECT_THAT(e, !p.RemoveProgramEntry("SSINST-CONTRACT"));  // not there any more
    EXPECT_SAME(e, p.ReadProgramEntryText("SSINST-CONTRACT", "InstallLocation", text, sizeof text), -1);
    EXPECT_SAME(e, text, "");

    // Renamed within a folder (the name it had is free again); one of a name
    // that is taken replaces it only when asked to.
    const std::string a = s + "\\full\\Long Name.data", b = s + "\\full\\b.txt";
    EXPECT_THAT(e, Put(p, b, "other"));
    EXPECT_THAT(e, !p.RenameFile(a.c_str(), b.c_str(), false));
    EXPECT_SAME(e, Get(p, b), "other");
    EXPECT_THAT(e, p.RenameFile(a.c_str(), b.c_str(), true));
    EXPECT_SAME(e, Get(p, b), "b");
    EXPECT_THAT(e, p.QueryPath(a.c_str()) == kPathMissing);
    EXPECT_THAT(e, p.RenameFile(b.c_str(), a.c_str(), false) && Get(p, a) == "b");
    EXPECT_THAT(e, !p.RenameFile(b.c_str(), (s + "\\full\\c.txt").c_str(), false));  // not there any more

    char line[1024];
    const unsigned n = p.CommandLine(line, sizeof line);
    EXPECT_THAT(e, n > 0 && n == std::strlen(line));
    EXPECT_SAME(e, p.CommandLine(line, n), 0);
    EXPECT_SAME(e, line, "");
    // The tests run as a person's account, never as the system's.
    EXPECT_THAT(e, !p.RunsAsSystemAccount());
}

void FreeSpace(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    Library kernel = p.LoadSystemLibrary("KERNEL32.DLL");
    EXPECT_THAT(e, kernel != 0);
    if (!kernel) return;
    const std::string drive = m.Scratch().substr(0, 3);
    for (const std::string& root : {drive, m.Scratch() + "\\"}) {
        uint64_t bytes = 0;
        DiskClusters c = {0, 0, 0};
        EXPECT_THAT(e, p.FreeBytesAvailable(kernel, root.c_str(), &bytes) && bytes > 0);
        EXPECT_THAT(e, p.FreeClusters(root.c_str(), &c) && c.sectorsPerCluster * c.bytesPerSector > 0);
    }
    // A drive or a folder that is not there answers nothing.
    for (const std::string& root : {std::string("Q:\\"), m.Scratch() + "\\missing\\"}) {
        uint64_t bytes;
        DiskClusters c;
        EXPECT_THAT(e, !p.FreeBytesAvailable(kernel, root.c_str(), &bytes));
        EXPECT_THAT(e, !p.FreeClusters(root.c_str(), &c));
    }
    p.ReleaseLibrary(kernel);
}

void SystemLibraries(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const struct {
        const char *name, *entry;
    } present[] = {{"KERNEL32.DLL", "GetDiskFreeSpaceExA"}, {"kernel32.dll", "GetDiskFreeSpaceA"},
                   // The system's own, with this entry point, whatever lies beside the program.
                   {"OPENGL32.DLL", "glGenTextures"}, {"GLU32.DLL", "gluPerspective"}};
    for (const auto& l : present) {
        Library lib = p.LoadSystemLibrary(l.name);
        EXPECT_THAT(e, lib != 0);
        if (!lib) continue;
        EXPECT_THAT(e, p.HasEntryPoint(lib, l.entry));
        EXPECT_THAT(e, !p.HasEntryPoint(lib, "NoSuchEntryPoint"));
        p.ReleaseLibrary(lib);
    }
    EXPECT_SAME(e, (long long)p.LoadSystemLibrary("NOSUCHLIBRARY.DLL"), 0);
}

void CopyBuffer(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    EXPECT_SAME(e, (long long)p.AllocateBuffer(kCopyBufferMax + 1), 0);
    void* b = p.AllocateBuffer(kCopyBufferMax);
    EXPECT_THAT(e, b != nullptr);
    if (!b) return;
    std::memset(b, 0xA5, kCopyBufferMax);
    p.FreeBuffer(b);
}

void MessageBoxAnswers(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    const struct {
        unsigned style;
        int answer;
    } cases[] = {{kMbYesNo | kMbIconQuestion, kIdNo}, {kMbYesNo | kMbIconQuestion, kIdYes},
                 {kMbOkCancel | kMbIconInformation, kIdCancel}, {kMbYesNoCancel | kMbIconQuestion, kIdCancel},
                 {kMbOk | kMbIconError, kIdOk}, {kMbOk | kMbIconExclamation, kIdOk}};
    for (const auto& c : cases) {
        m.WillAnswer(c.answer);
        EXPECT_SAME(e, p.ShowMessage("A question of the contract.", "Contract question", c.style), c.answer);
    }
}

// The dialog's side of the dialog case.
struct DialogRun {
    int inits = 0, commands = 0;
    uintptr_t command = 0;
    Rect first = {}, moved = {};
    bool rects = false;
};

int ContractDialogProc(Platform& p, Window dialog, unsigned msg, uintptr_t wParam, void* context) {
    DialogRun& run = *static_cast<DialogRun*>(context);
    if (msg == kMsgInitDialog) {
        ++run.inits;
        p.SetText(dialog, "Contract dialog");
        run.rects = p.GetWindowRect(dialog, &run.first);
        p.MoveWindow(dialog, 10, 20, run.first.right - run.first.left, run.first.bottom - run.first.top);
        run.rects = run.rects && p.GetWindowRect(dialog, &run.moved);
        p.PostCommand(dialog, kIdOk);
        return 1;
    }
    if (msg == kMsgCommand) {
        ++run.commands;
        run.command = wParam;
        p.PostCommand(dialog, kIdCancel);  // never delivered: the dialog has ended
        p.EndDialog(dialog, 42);
        return 1;
    }
    return 0;
}

void DialogPlumbing(ContractMachine& m, Expect& e) {
    Platform& p = m.platform();
    DialogRun run;
    EXPECT_SAME(e, p.RunDialog(IDD_ORDERING_INFO, ContractDialogProc, &run), 42);
    EXPECT_SAME(e, run.inits, 1);
    EXPECT_SAME(e, run.commands, 1);
    EXPECT_SAME(e, (long long)run.command, kIdOk);  // the whole wParam: a button's plain command
    EXPECT_THAT(e, run.rects && run.first.right > run.first.left && run.first.bottom > run.first.top);
    EXPECT_SAME(e, run.moved.left, 10);
    EXPECT_SAME(e, run.moved.top, 20);
    EXPECT_SAME(e, run.moved.right - run.moved.left, run.first.right - run.first.left);
    EXPECT_SAME(e, run.moved.bottom - run.moved.top, run.first.bottom - run.first.top);
    EXPECT_THAT(e, p.ScreenWidth() > 0 && p.ScreenHeight() > 0);
}

int g_creations;
int OnContractCreate(Platform&, void* context) {
    ++g_creations;
    return *static_cast<int*>(context);
}

void MainWindow(ContractMachine& m, Expect& e) {
    int code = 7;
    g_creations = 0;
    EXPECT_SAME(e, m.platform().RunMainWindow("ContractWindow", IDI_INSTALLER, OnContractCreate, &code), 7);
    EXPECT_SAME(e, g_creations, 1);
}

}  // namespace

const ContractCase kContractCases[] = {
    {"WindowsDirectory", WindowsDirectory},
    {"ModuleFile", ModuleFile},
    {"WriteReadSeek", WriteReadSeek},
    {"RefusedTargets", RefusedTargets},
    {"RemoveAndMakeDirectories", RemoveAndMakeDirectories},
    {"NamesAsWindowsReadsThem", NamesAsWindowsReadsThem},
    {"ShortPaths", ShortPaths},
    {"ProfileStrings", ProfileStrings},
    {"RemovalSupport", RemovalSupport},
    {"FreeSpace", FreeSpace},
    {"SystemLibraries", SystemLibraries},
    {"CopyBuffer", CopyBuffer},
    {"MessageBoxAnswers", MessageBoxAnswers},
    {"DialogPlumbing", DialogPlumbing},
    {"MainWindow", MainWindow},  // last: its message loop ends with the quit message
};
const int kContractCaseCount = (int)(sizeof kContractCases / sizeof kContractCases[0]);
