#include "authoring/installer_reader.h"

#include <algorithm>
#include <cstring>

#include "lzhuf/decoder.h"
#include "payload/contents.h"
#include "payload/locator.h"
#include "authoring/files.h"
#include "authoring/installer_names.h"
#include "authoring/pe_image.h"
#include "authoring/readers.h"
#include "authoring/uninstaller_check.h"

namespace {

std::string ProblemText(PayloadProblem p) {
    switch (p) {
    case kPayloadSound: return "sound";
    case kPayloadNoTable: return "the payload ends inside its header";
    case kPayloadNoTerminator: return "the entry table runs into the end of the file";
    case kPayloadEmpty: return "it holds no entries";
    case kPayloadOutsideFile: return "reaches past the end of the file";
    case kPayloadTooLarge: return "unpacks to 2 GiB or more";
    case kPayloadUnsafeExtension: return "has an unsafe extension";
    case kPayloadRefused: break;
    }
    return "refused";
}


// The installer reader counts in 32 bits: bytes past that are out of its
// reach, as they are for the stub.
FilePosition SizeAsPosition(uint64_t size) {
    return size < kNoPosition ? (FilePosition)size : kNoPosition - 1;
}

// Why a file of `size` bytes is neither installer nor stub, where it is too
// large to be one.
bool TooLarge(uint64_t size, std::string* error) {
    if (size < kNoPosition) return false;
    *error = std::to_string(size) + " bytes: installers and stubs count their offsets in 32 bits and end before " +
             std::to_string(kNoPosition) + " bytes";
    return true;
}

}  // namespace

std::string DescribeCheck(const PayloadCheck& c) {
    std::string what = ProblemText(c.problem);
    return c.entry < 0 ? what : "entry " + std::to_string(c.entry) + " " + what;
}

bool WriteEntry(ByteReader& installer, uint64_t installerSize, const PayloadEntry& e, ByteSink& out,
                std::string* error) {
    const PayloadProblem p = CheckEntry(kEntryProgram, e, SizeAsPosition(installerSize));
    if (p != kPayloadSound) {
        *error = "the entry " + ProblemText(p);
        return false;
    }
    char buffer[65536];
    switch (WriteEntryContents(installer, e, out, buffer, sizeof buffer)) {
    case kEntryWritten: return true;
    case kEntryWriteFailed: *error = "write error"; break;
    case kEntryReadFailed: *error = "the installer could not be read"; break;
    default: *error = "the entry is damaged: its stream needs more bits than it stores"; break;
    }
    return false;
}

namespace {

class NullSink : public ByteSink {
public:
    int Write(const void*, int n) override { return n; }
};

// An entry as the stub would take it out: inside the file, and a stream
// that gives exactly its size from its own bytes.
std::string EntryProblem(ByteReader& reader, int index, const PayloadEntry& e, FilePosition limit) {
    const PayloadProblem p = CheckEntry(index, e, limit);
    if (p != kPayloadSound) return ProblemText(p);
    if (e.unpackedSize == 0) return "";
    if (reader.Seek(e.offset, kSeekSet) != e.offset) return "the installer could not be read there";
    NullSink nowhere;
    LzhufDecoder& d = SharedDecoder();
    switch (d.Decode(reader, nowhere, e.unpackedSize, e.storedSize)) {
    case kLzhufOk: break;
    case kLzhufOverrun: return "its stream needs more bits than it stores";
    case kLzhufReadFailed: return "the installer could not be read there";
    default: return "its stream can't be read";
    }
    if (d.Produced() != e.unpackedSize) return "its stream's last match runs past its unpacked size";
    // A stream the packer wrote ends with its last stored byte (one byte is
    // the least it stores); bytes after its end carry nothing the installer
    // writes.
    if (d.Consumed() < e.storedSize && e.storedSize > 1)
        return "its stream ends after " + std::to_string(d.Consumed()) + " of its " + std::to_string(e.storedSize) +
               " stored bytes";
    return "";
}

std::string Span(uint64_t from, uint64_t to) {
    return "bytes " + std::to_string(from) + " to " + std::to_string(to - 1);
}

// Where each entry's stored bytes lie on bytes the installer holds for
// something else: the stub part, the header and table, another entry ("" for
// none). The entries in the order of their offsets: each is held against
// the one that reaches furthest among those before it.
std::vector<std::string> OverlapProblems(const InstallerContents& c) {
    const std::vector<PayloadEntry>& es = c.entries;
    std::vector<std::string> out(es.size());
    const uint64_t tableEnd = (uint64_t)c.payloadStart + kHeaderSize + kEntrySize * (es.size() + 1);
    auto end = [&](size_t i) { return (uint64_t)es[i].offset + es[i].storedSize; };
    std::vector<size_t> order(es.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return es[a].offset < es[b].offset; });
    size_t furthest = SIZE_MAX;
    for (size_t i : order) {
        const uint64_t from = es[i].offset, to = end(i);
        const std::string mine = "its " + Span(from, to);
        if (from < c.payloadStart)
            out[i] = mine + " lie in the stub part (" + Span(0, c.payloadStart) + ")";
        else if (from < tableEnd && to > c.payloadStart)
            out[i] = mine + " overlap the header and entry table (" + Span(c.payloadStart, tableEnd) + ")";
        else if (furthest != SIZE_MAX && end(furthest) > from) {
            out[i] = mine + " overlap entry " + std::to_string(furthest) + " (" + Span(es[furthest].offset, end(furthest)) + ")";
            if (out[furthest].empty())
                out[furthest] = "its " + Span(es[furthest].offset, end(furthest)) + " overlap entry " + std::to_string(i) +
                                " (" + Span(from, to) + ")";
        }
        if (furthest == SIZE_MAX || end(i) > end(furthest)) furthest = i;
    }
    return out;
}

}  // namespace

