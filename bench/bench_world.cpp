// Update passes of crowded game worlds (no device), through the collision index and through
// the plain walk over the whole list that it replaces. One iteration is one update; a world
// is made afresh every 120 updates (not timed), so a figure is the mean over a world's first
// 120 updates.
//   Stacked: a player firing at N enemies stacked at one spot on the screen, all walking and
//            shooting; every enemy overlaps every other.
//   Spread:  10,000 enemies and decorations along a level 200,000 units long; a game runs one
//            pass per 1000/60 ms, so a pass must stay well below 16 ms.
// And one play frame on the demo map as the editor plays it: an update of the play engine and
// a frame drawn with the overlay on a headless back buffer of the editor's view size (Mesa's
// software renderer under Xvfb), with the share of the frame the rules take. Run under an X
// server (Xvfb).

#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "world/Actors.h"
#include "world/Equipment.h"
#include "world/GameWorld.h"
#include "world/PlaySession.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <random>

namespace {

constexpr int kUpdatesPerWorld = 120;

const char* const kEquipment = R"({
  "weapons": [
    {"Name": "Hrouda slizu", "Damage": 1, "Rate": 0.8, "ProjectileSpeed": 5.0,
     "ProjectileWidth": 20, "ProjectileHeight": 14},
    {"Name": "Drápy", "Damage": 2},
    {"Name": "Vrhací nože", "Damage": 2, "Rate": 2.0, "ProjectileSpeed": 8.0,
     "ProjectileWidth": 24, "ProjectileHeight": 4},
    {"Name": "Dýka", "Damage": 1}
  ],
  "armours": []
})";

template <class T> T* Add(tv::TGameWorld& world, int x, int y, int w, int h) {
    return static_cast<T*>(world.AddObject(std::make_unique<T>(
        tv::PD3DDevice(), tv::TDXBounds{x, y, w, h}, nullptr, 0u, tv::kClassDefaultZ, true)));
}

void AddPlayer(tv::TGameWorld& world) {
    auto* player = Add<tv::TPlayer>(world, 100, 300, 64, 32);
    player->MaxHitPoints = player->HitPoints = 1000000;
}

void FillStacked(tv::TGameWorld& world, int enemies) {
    AddPlayer(world);
    for (int i = 0; i < enemies; ++i) {
        auto* enemy = Add<tv::TEnemy>(world, 600, 300, 64, 32);
        enemy->MaxHitPoints = enemy->HitPoints = 7;
        enemy->Speed = -1.0f;
    }
}

void FillSpread(tv::TGameWorld& world, int objects) {
    AddPlayer(world);
    std::mt19937 random(11);
    for (int i = 0; i < objects; ++i) {
        const int x = 400 + i * 20;
        const int y = 40 + static_cast<int>(random() % 480);
        if (i % 4 == 3)
            Add<tv::TDecor>(world, x, y, 64, 64)->ProjectilesPass = random() % 2 == 0;
        else
            Add<tv::TEnemy>(world, x, y, 64, 32);
    }
}

// Runs passes of worlds made by fill, a fresh one every kUpdatesPerWorld updates, with the
// player walking right and firing.
template <class Fill>
void RunWorlds(benchmark::State& state, tv::TCollisionWalk walk, const Fill& fill) {
    tv::ManualClock clock(100000);
    tv::ScopedClock scoped(clock);
    tv::RegisterWorldClasses();
    tv::LoadEquipmentJson(kEquipment);
    tv::ResetKeyState();
    tv::SetKeyDown(tv::VK_SHIFT, true);
    tv::SetKeyDown(tv::VK_RIGHT, true);
    std::unique_ptr<tv::TGameWorld> world;
    int updates = 0;
    int objects = 0;
    for (auto _ : state) {
        if (updates % kUpdatesPerWorld == 0) {
            state.PauseTiming();
            world.reset();
            clock.Set(100000);
            world = std::make_unique<tv::TGameWorld>();
            world->CollisionWalk = walk;
            world->MakeCurrent();
            fill(*world);
            objects = world->Objects.Count();
            state.ResumeTiming();
        }
        clock.Advance(17);
        world->Step();
        ++updates;
    }
    state.counters["objects"] = objects;
    world.reset();
    tv::ResetKeyState();
    tv::ClearEquipment();
}

void BM_Stacked(benchmark::State& state) {
    const auto walk = static_cast<tv::TCollisionWalk>(state.range(1));
    const int enemies = static_cast<int>(state.range(0));
    RunWorlds(state, walk, [enemies](tv::TGameWorld& world) { FillStacked(world, enemies); });
}
// Second argument: 0 through the index, 1 the plain walk.
BENCHMARK(BM_Stacked)
    ->ArgsProduct({{500, 1000, 2000}, {0, 1}})
    ->ArgNames({"enemies", "plain"})
    ->Unit(benchmark::kMillisecond);

void BM_Spread(benchmark::State& state) {
    const auto walk = static_cast<tv::TCollisionWalk>(state.range(1));
    const int objects = static_cast<int>(state.range(0));
    RunWorlds(state, walk, [objects](tv::TGameWorld& world) { FillSpread(world, objects); });
}
BENCHMARK(BM_Spread)
    ->ArgsProduct({{10000}, {0, 1}})
    ->ArgNames({"objects", "plain"})
    ->Unit(benchmark::kMillisecond);

// The demo map played with the player walking right and firing, restarted every 600 updates
// (not timed).
void BM_PlayFrame(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    tv::SetBaseFolder(std::string(TV_GAME_DIR) + "/");
    tv::RegisterWorldClasses();
    tv::TObjMgr catalogue;
    catalogue.LoadCatalogue();
    tv::TMap map;
    if (!map.LoadFromFile(std::string(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm", &catalogue) ||
        !tv::LoadEquipmentFile()) {
        state.SkipWithError("the demo game folder is missing");
        return;
    }
    tv::THeadlessTarget target(446, 356);
    const tv::TEngineSession engine(&target, 446, 356);
    const tv::PD3DDevice& device = engine.Device();
    if (!device) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    tv::ResetKeyState();
    tv::SetKeyDown(tv::VK_RIGHT, true);
    tv::SetKeyDown(tv::VK_SHIFT, true);
    Clock::duration rules{};
    Clock::duration drawing{};
    {
        tv::TPlaySession play(map, device);
        for (auto _ : state) {
            if (play.Updates() == 600) {
                state.PauseTiming();
                play.Restart();
                state.ResumeTiming();
            }
            const auto start = Clock::now();
            play.RunUpdate();
            const auto updated = Clock::now();
            play.DrawFrame();
            const auto drawn = Clock::now();
            rules += updated - start;
            drawing += drawn - updated;
        }
    }
    const double total = std::chrono::duration<double>(rules + drawing).count();
    state.counters["rules_share_pct"] =
        total > 0 ? 100.0 * std::chrono::duration<double>(rules).count() / total : 0.0;
    state.counters["rules_us"] =
        benchmark::Counter(std::chrono::duration<double, std::micro>(rules).count(),
                           benchmark::Counter::kAvgIterations);
    state.counters["drawing_us"] =
        benchmark::Counter(std::chrono::duration<double, std::micro>(drawing).count(),
                           benchmark::Counter::kAvgIterations);
    tv::ResetKeyState();
    tv::ClearEquipment();
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
