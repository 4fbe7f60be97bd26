// The map view on a 10,000-object map about 50,000 units wide: rebuilding every view object,
// one frame (the view objects drawn and presented on a headless 446x356 back buffer, the
// editor's view size) against a frame of a map that holds only the objects in view at the same
// position, and one scroll step of the main window (">>": projection, caption, the Modify
// page's property grid and object list, background pinning), and a dense screen: 200 or 2,000
// animated objects all in one screen, every one stepping its animation at every frame. Run
// under an X server (Xvfb).

#include "editor/ModifyPage.h"

#include "bench/SilentDialogs.h"
#include "document/KeptPictures.h"
#include "document/MapScene.h"
#include "editor/Dialogs.h"
#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/RenderCommand.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

namespace {

constexpr int kObjects = 10000;
constexpr int kWorldWidth = 50000;
constexpr int kViewWidth = 446;
constexpr int kViewHeight = 356;
constexpr int kFrameWorldX = 24000;
const char* const kTextures[] = {"b\\a.png", "b\\b.png", "b\\c.png", "b\\d.png",
                                 "b\\e.png", "b\\f.png", "b\\g.png", "b\\h.png"};

// A game folder with the pictures the map names, made once.
const std::string& GameFolder() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string base = dir.path().toStdString() + "/";
        QDir().mkpath(QString::fromStdString(base + "Data/Graphic/b"));
        QDir().mkpath(QString::fromStdString(base + "Data/Graphic/editor"));
        QDir().mkpath(QString::fromStdString(base + "data/obj"));
        for (int i = 0; i < 8; ++i) {
            QImage strip(128, 64, QImage::Format_ARGB32);
            strip.fill(qRgba(30 * i, 255 - 30 * i, 128, 200));
            strip.save(QString::fromStdString(base + "Data/Graphic/b/" +
                                              std::string(1, static_cast<char>('a' + i)) + ".png"));
        }
        QImage frame(16, 16, QImage::Format_ARGB32);
        frame.fill(qRgb(40, 40, 40));
        frame.save(QString::fromStdString(base + "Data/Graphic/editor/frame.png"));
        // One prototype, so that the pages have a catalogue to work with.
        tv::TMemoryStream catalogue;
        const uint8_t header[40] = {};
        catalogue.WriteBuffer(header, sizeof header);
        catalogue.WriteInt32(1);
        tv::WriteStreamString(catalogue, "TDecorInfo");
        tv::TDecorInfo prototype;
        prototype.Name = "Rock";
        prototype.Texture = kTextures[0];
        prototype.WriteToStream(catalogue);
        FILE* file = std::fopen((base + "data/obj/objects.tvd").c_str(), "wb");
        std::fwrite(catalogue.Bytes().data(), 1, catalogue.Bytes().size(), file);
        std::fclose(file);
        return base;
    }();
    return path;
}

// 10,000 objects (or count, the world as much wider) spread over the world: a tenth
// backgrounds, the rest decors and enemies, a third of those animated two-frame strips.
void FillMap(tv::TMap& map, bool onlyInView, int count = kObjects) {
    const int worldWidth = static_cast<int>(int64_t{kWorldWidth} * count / kObjects);
    std::mt19937 random(7);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    map.MaxWorldX = worldWidth;
    std::vector<std::unique_ptr<tv::TBaseInfo>> records;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<tv::TBaseInfo> record;
        if (i % 10 == 0) {
            record = std::make_unique<tv::TBackGroundInfo>();
        } else {
            auto colObj = i % 2 ? std::unique_ptr<tv::TColObjInfo>(new tv::TDecorInfo)
                                : std::unique_ptr<tv::TColObjInfo>(new tv::TEnemyInfo);
            colObj->FrameWidth = i % 3 == 0 ? 64 : 0;
            colObj->FrameHeight = i % 3 == 0 ? 64 : 0;
            colObj->Animated = i % 3 == 0;
            record = std::move(colObj);
        }
        record->Name = "o" + std::to_string(i);
        record->Texture = kTextures[i % 8];
        record->Left = between(0, worldWidth);
        record->Top = between(0, 560);
        record->Width = between(32, 256);
        record->Height = between(32, 256);
        record->Z = between(-5, 5);
        record->Color = 0xFFFFFFFFu;
        if (onlyInView && !tv::IsInView(*record, kFrameWorldX))
            continue;
        records.push_back(std::move(record));
    }
    // The order one AddObjectSorted after another gives (among equal Z the later first),
    // without its cost of the square of the map.
    std::reverse(records.begin(), records.end());
    std::stable_sort(records.begin(), records.end(),
                     [](const auto& a, const auto& b) { return a->Z < b->Z; });
    for (auto& record : records)
        map.Objects.Add(std::move(record));
}

