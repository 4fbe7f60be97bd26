#pragma once

#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "tools/tvmtool/SourceJson.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace tv::tool {

// Everything tvmtool does, callable without a process. Functions raise an EError with the
// text the tool prints; Run turns them into exit statuses.

// Problems that do not stop a map from loading: a FileName that is not a bare file name,
// textures missing under BaseFolder() + "Data\Graphic\", texture, sound and music names that
// leave their data folder, and objects whose Left lies outside 0..MaxWorldX.
std::vector<std::string> MapWarnings(const TMap& map);

// For map build: objects that will be stored by reference although the source gives them
// values (or a class) other than their prototype's, which loading will put back.
std::vector<std::string> ReferenceWarnings(const QByteArray& json, const TMap& map,
                                           const TObjMgr* catalogue);

// A source file's bytes (ReadRegularFile: a pipe or a device is refused).
QByteArray ReadWholeFile(const std::string& path);

// LoadFromFile for a map command. When it fails with the catalogue and the map reads whole
// without it, a line under the error says which entry was written in full under a prototype's
// name (a map built with --no-catalogue).
bool LoadCommandMap(TMap& map, const std::string& path, const TObjMgr* catalogue);

// The game folder of a command, ending in a separator: the one given with --base, else the
// folder above the tool's own folder.
std::string GameFolder(const std::string& given);

// A mistake on the command line: the tool prints it with the usage text and exits with 2.
struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// What the command line of every command that reads a map gives.
struct CommandLine {
    std::string GameDir; // the game folder (GameFolder), ending in a separator
    bool UseCatalogue = true;
    std::vector<std::string> Files;
};

// A command's own option: gets the option and a function that takes its value from the
// command line; returns false for an option the command does not know.
using OwnOption = std::function<bool(const std::string& option,
                                     const std::function<const std::string&()>& value)>;

// Reads args from index first on: --base GAMEDIR and --no-catalogue, the command's own
// options, and files, of which there must be fileCount. Raises UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args, size_t first, size_t fileCount,
                             const OwnOption& ownOption = {});

// Sets the base folder for the life of a command.
class ScopedBaseFolder {
public:
    explicit ScopedBaseFolder(std::string folder);
    ~ScopedBaseFolder();
    ScopedBaseFolder(const ScopedBaseFolder&) = delete;
    ScopedBaseFolder& operator=(const ScopedBaseFolder&) = delete;

private:
    std::string previous_;
};

// tvmtool's command line (without the program name). Output goes to out, failures and
// notices to err. Returns 0 on success, 1 on failure, 2 for a command line it does not know.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tv::tool
