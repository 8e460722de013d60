#include "authoring/authoring.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/sizes.h"
#include "install/names.h"
#include "install/targets.h"
#include "lzhuf/decoder.h"
#include "payload/contents.h"
#include "payload/locator.h"
#include "payload/validate.h"
#include "authoring/files.h"
#include "authoring/packer.h"
#include "authoring/pe_image.h"
#include "authoring/readers.h"

bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* out, std::string* error) {
    SourceFile f;
    if (!f.Open(path, error)) return false;
    if (f.Size() > limit || f.Size() > SIZE_MAX) {
        *error = path + ": more than " + std::to_string(limit) + " bytes, more than it can be";
        return false;
    }
    return f.ReadStart((size_t)f.Size(), out, error);
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
    SafeWrite out;
    if (!out.Open(path, error)) return false;
    for (size_t at = 0; at < data.size();) {
        const int n = (int)std::min<size_t>(data.size() - at, 1 << 20);
        if (out.Write(data.data() + at, n) != n) break;  // Commit names the failure
        at += (size_t)n;
    }
    return out.Commit(data.size() >= 2 && data[0] == 'M' && data[1] == 'Z', error);
}

bool ExtensionFor(const std::string& fileName, std::string* ext, std::string* error) {
    size_t slash = fileName.find_last_of("/\\");
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    size_t dot = base.rfind('.');
    *ext = dot == std::string::npos ? "" : base.substr(dot);
    if (ext->size() > kExtensionSize) {
        *error = fileName + ": the extension " + *ext + " is longer than 4 characters (with its '.')";
        return false;
    }
    // The rule the stub applies when it names the file.
    PayloadEntry e = {};
    std::memcpy(e.extension, ext->data(), ext->size());
    char checked[kExtensionSize + 1];
    if (!EntryExtension(e, checked)) {
        *error = fileName + ": the extension holds a character a file name can't have";
        return false;
    }
    return true;
}

