#pragma once

// tvmtool map diff and map merge: maps compared and merged by object (document/MapDiff.h,
// document/MapMerge.h). Both exit like diff: 0 equal or merged, 1 different or in conflict,
// 2 for trouble (a command line they do not know included).

#include <iosfwd>
#include <string>
#include <vector>

namespace tv::tool {

// "map diff [--base GAMEDIR] [--no-catalogue] [--json] [--render OUT.png [--world-x N]] A B"
// (args[0] is "map"). --render needs a QGuiApplication (NeedsGuiApplication says so).
int MapDiffCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "map merge [--base GAMEDIR] [--no-catalogue] BASE OURS THEIRS -o OUT" (args[0] is "map").
int MapMergeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tv::tool
