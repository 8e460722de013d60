// ssinst's command line, as the platforms' own tools take theirs: options
// with their value as the next argument or after '=' (--title=Forest), "--"
// to end them, --help and -h (and /? on Windows) anywhere for the command's
// help.
#ifndef SSINST_COMMAND_LINE_H
#define SSINST_COMMAND_LINE_H

#include <string>
#include <utility>
#include <vector>

struct OptionSpec {
    const char* name;  // "-o", "--title"
    bool takesValue;
};

struct ParsedArgs {
    // Each option in the order given, with its value ("" for a flag).
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> operands;
    bool Has(const char* name) const;
    // The value of the last of its kind; "" for none.
    std::string Value(const char* name) const;
};

// Whether the arguments ask for help: --help, -h or /? anywhere before
// "--". Help wins over every other argument.
bool AsksForHelp(int argc, char** argv);

// Reads `argc` arguments against the options a command knows (the list
// ends with a null name); it passes over those that ask for help. "" when they read, else the one-line problem:
// "unknown option --x", "--title needs a value". An option's value given as
// the next argument is never one of the command's options, in either form,
// nor "--": "-o --title=x" lacks the output.
std::string ParseArgs(const OptionSpec* options, int argc, char** argv, ParsedArgs* out);

// Whether an argument asks for help.
bool IsHelpArgument(const std::string& a);

#endif
