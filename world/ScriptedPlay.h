#pragma once

// Plays a map for a number of updates with the player's keys from a key script: the driver
// of "tvmtool play" and of tests that play a level, on the same play engine as the editor
// (TPlaySession::RunUpdate).

#include "mapdata/Geometry.h"
#include "world/KeyScript.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tv {

class TPlaySession;

struct TPlayReport {
    uint64_t Updates = 0;
    uint32_t ElapsedMs = 0;
    std::optional<uint32_t> Seed;
    bool HasPlayer = false;
    std::string PlayerName;
    TPoint PlayerPosition;
    int32_t HitPoints = 0;
    int32_t MaxHitPoints = 0;
    int32_t ExperiencePoints = 0;
    int32_t Kills = 0;
    int32_t Deaths = 0;
    int EnemiesAtStart = 0; // bosses included
    int EnemiesAlive = 0;
    int BossesAtStart = 0;
    int BossesAlive = 0;
    int Objects = 0;
    bool ScrollLocked = false;
};

// Runs the updates with the script's keys set before each one (the key table is cleared
// before and after). Every world message is written as "[update] text" when it is posted; a
// death of the player as "[update] player died: <window title>" followed by the window's
// lines. Raises for a script that names the player's keys when there is no player. Nothing is
// drawn.
TPlayReport RunScriptedPlay(TPlaySession& session, uint64_t updates,
                            const std::vector<TKeySpan>& keys, std::ostream& out);

// What the session's world holds now, as a run's report (the editor's play at its end).
TPlayReport PlayReportOf(TPlaySession& session);

// The summary lines of a run.
void WritePlaySummary(const TPlayReport& report, std::ostream& out);

} // namespace tv
