#pragma once

// tvmtool play: a map's world objects run for a number of updates on a simulated clock, with
// the player's keys from a script (see world/PlaySession.h for the script format).

#include <iosfwd>
#include <string>
#include <vector>

namespace tv::tool {

// "play [--base GAMEDIR] [--no-catalogue] MAP.tvm --updates N [--keys SCRIPT]
//  [--ms-per-update MS] [--screenshot OUT.png]" (args[0] is "play").
// Prints every world message as "[update] text" while the world runs, then a summary. With a
// QGuiApplication that gets an OpenGL context, textures are loaded and every update draws a
// frame on a headless device (--screenshot saves the last one); otherwise the rules run
// without textures (a note says so) and --screenshot fails. Returns 0, 1 on failure (the
// text on err) and 2 for a command line it does not understand (usage on err).
int PlayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tv::tool