// count animated objects (two-frame strips of the first pictures of the eight, in mixed
// layers, some of them tinted or half transparent, from half to one and a half times size
// wide and high) all within the screen at kFrameWorldX.
void FillDenseScreen(tv::TMap& map, int count, int size, int pictures) {
    std::mt19937 random(13);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    map.MaxWorldX = kWorldWidth;
    const uint32_t colors[] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0x80FFFFFFu, 0xFFFF8080u, 0xC080FF80u};
    std::vector<std::unique_ptr<tv::TBaseInfo>> records;
    for (int i = 0; i < count; ++i) {
        auto record = std::make_unique<tv::TEnemyInfo>();
        record->FrameWidth = 64;
        record->FrameHeight = 64;
        record->Animated = 1;
        record->Name = "e" + std::to_string(i);
        record->Texture = kTextures[between(0, pictures - 1)];
        record->Width = between(size / 2, size * 3 / 2);
        record->Height = between(size / 2, size * 3 / 2);
        record->Left = kFrameWorldX + between(0, tv::kLogicalWidth - record->Width);
        record->Top = between(0, tv::kLogicalHeight - record->Height);
        record->Z = between(-5, 5);
        record->Color = colors[between(0, 4)];
        records.push_back(std::move(record));
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const auto& a, const auto& b) { return a->Z < b->Z; });
    for (auto& record : records)
        map.Objects.Add(std::move(record));
}

// A headless device of the view's size with the texture cache and the view objects of a map.
struct HeadlessScene {
    explicit HeadlessScene(bool onlyInView)
        : HeadlessScene([onlyInView](tv::TMap& map) { FillMap(map, onlyInView); }) {}
    template <class Fill>
    explicit HeadlessScene(Fill fill)
        : Target(kViewWidth, kViewHeight), Engine(&Target, kViewWidth, kViewHeight),
          Device(Engine.Device()) {
        tv::SetBaseFolder(GameFolder());
        if (!Device)
            return;
        Scene = std::make_unique<tv::TMapScene>(Device, Engine.Textures());
        Scene->SetupDeviceStates(kFrameWorldX);
        fill(Map);
        Scene->RebuildViews(Map.Objects);
        Scene->PinBackgrounds(kFrameWorldX);
        Frame();
    }
    void Frame() {
        Device->Clear(0, nullptr, tv::D3DCLEAR_TARGET, tv::kViewClearColor, 1.0f, 0);
        Device->BeginScene();
        Scene->DrawObjects(nullptr);
        Device->EndScene();
        Device->Present();
    }

    tv::THeadlessTarget Target;
    tv::TEngineSession Engine;
    tv::PD3DDevice Device;
    tv::TMap Map;
    std::unique_ptr<tv::TMapScene> Scene; // its view objects go before the texture cache
};

