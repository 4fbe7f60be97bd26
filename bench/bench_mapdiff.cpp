// Diff and three-way merge of 100,000-object maps (target: under 2 s each).
#include "document/MapDiff.h"
#include "document/MapMerge.h"
#include "mapdata/Map.h"

#include <benchmark/benchmark.h>
#include <random>

using namespace tv;

namespace {

constexpr int kObjects = 100000;
const char* const kKinds[][2] = {{"TEnemyInfo", "Slime"},
                                 {"TDecorInfo", "Rock"},
                                 {"TDecorInfo", "Crate"},
                                 {"TEnemyInfo", "Bat"},
                                 {"TDecorInfo", "Oak Tree"}};

void Fill(TMap& map, std::mt19937& random) {
    for (int k = 0; k < kObjects; ++k) {
        const auto* kind = kKinds[random() % 5];
        std::unique_ptr<TBaseInfo> record = CreateRecord(kind[0]);
        record->Name = kind[1];
        record->Left = static_cast<int32_t>(random() % 500000);
        record->Top = static_cast<int32_t>(random() % 600);
        record->Z = static_cast<int32_t>(random() % 5);
        map.AddObjectSorted(std::move(record));
    }
}

// A copy with about 1% of the objects moved, 1% edited, 0.5% deleted and 0.5% added.
void Edit(const TMap& from, TMap& to, std::mt19937& random) {
    for (const TBaseInfo* record : from.Objects) {
        const unsigned roll = random() % 200;
        if (roll == 0)
            continue; // deleted
        std::unique_ptr<TBaseInfo> copy = CloneInfo(*record);
        if (roll < 3)
            copy->Left += static_cast<int32_t>(random() % 200) - 100;
        else if (roll < 5)
            copy->Width += 5;
        to.Objects.Add(std::move(copy));
    }
    for (int k = 0; k < kObjects / 200; ++k) {
        std::unique_ptr<TBaseInfo> record = CreateRecord("TEnemyInfo");
        record->Name = "Slime";
        record->Left = static_cast<int32_t>(random() % 500000);
        to.AddObjectSorted(std::move(record));
    }
}

struct Maps {
    TMap Base, Ours, Theirs;
    Maps() {
        std::mt19937 random(3);
        Fill(Base, random);
        Edit(Base, Ours, random);
        Edit(Base, Theirs, random);
    }
};

const Maps& TheMaps() {
    static const Maps maps;
    return maps;
}

void BM_Diff100k(benchmark::State& state) {
    const Maps& maps = TheMaps();
    for (auto _ : state)
        benchmark::DoNotOptimize(DiffMaps(maps.Base, maps.Ours).Objects.size());
}
BENCHMARK(BM_Diff100k)->Unit(benchmark::kMillisecond);

void BM_Merge100k(benchmark::State& state) {
    const Maps& maps = TheMaps();
    for (auto _ : state) {
        TMap out;
        benchmark::DoNotOptimize(MergeMaps(maps.Base, maps.Ours, maps.Theirs, out).size());
    }
}
BENCHMARK(BM_Merge100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
