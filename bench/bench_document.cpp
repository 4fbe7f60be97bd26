// The map document's undo stack on a 10,000-object map with view objects on a headless device
// of the editor's view size: "Add" of 10,000 copies, its undo and its redo, Paste of up to
// 10,000 objects and the insert command with 100,000, and the memory the undo stack holds per
// command; opening maps; what Save and the recovery timer add; finding the records in the
// view's rectangle; a rubber band of 10,000 objects on a 100,000-object map and moving them.
// Run under an X server (Xvfb).

#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
#include "document/Recovery.h"
#include "document/ReferenceForm.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/Graphics.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kObjects = 10000;
constexpr int kCopies = 10000;
constexpr int kViewWidth = 446;
constexpr int kViewHeight = 356;

const std::string& GameFolder() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string base = dir.path().toStdString() + "/";
        QDir().mkpath(QString::fromStdString(base + "Data/Graphic/b"));
        QImage strip(128, 64, QImage::Format_ARGB32);
        strip.fill(qRgba(200, 90, 40, 255));
        strip.save(QString::fromStdString(base + "Data/Graphic/b/a.png"));
        return base;
    }();
    return path;
}

std::unique_ptr<tv::TBaseInfo> Decor(int left, int top) {
    auto record = std::make_unique<tv::TDecorInfo>();
    record->Name = "Rock";
    record->Texture = "b\\a.png";
    record->Left = left;
    record->Top = top;
    record->Width = 64;
    record->Height = 64;
    record->Color = 0xFFFFFFFFu;
    return record;
}

// The catalogue the map files refer to: one prototype, "Rock".
const tv::TObjMgr& Catalogue() {
    static tv::TObjMgr catalogue;
    if (catalogue.List.Count() == 0)
        catalogue.List.Add(Decor(0, 0));
    return catalogue;
}

// A document on a headless device with a map of 10,000 decorations (or count) and their view
// objects.
struct DocumentOnDevice {
    explicit DocumentOnDevice(int count = kObjects) : Target(kViewWidth, kViewHeight) {
        tv::SetBaseFolder(GameFolder());
        Engine = std::make_unique<tv::TEngineSession>(&Target, kViewWidth, kViewHeight);
        Device = Engine->Device();
        if (!Device)
            return;
        Document = std::make_unique<tv::TMapDocument>(
            &Catalogue(), std::make_unique<tv::TMapScene>(Device, Engine->Textures()));
        Document->NewMap();
        std::mt19937 random(7);
        // All of one layer: one AddObjectSorted after another puts each first.
        std::vector<std::unique_ptr<tv::TBaseInfo>> records;
        for (int i = 0; i < count; ++i)
            records.push_back(
                Decor(static_cast<int>(random() % 50000), static_cast<int>(random() % 560)));
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            Document->Map().Objects.Add(std::move(*it));
        Document->RebuildViews();
        PurgeDeadViews();
    }
    ~DocumentOnDevice() {
        Document.reset();
        Device.reset();
        Engine.reset();
    }
    // What the next frame does first.
    void PurgeDeadViews() {
        std::erase_if(Document->Scene().Views, [](const auto& view) { return view->Dead; });
        Document->Scene().Touch();
    }
    void AddCopies() {
        Document->AddCopies(*Decor(0, 0), kCopies, tv::TPlacement{0, 0, 50000, 560, true, true});
    }

    tv::THeadlessTarget Target;
    std::unique_ptr<tv::TEngineSession> Engine;
    tv::PD3DDevice Device;
    std::unique_ptr<tv::TMapDocument> Document;
};