namespace {

// An installer in memory.
class VectorOutput : public OutputFile {
public:
    explicit VectorOutput(std::vector<uint8_t>* v) : v_(*v) { v_.clear(); }
    int Write(const void* buf, int n) override {
        const uint8_t* b = static_cast<const uint8_t*>(buf);
        if (at_ + (size_t)n > v_.size()) v_.resize(at_ + (size_t)n);
        std::copy(b, b + n, v_.begin() + (long)at_);
        at_ += (size_t)n;
        return n;
    }
    bool SeekTo(uint64_t at) override { return at_ = (size_t)at, true; }
    bool Truncate(uint64_t size) override { return v_.resize((size_t)size), true; }
    int ReadAt(uint64_t at, void* buf, int n) override {
        const size_t take = at < v_.size() ? std::min<size_t>((size_t)n, v_.size() - (size_t)at) : 0;
        std::copy(v_.begin() + (long)at, v_.begin() + (long)(at + take), static_cast<uint8_t*>(buf));
        return (int)take;
    }
    uint64_t Size() const override { return v_.size(); }
    bool Failed() const override { return false; }

private:
    std::vector<uint8_t>& v_;
    size_t at_ = 0;
};

// What an output holds, as a reader.
class OutputReader : public ByteReader {
public:
    explicit OutputReader(OutputFile& out) : out_(out) {}
    int Read(void* buf, int n) override {
        const int got = out_.ReadAt(at_, buf, n);
        if (got > 0) at_ += (uint64_t)got;
        return got;
    }
    FilePosition Seek(uint32_t offset, SeekOrigin origin) override {
        const uint64_t base = origin == kSeekSet ? 0 : origin == kSeekCur ? at_ : out_.Size();
        if (base + offset >= kNoPosition) return kNoPosition;
        at_ = base + offset;
        return (FilePosition)at_;
    }

private:
    OutputFile& out_;
    uint64_t at_ = 0;
};

// An input file's bytes: from memory, or read from its path in pieces.
class InputSource {
public:
    bool Open(const InputFile& f, std::string* error) {
        if (f.path.empty()) {
            memory_.reset(new MemoryReader(f.bytes));
            size_ = f.bytes.size();
            return true;
        }
        file_.reset(new SourceFile);
        if (!file_->Open(f.path, error)) return false;
        size_ = file_->Size();
        return true;
    }
    ByteReader& Reader() { return memory_ ? static_cast<ByteReader&>(*memory_) : file_->Reader(); }
    uint64_t Size() const { return size_; }

private:
    std::unique_ptr<MemoryReader> memory_;
    std::unique_ptr<SourceFile> file_;
    uint64_t size_ = 0;
};

// Takes what is written and holds it against an input, byte for byte.
class ComparingSink : public ByteSink {
public:
    explicit ComparingSink(ByteReader& expected) : expected_(expected) {}
    int Write(const void* buf, int n) override {
        const uint8_t* b = static_cast<const uint8_t*>(buf);
        for (int done = 0; done < n;) {
            uint8_t want[4096];
            const int take = std::min(n - done, (int)sizeof want);
            if (expected_.Read(want, take) != take || !std::equal(want, want + take, b + done)) same_ = false;
            done += take;
        }
        return n;
    }
    bool Same() const { return same_; }

private:
    ByteReader& expected_;
    bool same_ = true;
};

bool Copy(ByteReader& in, uint64_t size, ByteSink& out) {
    std::vector<uint8_t> buffer(1 << 16);
    for (uint64_t done = 0; done < size;) {
        const int want = (int)std::min<uint64_t>(buffer.size(), size - done);
        if (in.Read(buffer.data(), want) != want || out.Write(buffer.data(), want) != want) return false;
        done += (uint64_t)want;
    }
    return true;
}

// Writes one file's entry at the output's end: its stream when packing
// makes it smaller (checked by unpacking it again), else the file as it is.
bool WriteFileEntry(const InstallerRecipe& recipe, const InputFile& f, uint64_t done, OutputFile& out,
                    PayloadEntry* e, std::string* error) {
    InputSource source;
    if (!source.Open(f, error)) return false;
    const uint64_t size = source.Size(), start = out.Size();
    const std::string readError = f.path.empty() ? f.name + ": could not be read" : SystemError(f.path);
    e->offset = (uint32_t)start;
    e->unpackedSize = 0;
    if (recipe.pack) {
        PackOptions options;
        if (recipe.progress) options.progress = [&](uint64_t n) { recipe.progress(done + n); };
        const int64_t packed = PackLzhufStream(source.Reader(), size, out, options);
        if (packed < 0) {
            *error = out.Failed() ? "" : readError;
            return false;
        }
        if ((uint64_t)packed < size) {
            InputSource again;
            OutputReader stream(out);
            if (!again.Open(f, error)) return false;
            if (stream.Seek((uint32_t)start, kSeekSet) != start) {
                *error = "the installer being written could not be read back";
                return false;
            }
            ComparingSink same(again.Reader());
            if (SharedDecoder().Decode(stream, same, (uint32_t)size, (uint32_t)packed) != kLzhufOk || !same.Same() ||
                SharedDecoder().Produced() != size) {
                *error = f.name + ": internal error: the packed stream does not unpack to the file";
                return false;
            }
            e->storedSize = (uint32_t)packed;
            e->unpackedSize = (uint32_t)size;
            return true;
        }
        // Packing does not pay: the file as it is, in the stream's place.
        if (!out.Truncate(start) || !out.SeekTo(start)) return false;
        if (source.Reader().Seek(0, kSeekSet) != 0) {
            *error = readError;
            return false;
        }
    }
    if (!Copy(source.Reader(), size, out)) {
        *error = out.Failed() ? "" : readError;
        return false;
    }
    e->storedSize = (uint32_t)size;
    return true;
}

}  // namespace

std::string InstallerTitle(const std::string& title, std::string* bytes) {
    // Windows-1252 from 0x80 to 0x9F; 0 where it has no character.
    static const uint16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    const std::u16string u = Utf16(title);
    std::string out;
    for (size_t i = 0; i < u.size(); ++i) {
        const char16_t c = u[i];
        int b = c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? c : -1;
        for (int k = 0; b < 0 && k < 32; ++k)
            if (kHigh[k] == c) b = 0x80 + k;
        if (b < 0) {
            const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size();
            return "the title holds \"" + Utf8(u.substr(i, pair ? 2 : 1)) +
                   "\", which an installer's title (Windows-1252 text) can't hold";
        }
        out += (char)b;
    }
    if (out.size() > kTitleSize) return "the title is " + std::to_string(out.size()) + " bytes; at most 32 fit";
    if (bytes) *bytes = out;
    return "";
}

