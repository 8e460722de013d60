#include "authoring/pe_image.h"

#include <algorithm>
#include <set>

#include "base/bytes.h"
#include "payload/locator.h"
#include "res/ids.h"
#include "authoring/xml.h"

namespace {

const uint32_t kSubdirectory = 0x80000000u;
const int kResourceDirectory = 2, kSecurityDirectory = 4, kRelocationDirectory = 5,
          kDebugDirectory = 6;
const char kMarkerType[] = MARKER_TYPE;
const uint32_t kMarkerId = MARKER_RESOURCE_ID, kMarkerLanguage = MARKER_LANGUAGE,
               kMarkerSize = MARKER_SIZE;

// Reads and writes of little-endian fields, bounded by the file.
bool Get16(const std::vector<uint8_t>& b, uint64_t off, uint32_t* v) {
    if (off + 2 > b.size()) return false;
    *v = GetLE16(&b[off]);
    return true;
}

bool Get32(const std::vector<uint8_t>& b, uint64_t off, uint32_t* v) {
    if (off + 4 > b.size()) return false;
    *v = GetLE32(&b[off]);
    return true;
}

bool Put32(std::vector<uint8_t>& b, uint64_t off, uint32_t v) {
    if (off + 4 > b.size()) return false;
    PutLE32(&b[off], v);
    return true;
}

// v rounded up to a multiple of a (a power of two, checked by Parse).
uint64_t AlignUp(uint64_t v, uint32_t a) { return (v + a - 1) & ~(uint64_t)(a - 1); }

bool PowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

// Walks the resource tree; `first` is true while every entry on the way
// down was the first of its directory.
class TreeWalker {
public:
    TreeWalker(PeImage& img, const PeSection& s) : img_(img), s_(s) {}

    bool Walk(uint32_t dirOffset, int level, bool first, std::string path[2],
              std::string* error) {
        uint32_t named, ids;
        uint64_t at = (uint64_t)s_.rawPointer + dirOffset;
        if (!Inside(dirOffset, 16) || !Get16(img_.bytes, at + 12, &named) ||
            !Get16(img_.bytes, at + 14, &ids) ||
            !Inside(dirOffset, 16 + 8 * (uint64_t)(named + ids))) {
            *error = "a resource directory lies outside the resource section";
            return false;
        }
        // A directory reached twice, or more entries than any stub has, is
        // a damaged (or hostile) tree, not something to walk through.
        if (!visited_.insert(dirOffset).second) {
            *error = "resource directories are shared or loop";
            return false;
        }
        entries_ += named + ids;
        if (entries_ > kMaxEntries) {
            *error = "the resource tree has more than " + std::to_string(kMaxEntries) + " entries";
            return false;
        }
        if (level == 1 && first) img_.markerIdCount = named + ids;
        if (level == 2 && first) img_.markerLanguageCount = named + ids;
        for (uint32_t k = 0; k < named + ids; ++k) {
            uint32_t id, offset;
            if (!Get32(img_.bytes, at + 16 + 8 * k, &id) ||
                !Get32(img_.bytes, at + 20 + 8 * k, &offset)) {
                *error = "resource directory entry lies outside the file";
                return false;
            }
            bool firstHere = first && k == 0;
            if (firstHere) {
                img_.firstOffset[level] = offset;
                img_.levelHasEntry[level] = true;
            }
            std::string label = Label(id);
            if (level == 0 && k == 0) {
                img_.firstRootNamed = (id & kSubdirectory) != 0;
                img_.firstRootName = label;
            }
            if (level < 2) {
                if (!(offset & kSubdirectory)) {
                    if (firstHere) continue;  // the rules checker reports it
                    *error = "resource tree has data above the language level";
                    return false;
                }
                path[level] = label;
                if (!Walk(offset & ~kSubdirectory, level + 1, firstHere, path, error))
                    return false;
            } else {
                if (offset & kSubdirectory) {
                    *error = "resource tree is deeper than three levels";
                    return false;
                }
                ResourceLeaf leaf;
                leaf.type = path[0];
                leaf.name = path[1];
                leaf.language = id;
                leaf.entryOffset = offset;
                uint64_t e = (uint64_t)s_.rawPointer + offset;
                if (!Inside(offset, 16) || !Get32(img_.bytes, e, &leaf.dataRva) ||
                    !Get32(img_.bytes, e + 4, &leaf.dataSize)) {
                    *error = "a resource data entry lies outside the resource section";
                    return false;
                }
                if (firstHere) marker_ = (int)img_.leaves.size();
                img_.leaves.push_back(leaf);
            }
        }
        return true;
    }
    int marker_ = -1;

private:
    // n bytes at `offset` of the section lie in its data and in the file.
    bool Inside(uint64_t offset, uint64_t n) const {
        return offset + n <= std::min(s_.rawSize, s_.virtualSize) &&
               (uint64_t)s_.rawPointer + offset + n <= img_.bytes.size();
    }
    std::string Label(uint32_t id) {
        if (!(id & kSubdirectory)) return "#" + std::to_string(id);
        uint32_t len, off = id & ~kSubdirectory;
        std::string name;
        uint64_t at = (uint64_t)s_.rawPointer + off;
        if (!Get16(img_.bytes, at, &len)) return "?";
        for (uint32_t i = 0; i < len; ++i) {
            uint32_t c;
            if (!Get16(img_.bytes, at + 2 + 2 * i, &c)) return "?";
            name += c >= 0x20 && c < 0x7F ? (char)c : '?';  // a name is printed as it is
        }
        return name;
    }
    static const uint32_t kMaxEntries = 4096;
    PeImage& img_;
    const PeSection& s_;
    std::set<uint32_t> visited_;
    uint32_t entries_ = 0;
};


}  // namespace

