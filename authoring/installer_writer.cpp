#include "authoring/installer_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "lzhuf/decoder.h"
#include "payload/contents.h"
#include "payload/locator.h"
#include "authoring/files.h"
#include "authoring/packer.h"
#include "authoring/pe_image.h"

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

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// Takes what is written and holds it against an input, byte for byte; it
// takes nothing more once `stop` is set.
class ComparingSink : public ByteSink {
public:
    ComparingSink(ByteReader& expected, const std::atomic<bool>* stop) : expected_(expected), stop_(stop) {}
    int Write(const void* buf, int n) override {
        if (Stopped(stop_)) return -1;
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
    const std::atomic<bool>* stop_;
    bool same_ = true;
};

bool Copy(ByteReader& in, uint64_t size, ByteSink& out, const std::atomic<bool>* stop) {
    std::vector<uint8_t> buffer(1 << 16);
    for (uint64_t done = 0; done < size;) {
        if (Stopped(stop)) return false;
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
        options.stop = recipe.stop;
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
            ComparingSink same(again.Reader(), recipe.stop);
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
    if (!Copy(source.Reader(), size, out, recipe.stop)) {
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
    if (out.size() > kTitleSize) return "the title is " + std::to_string(out.size()) + " characters; at most 32 fit";
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

