#pragma once

// tvmtool play: a map's world objects run for a number of updates on a simulated clock, with
// the player's keys from a script (see world/KeyScript.h for the script format), through the
// editor's play engine (world/PlaySession.h).

#include <iosfwd>
#include <string>
#include <vector>

namespace tv::tool {

// "play [--base GAMEDIR] [--no-catalogue] MAP.tvm --updates N [--keys SCRIPT]
//  [--ms-per-update MS] [--seed N] [--screenshot OUT.png]" (args[0] is "play").
// Seeds the random generator with N (1 unless given), prints every world message as
// "[update] text" while the world runs, then a summary that names the seed. With a
// QGuiApplication that gets an OpenGL context, textures are loaded and --screenshot saves a
// frame of the world after the last update, drawn on a headless device; otherwise the rules
// run without textures (a note says so) and --screenshot fails. Returns 0, 1 on failure (the
// text on err) and 2 for a command line it does not understand (usage on err).
int PlayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tv::tool
