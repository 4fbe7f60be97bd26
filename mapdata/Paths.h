#pragma once

#include <string>
#include <string_view>

namespace tv {

// Data names ("editor\obj.png", "data\obj\objects.tvd") keep their backslashes: they are
// shared with the game. Folders the program works out for itself end in the native separator.

// The running program's folder followed by a separator.
std::string ProgramFolder();

// The folder above a folder; both separators count; no trailing separator in the result.
// A text without any separator comes back unchanged.
std::string ParentFolder(std::string_view path);

// Turns a path that may hold data-style backslashes into a native path. Where the exact path
// does not exist, components are matched without regard to letter case: every spelling of a
// component (the exact one first) is tried until the whole path exists, so a folder that holds
// both "data" and "Data" finds a file in either. A path that exists under no spelling comes
// back with the longest run of leading components that did resolve, the rest as given.
std::string NativePath(std::string_view path);

bool FileExists(std::string_view path);

// The folder that holds the data folders, ending in a separator. Starts as ProgramFolder();
// the editor and the tools set it to the game folder.
const std::string& BaseFolder();
void SetBaseFolder(std::string folder);

// The part after the last "\", "/" or ":".
std::string ExtractFileName(std::string_view path);
// Whether a stored FileName is a bare file name that names a file in the folder it is joined
// to: not empty, not "." or "..", and without "\", "/", ":" or control characters (C0, DEL,
// C1). Maps from elsewhere may hold anything there; only a bare name may be saved under.
bool IsBareFileName(std::string_view name);
// Whether a data name (a texture, sound or music name, relative to its data folder) leaves
// that folder: a ".." component, or a name that starts at a root or a drive.
bool LeavesDataFolder(std::string_view name);
// From the last "." of the file name, inclusive; empty when there is none.
std::string ExtractFileExt(std::string_view path);

// The path of a file relative to a folder, written with backslashes (".." steps to climb).
// Components compare without regard to letter case.
std::string RelativeDataPath(std::string_view baseFolder, std::string_view file);

} // namespace tv
