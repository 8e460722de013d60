// The layout rules, checked on the stub the build produced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "tests/unit/test_support.h"
#include "authoring/pe_image.h"

namespace {

PeImage Parsed(const std::vector<uint8_t>& bytes) {
    PeImage img;
    std::string error;
    EXPECT_TRUE(img.Parse(bytes, &error)) << error;
    return img;
}

// Which rules (0 for the locator cross-check) are broken.
std::vector<int> Broken(const std::vector<uint8_t>& bytes) {
    PeImage img;
    std::string error;
    if (!img.Parse(bytes, &error)) return {-1};
    std::vector<int> broken;
    for (const RuleResult& r : CheckStubLayout(img))
        if (!r.held) broken.push_back(r.rule);
    return broken;
}

}  // namespace

TEST(StubLayout, TheBuiltStubKeepsEveryRule) {
    REQUIRE_STUB();
    PeImage img = Parsed(BuiltStub());
    for (const RuleResult& r : CheckStubLayout(img)) EXPECT_TRUE(r.held) << r.rule << ": " << r.detail;
    // The marker's data is the very last resource data, and the section ends
    // the file.
    const PeSection& rs = img.sections.back();
    EXPECT_EQ(rs.name, ".rsrc");
    EXPECT_EQ(img.bytes.size(), (size_t)rs.rawPointer + rs.rawSize);
}

TEST(StubLayout, TheStubIsSmallAndImportsOnlySystemLibraries) {
    REQUIRE_STUB();
    PeImage img = Parsed(BuiltStub());
    // Its budget: a change that grows it past this says what for. It holds
    // the uninstaller and the unattended runs' switches, log and exit codes.
    EXPECT_LE(BuiltStub().size(), 22528u);
    // Terminal-server aware: on a Remote Desktop host Windows gives it the
    // real Windows directory, not one of the user's own.
    const std::vector<uint8_t>& b = BuiltStub();
    const uint32_t pe = GetLE32(&b[0x3C]);
    EXPECT_TRUE(GetLE16(&b[pe + 24 + 70]) & 0x8000);
    // Its frames are not probed: the whole stack is committed at the start,
    // so that no frame larger than a page can step over a guard page.
    EXPECT_EQ(GetLE32(&b[pe + 24 + 76]), GetLE32(&b[pe + 24 + 72]));
    EXPECT_GE(GetLE32(&b[pe + 24 + 76]), 0x10000u);
    for (std::string dll : img.ImportedDlls()) {
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::toupper(c); });
        // Known system DLLs only; anything else is loaded from the system directory when needed.
        const char* allowed[] = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL"};
        EXPECT_TRUE(std::find(std::begin(allowed), std::end(allowed), dll) != std::end(allowed)) << dll;
    }
    for (const PeSection& s : img.sections) EXPECT_NE(s.name, ".reloc");
}

TEST(StubLayout, CodeIsExecutableAndNothingIsBothWritableAndExecutable) {
    REQUIRE_STUB();
    PeImage img = Parsed(BuiltStub());
    const uint32_t kExecute = 0x20000000, kWrite = 0x80000000;
    bool entryFound = false;
    for (const PeSection& s : img.sections) {
        EXPECT_FALSE((s.characteristics & kExecute) && (s.characteristics & kWrite)) << s.name;
        if (img.entryPoint >= s.virtualAddress && img.entryPoint < s.virtualAddress + s.virtualSize) {
            entryFound = true;
            EXPECT_EQ(s.name, ".text");
            EXPECT_TRUE(s.characteristics & kExecute);
        }
    }
    EXPECT_TRUE(entryFound);
    // Three sections keep the headers within their first 512 bytes.
    EXPECT_EQ(img.sections.front().rawPointer, 512u);
    EXPECT_NE(img.DataDirectoryRva(1), 0u) << "no import directory";
}

TEST(StubLayout, LayingOutTheLinkedStubMovesOnlyTheData) {
    REQUIRE_STUB();
    if (RawStub().empty()) GTEST_SKIP() << "no linked stub";
    EXPECT_EQ(Broken(RawStub()), std::vector<int>{2}) << "the linker puts the marker's data first";
    PeImage raw = Parsed(RawStub());
    PeImage fixed = raw;
    std::string error;
    ASSERT_TRUE(MoveMarkerLast(fixed, &error)) << error;
    ASSERT_TRUE(MarkEntrySectionAsCode(fixed, &error)) << error;
    EXPECT_TRUE(fixed.bytes == BuiltStub()) << "the build's stub is this layout";
    ASSERT_EQ(raw.leaves.size(), fixed.leaves.size());
    for (size_t i = 0; i < raw.leaves.size(); ++i) {
        const ResourceLeaf &a = raw.leaves[i], &b = fixed.leaves[i];
        EXPECT_EQ(a.type + a.name, b.type + b.name);
        ASSERT_EQ(a.dataSize, b.dataSize);
        int64_t pa = raw.ResourceFilePosition(a.dataRva), pb = fixed.ResourceFilePosition(b.dataRva);
        EXPECT_TRUE(std::equal(raw.bytes.begin() + pa, raw.bytes.begin() + pa + a.dataSize,
                               fixed.bytes.begin() + pb))
            << a.type << "/" << a.name << " changed";
    }
}