bool PeImage::Parse(std::vector<uint8_t> data, std::string* error) {
    bytes = std::move(data);
    fileSize = bytes.size();
    stop = kDamaged;  // unless it ends where it says otherwise
    uint32_t v, sectionCount, optionalSize, magic;
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') {
        stop = kNoProgram;
        *error = "not an executable (no MZ header)";
        return false;
    }
    Get32(bytes, 60, &peOffset);
    if (!Get32(bytes, peOffset, &v) || v != 0x00004550) {
        *error = "no PE signature";
        return false;
    }
    if (!Get16(bytes, peOffset + 6, &sectionCount) || !Get16(bytes, peOffset + 20, &optionalSize)) {
        *error = "PE header cut short";
        return false;
    }
    optionalHeaderOffset = peOffset + 24;
    if (!Get16(bytes, optionalHeaderOffset, &magic) || magic != 0x10B || optionalSize < 224) {
        stop = kNoProgram;
        *error = "not a 32-bit (PE32) image";
        return false;
    }
    Get32(bytes, optionalHeaderOffset + 16, &entryPoint);
    Get32(bytes, optionalHeaderOffset + 32, &sectionAlignment);
    Get32(bytes, optionalHeaderOffset + 36, &fileAlignment);
    Get32(bytes, optionalHeaderOffset + 92, &directoryCount);
    // What the loader takes; anything else would send the layout, and the
    // file it writes, anywhere.
    if (!PowerOfTwo(fileAlignment) || fileAlignment < 512 || fileAlignment > 65536) {
        *error = "the file alignment " + std::to_string(fileAlignment) +
                 " is not a power of two from 512 to 65536";
        return false;
    }
    if (!PowerOfTwo(sectionAlignment) || sectionAlignment < fileAlignment) {
        *error = "the section alignment " + std::to_string(sectionAlignment) +
                 " is not a power of two of at least the file alignment";
        return false;
    }
    uint64_t table = (uint64_t)optionalHeaderOffset + optionalSize;
    sections.clear();
    for (uint32_t i = 0; i < sectionCount; ++i) {
        uint64_t h = table + 40 * i;
        PeSection s;
        if (h + 40 > bytes.size()) {
            *error = "section table cut short";
            return false;
        }
        s.name.assign((const char*)&bytes[h], strnlen((const char*)&bytes[h], 8));
        s.headerOffset = (uint32_t)h;
        Get32(bytes, h + 8, &s.virtualSize);
        Get32(bytes, h + 12, &s.virtualAddress);
        Get32(bytes, h + 16, &s.rawSize);
        Get32(bytes, h + 20, &s.rawPointer);
        Get32(bytes, h + 36, &s.characteristics);
        if (s.name == ".rsrc" && resourceSection < 0) resourceSection = (int)sections.size();
        sections.push_back(s);
    }
    if (resourceSection < 0) {
        stop = kNoResources;
        *error = "no .rsrc section";
        return false;
    }
    const PeSection& rs = sections[resourceSection];
    if ((uint64_t)rs.rawPointer + std::min(rs.rawSize, rs.virtualSize) > bytes.size()) {
        *error = "the file ends inside its resource section";
        return false;
    }
    std::string path[2];
    TreeWalker w(*this, sections[resourceSection]);
    leaves.clear();
    if (!w.Walk(0, 0, true, path, error)) return false;
    markerLeaf_ = w.marker_;
    stop = kParsed;
    return true;
}

