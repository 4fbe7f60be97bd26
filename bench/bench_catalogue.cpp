// Catalogue reading and name lookups on a catalogue of 5,000 prototypes built in memory.
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <benchmark/benchmark.h>
#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr int kPrototypes = 5000;

std::string PrototypeName(int i) {
    return "Prototype " + std::to_string(i) + " of the demo";
}

const std::vector<uint8_t>& CatalogueBytes() {
    static const std::vector<uint8_t> bytes = [] {
        tv::TMemoryStream s(std::vector<uint8_t>(40, 0));
        s.SetPosition(40);
        s.WriteInt32(kPrototypes);
        for (int i = 0; i < kPrototypes; ++i) {
            std::unique_ptr<tv::TBaseInfo> record;
            switch (i % 4) {
            case 0:
                record = std::make_unique<tv::TEnemyInfo>();
                break;
            case 1:
                record = std::make_unique<tv::TDecorInfo>();
                break;
            case 2:
                record = std::make_unique<tv::TPlayerInfo>();
                break;
            default:
                record = std::make_unique<tv::TBackGroundInfo>();
            }
            record->Name = PrototypeName(i);
            tv::WriteStreamString(s, record->ClassName());
            record->WriteToStream(s);
        }
        return s.Bytes();
    }();
    return bytes;
}

const tv::TObjMgr& LoadedCatalogue() {
    static tv::TObjMgr catalogue;
    if (catalogue.Count() == 0) {
        tv::TMemoryStream s(CatalogueBytes());
        catalogue.ReadCatalogue(s);
    }
    return catalogue;
}

void BM_ReadCatalogue(benchmark::State& state) {
    for (auto _ : state) {
        tv::TMemoryStream s(CatalogueBytes());
        tv::TObjMgr catalogue;
        catalogue.ReadCatalogue(s);
        benchmark::DoNotOptimize(catalogue.Count());
    }
    state.SetItemsProcessed(state.iterations() * kPrototypes);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(CatalogueBytes().size()));
}
BENCHMARK(BM_ReadCatalogue)->Unit(benchmark::kMillisecond);

void Lookups(benchmark::State& state, const std::vector<std::string>& names) {
    const tv::TObjMgr& catalogue = LoadedCatalogue();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(catalogue.FindByName(names[i]));
        i = (i + 1) % names.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FindByNameHit(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < kPrototypes; i += 7)
        names.push_back(PrototypeName(i));
    Lookups(state, names);
}
BENCHMARK(BM_FindByNameHit);

void BM_FindByNameMiss(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < kPrototypes; i += 7)
        names.push_back(PrototypeName(i + kPrototypes));
    Lookups(state, names);
}
BENCHMARK(BM_FindByNameMiss);

void BM_FindByNameOtherCase(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < kPrototypes; i += 7) {
        std::string name = PrototypeName(i);
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    Lookups(state, names);
}
BENCHMARK(BM_FindByNameOtherCase);

void BM_FindByNameAccented(benchmark::State& state) {
    // Names outside ASCII take the Unicode folding path.
    Lookups(state, {"D\xC3\x9DKA", "Vycp\xC3\xA1van\xC3\xA1 zbroj"});
}
BENCHMARK(BM_FindByNameAccented);

// The walk over every prototype that the index replaces, for comparison.
void BM_LinearTextEqualsScan(benchmark::State& state) {
    const tv::TObjMgr& catalogue = LoadedCatalogue();
    const std::string name = PrototypeName(kPrototypes / 2);
    for (auto _ : state) {
        const tv::TBaseInfo* found = nullptr;
        for (int i = 0; i < catalogue.Count(); ++i)
            if (tv::TextEquals(catalogue.Get(i)->Name, name))
                found = catalogue.Get(i);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LinearTextEqualsScan)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
