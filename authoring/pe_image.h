// Just enough of the PE format to check a stub's layout and to lay its
// resource section out so that the marker's data comes last.
#ifndef AUTHORING_PE_IMAGE_H
#define AUTHORING_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

struct PeSection {
    std::string name;
    uint32_t headerOffset;  // file position of the 40-byte header
    uint32_t virtualSize, virtualAddress, rawSize, rawPointer;
    uint32_t characteristics;
};

// One leaf of the resource tree.
struct ResourceLeaf {
    std::string type;       // "#3" for numeric types, the name otherwise
    std::string name;       // "#1000" or a name
    uint32_t language;
    uint32_t entryOffset;   // section offset of its 16-byte data entry
    uint32_t dataRva, dataSize;
};

struct PeImage {
    std::vector<uint8_t> bytes;  // the file, or its first part (see fileSize)
    uint64_t fileSize = 0;       // the whole file's; Parse sets the bytes' own
    uint32_t peOffset = 0;
    uint32_t optionalHeaderOffset = 0;
    uint32_t fileAlignment = 0, sectionAlignment = 0;
    uint32_t entryPoint = 0;
    uint32_t directoryCount = 0;
    std::vector<PeSection> sections;
    int resourceSection = -1;           // index into sections
    std::vector<ResourceLeaf> leaves;   // in tree order
    // The first entry at each level of the tree, as the stub's locator
    // takes it: its raw offset word, and for the root whether it is named.
    uint32_t firstOffset[3] = {0, 0, 0};
    bool levelHasEntry[3] = {false, false, false};
    bool firstRootNamed = false;
    std::string firstRootName;
    uint32_t markerIdCount = 0, markerLanguageCount = 0;
    int markerLeaf_ = -1;
    // How far Parse came, and so what a refused file is: no 32-bit Windows
    // program at all, one without resources, or one damaged in its headers.
    enum Stop { kParsed, kNoProgram, kNoResources, kDamaged };
    Stop stop = kParsed;

    // Reads the headers and the resource tree; false with a reason when the
    // file is not a PE32 image with a readable resource section.
    bool Parse(std::vector<uint8_t> data, std::string* error);

    uint32_t DataDirectoryRva(int index) const;
    uint32_t DataDirectorySize(int index) const;
    // File position of an RVA inside the resource section, or -1.
    int64_t ResourceFilePosition(uint32_t rva) const;
    // The leaf the locator lands on: first entry at every level; -1 if none.
    int MarkerLeaf() const;
    // The names of the DLLs the image imports from, as written.
    std::vector<std::string> ImportedDlls() const;
    // File position of any RVA, through the section that holds it; -1 if none.
    int64_t FilePosition(uint32_t rva) const;
    // A leaf's data as bytes; "" when it does not lie inside the file.
    std::string ResourceData(const ResourceLeaf& leaf) const;
};

struct RuleResult {
    int rule;           // 1 to 5; 0 for the locator cross-check
    bool held;
    std::string detail;
};

// "" when the image is a stub, or an installer or uninstaller built on one:
// its first resource type is the marker's. Else what it is instead, for
// "not an installer: ...": "a Windows library (DLL) whose first resource
// type is #3, not LASTRES". Of an image Parse refused for want of
// resources too.
std::string NotAStub(const PeImage& image);

// The stub's layout rules (the fifth: its manifest), then whether the
// payload locator lands on the marker's data.
std::vector<RuleResult> CheckStubLayout(const PeImage& image);

// What is wrong with an application manifest, or "" when it is well-formed
// UTF-8 XML whose assembly asks for administrator rights in a namespace
// that every Windows from XP on reads.
std::string ManifestProblem(const std::string& text);

// Names the section that holds the entry point .text and marks it as
// executable, readable code (the linker script merges the imports, code
// and constants into one section).
bool MarkEntrySectionAsCode(PeImage& image, std::string* error);

// Lays the resource data out again with the marker's data last, shrinks the
// section to what it holds and drops anything after it.
bool MoveMarkerLast(PeImage& image, std::string* error);

#endif