void BM_RebuildViews(benchmark::State& state) {
    HeadlessScene scene(false);
    if (!scene.Scene) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    for (auto _ : state) {
        scene.Scene->RebuildViews(scene.Map.Objects);
        state.PauseTiming();
        std::erase_if(scene.Scene->Views, [](const auto& view) { return view->Dead; });
        scene.Scene->Touch();
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(scene.Scene->Views.size());
}
BENCHMARK(BM_RebuildViews)->Unit(benchmark::kMillisecond);

void Frame(benchmark::State& state, bool onlyInView, bool cull = true) {
    HeadlessScene scene(onlyInView);
    if (!scene.Scene) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    scene.Scene->CullOutside = cull;
    for (auto _ : state)
        scene.Frame();
    state.counters["objects"] = static_cast<double>(scene.Scene->Views.size());
    state.counters["drawn"] = static_cast<double>(scene.Scene->LastDrawn);
}
void BM_Frame_WholeMap(benchmark::State& state) {
    Frame(state, false);
}
void BM_Frame_OnlyObjectsInView(benchmark::State& state) {
    Frame(state, true);
}
// For comparison: every view object handed to the device, which clips the unseen ones.
void BM_Frame_WholeMapDrawingEverything(benchmark::State& state) {
    Frame(state, false, false);
}
BENCHMARK(BM_Frame_WholeMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_WholeMapDrawingEverything)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_OnlyObjectsInView)->Unit(benchmark::kMillisecond);

