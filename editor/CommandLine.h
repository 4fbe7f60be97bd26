#pragma once

// The editor's command line: tvedit [--base GAMEDIR] [MAP.tvm]. Without arguments the editor
// starts as it always did: on the folder above its own, with the untitled map.

#include <stdexcept>
#include <string>
#include <vector>

namespace tv {

inline constexpr const char* kEditorUsage = "usage: tvedit [--base GAMEDIR] [MAP.tvm]";

struct TEditorCommandLine {
    // The game folder (absolute, ending in a separator); empty: the folder above the program's.
    std::string BaseFolder;
    // The map to open at start (absolute); empty: the untitled map.
    std::string MapPath;
    bool Help = false;
};

// A command line the editor does not understand; the text says why.
struct TEditorUsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Reads the arguments after the program name. Relative paths are taken from the current
// folder; GAMEDIR must be a folder.
TEditorCommandLine ParseEditorCommandLine(const std::vector<std::string>& args);

} // namespace tv
