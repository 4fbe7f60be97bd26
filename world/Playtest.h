#pragma once

// Recorded playtests: a play kept beside its map and replayed whenever the map changes.
//
// For a map "levels/green_hills.tvm" a playtest NAME is two files in
// "levels/green_hills.playtests/":
//   NAME.keys         the key script (KeyScript.h) with its "#!" header: map, seed, start,
//                     updates; "tvmtool play --keys" plays it as it is
//   NAME.expect.json  the outcome: {"Updates", "Player": {"Name", "X", "Y", "HitPoints",
//                     "MaxHitPoints", "ExperiencePoints"}, "Kills", "Deaths", "EnemiesAlive",
//                     "EnemiesDead", "BossesAlive", "ScrollLocked", "XTolerance"}
// A replay matches when deaths, kills and bosses left are the same and the player's final x
// lies within XTolerance (default 0) of the expected one.

#include "engine/Device.h"
#include "world/KeyScript.h"
#include "world/ScriptedPlay.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

class TMap;

struct TPlaytestExpectation {
    uint64_t Updates = 0;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t HitPoints = 0;
    int32_t ExperiencePoints = 0;
    int32_t Kills = 0;
    int32_t Deaths = 0;
    int EnemiesAlive = 0;
    int BossesAlive = 0;
    bool ScrollLocked = false;
    int32_t XTolerance = 0;
};

struct TPlaytest {
    std::string Name;
    TKeyScriptHeader Header;
    std::vector<TKeySpan> Keys;
    TPlaytestExpectation Expect;
};

// "<folder of the map>/<map file name without extension>.playtests" (native separators).
std::string PlaytestFolder(const std::string& mapPath);
// The names of the map's playtests (every NAME.keys in its folder), sorted.
std::vector<std::string> PlaytestNames(const std::string& mapPath);
// Whether a name can be a playtest's: not empty, no folder, drive or control characters.
bool IsPlaytestName(const std::string& name);

// Reads both files; raises an EError naming the file and what is wrong.
TPlaytest ReadPlaytest(const std::string& mapPath, const std::string& name);
// Writes both files (the folder is made when missing), each through a temporary file.
void SavePlaytest(const std::string& mapPath, const std::string& name,
                  const TKeyScriptHeader& header, const std::vector<TKeySpan>& keys,
                  const TPlayReport& outcome);

// The expectation file's text for an outcome, and the expectation a text gives (raises for
// anything it cannot read, naming the field).
std::string ExpectationJson(const TPlayReport& outcome, int32_t xTolerance = 0);
TPlaytestExpectation ParseExpectation(const std::string& json);

// Plays the map for the playtest's updates with its keys, seed and start (nothing drawn,
// messages dropped).
TPlayReport ReplayPlaytest(const TMap& map, const TPlaytest& playtest);
// What differs from the expectation, one text each ("kills 1 -> 0"); empty when it matches.
std::vector<std::string> PlaytestChanges(const TPlaytestExpectation& expect,
                                         const TPlayReport& outcome);

} // namespace tv
