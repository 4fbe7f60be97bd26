#pragma once

// Plays a map: a game world made from a deep copy of the map, run update by update on a game
// clock of its own, drawn with an overlay on the host's device. The one play engine of the
// editor and of "tvmtool play" (ScriptedPlay.h): both run the same RunUpdate.
//
// A host drives it frame by frame:
//
//   TPlaySession play(map, device, settings);   // the map itself is never changed
//   each frame:  play.Advance(elapsedMs);       // whole updates at the fixed rate, at most 5
//                play.DrawFrame();              // the world and the overlay, presented
//   R:           play.Restart();                // the same start again
//
// Time: the world's objects read GetTickCount. During each update (and each drawing) the
// session installs its game clock, and puts the host's clock back afterwards; update n sees
// kPlayClockStart + n x MsPerUpdate (rounded), whatever the host's frames take. So a host
// keeps its own clock for its frames and the rules see the same time in every host.
//
// Keys: the player reads the key-state table (engine/KeyState.h). The editor's keyboard feeds
// it as keys go down and up; a script feeds it in BeforeUpdate, before each update.

#include "engine/Clock.h"
#include "engine/Device.h"
#include "world/GameWorld.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tv {

class TKeyRecorder;
class TMap;
class TPlayOverlay;

// The game's fixed update rate.
inline constexpr double kGameUpdateMs = 1000.0 / 60.0;
// The most updates one Advance runs: time beyond them is dropped, so that a slow frame does
// not make the next one slower still.
inline constexpr int kMaxUpdatesPerAdvance = 5;
// Where the game clock starts: as far from 0 as the engine's own clock starts, so that time
// stamps that begin at 0 (the player's last contact) count as long past.
inline constexpr uint32_t kPlayClockStart = 100000;

// Where play starts.
struct TPlayStart {
    // The world starts scrolled this far to the right: every object except the backgrounds
    // (which stand on the screen) starts ScrollX units left of where the map places it.
    int32_t ScrollX = 0;
    // When set, the first player starts with its Left here (in map units); its Top stays as
    // placed, so it stays on the ground it was placed on.
    std::optional<int32_t> PlayerLeft;
};

struct TPlaySettings {
    TPlayStart Start;
    // Game time per update (the clock the objects read); also the pace of Advance when
    // positive.
    double MsPerUpdate = kGameUpdateMs;
    // When set, the process's random generator is seeded with it at every start.
    std::optional<uint32_t> Seed;
    // Advance runs no updates after the player died, until Restart.
    bool PauseOnDeath = false;
    // DrawFrame draws the overlay over the world.
    bool Overlay = true;
};

// What the overlay shows.
struct TPlayStatus {
    bool HasPlayer = false;
    int32_t HitPoints = 0;
    int32_t MaxHitPoints = 0;
    int32_t ExperiencePoints = 0;
    // The player died since the start (it is revived at once; the host decides what follows).
    bool Died = false;
    std::string Message;         // the world's last message
    std::string PreviousMessage; // and the one before
    uint64_t Updates = 0;
};

class TPlaySession {
public:
    // Copies the map's records and variables and builds the world (see BuildWorldFromMap,
    // which names a record that cannot be made). device may be empty: the world then runs
    // without textures and draws nothing.
    TPlaySession(const TMap& map, PD3DDevice device, TPlaySettings settings = {});
    ~TPlaySession();
    TPlaySession(const TPlaySession&) = delete;
    TPlaySession& operator=(const TPlaySession&) = delete;

    // A new world from the same copy and start; the update count and the death start again.
    void Restart();
    // Adds the elapsed time and runs the whole updates it covers, at most
    // kMaxUpdatesPerAdvance. Returns how many ran. Negative or non-finite times count as 0.
    int Advance(double elapsedMs);
    // One update: the game clock steps, BeforeUpdate, the world's pass (nothing drawn).
    void RunUpdate();
    // One frame on the device: the world, the overlay, present. Nothing without a device.
    void DrawFrame();

    TPlayStatus Status() const;
    uint64_t Updates() const { return updates_; }
    // The game clock's time at the last update (kPlayClockStart before the first).
    uint32_t GameTime() const { return clock_.NowMs(); }
    TGameWorld& World() { return *world_; }
    const TPlaySettings& Settings() const { return settings_; }

    // Called before each update with its number (from 1), under the game clock.
    std::function<void(uint64_t update)> BeforeUpdate;

    // From now on (and after every Restart) the player's keys are recorded, update by update
    // after BeforeUpdate (KeyRecorder.h). Nothing happens without a player.
    void RecordKeys();
    // The keys recorded since the start, or none.
    const TKeyRecorder* Recording() const { return recorder_.get(); }
    // The enemies (bosses included) and the bosses in the world at the start.
    int EnemiesAtStart() const { return enemiesAtStart_; }
    int BossesAtStart() const { return bossesAtStart_; }

private:
    void Build();
    double Pace() const;

    std::unique_ptr<TMap> start_;
    PD3DDevice device_;
    TPlaySettings settings_;
    ManualClock clock_{kPlayClockStart};
    std::unique_ptr<TGameWorld> world_;
    std::unique_ptr<TPlayOverlay> overlay_;
    std::unique_ptr<TKeyRecorder> recorder_;
    bool recording_ = false;
    int enemiesAtStart_ = 0;
    int bossesAtStart_ = 0;
    uint64_t updates_ = 0;
    double pendingMs_ = 0.0;
    bool died_ = false;
};

} // namespace tv
