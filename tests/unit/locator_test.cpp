#include <gtest/gtest.h>

#include <cstring>

#include "payload/locator.h"
#include "tests/unit/test_support.h"
#include "authoring/pe_image.h"
#include "authoring/readers.h"

namespace {

int64_t MarkerPosition(const std::vector<uint8_t>& stub) {
    PeImage img;
    std::string error;
    EXPECT_TRUE(img.Parse(stub, &error)) << error;
    return img.ResourceFilePosition(img.leaves[img.MarkerLeaf()].dataRva);
}

// The payload's position, or -1 when the locator finds none.
int64_t Locate(const std::vector<uint8_t>& bytes) {
    MemoryReader r(bytes);
    const FilePosition at = LocatePayloadIn(r);
    return at == kNoPosition ? -1 : (int64_t)at;
}

// The stub up to its marker, then the given payload bytes.
std::vector<uint8_t> WithPayload(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out(BuiltStub().begin(), BuiltStub().begin() + MarkerPosition(BuiltStub()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<uint8_t> Header(const char* title, uint16_t base) {
    std::vector<uint8_t> h(kHeaderSize, 0);
    std::memcpy(h.data(), title, std::min<size_t>(std::strlen(title), kTitleSize));
    PutLE16(&h[kTitleSize], base);
    return h;
}

void AddEntry(std::vector<uint8_t>& p, uint32_t offset, uint32_t stored, uint32_t unpacked,
              const char ext[4]) {
    PayloadEntry e = {offset, stored, unpacked, {ext[0], ext[1], ext[2], ext[3]}};
    unsigned char raw[kEntrySize];
    EncodeEntry(e, raw);
    p.insert(p.end(), raw, raw + kEntrySize);
}

}  // namespace

TEST(LocatePayload, LandsOnTheMarkersDataInTheBuiltStub) {
    REQUIRE_STUB();
    int64_t marker = MarkerPosition(BuiltStub());
    EXPECT_EQ(Locate(BuiltStub()), marker);
    std::vector<uint8_t> installer = MakeInstaller("Forest");
    MemoryReader r(installer);
    ASSERT_EQ(LocatePayloadIn(r), marker);
    char title[kTitleSize + 1] = {};
    ASSERT_TRUE(ReadTitleAt(r, title));
    EXPECT_STREQ(title, "Forest");
}

TEST(LocatePayload, TitleOfExactly32CharactersIsTerminated) {
    REQUIRE_STUB();
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    std::vector<uint8_t> installer = MakeInstaller(full);
    MemoryReader r(installer);
    ASSERT_GE(LocatePayloadIn(r), 0);
    char title[kTitleSize + 1];
    std::memset(title, 'x', sizeof title);
    ReadTitleAt(r, title);
    EXPECT_EQ(std::string(title), full);
}

TEST(LocatePayload, EveryCutInsideTheHeadersFailsCleanly) {
    REQUIRE_STUB();
    const std::vector<uint8_t>& stub = BuiltStub();
    const int64_t marker = MarkerPosition(stub);
    PeImage img;
    std::string error;
    ASSERT_TRUE(img.Parse(stub, &error));
    // The last bytes the locator reads are the marker's data entry.
    const int64_t lastRead = img.sections[img.resourceSection].rawPointer +
                             img.leaves[img.MarkerLeaf()].entryOffset + 8;
    for (int64_t size = 0; size <= (int64_t)stub.size(); ++size) {
        std::vector<uint8_t> cut(stub.begin(), stub.begin() + size);
        int64_t got = Locate(cut);
        ASSERT_EQ(got, size < lastRead ? -1 : marker) << "cut at " << size;
    }
}

TEST(LocatePayload, DamagedHeadersFailCleanly) {
    REQUIRE_STUB();
    PeImage img;
    std::string error;
    ASSERT_TRUE(img.Parse(BuiltStub(), &error));
    const PeSection& rs = img.sections[img.resourceSection];
    const uint32_t root = rs.rawPointer;
    struct Damage {
        const char* what;
        uint32_t at;
        std::vector<uint8_t> bytes;
    };
    const Damage damages[] = {
        {"no .rsrc section", rs.headerOffset, Bytes(".rsrX")},
        {"a longer name is not .rsrc", rs.headerOffset, Bytes(".rsrc1")},
        {"PE header beyond the file", 60, {0xF0, 0xFF, 0xFF, 0x7F}},
        {"PE header pointer wraps", 60, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"raw data pointer beyond the file", rs.headerOffset + 20, {0x00, 0x00, 0x00, 0x80}},
        {"section address above the data", rs.headerOffset + 12, {0x00, 0x00, 0xF0, 0x7F}},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = BuiltStub();
        std::copy(d.bytes.begin(), d.bytes.end(), bytes.begin() + d.at);
        EXPECT_EQ(Locate(bytes), -1) << d.what;
    }
    // The language entry's offset is taken unmasked: with its top bit set
    // it points 2 GiB away, and the read there fails.
    std::vector<uint8_t> bytes = BuiltStub();
    const uint32_t language = root + 16 + (img.firstOffset[1] & 0x7FFFFFFF);
    bytes[language + 7] |= 0x80;
    EXPECT_EQ(Locate(bytes), -1);
}

TEST(LocatePayload, GivesUpAfterTheLargestSectionTable) {
    REQUIRE_STUB();
    std::vector<uint8_t> bytes = BuiltStub();
    PeImage img;
    std::string error;
    ASSERT_TRUE(img.Parse(bytes, &error));
    bytes[img.sections[img.resourceSection].headerOffset + 1] = 'X';
    bytes.resize(bytes.size() + 4096 * 40, 'A');  // plenty of "section headers"
    EXPECT_EQ(Locate(bytes), -1);
}

TEST(EntryWalk, ReadsEntriesUpToTheTerminator) {
    REQUIRE_STUB();
    std::vector<uint8_t> p = Header("Forest", 7);
    AddEntry(p, 100, 10, 0, ".SCR");
    AddEntry(p, 110, 20, 50, ".DAT");
    AddEntry(p, 130, 5, 0, "WXYZ");  // four characters, no NUL
    AddEntry(p, 0, 0, 0, "\0\0\0\0");
    std::vector<uint8_t> bytes = WithPayload(p);
    MemoryReader r(bytes);
    ASSERT_GE(LocatePayloadIn(r), 0);
    EntryWalk walk(r);
    ASSERT_TRUE(walk.Begin());
    EXPECT_EQ(walk.NumberingBase(), 7);
    PayloadEntry e;
    ASSERT_EQ(walk.Next(&e), EntryWalk::kEntry);
    EXPECT_EQ(e.offset, 100u);
    ASSERT_EQ(walk.Next(&e), EntryWalk::kEntry);
    EXPECT_EQ(e.unpackedSize, 50u);
    EXPECT_EQ(InstalledSize(e), 50u);
    ASSERT_EQ(walk.Next(&e), EntryWalk::kEntry);
    EXPECT_EQ(walk.Index(), 2);
    EXPECT_EQ(std::string(e.extension, 4), "WXYZ");
    EXPECT_EQ(walk.Next(&e), EntryWalk::kTerminator);
}

TEST(EntryWalk, EndsOnEveryKindOfTableEnd) {
    REQUIRE_STUB();
    struct Case {
        const char* what;
        std::vector<uint8_t> payload;
        bool begins;
        int entries;
        EntryWalk::Step end;
        uint32_t endUnpacked;
    };
    std::vector<uint8_t> firstIsTerminator = Header("T", 2);
    AddEntry(firstIsTerminator, 0, 0, 0, "\0\0\0\0");
    std::vector<uint8_t> terminatorWithSize = Header("T", 2);
    AddEntry(terminatorWithSize, 90, 10, 0, ".SCR");
    AddEntry(terminatorWithSize, 77, 0, 5000, ".DAT");
    std::vector<uint8_t> noTerminator = Header("T", 2);
    AddEntry(noTerminator, 90, 10, 0, ".SCR");
    noTerminator.resize(noTerminator.size() + 9);
    std::vector<uint8_t> baseCut = Header("T", 2);
    baseCut.resize(kTitleSize + 1);
    const Case cases[] = {
        {"first entry is the terminator", firstIsTerminator, true, 0, EntryWalk::kTerminator, 0},
        {"stored size 0 ends the table, unpacked size kept", terminatorWithSize, true, 1,
         EntryWalk::kTerminator, 5000},
        {"table runs into the end of the file", noTerminator, true, 1, EntryWalk::kCutShort, 0},
        {"numbering base cut short", baseCut, false, 0, EntryWalk::kCutShort, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = WithPayload(c.payload);
        MemoryReader r(bytes);
        ASSERT_GE(LocatePayloadIn(r), 0);
        EntryWalk walk(r);
        ASSERT_EQ(walk.Begin(), c.begins) << c.what;
        if (!c.begins) continue;
        PayloadEntry e;
        int n = 0;
        EntryWalk::Step s;
        while ((s = walk.Next(&e)) == EntryWalk::kEntry) ++n;
        EXPECT_EQ(n, c.entries) << c.what;
        EXPECT_EQ(s, c.end) << c.what;
        if (s == EntryWalk::kTerminator) {
            EXPECT_EQ(e.unpackedSize, c.endUnpacked) << c.what;
        }
    }
}
