#pragma once

// A game folder of the user's own for an installed, read-only one: the data folders are links
// to the installed ones, the maps folder holds copies of its maps, so Save has somewhere to
// write. Which one belongs to which installed folder is kept in
// $XDG_CONFIG_HOME/tvedit/game-folders.json.

#include <optional>
#include <string>

namespace tv {

class IDialogs;

// Where the editor offers to make it: $XDG_DATA_HOME/tvedit/game/ (else ~/.local/share/...).
std::string DefaultUserGameFolder();

// Makes `folder` (ending in a separator or not) the user's game folder for `source`: links to
// every entry of `source` but the programs' folder and the one holding Data/Maps, which is
// made as a folder with links to its entries but Maps, and copies of the maps (writable). What
// exists already is kept, nothing is overwritten, so it can be run again after an upgrade.
// Records it for `source`. Raises EError naming the file that could not be made.
void MakeUserGameFolder(const std::string& source, const std::string& folder);

// The user's game folder recorded for `source` (ending in "/"); "" when the user declined to
// make one; nothing when never asked.
std::optional<std::string> RecordedUserGameFolder(const std::string& source);
void RecordUserGameFolder(const std::string& source, const std::string& folder);

// Whether Save can write into the maps folder of a game folder.
bool MapsFolderWritable(const std::string& gameFolder);

// The game folder the editor starts on when no --base is given, for the program's own game
// folder `source`: the user's game folder recorded for it; else, when the maps folder cannot
// be written, the one the user agrees to make at DefaultUserGameFolder() (asked once);
// else `source`.
std::string ChooseGameFolder(const std::string& source, bool sourceWritable, IDialogs& dialogs);

} // namespace tv