// A whole frame of a dense screen (objects, size in units, pictures), as the view draws it when
// every view object changed: the animations step (the clock moves on by more than a frame of
// theirs), every object is drawn, the frame is finished. Process time, so that the software
// renderer's own threads count too; "fps" is frames per second of real time.
void BM_Frame_DenseScreen(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    const int pictures = static_cast<int>(state.range(2));
    tv::ManualClock clock(1000);
    const tv::ScopedClock scopedClock(clock);
    HeadlessScene scene([&](tv::TMap& map) { FillDenseScreen(map, count, size, pictures); });
    if (!scene.Scene) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    const uint64_t flushedBefore = scene.Device->Stats().BatchesFlushed;
    for (auto _ : state) {
        clock.Advance(1000 / tv::kViewAnimationFps + 1);
        scene.Frame();
    }
    state.counters["drawn"] = static_cast<double>(scene.Scene->LastDrawn);
    state.counters["draw_calls"] =
        static_cast<double>(scene.Device->Stats().BatchesFlushed - flushedBefore) /
        static_cast<double>(state.iterations());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// The same screen left alone once every step of its animations was drawn: a frame steps the
// animations, takes the scene's shot, finds the kept picture of it and copies that back.
void BM_Frame_DenseScreenKeptPicture(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    tv::ManualClock clock(1000);
    const tv::ScopedClock scopedClock(clock);
    HeadlessScene scene([&](tv::TMap& map) { FillDenseScreen(map, count, 64, 8); });
    if (!scene.Scene) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    // Two frames a strip: every second step shows the picture of two steps before.
    tv::TKeptPictures kept;
    kept.SetSlots(2);
    for (int i = 0; i < 2; ++i) {
        clock.Advance(1000 / tv::kViewAnimationFps + 1);
        scene.Frame();
        scene.Device->KeepPicture(*kept.Place(scene.Scene->Shot(nullptr), 0));
    }
    for (auto _ : state) {
        clock.Advance(1000 / tv::kViewAnimationFps + 1);
        scene.Scene->Prepare();
        const tv::TKeptPictures::TKept* picture = kept.Find(scene.Scene->Shot(nullptr));
        if (!picture || scene.Device->RestorePicture(picture->Slot) != tv::D3D_OK) {
            state.SkipWithError("no kept picture of the step");
            return;
        }
        scene.Device->Present();
    }
}
BENCHMARK(BM_Frame_DenseScreenKeptPicture)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

BENCHMARK(BM_Frame_DenseScreen)
    ->Args({200, 32, 8})
    ->Args({2000, 32, 8})
    ->Args({2000, 64, 8})
    ->Args({2000, 64, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// One ">>" on maps of the same density (objects per screen) and growing length.
void BM_ScrollStep(benchmark::State& state) {
    SilentDialogs dialogs;
    const tv::ScopedDialogs scope(dialogs);
    auto window = std::make_unique<tv::TEditF>(GameFolder());
    const int count = static_cast<int>(state.range(0));
    FillMap(window->Map(), false, count);
    window->RefreshAll();
    window->Pages->setCurrentWidget(window->TabModify);
    // The Modify page lists the decors in view; one of them is selected.
    window->Modify->ComboMod->setCurrentIndex(
        window->Modify->ComboMod->findText(QStringLiteral("Decors")));
    window->Modify->ComboModSelect();
    window->Document->Select(window->Map().Objects[count / 2]);
    window->WorldX = 0;
    // Shown, so that the frame is drawn and presented (a view not exposed draws nothing).
    window->show();
    for (int wait = 0; wait < 500 && !window->ViewHost->Window()->isExposed(); ++wait) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    if (!window->ViewHost->Window()->isExposed()) {
        state.SkipWithError("the view's window was never exposed");
        return;
    }
    window->DoFrame(nullptr, 1);
    for (auto _ : state) {
        if (window->WorldX >= window->Map().MaxWorldX) {
            window->WorldX = 0;
            window->SetProjection();
        }
        window->XNextClick();
        window->DoFrame(nullptr, 1);
    }
    state.counters["listed"] = static_cast<double>(window->Modify->ListMod->count());
    state.counters["animated"] =
        static_cast<double>(std::count_if(window->Views().begin(), window->Views().end(),
                                          [](const auto& view) { return view->Animating; }));
    window.reset();
}
// The processor time of every thread: the software renderer draws on threads of its own.
BENCHMARK(BM_ScrollStep)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Answers the file dialog with one path; every other box at once, unseen.
class OpenDialogs : public SilentDialogs {
public:
    explicit OpenDialogs(std::string path) : path_(std::move(path)) {}
    std::optional<std::string> FileName(const tv::TFileDialogRequest&) override { return path_; }

private:
    std::string path_;
};

// A map file of n copies of the catalogue's "Rock" (stored by reference), made once.
std::string ReferenceMap(int count) {
    const std::string path = GameFolder() + "rocks" + std::to_string(count) + ".tvm";
    if (!QFile::exists(QString::fromStdString(path))) {
        tv::TMap map;
        map.MaxWorldX = kWorldWidth;
        std::mt19937 random(11);
        for (int i = 0; i < count; ++i) {
            auto rock = std::make_unique<tv::TDecorInfo>();
            rock->Name = "Rock";
            rock->Left = static_cast<int32_t>(random() % kWorldWidth);
            rock->Top = static_cast<int32_t>(random() % 560);
            map.Objects.Add(std::move(rock));
        }
        tv::TObjMgr catalogue;
        catalogue.LoadCatalogueFile(GameFolder() + "data/obj/objects.tvd");
        map.SaveToFile(path, &catalogue);
    }
    return path;
}

// Open in the editor: reading the file, the view objects, the pages, and the first frame.
void BM_OpenInEditor(benchmark::State& state) {
    OpenDialogs dialogs(ReferenceMap(static_cast<int>(state.range(0))));
    const tv::ScopedDialogs scope(dialogs);
    auto window = std::make_unique<tv::TEditF>(GameFolder());
    if (!window->HasGraphics()) {
        state.SkipWithError("no OpenGL 3.3 core context (run under Xvfb)");
        return;
    }
    for (auto _ : state) {
        window->SpeedButton2Click();
        window->DoFrame(nullptr, 1);
        state.PauseTiming();
        window->SpeedButton1Click();
        window->DoFrame(nullptr, 1);
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(state.range(0));
    window.reset();
}
BENCHMARK(BM_OpenInEditor)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// tvmtool render of the first screen of a map file: reading it (catalogue included), the view
// objects, one frame and the PNG.
void BM_RenderScreen(benchmark::State& state) {
    const std::string map = ReferenceMap(static_cast<int>(state.range(0)));
    const std::string out = GameFolder() + "screen.png";
    std::ostringstream sink;
    for (auto _ : state) {
        if (tv::tool::RenderCommand({"render", "--base", GameFolder(), map, "--world-x", "0", out},
                                    sink, sink) != 0) {
            state.SkipWithError(sink.str().c_str());
            return;
        }
    }
    state.counters["objects"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RenderScreen)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
