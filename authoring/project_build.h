// A project's plan and its build, for both front ends: one set of rules,
// in one set of words.
#ifndef AUTHORING_PROJECT_BUILD_H
#define AUTHORING_PROJECT_BUILD_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "authoring/program_check.h"
#include "authoring/project.h"

struct Verdict;

// A project's plan and its build, for both front ends: one set of rules,
// in one set of words.
struct PlannedEntry {
    std::string source;     // the input file
    std::string extension;  // as the entry stores it
    std::string target;     // below the Windows directory, as Windows creates it ("" without an output)
    uint64_t size = 0;      // the input's size
    bool opened = false;    // the input could be opened; its size is known
};
struct ProjectPlan {
    std::vector<PlannedEntry> entries;
    std::vector<std::string> problems;  // what stands in the way of a build; none: it can be built
    // What Windows will do otherwise than written, and what will keep the
    // screen saver from running where it is installed.
    std::vector<std::string> warnings;
    ProgramReport program;  // of the program, once it could be opened
    bool programChecked = false;
};
// Once `stop` is set, the plan ends at the next input with the problem
// that the build was cancelled.
ProjectPlan PlanProject(const Project& p, const std::atomic<bool>* stop = nullptr);

struct BuildControl {
    // Told the input bytes done and in all, now and then.
    std::function<void(uint64_t done, uint64_t total)> progress;
    // Once set, the build stops within a block of input (at most 64 KiB),
    // in the check of the new installer too, and the installer that was
    // there stays.
    const std::atomic<bool>* stop = nullptr;
};
// Builds the project's installer through the one safe write; a strict
// project's warnings fail it before anything is written. With
// `verdict`, the new file is checked as `ssinst verify` checks it before
// it takes the old one's place, and only a sound one does.
bool BuildProject(const Project& p, const std::vector<uint8_t>& stub, const std::string& stubName,
                  const BuildControl& control, Verdict* verdict, std::string* error);

#endif
