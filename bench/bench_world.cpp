// One update pass of a busy game world (no device): every actor on screen walks the object
// list on each move, so the pass grows with the square of the objects on screen. A game runs
// one pass per frame, so a pass of a few hundred objects should stay far below 16 ms.

#include "engine/Clock.h"
#include "world/Actors.h"
#include "world/Equipment.h"
#include "world/GameWorld.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

template <class T> T* Add(tv::TGameWorld& world, int x, int y, int w, int h) {
    return static_cast<T*>(world.AddObject(std::make_unique<T>(
        tv::PD3DDevice(), tv::TDXBounds{x, y, w, h}, nullptr, 0u, tv::kClassDefaultZ, true)));
}

// count objects of each kind spread over two screens; nothing in it ever dies or moves away
// (the scroll is locked and the actors stand).
void FillWorld(tv::TGameWorld& world, int count) {
    Add<tv::TPlayer>(world, 50, 300, 64, 32)->MeleeWeapon = nullptr;
    for (int i = 0; i < count; ++i) {
        const int x = (i * 37) % 1600;
        const int y = 40 + (i * 53) % 480;
        auto* enemy = Add<tv::TEnemy>(world, x, y, 64, 32);
        enemy->RangedWeapon = nullptr;
        enemy->MeleeWeapon = nullptr;
        enemy->MaxHitPoints = enemy->HitPoints = 1000000;
        enemy->Speed = 0.0f;
        Add<tv::TDecor>(world, x + 11, y + 7, 64, 64)->ProjectilesPass = true;
        auto* shot = Add<tv::TProjectile>(world, x + 5, y + 3, 16, 8);
        shot->Range = 1 << 30;
        shot->Speed = 0.0f;
    }
}

void BM_WorldStep(benchmark::State& state) {
    tv::ManualClock clock(100000);
    tv::ScopedClock scoped(clock);
    tv::RegisterWorldClasses();
    tv::ClearEquipment();
    tv::TGameWorld world;
    world.MakeCurrent();
    FillWorld(world, static_cast<int>(state.range(0)));
    world.LockScroll();
    for (auto _ : state) {
        clock.Advance(16);
        world.Step();
    }
    state.counters["objects"] = world.Objects.Count();
    tv::CurrentWorld = nullptr;
}
BENCHMARK(BM_WorldStep)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
