// Project files: an author's inputs in a small text file (Forest.ssproj),
// read and written by both front ends.
//
//   ; comments start with ';' or '#'
//   [installer]
//   title = Forest
//   base = 2
//   pack = yes
//   strict = yes          (a warning of the build fails it)
//   program = Forest.scr
//   data = Forest.dat
//   file = pictures/tree.bmp
//   file = sound.wav
//   output = Forest.exe
//
// The section line is optional and the only one known; each key but `file`
// stands once; `file` stands once for each further file, in order. Paths are
// relative to the project file's folder. Lines end in CR LF, LF or CR. A
// value may be quoted ("  Forest ")
// to keep spaces at its ends. An unknown key, a line that is no key = value,
// and a value a key can't take are errors, named with their line.
#ifndef AUTHORING_PROJECT_H
#define AUTHORING_PROJECT_H

#include <cstdint>
#include <string>
#include <vector>

struct Project {
    std::string title;
    bool hasTitle = false;  // a title was given ("" is a title)
    uint16_t numberingBase = 2;
    bool pack = true;
    bool strict = false;             // a warning of the build is a failure
    std::string program;             // the .SCR
    std::string data;                // the main data file
    std::vector<std::string> files;  // the further files, in order
    std::string output;              // the installer
    std::string path;                // the project file it was read from, "" for none
};

// Parses a project's text; `name` is for messages ("Forest.ssproj:3: ..."),
// `dir` the folder relative paths are joined to ("" for none).
bool ParseProject(const std::string& text, const std::string& name, const std::string& dir, Project* out,
                  std::string* error);
// A project file is read whole, and holds this many bytes at most: room
// for some 100,000 further files. The writer refuses a longer one.
const uint64_t kLargestProjectFile = 16u << 20;
bool ReadProject(const std::string& path, Project* out, std::string* error);

// A path an author gives for the project file `project` ("" for one not
// saved yet): a relative one is taken from the project file's folder, as
// the file's own paths are.
std::string PathInProject(const std::string& project, const std::string& path);

// A project's text, its paths relative to `dir` (the project file's
// folder) where they can be.
std::string ProjectText(const Project& p, const std::string& dir);
// Writes it to `path` through the one safe write.
bool WriteProject(const std::string& path, const Project& p, std::string* error);

// Whether a value can stand in a project file, read back as written: no
// control character but the tab. The reader refuses a line that holds
// one, and the writer a value.
bool ValueKeepable(const std::string& value);

// A numbering base as a project file or a flag gives it: 0 to 65535, in
// decimal. False for anything else.
bool ParseNumberingBase(const std::string& text, uint16_t* base);

// Whether two projects build the same installer from the same inputs
// (where the project is saved changes no byte).
bool SameInputs(const Project& a, const Project& b);

// What a project still lacks to be built ("" when nothing): the words both
// front ends show.
std::string MissingFromProject(const Project& p);

#endif
