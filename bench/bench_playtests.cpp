// tvmtool test replaying 10 playtests of 3,600 updates (a minute of play each) on the demo map,
// on one process and on two (--jobs 2). Wall time per whole run.
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "world/Equipment.h"
#include "world/Playtest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const QString kTool = QStringLiteral(TV_GAME_DIR "/editor/tvmtool");

// A folder with the demo map and ten playtests whose expectations match.
class Playtests {
public:
    Playtests() {
        const QString map = folder_.filePath("green_hills.tvm");
        QFile::copy(QStringLiteral(TV_GAME_DIR "/Data/Maps/green_hills.tvm"), map);
        tv::SetBaseFolder(TV_GAME_DIR "/");
        tv::RegisterWorldClasses();
        tv::TObjMgr catalogue;
        catalogue.LoadCatalogue();
        tv::TMap demo;
        demo.LoadFromFile(map.toStdString(), &catalogue);
        tv::LoadEquipmentFile();
        for (int i = 0; i < 10; ++i) {
            tv::TPlaytest playtest;
            playtest.Header.Seed = 1;
            playtest.Header.Updates = 3600;
            playtest.Keys =
                tv::ParseKeyScript("RIGHT 1-" + std::to_string(100 + 40 * i) +
                                   "\nFIRE1 1-3400\nUP 1-" + std::to_string(1 + 3 * i) + "\n");
            const tv::TPlayReport outcome = tv::ReplayPlaytest(demo, playtest);
            tv::SavePlaytest(map.toStdString(), "minute_" + std::to_string(i), playtest.Header,
                             playtest.Keys, outcome);
        }
        tv::ClearEquipment();
    }
    QString Folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
};

void BM_TestTenMinuteLongPlaytests(benchmark::State& state) {
    static Playtests playtests;
    for (auto _ : state) {
        QProcess tool;
        tool.start(kTool, {"test", "--base", TV_GAME_DIR, "--jobs", QString::number(state.range(0)),
                           playtests.Folder()});
        tool.waitForFinished(600000);
        if (tool.exitCode() != 0) {
            state.SkipWithError(tool.readAllStandardOutput().toStdString().c_str());
            break;
        }
    }
}
BENCHMARK(BM_TestTenMinuteLongPlaytests)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
