// Saving and loading a map of 100,000 objects (half stored by reference to a catalogue of 500
// prototypes, half in full), each compared with plainly writing or reading as many bytes to or
// from a file in the same run. The counter "vs_plain" is the ratio of the two times.
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kObjects = 100000;
constexpr int kPrototypes = 500;

struct Fixture {
    QTemporaryDir dir;
    tv::TObjMgr catalogue;
    tv::TMap map;
    std::string path;
    size_t fileSize = 0;

    Fixture() {
        for (int i = 0; i < kPrototypes; ++i) {
            std::unique_ptr<tv::TBaseInfo> prototype;
            if (i % 2 == 0)
                prototype = std::make_unique<tv::TEnemyInfo>();
            else
                prototype = std::make_unique<tv::TDecorInfo>();
            prototype->Name = "Prototype " + std::to_string(i);
            catalogue.Add(std::move(prototype));
        }
        for (int i = 0; i < kObjects; ++i) {
            std::unique_ptr<tv::TBaseInfo> record;
            if (i % 2 == 0) {
                record = tv::CloneInfo(*catalogue.Get(i % kPrototypes));
            } else {
                // Stored in full: a name the catalogue does not have.
                record = i % 3 == 0 ? std::unique_ptr<tv::TBaseInfo>(new tv::TPlayerInfo)
                                    : std::unique_ptr<tv::TBaseInfo>(new tv::TEnemyInfo);
                record->Name = "Placed " + std::to_string(i);
            }
            record->Left = i;
            record->Top = i % 600;
            map.Objects.Add(std::move(record));
        }
        path = dir.filePath("bench.tvm").toStdString();
        map.SaveToFile(path, &catalogue);
        tv::TMemoryStream s;
        map.WriteToStream(s, &catalogue);
        fileSize = s.Bytes().size();
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

using Clock = std::chrono::steady_clock;

// Plain write of size bytes to a new file, flushed to the disk as a safe save is.
double PlainWriteSeconds(const std::string& path, size_t size) {
    const std::vector<char> bytes(size, 'x');
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), size) != static_cast<ssize_t>(size) || ::fsync(fd))
        std::abort();
    ::close(fd);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Plain read of size bytes: into a buffer already in memory (the strict comparison), or into
// one allocated for it, as a program reading a whole file into memory does.
double PlainReadSeconds(const std::string& path, size_t size, bool newBuffer = false) {
    std::unique_ptr<char[]> buffer;
    if (!newBuffer)
        buffer = std::make_unique<char[]>(size);
    const auto start = Clock::now();
    if (newBuffer)
        buffer.reset(new char[size]);
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::read(fd, buffer.get(), size) != static_cast<ssize_t>(size))
        std::abort();
    ::close(fd);
    benchmark::DoNotOptimize(buffer.get());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the measured action and its plain counterpart alternately, so both see the same machine.
template <class Action, class Plain>
void Compare(benchmark::State& state, Action action, Plain plain) {
    double actionSeconds = 0;
    double plainSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        action();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        actionSeconds += seconds;
        state.SetIterationTime(seconds);
        plainSeconds += plain();
    }
    state.counters["plain_ms"] = plainSeconds * 1000.0 / static_cast<double>(state.iterations());
    state.counters["vs_plain"] = actionSeconds / plainSeconds;
    state.counters["file_MB"] = static_cast<double>(Data().fileSize) / 1e6;
}

void BM_SaveMap(benchmark::State& state) {
    Fixture& f = Data();
    const std::string plainPath = f.dir.filePath("plain.bin").toStdString();
    Compare(
        state, [&] { f.map.SaveToFile(f.path, &f.catalogue); },
        [&] { return PlainWriteSeconds(plainPath, f.fileSize); });
}
BENCHMARK(BM_SaveMap)->UseManualTime()->Unit(benchmark::kMillisecond);

// Loading with the reader's own choice of threads (state.range(0) == 0, one per processor) or
// with the given number.
void BM_LoadMap(benchmark::State& state) {
    Fixture& f = Data();
    tv::TMapReadOptions options;
    options.Threads = static_cast<int>(state.range(0));
    // The map loaded is freed outside both measured parts: loading is what is compared.
    std::unique_ptr<tv::TMap> loaded;
    double newBufferSeconds = 0;
    Compare(
        state,
        [&] {
            loaded = std::make_unique<tv::TMap>();
            loaded->LoadFromFile(f.path, &f.catalogue, options);
        },
        [&] {
            loaded.reset();
            newBufferSeconds += PlainReadSeconds(f.path, f.fileSize, true);
            return PlainReadSeconds(f.path, f.fileSize);
        });
    // Against the plain read that allocates its buffer, as loading has to.
    state.counters["vs_plain_new_buffer"] =
        state.counters["vs_plain"] * state.counters["plain_ms"] /
        (newBufferSeconds * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LoadMap)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The in-memory halves without the file system.
void BM_WriteMapToMemory(benchmark::State& state) {
    Fixture& f = Data();
    for (auto _ : state) {
        tv::TMemoryStream s;
        f.map.WriteToStream(s, &f.catalogue);
        benchmark::DoNotOptimize(s.Bytes().data());
    }
}
BENCHMARK(BM_WriteMapToMemory)->Unit(benchmark::kMillisecond);

void BM_ReadMapFromMemory(benchmark::State& state) {
    Fixture& f = Data();
    tv::TMemoryStream source;
    f.map.WriteToStream(source, &f.catalogue);
    for (auto _ : state) {
        source.SetPosition(0);
        tv::TMap map;
        map.ReadFromStream(source, &f.catalogue);
        benchmark::DoNotOptimize(map.Objects.Count());
    }
}
BENCHMARK(BM_ReadMapFromMemory)->Unit(benchmark::kMillisecond);

// Reading alone: the maps read are freed outside the measured time.
void BM_ReadMapFromMemoryKeepingMaps(benchmark::State& state) {
    Fixture& f = Data();
    tv::TMemoryStream source;
    f.map.WriteToStream(source, &f.catalogue);
    for (auto _ : state) {
        source.SetPosition(0);
        auto map = std::make_unique<tv::TMap>();
        map->ReadFromStream(source, &f.catalogue);
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadMapFromMemoryKeepingMaps)->Unit(benchmark::kMillisecond);

// The floor under loading: making the map's 100,000 records as copies, with nothing read or
// looked up. Compared with the same plain read as BM_LoadMap.
void BM_CopyRecordsOnly(benchmark::State& state) {
    Fixture& f = Data();
    std::unique_ptr<tv::TBaseInfoList> copies;
    Compare(
        state,
        [&] {
            copies = std::make_unique<tv::TBaseInfoList>(true);
            copies->Reserve(kObjects);
            for (const tv::TBaseInfo* record : f.map.Objects)
                copies->Add(tv::CloneInfo(*record));
        },
        [&] {
            copies.reset();
            return PlainReadSeconds(f.path, f.fileSize);
        });
}
BENCHMARK(BM_CopyRecordsOnly)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