std::string TitleProblem(const std::string& title) { return InstallerTitle(title, nullptr); }

std::string SizeProblem(const std::string& name, uint64_t size) {
    if (size == 0) return name + ": the file is empty, and an installer can't hold an empty file";
    if (size > kLargestUnpackedSize)
        return name + ": " + std::to_string(size) + " bytes: files of 2 GiB or more can't be installed";
    return "";
}

bool BuildInstallerTo(const std::vector<uint8_t>& stub, const InstallerRecipe& recipe, OutputFile& o,
                      std::string* error) {
    PeImage image;
    if (!image.Parse(stub, error)) {
        *error = recipe.stubName + ": " + *error;
        return false;
    }
    for (const RuleResult& r : CheckStubLayout(image))
        if (!r.held) {
            *error = recipe.stubName + " breaks its layout rules: " + r.detail + " (see ssinst check-stub)";
            return false;
        }
    MemoryReader reader(image.bytes);
    const FilePosition start = LocatePayloadIn(reader);
    std::string title;
    if (!(*error = InstallerTitle(recipe.title, &title)).empty()) return false;
    if (recipe.files.size() < 2) {
        *error = "an installer needs the screen-saver program and its .DAT file";
        return false;
    }
    // Every input's size first, before anything is written.
    for (const InputFile& f : recipe.files) {
        InputSource source;
        if (!source.Open(f, error)) return false;
        // A stored size of 0 would end the entry table there.
        if (!(*error = SizeProblem(f.name, source.Size())).empty()) return false;
    }

    o.Write(image.bytes.data(), (int)start);
    unsigned char header[kHeaderSize] = {};
    std::memcpy(header, title.data(), title.size());
    PutLE16(header + kTitleSize, recipe.numberingBase);
    o.Write(header, sizeof header);
    // The table is filled in once every entry's place and size are known.
    const uint64_t table = o.Size();
    const std::vector<uint8_t> zeros(kEntrySize * (recipe.files.size() + 1), 0);
    o.Write(zeros.data(), (int)zeros.size());

    std::vector<PayloadEntry> entries(recipe.files.size());
    uint64_t done = 0;
    for (size_t i = 0; i < recipe.files.size(); ++i) {
        const InputFile& f = recipe.files[i];
        PayloadEntry& e = entries[i];
        if (!WriteFileEntry(recipe, f, done, o, &e, error)) {
            if (o.Failed()) error->clear();  // the output's own failure, which it names
            return false;
        }
        if ((uint64_t)e.offset + e.storedSize > UINT32_MAX - 1) {
            *error = "the installer would pass 4 GiB; entry offsets can't reach that far";
            return false;
        }
        std::memcpy(e.extension, f.extension.data(), std::min<size_t>(f.extension.size(), kExtensionSize));
        done += e.unpackedSize ? e.unpackedSize : e.storedSize;
        if (recipe.progress) recipe.progress(done);
    }
    const uint64_t end = o.Size();
    o.SeekTo(table);
    for (const PayloadEntry& e : entries) {
        unsigned char raw[kEntrySize];
        EncodeEntry(e, raw);
        o.Write(raw, sizeof raw);
    }
    o.SeekTo(end);
    // The loader maps the resource section's raw data from the file; an
    // installer must not end before it does.
    const PeSection& rs = image.sections[image.resourceSection];
    const uint64_t mapped = (uint64_t)rs.rawPointer + rs.rawSize;
    if (end < mapped) {
        const std::vector<uint8_t> pad((size_t)(mapped - end), 0);
        o.Write(pad.data(), (int)pad.size());
    }
    if (o.Failed()) *error = "";
    return !o.Failed();
}

