// Writing installers and reading them back, for the authoring tool and the
// tests. Reading goes through the stub's own payload reader.
#ifndef AUTHORING_AUTHORING_H
#define AUTHORING_AUTHORING_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "authoring/project.h"
#include "payload/format.h"
#include "payload/reader.h"
#include "payload/removal.h"
#include "payload/validate.h"

// A file read whole; one that is larger than `limit` bytes, or is no
// regular file (a device, a FIFO), is refused without reading it all.
bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* out, std::string* error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error);

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
};

// The extension of a file name as an entry stores it: from its last '.' on
// (".BMP"), "" without one. False, with a reason, when it can't be stored.
bool ExtensionFor(const std::string& fileName, std::string* ext, std::string* error);

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

struct InstallerContents {
    // An uninstaller: its removal record, then its installer's header and
    // table, whose entries' offsets point into that installer.
    bool uninstaller = false;
    RemovalRecord record = {};
    // An uninstaller's checksum of each file its installation wrote, in
    // table order; fewer than the entries when the file is cut short.
    std::vector<uint32_t> checksums;
    FilePosition payloadStart = kNoPosition;
    char title[kTitleSize + 1] = {};
    uint16_t numberingBase = 0;
    std::vector<PayloadEntry> entries;
    bool terminated = false;     // false: the table ran into the end of the file
    uint32_t certificates = 0;   // where a signature's table starts; 0 unsigned
    PayloadCheck check = {};     // the stub's own check of the whole payload
};

// What a check found, in words: "entry 2 reaches past the end of the file".
std::string DescribeCheck(const PayloadCheck& c);
// What the uninstaller refuses beyond its table's check: its files'
// checksums cut short; "" for none, and for an installer.
std::string RecordProblem(const InstallerContents& c);

// The entry's bytes as installed, into `out`: stored ones as they are,
// packed ones through the stub's decoder. False when the entry is damaged
// or the sink does not take them.
bool WriteEntry(ByteReader& installer, uint64_t installerSize, const PayloadEntry& e, ByteSink& out,
                std::string* error);
// The same into memory.
bool EntryContents(const std::vector<uint8_t>& installer, const PayloadEntry& e,
                   std::vector<uint8_t>* out, std::string* error);

// Reads the header and the entry table through the stub's reader, and
// checks the payload as the stub does; an uninstaller's record and table
// as the uninstaller does. Refuses a table of more than kMostEntriesRead
// entries.
const size_t kMostEntriesRead = 1000000;
bool ReadInstaller(ByteReader& r, InstallerContents* out, std::string* error);

// Whether the stub would install under the names this installer file name
// gives (see UsableInstallerNames).
bool InstallerNamesUsable(const std::string& installerFileName);

// The entry's target below the Windows directory, for an installer with the
// given file name: "FOREST.SCR", "QUORBEL\SSAVERS\Forest\Forest.DAT", ...
// Empty when the stub would refuse the name.
std::string TargetPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                       const PayloadEntry& e);

// The same as Windows creates it: each name loses its trailing dots and
// spaces ("FILE0002.." is made as "FILE0002"). list, verify and extract
// show and write these.
std::string CreatedPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                        const PayloadEntry& e);

// Why Windows will not keep a stored extension as written, and what then
// ("" when it will): trailing dots or spaces are dropped (the file is
// created as `created`), and bytes from 0x80 on are letters of whatever
// code page the installing machine has.
std::string ExtensionCaveat(const std::string& ext, const std::string& created);

// The installer file name whose names the stub would write under: the
// file's own, or for an uninstaller its installer's, as its record has it.
std::string NamesFrom(const InstallerContents& c, const std::string& fileName);

// What `ssinst verify` finds. A packed entry whose stream decodes to other
// bytes than were packed can't be told without a checksum, which the format
// lacks; what can be told is: the stub part's layout, the table, each
// entry's bounds and sizes, and streams that need more bits than they store
// or whose last match runs past their size.
struct EntryVerdict {
    std::string target;   // below the Windows directory
    PayloadEntry entry;
    std::string problem;  // "" when sound
};
struct Verdict {
    bool uninstaller = false;               // the file is an uninstaller
    std::vector<std::string> stubProblems;  // layout rules the stub part breaks
    std::string payloadProblem;             // the table's or the name's, "" when none
    std::vector<EntryVerdict> entries;
    bool Sound() const;
};
// False, with the reason, when the file is no installer at all. Reads the
// file in pieces.
bool VerifyInstaller(const std::string& path, Verdict* v, std::string* error);

// Opens an installer or a stub to be read in pieces, and reads its stub
// part (its first kLargestStubPart bytes at most) for the layout checks.
// Refuses a file that 32-bit offsets can't address.
const size_t kLargestStubPart = 16u << 20;
class SourceFile;
struct PeImage;
bool OpenImage(const std::string& path, SourceFile* file, PeImage* image, std::string* error);

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

// A project's plan and its build, for both front ends: one set of rules,
// in one set of words.
struct PlannedEntry {
    std::string source;     // the input file
    std::string extension;  // as the entry stores it
    std::string target;     // below the Windows directory, as Windows creates it ("" without an output)
    uint64_t size = 0;      // the input's size
};
struct ProjectPlan {
    std::vector<PlannedEntry> entries;
    std::vector<std::string> problems;  // what stands in the way of a build; none: it can be built
    std::vector<std::string> warnings;  // what Windows will do otherwise than written
};
ProjectPlan PlanProject(const Project& p);

// The words of two rules a build holds an installer's inputs to.
// The title is text (UTF-8, as everywhere in the tool); the installer holds
// it as the 8-bit text its dialogs show, in Windows-1252, which has a byte
// for each character of Western European languages.
std::string TitleProblem(const std::string& title);
// The same rule, with the title's bytes as the installer holds them.
std::string InstallerTitle(const std::string& title, std::string* bytes);
std::string SizeProblem(const std::string& name, uint64_t size);

struct BuildControl {
    // Told the input bytes done and in all, now and then.
    std::function<void(uint64_t done, uint64_t total)> progress;
    // Once set, the build stops and the installer that was there stays.
    const std::atomic<bool>* stop = nullptr;
};
// Builds the project's installer through the one safe write. With
// `verdict`, the new file is checked as `ssinst verify` checks it before
// it takes the old one's place, and only a sound one does.
bool BuildProject(const Project& p, const std::vector<uint8_t>& stub, const std::string& stubName,
                  const BuildControl& control, Verdict* verdict, std::string* error);

#endif
