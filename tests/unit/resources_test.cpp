// The stub's resources as the built file holds them, against a checked-in
// listing: every dialog template (styles, font, each control's class, id,
// style, rectangle and text), the icon's format and the marker. A change
// to any of them must be made in the listing too, on purpose.
//
// After a deliberate change: SSINST_UPDATE_LISTING=1 rewrites the listing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/bytes.h"
#include "tests/unit/test_support.h"
#include "authoring/pe_image.h"

namespace {

// Reads a resource's data; every read is bounded by it.
class Data {
public:
    Data(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool ok() const { return ok_; }
    size_t at() const { return at_; }
    uint32_t U16() { return Take(2) ? GetLE16(p_ + at_ - 2) : 0; }
    uint32_t U32() { return Take(4) ? GetLE32(p_ + at_ - 4) : 0; }
    int S16() { return (int16_t)U16(); }
    uint32_t U8() { return Take(1) ? p_[at_ - 1] : 0; }
    void AlignTo4() { at_ = (at_ + 3) & ~(size_t)3; }
    // A NUL-terminated UTF-16 string, written out with escapes.
    std::string Text() {
        std::string s;
        for (uint32_t c; ok_ && (c = U16()) != 0;) {
            char hex[12];
            std::snprintf(hex, sizeof hex, "\\u%04X", c);
            s += c == '\n' ? "\\n" : c == '"' ? "\\\"" : c >= 0x20 && c < 0x7F ? std::string(1, (char)c) : hex;
        }
        return "\"" + s + "\"";
    }
    // A name or ordinal field: none, #ordinal, or a string.
    std::string NameOrOrdinal() {
        uint32_t first = U16();
        if (first == 0) return "none";
        if (first == 0xFFFF) return "#" + std::to_string(U16());
        at_ -= 2;
        return Text();
    }

private:
    bool Take(size_t n) {
        ok_ = ok_ && at_ + n <= n_;
        if (ok_) at_ += n;
        return ok_;
    }
    const uint8_t* p_;
    size_t n_, at_ = 0;
    bool ok_ = true;
};

std::string Hex(uint32_t v) {
    char s[12];
    std::snprintf(s, sizeof s, "0x%08X", v);
    return s;
}

std::string ControlClass(const std::string& c) {
    const char* names[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    if (c.size() > 1 && c[0] == '#') {
        unsigned atom = (unsigned)std::stoul(c.substr(1));
        if (atom >= 0x80 && atom < 0x86) return names[atom - 0x80];
    }
    return c;
}

void DescribeDialog(Data& d, std::ostream& out) {
    const uint32_t style = d.U32(), exStyle = d.U32(), items = d.U16();
    const int x = d.S16(), y = d.S16(), cx = d.S16(), cy = d.S16();
    out << "  style " << Hex(style) << " exstyle " << Hex(exStyle) << " at " << x << "," << y << " size "
        << cx << "x" << cy << " menu " << d.NameOrOrdinal() << " class " << d.NameOrOrdinal();
    out << " caption " << d.Text();
    const uint32_t kSetFont = 0x40;
    if (style & kSetFont) {
        const uint32_t points = d.U16();
        out << " font " << points << " " << d.Text();
    }
    out << "\n";
    for (uint32_t i = 0; i < items && d.ok(); ++i) {
        d.AlignTo4();
        const uint32_t cs = d.U32(), cex = d.U32();
        const int ix = d.S16(), iy = d.S16(), icx = d.S16(), icy = d.S16();
        const int id = d.S16();
        const std::string cls = ControlClass(d.NameOrOrdinal());
        const std::string text = d.NameOrOrdinal();
        const uint32_t extra = d.U16();
        for (uint32_t k = 0; k < extra; ++k) d.U8();
        out << "  control " << i + 1 << ": " << cls << " id " << id << " style " << Hex(cs) << " exstyle "
            << Hex(cex) << " rect " << ix << "," << iy << "," << icx << "," << icy << " text " << text << "\n";
    }
}

std::string Listing(const PeImage& img) {
    std::ostringstream out;
    const int marker = img.MarkerLeaf();
    uint32_t lastData = 0;
    for (const ResourceLeaf& l : img.leaves) lastData = std::max(lastData, l.dataRva);
    for (size_t i = 0; i < img.leaves.size(); ++i) {
        const ResourceLeaf& l = img.leaves[i];
        out << "resource " << l.type << "/" << l.name << " language " << l.language << ", " << l.dataSize
            << " bytes" << (l.dataRva == lastData ? ", the last data" : "")
            << ((int)i == marker ? ", the marker" : "") << "\n";
        const int64_t at = img.ResourceFilePosition(l.dataRva);
        Data d(img.bytes.data() + at, l.dataSize);
        if (l.type == "#5") {
            DescribeDialog(d, out);
        } else if (l.type == "#14") {  // icon group
            d.U16();
            const uint32_t type = d.U16(), count = d.U16();
            out << "  type " << type << ", " << count << " image(s)\n";
            for (uint32_t k = 0; k < count && d.ok(); ++k) {
                const uint32_t w = d.U8(), h = d.U8(), colours = d.U8();
                d.U8();
                const uint32_t planes = d.U16(), bits = d.U16(), bytes = d.U32(), id = d.U16();
                out << "  image #" << id << ": " << w << "x" << h << ", " << colours << " colours, " << planes
                    << " plane(s), " << bits << " bits, " << bytes << " bytes\n";
            }
        } else if (l.type == "#24") {  // the manifest, line by line
            std::istringstream lines(img.ResourceData(l));
            for (std::string line; std::getline(lines, line);) out << "  | " << line << "\n";
        } else if (l.type == "#3") {  // an icon image: its bitmap header
            const uint32_t size = d.U32(), w = d.U32(), h = d.U32(), planes = d.U16(), bits = d.U16(),
                           compression = d.U32();
            out << "  header " << size << ": " << w << "x" << h << ", " << planes << " plane(s), " << bits
                << " bits, compression " << compression << "\n";
        }
        if (!d.ok()) out << "  (the data ends early)\n";
    }
    return out.str();
}

}  // namespace

TEST(StubResources, MatchTheCheckedInListing) {
    REQUIRE_STUB();
    PeImage img;
    std::string error;
    ASSERT_TRUE(img.Parse(BuiltStub(), &error)) << error;
    const std::string listing = Listing(img);
    if (std::getenv("SSINST_UPDATE_LISTING")) {
        ASSERT_TRUE(WriteWholeFile(RESOURCE_LISTING, Bytes(listing), &error)) << error;
    }
    std::vector<uint8_t> expected;
    ASSERT_TRUE(ReadWholeFile(RESOURCE_LISTING, UINT64_MAX, &expected, &error)) << error;
    EXPECT_EQ(listing, std::string(expected.begin(), expected.end()))
        << "the stub's resources differ from " << RESOURCE_LISTING;
}