uint32_t PeImage::DataDirectoryRva(int index) const {
    uint32_t v = 0;
    if ((uint32_t)index < directoryCount) Get32(bytes, optionalHeaderOffset + 96 + 8 * index, &v);
    return v;
}

uint32_t PeImage::DataDirectorySize(int index) const {
    uint32_t v = 0;
    if ((uint32_t)index < directoryCount) Get32(bytes, optionalHeaderOffset + 100 + 8 * index, &v);
    return v;
}

int64_t PeImage::ResourceFilePosition(uint32_t rva) const {
    const PeSection& s = sections[resourceSection];
    if (rva < s.virtualAddress) return -1;
    return (int64_t)rva - s.virtualAddress + s.rawPointer;
}

int PeImage::MarkerLeaf() const { return markerLeaf_; }

int64_t PeImage::FilePosition(uint32_t rva) const {
    for (const PeSection& s : sections)
        if (rva >= s.virtualAddress && rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize))
            return (int64_t)rva - s.virtualAddress + s.rawPointer;
    return -1;
}

std::string PeImage::ResourceData(const ResourceLeaf& l) const {
    const int64_t at = ResourceFilePosition(l.dataRva);
    if (at < 0 || (uint64_t)at + l.dataSize > bytes.size()) return "";
    return std::string(bytes.begin() + at, bytes.begin() + at + l.dataSize);
}

std::string ManifestProblem(const std::string& text) {
    static const char kAsmV1[] = "urn:schemas-microsoft-com:asm.v1";
    XmlElement root;
    std::string error;
    if (!ParseXml(text, &root, &error)) return "the manifest is not well-formed UTF-8 XML: " + error;
    if (root.ns != kAsmV1 || root.name != "assembly" || root.Attribute("manifestVersion") != "1.0")
        return "the manifest's root is not an assembly of manifest version 1.0";
    // XP knows trustInfo in none of the namespaces of later systems' schema
    // and refuses it in the assembly's own; it ignores those of later ones.
    std::vector<const XmlElement*> asV1, levels;
    root.FindAll(kAsmV1, "trustInfo", &asV1);
    if (!asV1.empty()) return "the manifest has trustInfo in the asm.v1 namespace, which XP refuses";
    root.FindAll("urn:schemas-microsoft-com:asm.v2", "requestedExecutionLevel", &levels);
    root.FindAll("urn:schemas-microsoft-com:asm.v3", "requestedExecutionLevel", &levels);
    if (levels.size() != 1) return "the manifest does not ask for an execution level once";
    if (levels[0]->Attribute("level") != "requireAdministrator")
        return "the manifest asks for " + levels[0]->Attribute("level") + ", not requireAdministrator";
    return "";
}