#define REQUIRE_DEVICE(document)                                                                   \
    if (!(document).Document) {                                                                    \
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");                        \
        return;                                                                                    \
    }

// Adding the copies to maps of 10,000 (the default) to 1,000,000 objects.
void BM_AddCopies(benchmark::State& state) {
    DocumentOnDevice document(state.range(0) > 0 ? static_cast<int>(state.range(0)) : kObjects);
    REQUIRE_DEVICE(document);
    for (auto _ : state) {
        document.AddCopies();
        state.PauseTiming();
        document.Document->Undo();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddCopies)->Arg(0)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_UndoAddCopies(benchmark::State& state) {
    DocumentOnDevice document;
    REQUIRE_DEVICE(document);
    document.AddCopies();
    for (auto _ : state) {
        document.Document->Undo();
        state.PauseTiming();
        document.PurgeDeadViews();
        document.Document->Redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoAddCopies)->Unit(benchmark::kMillisecond);

void BM_RedoAddCopies(benchmark::State& state) {
    DocumentOnDevice document;
    REQUIRE_DEVICE(document);
    document.AddCopies();
    for (auto _ : state) {
        state.PauseTiming();
        document.Document->Undo();
        document.PurgeDeadViews();
        state.ResumeTiming();
        document.Document->Redo();
    }
}
BENCHMARK(BM_RedoAddCopies)->Unit(benchmark::kMillisecond);

// Paste of n objects (at most kMaxAddCount are taken at once) as the editor's Paste hands
// them over: read from the clipboard's JSON, then put into the map in one step; on a map of
// 10,000 objects (the default) or more.
void BM_PasteObjects(benchmark::State& state) {
    DocumentOnDevice document(state.range(1) > 0 ? static_cast<int>(state.range(1)) : kObjects);
    REQUIRE_DEVICE(document);
    std::vector<std::unique_ptr<tv::TBaseInfo>> records;
    std::mt19937 random(9);
    for (int64_t i = 0; i < state.range(0); ++i) {
        records.push_back(
            Decor(static_cast<int>(random() % 50000), static_cast<int>(random() % 560)));
        records.back()->Name = "Stone"; // no prototype: every field comes from the JSON
        records.back()->Z = static_cast<int32_t>(random() % 5);
    }
    std::vector<const tv::TBaseInfo*> copied;
    for (const auto& record : records)
        copied.push_back(record.get());
    const QByteArray json = QByteArray::fromStdString(tv::ObjectsJson(copied));
    for (auto _ : state) {
        document.Document->Paste(tv::ObjectsFromJson(json, &Catalogue()), 0, 0);
        state.PauseTiming();
        document.Document->Undo();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_PasteObjects)
    ->Args({1000, 0})
    ->Args({tv::kMaxAddCount, 0})
    ->Args({tv::kMaxAddCount, 1000000})
    ->Unit(benchmark::kMillisecond);

// The insert command behind Paste and "Add": one pass, so ten times the records cost about ten
// times the time (AddCopies takes at most kMaxAddCount at once).
void BM_InsertObjects(benchmark::State& state) {
    DocumentOnDevice document;
    REQUIRE_DEVICE(document);
    const auto count = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        document.Document->AddCopies(*Decor(0, 0), count,
                                     tv::TPlacement{0, 0, 50000, 560, true, true});
        state.PauseTiming();
        document.Document->Undo();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertObjects)->Arg(1000)->Arg(tv::kMaxAddCount)->Unit(benchmark::kMillisecond);

// Heap bytes the undo stack holds: per property change, and per copy of an "Add" (the copies
// themselves belong to the map).
void BM_UndoStackMemory(benchmark::State& state) {
    DocumentOnDevice document;
    REQUIRE_DEVICE(document);
    constexpr int kCommands = 1000;
    tv::TMapDocument& doc = *document.Document;
    double perChange = 0;
    double perCopy = 0;
    double perAddedCopy = 0;
    for (auto _ : state) {
        doc.NewMap();
        for (int i = 0; i < kObjects; ++i)
            doc.Map().AddObjectSorted(Decor(i * 5, 100));
        doc.RebuildViews();
        document.PurgeDeadViews();
        const size_t start = mallinfo2().uordblks;
        for (int i = 0; i < kCommands; ++i) {
            doc.Select(doc.Map().Objects[i]);
            doc.SetObjectProperty("Width", std::to_string(10 + i % 50));
        }
        perChange = double(mallinfo2().uordblks - start) / kCommands;
        // An "Add" holds its places; the copies belong to the map.
        doc.NewMap();
        document.PurgeDeadViews();
        const size_t empty = mallinfo2().uordblks;
        document.AddCopies();
        document.PurgeDeadViews();
        const size_t withCopies = mallinfo2().uordblks;
        doc.UndoStack().clear(); // the command goes, the copies stay in the map
        const size_t withoutCommand = mallinfo2().uordblks;
        perCopy = double(withCopies - empty) / kCopies;
        perAddedCopy = double(withCopies - withoutCommand) / kCopies;
    }
    state.counters["stack_bytes_per_property_change"] = perChange;
    state.counters["stack_bytes_per_added_copy"] = perAddedCopy;
    state.counters["bytes_per_copy_record_view_and_step"] = perCopy;
}
BENCHMARK(BM_UndoStackMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// A map file of n reference entries (copies of the catalogue's "Rock" spread over a wide
// world), written once per size.
const std::string& MapFile(int count) {
    static std::map<int, std::string> files;
    auto& path = files[count];
    if (path.empty()) {
        path = GameFolder() + "open" + std::to_string(count) + ".tvm";
        tv::TMap map;
        map.MaxWorldX = 50000;
        std::mt19937 random(3);
        for (int i = 0; i < count; ++i)
            map.Objects.Add(
                Decor(static_cast<int>(random() % 50000), static_cast<int>(random() % 560)));
        map.SaveToFile(path, &Catalogue());
    }
    return path;
}

// Opening a map: reading it and making every view object, as the editor's Open does before
// its pages are filled.
void BM_OpenMap(benchmark::State& state) {
    const std::string& path = MapFile(static_cast<int>(state.range(0)));
    DocumentOnDevice document;
    REQUIRE_DEVICE(document);
    for (auto _ : state) {
        document.Document->NewMap();
        document.PurgeDeadViews();
        document.Document->LoadMap(path);
        document.Document->RebuildViews();
        state.PauseTiming();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(document.Document->Map().Objects.Count());
}
BENCHMARK(BM_OpenMap)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A map of n copies of "Rock", every hundredth with a Width of its own.
std::unique_ptr<tv::TMap> RockMap(int count) {
    auto map = std::make_unique<tv::TMap>();
    map->MaxWorldX = 50000;
    std::mt19937 random(5);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<tv::TBaseInfo> rock =
            Decor(static_cast<int>(random() % 50000), static_cast<int>(random() % 560));
        if (i % 100 == 0)
            rock->Width = 65;
        map->Objects.Add(std::move(rock));
    }
    return map;
}

// What every Save adds: finding the reference objects whose own values the file drops.
void BM_ReferenceLosses(benchmark::State& state) {
    const std::unique_ptr<tv::TMap> map = RockMap(static_cast<int>(state.range(0)));
    size_t found = 0;
    for (auto _ : state)
        found = tv::ReferenceLosses(*map, &Catalogue()).size();
    state.counters["losses"] = static_cast<double>(found);
}
BENCHMARK(BM_ReferenceLosses)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the recovery timer does every 2 minutes while the map is modified.
void BM_RecoveryCopy(benchmark::State& state) {
    const std::unique_ptr<tv::TMap> map = RockMap(static_cast<int>(state.range(0)));
    tv::TRecoveryStore store(GameFolder() + "recovery");
    for (auto _ : state)
        store.Write(*map, std::string());
    state.counters["bytes"] =
        static_cast<double>(QFileInfo(QString::fromStdString(store.CopyPath())).size());
}
BENCHMARK(BM_RecoveryCopy)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A rubber band over about 10,000 of the 100,000 objects of a map: a rectangle the full height
// of the screen, as wide as takes that many.
constexpr int kGroupMapObjects = 100000;
constexpr tv::TRect kRubberBand{10000, 0, 14936, 600};

struct GroupOnDevice : DocumentOnDevice {
    GroupOnDevice() : DocumentOnDevice(kGroupMapObjects) {
        if (Document)
            Document->SelectAll(Document->ObjectsIn(kRubberBand, {}));
    }
};

// Finding the objects under the band and selecting them.
void BM_RubberBandSelect(benchmark::State& state) {
    GroupOnDevice document;
    REQUIRE_DEVICE(document);
    tv::TMapDocument& doc = *document.Document;
    for (auto _ : state) {
        doc.SelectAll(doc.ObjectsIn(kRubberBand, {}));
        state.PauseTiming();
        doc.ClearSelection();
        state.ResumeTiming();
    }
    doc.SelectAll(doc.ObjectsIn(kRubberBand, {}));
    state.counters["selected"] = static_cast<double>(doc.Selection().size());
    state.counters["objects"] = kGroupMapObjects;
}
BENCHMARK(BM_RubberBandSelect)->Unit(benchmark::kMillisecond);

// A whole drag of the selection: the press, one move of the pointer, the release (the undo
// step); and one further move of a drag alone, as every mouse move does it.
void BM_GroupDrag(benchmark::State& state) {
    GroupOnDevice document;
    REQUIRE_DEVICE(document);
    tv::TMapDocument& doc = *document.Document;
    for (auto _ : state) {
        const tv::TBaseInfo& primary = *doc.Selected();
        doc.BeginDrag(primary.Left, primary.Top);
        doc.DragTo(primary.Left + 40, primary.Top + 3);
        doc.EndDrag();
        state.PauseTiming();
        doc.Undo();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
    state.counters["moved"] = static_cast<double>(doc.Selection().size());
}
BENCHMARK(BM_GroupDrag)->Unit(benchmark::kMillisecond);

void BM_GroupDragMove(benchmark::State& state) {
    GroupOnDevice document;
    REQUIRE_DEVICE(document);
    tv::TMapDocument& doc = *document.Document;
    const tv::TBaseInfo& primary = *doc.Selected();
    const int32_t left = primary.Left;
    doc.BeginDrag(left, primary.Top);
    int32_t step = 0;
    for (auto _ : state)
        doc.DragTo(left + (++step % 2 ? 8 : 0), primary.Top);
    doc.EndDrag();
    state.counters["moved"] = static_cast<double>(doc.Selection().size());
}
BENCHMARK(BM_GroupDragMove)->Unit(benchmark::kMillisecond);

// An arrow key on the selection (the nudges merge into one step), and undoing a drag of it.
void BM_GroupNudge(benchmark::State& state) {
    GroupOnDevice document;
    REQUIRE_DEVICE(document);
    tv::TMapDocument& doc = *document.Document;
    int32_t step = 0;
    for (auto _ : state)
        doc.NudgeSelected(++step % 2 ? 1 : -1, 0);
    state.counters["moved"] = static_cast<double>(doc.Selection().size());
}
BENCHMARK(BM_GroupNudge)->Unit(benchmark::kMillisecond);

void BM_UndoGroupDrag(benchmark::State& state) {
    GroupOnDevice document;
    REQUIRE_DEVICE(document);
    tv::TMapDocument& doc = *document.Document;
    const tv::TBaseInfo& primary = *doc.Selected();
    doc.BeginDrag(primary.Left + 40, primary.Top);
    doc.EndDrag();
    for (auto _ : state) {
        doc.Undo();
        state.PauseTiming();
        doc.Redo();
        document.PurgeDeadViews();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoGroupDrag)->Unit(benchmark::kMillisecond);
// The Modify lists' question at every scroll step: the records in the view's rectangle, on a
// map of n records spread 5 units apart on average (so about 160 in view); with a record
// moved just before (Arg 1), the document's index of the records is made again first.
void BM_ObjectsInView(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    tv::TMapDocument document(nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document.NewMap();
    std::mt19937 random(3);
    for (int i = 0; i < count; ++i)
        document.Map().Objects.Add(
            Decor(static_cast<int>(random() % (5u * count)), static_cast<int>(random() % 560)));
    document.RebuildViews();
    document.Select(document.Map().Objects[count / 2]);
    const bool afterEdit = state.range(1) != 0;
    int32_t worldX = 0;
    size_t found = 0;
    for (auto _ : state) {
        if (afterEdit) {
            state.PauseTiming();
            document.NudgeSelected(1, 0);
            state.ResumeTiming();
        }
        worldX = (worldX + 800) % (5 * count);
        found = document.ObjectsIn(tv::ViewRect(worldX), {}).size();
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_ObjectsInView)
    ->Args({10000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