bool BuildInstaller(const std::vector<uint8_t>& stub, const InstallerRecipe& recipe,
                    std::vector<uint8_t>* out, std::string* error) {
    VectorOutput o(out);
    return BuildInstallerTo(stub, recipe, o, error);
}

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
    if (file->Size() >= kNoPosition) {
        *error = path + ": " + std::to_string(file->Size()) + " bytes: installers and stubs count their offsets in 32 bits "
                 "and end before " + std::to_string(kNoPosition) + " bytes";
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

// The verdict on an installer read through `reader`, `size` bytes long.
bool VerifyReader(ByteReader& reader, uint64_t size, const std::string& name, Verdict* v, std::string* error) {
    *v = Verdict();
    if (size >= kNoPosition) {
        *error = name + ": " + std::to_string(size) + " bytes: installers and stubs count their offsets in 32 bits "
                 "and end before " + std::to_string(kNoPosition) + " bytes";
        return false;
    }
    std::vector<uint8_t> start((size_t)std::min<uint64_t>(size, kLargestStubPart));
    if (reader.Seek(0, kSeekSet) != 0 || !ReadExactly(reader, start.data(), (int)start.size())) {
        *error = name + ": could not be read";
        return false;
    }
    PeImage image;
    if (!image.Parse(std::move(start), error)) {
        *error = name + ": " + *error;
        return false;
    }
    image.fileSize = size;
    // The payload follows the resource section (and a signature may follow
    // it), so rule 1 is the stub's alone.
    for (const RuleResult& r : CheckStubLayout(image))
        if (!r.held && r.rule != 1) v->stubProblems.push_back(r.detail);
    InstallerContents c;
    if (!ReadInstaller(reader, &c, error)) {
        *error = name + ": " + *error;
        return false;
    }
    const FilePosition limit = PayloadLimit(SizeAsPosition(size), c.certificates);
    const std::vector<std::string> overlaps = OverlapProblems(c);
    v->uninstaller = c.uninstaller;
    for (size_t i = 0; i < c.entries.size(); ++i) {
        // An uninstaller holds its installer's table, not the entries' bytes.
        EntryVerdict e{CreatedPath(NamesFrom(c, name), (int)i, c.numberingBase, c.entries[i]), c.entries[i],
                       c.uninstaller ? "" : EntryProblem(reader, (int)i, c.entries[i], limit)};
        if (e.problem.empty() && !c.uninstaller) e.problem = overlaps[i];
        v->entries.push_back(e);
    }
    if (c.check.problem != kPayloadSound && c.check.entry < 0) v->payloadProblem = DescribeCheck(c.check);
    if (c.check.problem == kPayloadSound && !RecordProblem(c).empty()) v->payloadProblem = RecordProblem(c);
    if (!c.uninstaller && !InstallerNamesUsable(name))
        v->payloadProblem = "its name gives no name to install the screen saver under";
    return true;
}

}  // namespace

bool VerifyInstaller(const std::string& path, Verdict* v, std::string* error) {
    SourceFile file;
    if (!file.Open(path, error)) return false;
    return VerifyReader(file.Reader(), file.Size(), path, v, error);
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
    return true;
}

std::string RecordProblem(const InstallerContents& c) {
    return c.uninstaller && c.checksums.size() < c.entries.size() ? "its files' checksums are cut short" : "";
}

std::string NamesFrom(const InstallerContents& c, const std::string& fileName) {
    return c.uninstaller ? std::string(c.record.base) + ".exe" : fileName;
}

std::string CreatedPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                        const PayloadEntry& e) {
    const std::string path = TargetPath(installerFileName, index, numberingBase, e);
    std::string out, name;
    for (size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '\\') {
            name += path[at];
            continue;
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        out += (out.empty() ? "" : "\\") + name;
        name.clear();
    }
    return out;
}

std::string ExtensionCaveat(const std::string& ext, const std::string& created) {
    const std::string what = "Windows will not keep the extension \"" + ext + "\" as written: ";
    if (!ext.empty() && (ext.back() == '.' || ext.back() == ' '))
        return what + "it drops a name's trailing dots and spaces, and the file is created as " + created;
    for (unsigned char c : ext)
        if (c >= 0x80)
            return what + "its bytes from 0x80 on are letters of the installing machine's code page, "
                          "which decides the name";
    return "";
}

namespace {

// The screen-saver name and the installer base the stub derives from an
// installer of this file name. False when they do not fit.
bool StubNames(const std::string& installerFileName, char scr[kPathSize], char base[kPathSize]) {
    // The stub sees its path with '\\' separators; only the file name
    // matters, which follows a drive's ':' too ("C:Forest.exe").
    size_t slash = installerFileName.find_last_of("/\\:");
    std::string path = "C:\\SETUP\\" + (slash == std::string::npos
                                            ? installerFileName
                                            : installerFileName.substr(slash + 1));
    return ScreenSaverFileName(path.c_str(), scr, kPathSize) && InstallerBase(path.c_str(), base, kPathSize);
}

}  // namespace