std::vector<std::string> PeImage::ImportedDlls() const {
    const int kImportDirectory = 1;
    std::vector<std::string> names;
    int64_t at = FilePosition(DataDirectoryRva(kImportDirectory));
    for (; at >= 0; at += 20) {
        uint32_t nameRva;
        if (!Get32(bytes, (uint64_t)at + 12, &nameRva) || nameRva == 0) break;
        int64_t name = FilePosition(nameRva);
        if (name < 0) break;
        std::string n;
        for (uint64_t i = (uint64_t)name; i < bytes.size() && bytes[i]; ++i) n += (char)bytes[i];
        names.push_back(n);
    }
    return names;
}

namespace {

std::string ImageKind(const std::vector<uint8_t>& bytes) {
    uint32_t pe = 0, characteristics = 0;
    const bool dll = Get32(bytes, 0x3C, &pe) && Get16(bytes, (uint64_t)pe + 22, &characteristics) && (characteristics & 0x2000);
    return dll ? "a Windows library (DLL)" : "a Windows program";
}

}  // namespace

std::string NotAStub(const PeImage& img) {
    if (img.firstRootNamed && img.firstRootName == kMarkerType) return "";
    if (img.resourceSection < 0 || !img.levelHasEntry[0]) return ImageKind(img.bytes) + " without resources, so without the marker";
    return ImageKind(img.bytes) + " whose first resource type is " + img.firstRootName + ", not the marker's " + kMarkerType;
}

