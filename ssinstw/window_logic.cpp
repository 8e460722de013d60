#include "ssinstw/window_logic.h"

#include <algorithm>

#include "authoring/printable.h"
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
                         const std::string& sha256, bool changedSince) {
    uint64_t total = 0;
    std::string lines;
    for (const EntryVerdict& e : v.entries) {
        const PayloadEntry& p = e.entry;
        lines += "  " + e.target +
                 (p.unpackedSize ? ": " + Thousands(p.unpackedSize) + " bytes packed to " + Thousands(p.storedSize)
                                 : ": " + Thousands(p.storedSize) + " bytes stored") +
                 "\r\n";
        total += p.unpackedSize ? p.unpackedSize : p.storedSize;
    }
    const std::string head =
        changedSince ? "Built " + output +
                           " from the inputs as they were when Build was pressed; they have been changed since, "
                           "so it is not the installer of what is shown: build again.\r\n"
                     : "Built and verified " + output + ": sound.\r\n";
    return head + (sha256.empty() ? "  SHA-256 not known: the installer could not be read again" : "  SHA-256 " + sha256) +
           "\r\n  the installer " + Thousands(installerSize) + " bytes; in all " +
           Thousands(total) + " bytes installed\r\n" + lines;
}

std::string StatusText(const ProjectPlan& plan, const std::string& outcome) {
    std::string text = outcome;
    // Both name files, and a warning what the program holds (the libraries
    // it imports).
    for (const std::string& p : plan.problems) text += Printable(p) + "\r\n";
    for (const std::string& w : plan.warnings) text += "warning: " + Printable(w) + "\r\n";
    if (outcome.empty() && plan.problems.empty()) text += ReadyLine(plan) + "\r\n";
    return text;
}

std::string SizeCell(const PlannedEntry& e) { return e.opened ? Thousands(e.size) : "missing"; }

ListButtons ButtonsFor(const std::vector<int>& selected, int count) {
    if (selected.empty()) return {false, false, false};
    return {true, selected.front() > 0, selected.back() < count - 1};
}
