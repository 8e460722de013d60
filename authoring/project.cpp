#include "authoring/project.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "authoring/files.h"

namespace fs = std::filesystem;

namespace {

std::string Trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// A path as the file gives it, joined to the project's folder; either '/'
// or '\\' separates folders, so that one file serves both systems.
std::string Joined(const std::string& dir, std::string value) {
#ifndef _WIN32
    for (char& c : value)
        if (c == '\\') c = '/';
#endif
    const fs::path p = fs::u8path(value);
    return (p.is_absolute() || dir.empty() ? p : fs::u8path(dir) / p).lexically_normal().u8string();
}

// A path relative to the project's folder where it can be, with '/'.
std::string Relative(const std::string& path, const std::string& dir) {
    std::error_code ec;
    const fs::path abs = fs::absolute(fs::u8path(path), ec), base = fs::absolute(fs::u8path(dir.empty() ? "." : dir), ec);
    const fs::path rel = abs.lexically_normal().lexically_relative(base.lexically_normal());
    return (rel.empty() ? abs.lexically_normal() : rel).generic_u8string();
}

// Quoted where its ends would be lost, or where it starts with a quote.
std::string Value(const std::string& v) {
    const bool quote = !v.empty() && (v.front() == ' ' || v.back() == ' ' || v.front() == '\t' || v.back() == '\t' ||
                                      v.front() == '"');
    return quote ? "\"" + v + "\"" : v;
}

}  // namespace

bool ValueKeepable(const std::string& value) {
    for (unsigned char c : value)
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    return true;
}

bool ParseProject(const std::string& text, const std::string& name, const std::string& dir, Project* out,
                  std::string* error) {
    *out = Project();
    static const char* const kKeys[] = {"title", "base", "pack", "strict", "program", "data", "output"};
    const int keys = (int)(sizeof kKeys / sizeof *kKeys);
    bool seen[keys] = {};
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // Notepad's byte-order mark
    // Lines end in CR LF, LF or a bare CR, as the systems' editors write them.
    for (int line = 1; at <= text.size(); ++line) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(at, end - at);
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        l = Trimmed(l);
        const auto fail = [&](const std::string& what) {
            *error = name + ":" + std::to_string(line) + ": " + what;
            return false;
        };
        if (!IsUtf8(l)) return fail("not UTF-8 text (save the project file as UTF-8)");
        if (!ValueKeepable(l)) return fail("a control character, which a project file does not keep");
        if (l.empty() || l[0] == ';' || l[0] == '#') continue;
        if (l[0] == '[') {
            if (l != "[installer]") return fail("unknown section " + l + ": the only one is [installer]");
            continue;
        }
        const size_t eq = l.find('=');
        if (eq == std::string::npos) return fail("a line is key = value, a [section], or a comment");
        const std::string key = Trimmed(l.substr(0, eq));
        std::string v = Trimmed(l.substr(eq + 1));
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        int k = 0;
        while (k < keys && key != kKeys[k]) ++k;
        if (key == "file") {
            if (v.empty()) return fail("file = names no file");
            out->files.push_back(Joined(dir, v));
            continue;
        }
        if (k == keys)
            return fail("unknown key \"" + key + "\" (the keys: title, base, pack, strict, program, data, file, output)");
        if (seen[k]) return fail(key + " is given twice");
        seen[k] = true;
        if (key == "title") {
            out->title = v;
            out->hasTitle = true;
        } else if (key == "base") {
            if (!ParseNumberingBase(v, &out->numberingBase)) return fail("base takes a number from 0 to 65535");
        } else if (key == "pack" || key == "strict") {
            if (v != "yes" && v != "no") return fail(key + " takes yes or no");
            (key == "pack" ? out->pack : out->strict) = v == "yes";
        } else {
            if (v.empty()) return fail(key + " = names no file");
            (key == "program" ? out->program : key == "data" ? out->data : out->output) = Joined(dir, v);
        }
    }
    return true;
}

std::string PathInProject(const std::string& project, const std::string& path) {
    return path.empty() ? path : Joined(fs::u8path(project).parent_path().u8string(), path);
}

bool ReadProject(const std::string& path, Project* out, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, kLargestProjectFile, &bytes, error)) return false;
    if (!ParseProject(std::string(bytes.begin(), bytes.end()), path, fs::u8path(path).parent_path().u8string(), out,
                      error))
        return false;
    out->path = path;
    return true;
}

std::string ProjectText(const Project& p, const std::string& dir) {
    std::string t = "; A screen-saver installer, built with: ssinst build --project FILE\n[installer]\n";
    if (p.hasTitle) t += "title = " + Value(p.title) + "\n";
    t += "base = " + std::to_string(p.numberingBase) + "\n";
    t += std::string("pack = ") + (p.pack ? "yes" : "no") + "\n";
    if (p.strict) t += "strict = yes\n";
    if (!p.program.empty()) t += "program = " + Value(Relative(p.program, dir)) + "\n";
    if (!p.data.empty()) t += "data = " + Value(Relative(p.data, dir)) + "\n";
    for (const std::string& f : p.files) t += "file = " + Value(Relative(f, dir)) + "\n";
    if (!p.output.empty()) t += "output = " + Value(Relative(p.output, dir)) + "\n";
    return t;
}

bool WriteProject(const std::string& path, const Project& p, std::string* error) {
    const std::string text = ProjectText(p, fs::u8path(path).parent_path().u8string());
    if (!IsUtf8(text)) {
        *error = path + ": a name or the title is not UTF-8 text, which a project file keeps";
        return false;
    }
    // Each value is one line of the file, as the reader takes it.
    std::vector<std::string> values = {p.title, p.program, p.data, p.output};
    values.insert(values.end(), p.files.begin(), p.files.end());
    for (const std::string& v : values)
        if (!ValueKeepable(v)) {
            *error = path + ": a value holds a line break or another control character, which a project file can't keep";
            return false;
        }
    if (text.size() > kLargestProjectFile) {
        *error = path + ": " + std::to_string(text.size()) + " bytes: a project file holds " +
                 std::to_string(kLargestProjectFile) + " at most";
        return false;
    }
    return WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()), error);
}

bool ParseNumberingBase(const std::string& text, uint16_t* base) {
    char* stop = nullptr;
    const unsigned long n = std::strtoul(text.c_str(), &stop, 10);
    if (text.empty() || *stop || text[0] == '-' || n > 65535) return false;
    *base = (uint16_t)n;
    return true;
}

bool SameInputs(const Project& a, const Project& b) {
    return a.title == b.title && a.hasTitle == b.hasTitle && a.numberingBase == b.numberingBase && a.pack == b.pack &&
           a.strict == b.strict && a.program == b.program && a.data == b.data && a.files == b.files &&
           a.output == b.output;
}

std::string MissingFromProject(const Project& p) {
    std::string missing;
    for (const auto& [what, there] : {std::pair<const char*, bool>{"title", p.hasTitle},
                                      {"program (.SCR)", !p.program.empty()},
                                      {"main data file (.DAT)", !p.data.empty()},
                                      {"output installer", !p.output.empty()}})
        if (!there) missing += std::string(missing.empty() ? "" : ", ") + what;
    return missing.empty() ? "" : "no " + missing + " named";
}