std::vector<RuleResult> CheckStubLayout(const PeImage& img) {
    std::vector<RuleResult> out;
    const PeSection& rs = img.sections[img.resourceSection];

    // 1: the resource section is last, and nothing follows its raw data.
    {
        RuleResult r{1, true, "the resource section is the last section and ends the file"};
        uint64_t end = (uint64_t)rs.rawPointer + rs.rawSize;
        for (const PeSection& s : img.sections)
            if (&s != &rs && s.rawSize && s.rawPointer >= rs.rawPointer) {
                r = {1, false, "section " + s.name + " lies after the resource section"};
            }
        if (r.held && img.resourceSection != (int)img.sections.size() - 1)
            r = {1, false, "the resource section is not the last in the section table"};
        if (r.held && img.fileSize != end)
            r = {1, false, std::to_string(img.fileSize > end ? img.fileSize - end : 0) +
                               " bytes follow the resource section's raw data (file " +
                               std::to_string(img.fileSize) + " bytes, section ends at " +
                               std::to_string(end) + ")"};
        if (r.held && img.DataDirectorySize(kRelocationDirectory))
            r = {1, false, "the image has relocation data"};
        if (r.held && img.DataDirectorySize(kDebugDirectory))
            r = {1, false, "the image has debug data"};
        if (r.held && img.DataDirectorySize(kSecurityDirectory))
            r = {1, false, "the image has certificate data"};
        out.push_back(r);
    }

    int m = img.MarkerLeaf();
    // 2: the marker's data is the last data item of the section.
    {
        RuleResult r{2, true, "the marker's data is the last resource data"};
        if (m < 0) {
            r = {2, false, "the first resource type has no data"};
        } else {
            const ResourceLeaf& mk = img.leaves[m];
            for (size_t i = 0; i < img.leaves.size(); ++i) {
                const ResourceLeaf& l = img.leaves[i];
                if ((int)i != m && (uint64_t)l.dataRva + l.dataSize > mk.dataRva)
                    r = {2, false, "the data of resource " + l.type + "/" + l.name +
                                       " lies after the marker's"};
            }
            uint64_t end = (uint64_t)mk.dataRva + mk.dataSize;
            if (r.held && (mk.dataRva < rs.virtualAddress ||
                           end > (uint64_t)rs.virtualAddress + std::min(rs.rawSize, rs.virtualSize)))
                r = {2, false, "the marker's data lies outside the resource section"};
        }
        out.push_back(r);
    }

    // 3: the marker type comes first: LASTRES, one resource 1000, one language 1033, 4 bytes.
    {
        RuleResult r{3, true, "LASTRES is the first resource type, holding 1000 in language 1033, 4 bytes"};
        int namedTypes = 0;
        std::vector<std::string> seen;
        for (const ResourceLeaf& l : img.leaves)
            if (l.type[0] != '#' && std::find(seen.begin(), seen.end(), l.type) == seen.end()) {
                seen.push_back(l.type);
                ++namedTypes;
            }
        if (!img.firstRootNamed || img.firstRootName != kMarkerType)
            r = {3, false, "the first resource type is " + img.firstRootName + ", not " + kMarkerType};
        else if (namedTypes != 1)
            r = {3, false, "there are other named resource types besides LASTRES"};
        else if (img.markerIdCount != 1)
            r = {3, false, "LASTRES holds " + std::to_string(img.markerIdCount) + " resources, not one"};
        else if (img.markerLanguageCount != 1)
            r = {3, false, "the marker has " + std::to_string(img.markerLanguageCount) +
                               " languages, not one"};
        else if (m < 0 || img.leaves[m].name != "#" + std::to_string(kMarkerId))
            r = {3, false, "the marker resource is not number 1000"};
        else if (img.leaves[m].language != kMarkerLanguage)
            r = {3, false, "the marker's language is " + std::to_string(img.leaves[m].language) +
                               ", not 1033"};
        else if (img.leaves[m].dataSize != kMarkerSize)
            r = {3, false, "the marker declares " + std::to_string(img.leaves[m].dataSize) +
                               " bytes, not 4"};
        out.push_back(r);
    }

    // 4: the first entries lead to a subdirectory, a subdirectory, a data entry.
    {
        RuleResult r{4, true, "the first entries lead to a directory, a directory and a data entry"};
        const char* what[3] = {"type", "name", "language"};
        for (int level = 0; level < 3 && r.held; ++level) {
            bool sub = (img.firstOffset[level] & kSubdirectory) != 0;
            if (!img.levelHasEntry[level])
                r = {4, false, std::string("the first ") + what[level] + " directory is empty"};
            else if (sub != (level < 2))
                r = {4, false, std::string("the first ") + what[level] + " entry leads to " +
                                   (sub ? "a directory" : "data")};
        }
        out.push_back(r);
    }

    // 5: one application manifest, administrator rights asked for in XML
    // that every system from XP on reads.
    {
        RuleResult r{5, true, "the manifest is well-formed UTF-8 XML and asks for administrator rights"};
        const ResourceLeaf* manifest = nullptr;
        int count = 0;
        for (const ResourceLeaf& l : img.leaves)
            if (l.type == "#24") manifest = &l, ++count;
        if (count != 1)
            r = {5, false,
                 count ? "there are " + std::to_string(count) + " manifests" : "there is no manifest"};
        else if (manifest->name != "#1")
            r = {5, false, "the manifest is resource " + manifest->name + ", not #1"};
        else if (std::string problem = ManifestProblem(img.ResourceData(*manifest)); !problem.empty())
            r = {5, false, problem};
        out.push_back(r);
    }

    // The stub's own locator must land on the marker's data.
    {
        MemoryReader reader(img.bytes);
        const FilePosition found = LocatePayloadIn(reader);
        const int64_t want = m >= 0 ? img.ResourceFilePosition(img.leaves[m].dataRva) : -2;
        RuleResult r{0, found != kNoPosition && found == want,
                     found == kNoPosition ? "the payload locator finds no marker"
                               : "the payload locator lands at file position " + std::to_string(found)};
        if (found != kNoPosition && found != want) r.detail += ", not at the marker's data";
        out.push_back(r);
    }
    return out;
}

bool MarkEntrySectionAsCode(PeImage& img, std::string* error) {
    const uint32_t kCode = 0x00000020, kExecute = 0x20000000, kRead = 0x40000000;
    for (PeSection& s : img.sections)
        if (img.entryPoint >= s.virtualAddress && img.entryPoint < s.virtualAddress + s.virtualSize) {
            s.name = ".text";
            s.characteristics = kCode | kExecute | kRead;
            static const char kName[8] = {'.', 't', 'e', 'x', 't', 0, 0, 0};
            std::copy(kName, kName + 8, img.bytes.begin() + s.headerOffset);
            Put32(img.bytes, s.headerOffset + 36, s.characteristics);
            return true;
        }
    *error = "no section holds the entry point";
    return false;
}

