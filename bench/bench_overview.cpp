// The overview strip under the map view: remaking and painting its picture for maps of
// 10,000, 100,000 and 1,000,000 objects (every edit of the map does this), and one wheel
// notch over the view of the editor's window on a 100,000-object map (the scroll and
// everything it updates). Runs on Qt's offscreen platform; the window then has no device.

#include "bench/SilentDialogs.h"
#include "editor/Dialogs.h"
#include "editor/EditForm.h"
#include "editor/OverviewStrip.h"
#include "editor/ViewScroller.h"
#include "mapdata/Map.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

// A long level: backgrounds, decors and enemies spread over 50,000 units.
void Fill(tv::TMap& map, int count) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(0, 49000);
    std::uniform_int_distribution<int> y(0, 560);
    map.MaxWorldX = 50000;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<tv::TBaseInfo> record;
        switch (i % 10) {
        case 0:
            record = std::make_unique<tv::TBackGroundInfo>();
            record->Width = 800;
            record->Height = 600;
            break;
        case 1:
        case 2:
            record = std::make_unique<tv::TEnemyInfo>();
            record->Width = 48;
            record->Height = 64;
            break;
        default:
            record = std::make_unique<tv::TDecorInfo>();
            record->Width = 64;
            record->Height = 32;
            break;
        }
        record->Left = x(random);
        record->Top = y(random);
        record->Z = i % 10 == 0 ? -1 : 0;
        map.Objects.Add(std::move(record));
    }
}

void BM_StripRedraw(benchmark::State& state) {
    tv::TMap map;
    Fill(map, int(state.range(0)));
    tv::TOverviewStrip strip(nullptr);
    strip.resize(446, tv::TEditF::OverviewHeight);
    QImage target(strip.size(), QImage::Format_RGB32);
    const tv::TGroupStates groups;
    for (auto _ : state) {
        strip.MapChanged(map, groups);
        strip.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StripRedraw)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_WheelScrollStep(benchmark::State& state) {
    SilentDialogs dialogs;
    tv::ScopedDialogs scope(dialogs);
    tv::TEditF window(TV_GAME_DIR "/");
    Fill(window.Map(), int(state.range(0)));
    window.RefreshAll();
    window.ScrollTo(20000);
    int direction = -120;
    for (auto _ : state) {
        window.Scroller->Wheel(QPoint(0, direction), Qt::NoModifier);
        direction = -direction;
    }
}
BENCHMARK(BM_WheelScrollStep)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
