#include "ssinst/command_line.h"

#include <cstring>

bool ParsedArgs::Has(const char* name) const {
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::string ParsedArgs::Value(const char* name) const {
    std::string v;
    for (const auto& o : options)
        if (o.first == name) v = o.second;
    return v;
}

bool IsHelpArgument(const std::string& a) {
#ifdef _WIN32
    if (a == "/?") return true;
#endif
    return a == "--help" || a == "-h";
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 0; i < argc && std::strcmp(argv[i], "--"); ++i)
        if (IsHelpArgument(argv[i])) return true;
    return false;
}

namespace {

const OptionSpec* Find(const OptionSpec* options, const std::string& name) {
    for (const OptionSpec* o = options; o->name; ++o)
        if (name == o->name) return o;
    return nullptr;
}

}  // namespace

std::string ParseArgs(const OptionSpec* options, int argc, char** argv, ParsedArgs* out) {
    *out = ParsedArgs();
    bool ended = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (!ended && IsHelpArgument(a)) continue;
        if (ended || a.size() < 2 || a[0] != '-') {
            out->operands.push_back(a);
            continue;
        }
        if (a == "--") {
            ended = true;
            continue;
        }
        // Only a long option takes its value after '='.
        const size_t eq = a.compare(0, 2, "--") == 0 ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, eq);
        const OptionSpec* o = Find(options, name);
        if (!o) return "unknown option " + name;
        if (!o->takesValue) {
            if (eq != std::string::npos) return name + " takes no value";
            out->options.emplace_back(name, "");
            continue;
        }
        if (eq != std::string::npos) {
            out->options.emplace_back(name, a.substr(eq + 1));
            continue;
        }
        // The next argument is its value, unless it is an option of the
        // command's itself, in either form, or the end of the options.
        const std::string next = i + 1 < argc ? argv[i + 1] : "";
        if (i + 1 == argc || next == "--" || Find(options, next.substr(0, next.find('='))) || IsHelpArgument(next))
            return name + " needs a value";
        out->options.emplace_back(name, argv[++i]);
    }
    return "";
}