bool MoveMarkerLast(PeImage& img, std::string* error) {
    int m = img.MarkerLeaf();
    if (m < 0) {
        *error = "the first resource type has no data to move";
        return false;
    }
    PeSection& rs = img.sections[img.resourceSection];
    const uint32_t sectionEnd = rs.virtualAddress + std::min(rs.virtualSize, rs.rawSize);
    uint32_t dataStart = UINT32_MAX;
    for (const ResourceLeaf& l : img.leaves) {
        if (l.dataRva < rs.virtualAddress || (uint64_t)l.dataRva + l.dataSize > sectionEnd ||
            (uint64_t)img.ResourceFilePosition(l.dataRva) + l.dataSize > img.bytes.size()) {
            *error = "resource " + l.type + "/" + l.name + " has data outside the section";
            return false;
        }
        dataStart = std::min(dataStart, l.dataRva);
    }
    // The directories come first and stay where they are; the data after
    // them is laid out again.
    for (const ResourceLeaf& l : img.leaves)
        if ((uint64_t)rs.virtualAddress + l.entryOffset + 16 > dataStart) {
            *error = "resource " + l.type + "/" + l.name + " has its data entry among the data";
            return false;
        }
    // New order: every other item as it was, the marker last.
    std::vector<size_t> order;
    for (size_t i = 0; i < img.leaves.size(); ++i)
        if ((int)i != m) order.push_back(i);
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return img.leaves[a].dataRva < img.leaves[b].dataRva; });
    order.push_back((size_t)m);

    std::vector<uint8_t> laid;
    std::vector<uint32_t> newRva(img.leaves.size());
    uint32_t at = dataStart;
    for (size_t i : order) {
        const ResourceLeaf& l = img.leaves[i];
        while ((at - rs.virtualAddress) % 8) {
            laid.push_back(0);
            ++at;
        }
        newRva[i] = at;
        int64_t from = img.ResourceFilePosition(l.dataRva);
        laid.insert(laid.end(), img.bytes.begin() + from, img.bytes.begin() + from + l.dataSize);
        at += l.dataSize;
    }
    const uint32_t newVirtualSize = at - rs.virtualAddress;
    const uint64_t newRawSize = AlignUp(newVirtualSize, img.fileAlignment);
    const uint64_t dataFilePos = (uint64_t)img.ResourceFilePosition(dataStart);
    uint64_t imageSize = 0;
    for (const PeSection& s : img.sections)
        imageSize = std::max(imageSize, AlignUp((uint64_t)s.virtualAddress + std::max(s.virtualSize, 1u),
                                                img.sectionAlignment));
    if (imageSize > 0xFFFFFFFFu) {
        *error = "the image would pass 4 GiB";
        return false;
    }

    img.bytes.resize((size_t)rs.rawPointer + newRawSize, 0);
    std::fill(img.bytes.begin() + dataFilePos, img.bytes.end(), 0);
    std::copy(laid.begin(), laid.end(), img.bytes.begin() + dataFilePos);
    bool written = true;
    for (size_t i = 0; i < img.leaves.size(); ++i) {
        img.leaves[i].dataRva = newRva[i];
        written = Put32(img.bytes, (uint64_t)rs.rawPointer + img.leaves[i].entryOffset, newRva[i]) && written;
    }
    rs.virtualSize = newVirtualSize;
    rs.rawSize = (uint32_t)newRawSize;
    written = Put32(img.bytes, rs.headerOffset + 8, newVirtualSize) &&
              Put32(img.bytes, rs.headerOffset + 16, rs.rawSize) &&
              Put32(img.bytes, img.optionalHeaderOffset + 56, (uint32_t)imageSize) &&
              // checksum: not kept for executables
              Put32(img.bytes, img.optionalHeaderOffset + 64, 0) && written;
    if (img.DataDirectoryRva(kResourceDirectory) == rs.virtualAddress)
        written = Put32(img.bytes, img.optionalHeaderOffset + 100 + 8 * kResourceDirectory, newVirtualSize) &&
                  written;
    if (!written) *error = "a header of the image lies outside the file";
    return written;
}