bool InstallerNamesUsable(const std::string& installerFileName) {
    char scr[kPathSize], base[kPathSize];
    return StubNames(installerFileName, scr, base) && UsableInstallerNames(scr, base);
}

std::string TargetPath(const std::string& installerFileName, int index, uint16_t numberingBase,
                       const PayloadEntry& e) {
    char scr[kPathSize], base[kPathSize], name[kPathSize];
    if (!StubNames(installerFileName, scr, base) ||
        !EntryFileName(index, numberingBase, e, scr, base, name, sizeof name))
        return "";
    if (index == kEntryProgram) return name;
    return std::string(kDataRoot) + "\\" + kDataParent + "\\" + base + "\\" + name;
}

bool ExtractInstaller(const std::string& installerPath, const std::string& dir,
                      std::vector<std::string>* written, std::string* error, const ExtractOptions& options) {
    SourceFile file;
    if (!file.Open(installerPath, error)) return false;
    ByteReader& reader = file.Reader();
    InstallerContents c;
    if (!ReadInstaller(reader, &c, error)) {
        *error = installerPath + ": " + *error;
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
    int ReadAt(uint64_t at, void* buf, int n) override { return out_.ReadAt(at, buf, n); }
    uint64_t Size() const override { return out_.Size(); }
    bool Failed() const override { return Stopped() || out_.Failed(); }

private:
    OutputFile& out_;
    const std::atomic<bool>* stop_;
};

}  // namespace

ProjectPlan PlanProject(const Project& p) {
    ProjectPlan plan;
    const std::string missing = MissingFromProject(p);
    if (!missing.empty()) plan.problems.push_back(missing);
    const std::string title = TitleProblem(p.title);
    if (!title.empty()) plan.problems.push_back(title);
    if (!p.output.empty() && !InstallerNamesUsable(p.output))
        plan.problems.push_back(p.output + ": an installer of that name gives no name to install the screen saver under");
    std::vector<std::string> inputs = {p.program, p.data};
    inputs.insert(inputs.end(), p.files.begin(), p.files.end());
    // The installer must not take the place of what it is built from.
    for (const std::string& own : inputs)
        if (SameFile(p.output, own)) {
            plan.problems.push_back(p.output + ": the installer would be written over its own input " + own);
            break;
        }
    if (SameFile(p.output, p.path)) plan.problems.push_back(p.output + ": the installer would be written over the project file");
    for (size_t i = 0; i < inputs.size(); ++i) {
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
            const std::string size = SizeProblem(inputs[i], e.size);
            if (!size.empty()) plan.problems.push_back(size);
        }
        plan.entries.push_back(e);
    }
    return plan;
}

bool BuildProject(const Project& p, const std::vector<uint8_t>& stub, const std::string& stubName,
                  const BuildControl& control, Verdict* verdict, std::string* error) {
    const ProjectPlan plan = PlanProject(p);
    if (!plan.problems.empty()) {
        *error = plan.problems.front();
        return false;
    }
    InstallerRecipe recipe;
    recipe.title = p.title;
    recipe.numberingBase = p.numberingBase;
    recipe.pack = p.pack;
    recipe.stubName = stubName;
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
    if (!BuildInstallerTo(stub, recipe, o, error)) {
        if (o.Stopped()) *error = p.output + ": the build was cancelled; the installer there stays as it was";
        else if (error->empty()) *error = out.FailureText();
        return false;
    }
    // Checked as verify checks it before it takes the old one's place.
    if (verdict) {
        OutputReader reader(out);
        if (!VerifyReader(reader, out.Size(), p.output, verdict, error)) return false;
        if (!verdict->Sound()) {
            *error = p.output + ": the new installer does not verify; the one there stays as it was";
            return false;
        }
    }
    if (control.stop && *control.stop) {  // asked while it was checked
        *error = p.output + ": the build was cancelled; the installer there stays as it was";
        return false;
    }
    return out.Commit(true, error);
}
