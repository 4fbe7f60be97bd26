#pragma once

// Runs a map's world objects for a number of updates on a simulated clock, with the player's
// keys taken from a script: the engine of "tvmtool play" and of tests that play a level.
//
// Key script: one entry per line (lines end in "\n", "\r\n" or "\r"; a UTF-8 byte order mark in
// front is skipped), blank lines and text after "#" ignored:
//
//   RIGHT 1-120      # the player's right key is down from update 1 to update 120
//   FIRE1 30-200
//   UP 45            # down during update 45 only
//   65 10-20         # a virtual-key code (65 is "A")
//
// Names: LEFT, RIGHT, UP, DOWN, FIRE1, FIRE2 stand for the first player's own keys (from its
// record); SHIFT, CTRL, SPACE, a single letter or digit, or a number 1..255 name a key
// directly. Names ignore letter case. Updates are numbered from 1; a key is down during every
// update its spans cover and up otherwise (it goes down and up between updates, as a person
// would press it).

#include "engine/Clock.h"
#include "engine/Device.h"
#include "world/GameWorld.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TMap;

struct TKeySpan {
    std::string Name; // as written, upper-cased
    uint64_t First = 0;
    uint64_t Last = 0;
    int Line = 0;
};

// Raises an EError naming the line for anything it cannot read: an unknown key name, a
// missing or malformed range, a range that ends before it starts or starts at 0.
std::vector<TKeySpan> ParseKeyScript(const std::string& text);

struct TPlayOptions {
    uint64_t Updates = 0;
    double MsPerUpdate = 1000.0 / 60.0;
    std::vector<TKeySpan> Keys;
    // With a device, only the last update draws a frame unless every one should (drawing does
    // not change the rules, and software rendering is slow).
    bool DrawEveryUpdate = false;
};

struct TPlayReport {
    uint64_t Updates = 0;
    uint32_t ElapsedMs = 0;
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
    int Objects = 0;
    bool ScrollLocked = false;
};

// Where the simulated clock starts: as far from 0 as the engine's own clock starts, so that
// time stamps that begin at 0 (the player's last contact) count as long past.
inline constexpr uint32_t kPlayClockStart = 100000;

// Owns a world and the simulated clock it runs on. The clock is installed for the session's
// lifetime (the clock installed before comes back afterwards), so objects made by Build take
// their creation time from it; the key table is cleared at the start and at the end.
class TPlaySession {
public:
    // device may be empty: the world then runs without textures and draws nothing.
    explicit TPlaySession(PD3DDevice device);
    ~TPlaySession();
    TPlaySession(const TPlaySession&) = delete;
    TPlaySession& operator=(const TPlaySession&) = delete;

    TGameWorld& World() { return *world_; }
    ManualClock& Clock() { return clock_; }

    // The map's objects become the world (see BuildWorldFromMap).
    void Build(const TMap& map);
    // Runs the updates. Every world message is written as "[update] text" when it is posted;
    // a death of the player as "[update] player died: <window title>" followed by the
    // window's lines (texts shortened and escaped as MessageName does: names come from files).
    // Raises for a key script that names the player's keys when there is no player.
    TPlayReport Run(const TPlayOptions& options, std::ostream& out);

private:
    ManualClock clock_{kPlayClockStart};
    IClock* previousClock_;
    PD3DDevice device_;
    std::unique_ptr<TGameWorld> world_;
};

// The summary lines of a run.
void WritePlaySummary(const TPlayReport& report, std::ostream& out);

} // namespace tv
