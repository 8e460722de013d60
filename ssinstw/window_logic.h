// What the window decides and says that needs no window: built into
// ssinstw.exe and tested on the host. Texts are UTF-8; Windows' names are
// UTF-16, as the window has them.
#ifndef SSINSTW_WINDOW_LOGIC_H
#define SSINSTW_WINDOW_LOGIC_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/installer_reader.h"
#include "authoring/project_build.h"

// The files Windows' Open dialog chose with several allowed: one path, or
// their folder and then each name; each ended by a NUL, and the whole by
// one more.
std::vector<std::u16string> ChosenFiles(const char16_t* names);

// The recent projects once `path` is opened or saved: it first, the others
// after it without it (`same` tells names apart as Windows does), `count`
// at most.
std::vector<std::u16string> WithRecent(const std::vector<std::u16string>& recent, const std::u16string& path,
                                       size_t count, bool (*same)(const std::u16string&, const std::u16string&));

// "17 of 32 characters left", or "3 characters too many", for a title.
std::string TitleLeft(const std::string& title);

// What the line under the program says of it: the name Windows' Screen
// Saver Settings will list it under; "" before it can be read.
std::string ProgramLine(const ProjectPlan& plan);

// "Ready: 44,361 bytes in 3 files." for a plan without problems; "" else.
std::string ReadyLine(const ProjectPlan& plan);

// The lines shown under a verified build: the installer's SHA-256 and
// size and the bytes installed in all first, then each entry stored or
// packed with its sizes. When the inputs shown have changed since Build was
// pressed, it says so instead of that the installer is the one shown.
std::string BuildSummary(const std::string& output, const Verdict& v, uint64_t installerSize,
                         const std::string& sha256, bool changedSince);

// What the box under the table shows: the last build's outcome first (""
// for none), then the plan's problems and warnings; the plan's "Ready"
// line only while there is no outcome to show.
std::string StatusText(const ProjectPlan& plan, const std::string& outcome);

// The table's size column: the input's size, or "missing" for one that
// could not be opened.
std::string SizeCell(const PlannedEntry& e);


// The further files' buttons for the selected items (ascending) of
// `count`: Remove for any, Up and Down where the selection can move.
struct ListButtons {
    bool remove, up, down;
    bool operator==(const ListButtons& o) const { return remove == o.remove && up == o.up && down == o.down; }
};
ListButtons ButtonsFor(const std::vector<int>& selected, int count);

// Removes the selected items (ascending); returns the item to select
// then: the one after the first removed, else the last; -1 when none is
// left or none was selected.
template <class T>
int RemoveSelected(std::vector<T>& items, const std::vector<int>& selected) {
    if (selected.empty()) return -1;
    std::vector<T> kept;
    kept.reserve(items.size());
    size_t next = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (next < selected.size() && (size_t)selected[next] == i) ++next;
        else kept.push_back(std::move(items[i]));
    items.swap(kept);
    if (items.empty()) return -1;
    return std::min(selected.front(), (int)items.size() - 1);
}

// Moves the selected items (ascending) one place up (`by` -1) or down (1)
// past their neighbours; returns their places then. Nothing moves where
// ButtonsFor would not allow it.
template <class T>
std::vector<int> MoveSelected(std::vector<T>& items, const std::vector<int>& selected, int by) {
    const ListButtons b = ButtonsFor(selected, (int)items.size());
    if (!(by < 0 ? b.up : b.down)) return selected;
    std::vector<int> moved = selected;
    for (size_t k = 0; k < selected.size(); ++k) {
        const size_t at = by < 0 ? k : selected.size() - 1 - k;
        std::swap(items[(size_t)selected[at]], items[(size_t)(selected[at] + by)]);
        moved[at] += by;
    }
    return moved;
}

// 1,234,567 (the largest 32-bit count for anything larger).
std::string Thousands(uint64_t n);

#endif
