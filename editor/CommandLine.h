#pragma once

// The editor's command line: tvedit [--base GAMEDIR] [MAP.tvm], tvedit [--base GAMEDIR]
// --init-game DIR, tvedit --version. Without arguments the editor starts on its game folder
// (editor/UserGameFolder.h) with the untitled map.

#include <stdexcept>
#include <string>
#include <vector>

namespace tv {

// "usage:" and the forms of the command line, from the manual page.
std::string EditorUsage();

struct TEditorCommandLine {
    // The game folder (absolute, ending in a separator); empty: the folder above the program's.
    std::string BaseFolder;
    // The map to open at start (absolute); empty: the untitled map.
    std::string MapPath;
    // --init-game: the user's game folder to make (absolute); empty: none.
    std::string InitGame;
    bool Help = false;
    bool Version = false;
};

// A command line the editor does not understand; the text says why.
struct TEditorUsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Reads the arguments after the program name. Relative paths are taken from the current
// folder; GAMEDIR must be a folder.
TEditorCommandLine ParseEditorCommandLine(const std::vector<std::string>& args);

} // namespace tv
