#pragma once

// tvmtool test: replays the recorded playtests (world/Playtest.h) of a map, or of every map in
// a folder, and compares each outcome with its expectation.

#include <iosfwd>
#include <string>
#include <vector>

namespace tv::tool {

// "test [--base GAMEDIR] [--no-catalogue] [--jobs N] [--junit OUT.xml] MAP.tvm|FOLDER"
// (args[0] is "test"). One line per playtest ("ok", "changed" with what changed, or "error"
// with why it could not run), then a count. --jobs runs that many playtests at once, each in a
// process of this program of its own: the play engine's clock, key table, random generator and
// current world are the process's. Returns 0 when every playtest matched, 1 when one changed or
// could not run, 2 for a command line it does not know.
int TestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tv::tool