bool OpenImage(const std::string& path, SourceFile* file, PeImage* image, std::string* error) {
    if (!file->Open(path, error)) return false;
    if (TooLarge(file->Size(), error)) {
        *error = path + ": " + *error;
        return false;
    }
    std::vector<uint8_t> start;
    if (!file->ReadStart(kLargestStubPart, &start, error)) return false;
    if (!image->Parse(std::move(start), error)) {
        *error = path + ": " + *error;
        return false;
    }
    image->fileSize = file->Size();
    return true;
}

namespace {

// The stub part of a file `size` bytes long, its first kLargestStubPart
// bytes at most, parsed; refused when it is no stub's.
bool ReadStubPart(ByteReader& reader, uint64_t size, PeImage* image, std::string* error) {
    if (TooLarge(size, error)) return false;
    std::vector<uint8_t> start((size_t)std::min<uint64_t>(size, kLargestStubPart));
    if (reader.Seek(0, kSeekSet) != 0 || !ReadExactly(reader, start.data(), (int)start.size())) {
        *error = "could not be read";
        return false;
    }
    const bool parsed = image->Parse(std::move(start), error);
    if (image->stop == PeImage::kDamaged) {
        *error = "not an installer, or one damaged in its headers: " + *error;
        return false;
    }
    image->fileSize = size;
    const std::string other = image->stop == PeImage::kNoProgram ? *error : NotAStub(*image);
    if (!other.empty()) *error = "not an installer: " + other;
    return parsed && other.empty();
}

}  // namespace

bool IsInstallerFile(ByteReader& r, uint64_t size, std::string* error) {
    PeImage image;
    return ReadStubPart(r, size, &image, error);
}

bool VerifyInstallerReader(ByteReader& reader, uint64_t size, const std::string& name, Verdict* v, std::string* error) {
    *v = Verdict();
    PeImage image;
    if (!ReadStubPart(reader, size, &image, error)) {
        *error = name + ": " + *error;
        return false;
    }
    // The payload follows the resource section (and a signature may follow
    // it), so rule 1 is the stub's alone.
    for (const RuleResult& r : CheckStubLayout(image))
        if (!r.held && r.rule != 1) v->stubProblems.push_back(r.detail);
    // Past its stub part, what can't be read is the verdict, beside the
    // stub part's.
    InstallerContents c;
    if (!ReadInstaller(reader, &c, error)) {
        v->payloadProblem = *error;
        error->clear();
        return true;
    }
    const FilePosition limit = PayloadLimit(SizeAsPosition(size), c.certificates);
    const std::vector<std::string> overlaps = OverlapProblems(c);
    v->uninstaller = c.uninstaller;
    for (size_t i = 0; i < c.entries.size(); ++i) {
        // An uninstaller holds its installer's table, not the entries' bytes:
        // its entries are as sound as its own check finds them.
        EntryVerdict e{CreatedPath(NamesFrom(c, name), (int)i, c.numberingBase, c.entries[i]), c.entries[i],
                       !c.uninstaller                ? EntryProblem(reader, (int)i, c.entries[i], limit)
                       : (int)i == c.check.entry ? ProblemText(c.check.problem)
                                                   : ""};
        if (e.problem.empty() && !c.uninstaller) e.problem = overlaps[i];
        v->entries.push_back(e);
    }
    if (c.check.problem != kPayloadSound && c.check.entry < 0) v->payloadProblem = DescribeCheck(c.check);
    if (v->payloadProblem.empty()) v->payloadProblem = RecordProblem(c);
    if (!c.uninstaller && !InstallerNamesUsable(name))
        v->payloadProblem = "its name gives no name to install the screen saver under";
    v->programChecked = v->entries.size() && v->entries[0].problem.empty() &&
                        CheckInstallerProgram(reader, size, c, name, &v->program);
    return true;
}

namespace {

// A part of a file, `size` bytes from `offset`, as a file of its own.
class PartReader : public ByteReader {
public:
    PartReader(ByteReader& r, uint32_t offset, uint32_t size) : r_(r), offset_(offset), size_(size) {}
    int Read(void* buf, int n) override {
        if (n < 0 || r_.Seek(offset_ + at_, kSeekSet) != offset_ + at_) return -1;
        const int got = r_.Read(buf, (int)std::min<uint32_t>((uint32_t)n, size_ - at_));
        if (got > 0) at_ += (uint32_t)got;
        return got;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        const uint64_t base = origin == kSeekSet ? 0 : origin == kSeekCur ? at_ : size_;
        if (base + offset > size_) return kNoPosition;
        return at_ = (uint32_t)(base + offset);
    }

private:
    ByteReader& r_;
    uint32_t offset_, size_, at_ = 0;
};

}  // namespace

