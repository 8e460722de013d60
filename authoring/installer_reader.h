// Reading installers back, and verifying them: through the stub's own
// payload reader, and further than the stub looks.
#ifndef AUTHORING_INSTALLER_READER_H
#define AUTHORING_INSTALLER_READER_H

#include <cstdint>
#include <string>
#include <vector>

#include "authoring/program_check.h"
#include "payload/format.h"
#include "payload/reader.h"
#include "payload/removal.h"
#include "payload/validate.h"

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
    // An uninstaller's verdict on itself: "" when it would run (see
    // UninstallerRefusal).
    std::string refusal;
};

// What a check found, in words: "entry 2 reaches past the end of the file".
std::string DescribeCheck(const PayloadCheck& c);
// What the uninstaller refuses beyond its table's check: its files'
// checksums cut short, or anything its own checks refuse; "" for none,
// and for an installer.
std::string RecordProblem(const InstallerContents& c);

// The entry's bytes as installed, into `out`: stored ones as they are,
// packed ones through the stub's decoder. False when the entry is damaged
// or the sink does not take them.
bool WriteEntry(ByteReader& installer, uint64_t installerSize, const PayloadEntry& e, ByteSink& out,
                std::string* error);
// The same into memory.
bool EntryContents(const std::vector<uint8_t>& installer, const PayloadEntry& e,
                   std::vector<uint8_t>* out, std::string* error);

// Whether a file is an installer or an uninstaller of this kind (see
// NotAStub); false with "not an installer: ..." for any other, and the
// reason for a file that can't be read.
bool IsInstallerFile(ByteReader& r, uint64_t size, std::string* error);

// Reads the header and the entry table through the stub's reader, and
// checks the payload as the stub does; an uninstaller's record and table
// as the uninstaller does. Refuses a table of more than kMostEntriesRead
// entries.
const size_t kMostEntriesRead = 1000000;
bool ReadInstaller(ByteReader& r, InstallerContents* out, std::string* error);

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
    // What Windows will make of the screen-saver program: information, for
    // the installer is not damaged by it.
    ProgramReport program;
    bool programChecked = false;
    std::vector<std::string> stubProblems;  // layout rules the stub part breaks
    std::string payloadProblem;             // the table's or the name's, "" when none
    std::vector<EntryVerdict> entries;
    bool Sound() const;
};
// False, with the reason, when the file is no installer at all (see
// IsInstallerFile). Reads the file in pieces.
bool VerifyInstaller(const std::string& path, Verdict* v, std::string* error);
// The same of an installer read through `reader`, `size` bytes long;
// `name` is for messages.
bool VerifyInstallerReader(ByteReader& reader, uint64_t size, const std::string& name, Verdict* v,
                           std::string* error);

// The check of an installer's program (entry 0), as CheckProgram makes it
// of the file it installs: a stored entry read in place, a packed one
// unpacked into memory, kLargestProgramChecked bytes at most. False when
// there is none to check: an uninstaller's, a damaged entry, a larger one.
const uint32_t kLargestProgramChecked = 64u << 20;
bool CheckInstallerProgram(ByteReader& r, uint64_t size, const InstallerContents& c, const std::string& installerName,
                           ProgramReport* out);

// Opens an installer or a stub to be read in pieces, and reads its stub
// part (its first kLargestStubPart bytes at most) for the layout checks.
// Refuses a file that 32-bit offsets can't address.
const size_t kLargestStubPart = 16u << 20;
class SourceFile;
struct PeImage;
bool OpenImage(const std::string& path, SourceFile* file, PeImage* image, std::string* error);

#endif
