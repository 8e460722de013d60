#include "tests/program_image.h"

namespace {

const uint32_t kSectionAddress = 0x1000, kHeadersSize = 0x200;

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// The one section's bytes, with the address each part gets.
struct Section {
    std::vector<uint8_t> bytes;
    size_t Grow(size_t n) {
        while (bytes.size() % 4) bytes.push_back(0);
        bytes.resize(bytes.size() + n);
        return bytes.size() - n;
    }
    uint32_t Address(size_t at) const { return kSectionAddress + (uint32_t)at; }
    uint32_t Name(const std::string& s) {
        const size_t at = Grow(s.size() + 1);
        std::copy(s.begin(), s.end(), bytes.begin() + (long)at);
        return Address(at);
    }
};

// A descriptor table of `size`-byte entries, the name's address at
// `nameAt`, ended by one of zeros; its address.
uint32_t Descriptors(Section& s, const std::vector<std::string>& dlls, size_t size, size_t nameAt, bool delay) {
    const size_t table = s.Grow(size * (dlls.size() + 1));
    for (size_t i = 0; i < dlls.size(); ++i) {
        const uint32_t name = s.Name(dlls[i]);
        Put32(s.bytes, table + size * i + nameAt, name);
        if (delay) Put32(s.bytes, table + size * i, 1);  // its fields are RVAs
    }
    return s.Address(table);
}

// The resource tree: type 6 (strings), block 1, a leaf per language.
uint32_t Resources(Section& s, const std::vector<std::pair<uint16_t, std::u16string>>& strings, uint32_t* size) {
    const size_t n = strings.size(), root = s.Grow(16 + 8 + 16 + 8 + 16 + 8 * n + 16 * n);
    auto dir = [&](size_t at, size_t ids) { Put16(s.bytes, at + 14, (uint32_t)ids); };
    const size_t block = root + 24, languages = block + 24, leaves = languages + 16 + 8 * n;
    dir(root, 1);
    Put32(s.bytes, root + 16, 6);
    Put32(s.bytes, root + 20, 0x80000000u | (uint32_t)(block - root));
    dir(block, 1);
    Put32(s.bytes, block + 16, 1);
    Put32(s.bytes, block + 20, 0x80000000u | (uint32_t)(languages - root));
    dir(languages, n);
    for (size_t i = 0; i < n; ++i) {
        const std::u16string& text = strings[i].second;
        const size_t data = s.Grow(2 * (16 + text.size()));  // 16 lengths and string 1's units
        Put16(s.bytes, data + 2, (uint32_t)text.size());
        for (size_t k = 0; k < text.size(); ++k) Put16(s.bytes, data + 4 + 2 * k, text[k]);
        const size_t leaf = leaves + 16 * i;
        Put32(s.bytes, languages + 16 + 8 * i, strings[i].first);
        Put32(s.bytes, languages + 20 + 8 * i, (uint32_t)(leaf - root));
        Put32(s.bytes, leaf, s.Address(data));
        Put32(s.bytes, leaf + 4, (uint32_t)(2 * (16 + text.size())));
    }
    *size = (uint32_t)(s.bytes.size() - root);
    return s.Address(root);
}

}  // namespace

std::vector<uint8_t> ProgramImage(const ProgramShape& shape) {
    Section s;
    s.Grow(4);  // the entry point's place
    const uint32_t imports = shape.imports.empty() ? 0 : Descriptors(s, shape.imports, 20, 12, false);
    const uint32_t delay = shape.delayImports.empty() ? 0 : Descriptors(s, shape.delayImports, 32, 4, true);
    uint32_t resourceSize = 0;
    const uint32_t resources = shape.stringOne.empty() ? 0 : Resources(s, shape.stringOne, &resourceSize);
    while (s.bytes.size() % 0x200) s.bytes.push_back(0);

    const size_t optionalSize = shape.plus ? 240 : 224, pe = 0x40, opt = pe + 24;
    std::vector<uint8_t> b(kHeadersSize, 0);
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 60, (uint32_t)pe);
    b[pe] = 'P', b[pe + 1] = 'E';
    Put16(b, pe + 4, shape.machine);
    Put16(b, pe + 6, 1);
    Put16(b, pe + 20, (uint32_t)optionalSize);
    Put16(b, pe + 22, 0x0002 | (shape.plus ? 0x0020 : 0x0100) | (shape.dll ? 0x2000 : 0));
    Put16(b, opt, shape.plus ? 0x20B : 0x10B);
    Put32(b, opt + 16, kSectionAddress);
    Put32(b, opt + (shape.plus ? 24 : 28), 0x400000);
    Put32(b, opt + 32, 0x1000);
    Put32(b, opt + 36, 0x200);
    Put32(b, opt + 56, kSectionAddress + (uint32_t)s.bytes.size());
    Put32(b, opt + 60, kHeadersSize);
    Put16(b, opt + 68, shape.subsystem);
    const size_t directories = opt + (shape.plus ? 112 : 96);
    Put32(b, directories - 4, 16);
    Put32(b, directories + 8, imports);
    Put32(b, directories + 12, imports ? 20 * (uint32_t)(shape.imports.size() + 1) : 0);
    Put32(b, directories + 16, resources);
    Put32(b, directories + 20, resourceSize);
    Put32(b, directories + 8 * 13, delay);
    Put32(b, directories + 8 * 13 + 4, delay ? 32 * (uint32_t)(shape.delayImports.size() + 1) : 0);
    const size_t section = opt + optionalSize;
    const char name[8] = ".rdata";
    std::copy(name, name + 8, b.begin() + (long)section);
    Put32(b, section + 8, (uint32_t)s.bytes.size());
    Put32(b, section + 12, kSectionAddress);
    Put32(b, section + 16, (uint32_t)s.bytes.size());
    Put32(b, section + 20, kHeadersSize);
    Put32(b, section + 36, 0x40000040u);
    b.insert(b.end(), s.bytes.begin(), s.bytes.end());
    return b;
}
