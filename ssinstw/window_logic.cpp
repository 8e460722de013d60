#include "ssinstw/window_logic.h"

#include <algorithm>

#include "base/text.h"

std::vector<std::u16string> ChosenFiles(const char16_t* names) {
    std::vector<std::u16string> parts;
    for (const char16_t* p = names; *p;) {
        parts.emplace_back(p);
        p += parts.back().size() + 1;
    }
    if (parts.size() < 2) return parts;
    const std::u16string folder = parts[0].back() == u'\\' ? parts[0] : parts[0] + u"\\";
    std::vector<std::u16string> out;
    for (size_t i = 1; i < parts.size(); ++i) out.push_back(folder + parts[i]);
    return out;
}

std::vector<std::u16string> WithRecent(const std::vector<std::u16string>& recent, const std::u16string& path,
                                       size_t count, bool (*same)(const std::u16string&, const std::u16string&)) {
    std::vector<std::u16string> out = {path};
    for (const std::u16string& r : recent)
        if (out.size() < count && !same(r, path)) out.push_back(r);
    return out;
}

std::string TitleLeft(const std::string& title) {
    // Characters, each of which is a byte of the installer's title.
    const size_t n = (size_t)std::count_if(title.begin(), title.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return n <= 32 ? std::to_string(32 - n) + " of 32 characters left" : std::to_string(n - 32) + " characters too many";
}

std::string Thousands(uint64_t n) {
    char out[32];
    FormatThousands((uint32_t)(n > 0xFFFFFFFFu ? 0xFFFFFFFFu : n), out, sizeof out);
    return out;
}

std::string ProgramLine(const ProjectPlan& plan) {
    if (!plan.programChecked) return "";
    const ProgramReport& r = plan.program;
    return "Listed in the Screen Saver Settings as \"" + r.listedName + "\"" +
           (r.nameFromResources ? "" : " (its file name: the program has no string 1 to name it)");
}

std::string ReadyLine(const ProjectPlan& plan) {
    if (!plan.problems.empty()) return "";
    uint64_t total = 0;
    for (const PlannedEntry& e : plan.entries) total += e.size;
    return "Ready: " + Thousands(total) + " bytes in " + std::to_string(plan.entries.size()) + " files.";
}

std::string BuildSummary(const std::string& output, const Verdict& v, uint64_t installerSize,
                         const std::string& sha256) {
    std::string s = "Built and verified " + output + ": sound.\r\n";
    uint64_t total = 0;
    for (const EntryVerdict& e : v.entries) {
        const PayloadEntry& p = e.entry;
        s += "  " + e.target + (p.unpackedSize ? ": packed " + Thousands(p.storedSize) + " -> " + Thousands(p.unpackedSize)
                                               : ": stored " + Thousands(p.storedSize)) +
             " bytes\r\n";
        total += p.unpackedSize ? p.unpackedSize : p.storedSize;
    }
    return s + "  in all " + Thousands(total) + " bytes installed; the installer " + Thousands(installerSize) +
           " bytes\r\n  SHA-256 " + sha256 + "\r\n";
}