// fix-stub lays out only what it can do safely; what it writes stays in the
// file it makes.
TEST(StubLayout, FixStubRefusesDataEntriesAmongTheData) {
    REQUIRE_STUB();
    std::vector<uint8_t> raw = RawStub();
    PeImage img = Parsed(raw);
    const PeSection& rs = img.sections[img.resourceSection];
    // The marker's data entry copied over the start of the last data item,
    // and its language entry led there.
    const ResourceLeaf& marker = img.leaves[img.MarkerLeaf()];
    uint32_t last = 0;
    for (const ResourceLeaf& l : img.leaves) last = std::max(last, l.dataRva - rs.virtualAddress);
    std::copy_n(raw.begin() + rs.rawPointer + marker.entryOffset, 16, raw.begin() + rs.rawPointer + last);
    const uint32_t languageDir = rs.rawPointer + (img.firstOffset[1] & 0x7FFFFFFF);
    for (int k = 0; k < 4; ++k) raw[languageDir + 20 + k] = (uint8_t)(last >> (8 * k));
    PeImage hostile = Parsed(raw);
    std::string error;
    EXPECT_FALSE(MoveMarkerLast(hostile, &error));
    EXPECT_NE(error.find("data entry among the data"), std::string::npos) << error;
}

TEST(StubLayout, EachBrokenRuleIsReported) {
    REQUIRE_STUB();
    PeImage img = Parsed(BuiltStub());
    const PeSection& rs = img.sections[img.resourceSection];
    const uint32_t root = rs.rawPointer;
    const uint32_t nameDir = root + (img.firstOffset[0] & 0x7FFFFFFF);
    const uint32_t languageDir = root + (img.firstOffset[1] & 0x7FFFFFFF);
    struct Mutation {
        const char* what;
        void (*apply)(std::vector<uint8_t>&, const PeImage&, uint32_t, uint32_t);
        std::vector<int> broken;
    };
    const Mutation mutations[] = {
        {"a byte after the section",
         [](std::vector<uint8_t>& b, const PeImage&, uint32_t, uint32_t) { b.push_back(0); },
         {1}},
        {"relocation data declared",
         [](std::vector<uint8_t>& b, const PeImage& i, uint32_t, uint32_t) {
             b[i.optionalHeaderOffset + 100 + 8 * 5] = 8;
         },
         {1}},
        {"the marker in German",
         [](std::vector<uint8_t>& b, const PeImage&, uint32_t, uint32_t lang) {
             b[lang + 16] = 0x07;  // 1031
         },
         {3}},
        {"the marker numbered 1001",
         [](std::vector<uint8_t>& b, const PeImage&, uint32_t name, uint32_t) {
             b[name + 16] = 0xE9;
         },
         {3}},
        {"the marker declaring 8 bytes",
         [](std::vector<uint8_t>& b, const PeImage& i, uint32_t, uint32_t) {
             b[i.sections[i.resourceSection].rawPointer + i.leaves[i.MarkerLeaf()].entryOffset + 4] = 8;
         },
         {2, 3}},
        {"the root's first entry leading to data",
         [](std::vector<uint8_t>& b, const PeImage& i, uint32_t, uint32_t) {
             b[i.sections[i.resourceSection].rawPointer + 16 + 7] &= 0x7F;
         },
         {2, 3, 4, 0}},
    };
    for (const Mutation& m : mutations) {
        std::vector<uint8_t> bytes = BuiltStub();
        m.apply(bytes, img, nameDir, languageDir);
        EXPECT_EQ(Broken(bytes), m.broken) << m.what;
    }
}

TEST(StubLayout, DamagedOrHostileStubsAreRefusedCleanly) {
    REQUIRE_STUB();
    PeImage img = Parsed(BuiltStub());
    const uint32_t root = img.sections[img.resourceSection].rawPointer;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> many = BuiltStub();
    many[root + 14] = 0xFF;  // 65535 more root entries, the first ones leading to the same directory
    many[root + 15] = 0xFF;
    std::vector<uint8_t> cut(BuiltStub().begin(), BuiltStub().end() - 100);
    std::vector<uint8_t> loop = BuiltStub();
    // The name directory's entry leads back to the root.
    const uint32_t nameDir = root + (img.firstOffset[0] & 0x7FFFFFFF);
    loop[nameDir + 16 + 4] = 0;
    loop[nameDir + 16 + 5] = 0;
    loop[nameDir + 16 + 6] = 0;
    loop[nameDir + 16 + 7] = 0x80;
    auto with32 = [&](uint32_t at, uint32_t v) {
        std::vector<uint8_t> b = BuiltStub();
        for (int k = 0; k < 4; ++k) b[at + k] = (uint8_t)(v >> (8 * k));
        return b;
    };
    const uint32_t fileAlignment = img.optionalHeaderOffset + 36, sectionAlignment = fileAlignment - 4;
    std::vector<Case> cases = {
        {"a root with 65535 more entries", many, ""},
        {"cut inside the resource section", cut, "ends inside its resource section"},
        {"a directory that leads back to the root", loop, "shared or loop"},
        {"a directory past the section", with32(root + 16 + 4, 0x80000000u | 0x00FFFF00u), "outside the resource section"},
        {"a section alignment of 100", with32(sectionAlignment, 100), "section alignment"},
    };
    // Each would wrap the rounding up, write gigabytes or divide by nothing.
    for (uint32_t a : {0xFFFFFFFFu, 0x80000000u, 0u, 3u, 256u, 131072u})
        cases.push_back({"a file alignment", with32(fileAlignment, a), "file alignment"});
    for (const Case& c : cases) {
        PeImage bad;
        std::string error;
        EXPECT_FALSE(bad.Parse(c.bytes, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}