bool CheckInstallerProgram(ByteReader& r, uint64_t size, const InstallerContents& c, const std::string& installerName,
                           ProgramReport* out) {
    if (c.uninstaller || c.entries.empty()) return false;
    const PayloadEntry& e = c.entries[kEntryProgram];
    if (CheckEntry(kEntryProgram, e, PayloadLimit(SizeAsPosition(size), c.certificates)) != kPayloadSound) return false;
    const std::string name = CreatedPath(installerName, kEntryProgram, c.numberingBase, e);
    if (!e.unpackedSize) {
        PartReader part(r, e.offset, e.storedSize);
        *out = CheckProgram(part, e.storedSize, name.empty() ? "the program" : name);
        return true;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (e.unpackedSize > kLargestProgramChecked) return false;
    bytes.reserve(e.unpackedSize);
    VectorSink sink(&bytes);
    if (!WriteEntry(r, size, e, sink, &error)) return false;
    MemoryReader memory(bytes);
    *out = CheckProgram(memory, bytes.size(), name.empty() ? "the program" : name);
    return true;
}

bool VerifyInstaller(const std::string& path, Verdict* v, std::string* error) {
    SourceFile file;
    if (!file.Open(path, error)) return false;
    return VerifyInstallerReader(file.Reader(), file.Size(), path, v, error);
}

bool Verdict::Sound() const {
    bool sound = stubProblems.empty() && payloadProblem.empty();
    for (const EntryVerdict& e : entries) sound = sound && e.problem.empty();
    return sound;
}

bool EntryContents(const std::vector<uint8_t>& installer, const PayloadEntry& e,
                   std::vector<uint8_t>* out, std::string* error) {
    out->clear();
    out->reserve(std::min<uint32_t>(InstalledSize(e), 64u << 20));
    VectorSink sink(out);
    MemoryReader reader(installer);
    return WriteEntry(reader, installer.size(), e, sink, error);
}

bool ReadInstaller(ByteReader& r, InstallerContents* out, std::string* error) {
    *out = InstallerContents();
    ImagePlaces places = {};
    out->payloadStart = LocatePayloadIn(r, &places);
    out->certificates = places.certificates;
    if (out->payloadStart == kNoPosition) {
        *error = "no payload marker: not an installer built on this stub, or damaged in its headers";
        return false;
    }
    ReadTitleAt(r, out->title);
    FilePosition table = out->payloadStart;
    if (IsRemovalMark(out->title)) {
        out->uninstaller = true;
        r.Seek(table, kSeekSet);
        const int version = RemovalMarkVersion(out->title);
        if (version != kRemovalRecordVersion) {
            *error = "an uninstaller whose removal record is of version " + std::to_string(version) + ", which this ssinst (version " +
                     std::to_string(kRemovalRecordVersion) + ") does not read";
            return false;
        }
        if (!ReadRemovalRecord(r, &out->record)) {
            *error = "an uninstaller whose removal record is damaged";
            return false;
        }
        table += kRemovalRecordSize;
        ReadTitleAt(r, out->title);
    }
    r.Seek(table, kSeekSet);
    EntryWalk walk(r);
    if (!walk.Begin()) {
        *error = "the payload ends inside its header";
        return false;
    }
    out->numberingBase = walk.NumberingBase();
    PayloadEntry e;
    EntryWalk::Step step;
    while ((step = walk.Next(&e)) == EntryWalk::kEntry) {
        // Memory stays bounded whatever a table claims: no installer that
        // was ever built holds nearly so many files.
        if (out->entries.size() == kMostEntriesRead) {
            *error = "its table has more than " + std::to_string(kMostEntriesRead) + " entries, more than ssinst reads";
            return false;
        }
        out->entries.push_back(e);
    }
    out->terminated = step == EntryWalk::kTerminator;
    // An uninstaller's checksums follow its table.
    unsigned char sum[kChecksumSize];
    while (out->uninstaller && out->terminated && out->checksums.size() < out->entries.size() &&
           ReadExactly(r, sum, kChecksumSize))
        out->checksums.push_back(GetLE32(sum));
    const FilePosition size = r.Seek(0, kSeekEnd);
    r.Seek(table, kSeekSet);
    out->check = ValidatePayload(r, out->uninstaller ? kNoPosition - 1 : PayloadLimit(size, out->certificates));
    if (out->uninstaller) out->refusal = UninstallerRefusal(r);
    return true;
}

std::string RecordProblem(const InstallerContents& c) {
    if (!c.uninstaller) return "";
    return c.checksums.size() < c.entries.size() ? "its files' checksums are cut short" : c.refusal;
}

std::string NamesFrom(const InstallerContents& c, const std::string& fileName) {
    return c.uninstaller ? std::string(c.record.base) + ".exe" : fileName;
}

