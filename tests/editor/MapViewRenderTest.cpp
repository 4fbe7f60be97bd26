// tvmtool render against the editor's own view: the same screen of the same map, drawn by the
// tool without a display and by the running editor, gives the same pixels.
#include "MainWindowTest.h"
#include "TestSupport.h"
#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "engine/Clock.h"
#include "engine/Graphics.h"
#include "mapdata/Map.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

const QString kTool = QStringLiteral(TV_GAME_DIR "/editor/tvmtool");

struct ToolRun {
    int Status = -1;
    std::string Err;
};

class MapViewRender : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();

        // A sky gradient, a half-transparent glass pane, a glow and a two-frame strip.
        QImage sky(64, 64, QImage::Format_ARGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                sky.setPixel(x, y, qRgb(x * 4, 100 + y, 255 - y * 2));
        Save("bg/sky.png", sky);
        QImage glass(32, 32, QImage::Format_ARGB32);
        glass.fill(qRgba(255, 255, 255, 120));
        Save("fx/glass.png", glass);
        QImage glow(32, 32, QImage::Format_ARGB32);
        glow.fill(qRgb(90, 40, 0));
        Save("fx/glow.png", glow);
        QImage strip(64, 32, QImage::Format_ARGB32);
        strip.fill(qRgb(255, 0, 255)); // the colour key of ".png" pictures
        QPainter painter(&strip);
        painter.fillRect(4, 4, 24, 24, QColor(220, 30, 30));
        painter.fillRect(36, 4, 24, 24, QColor(30, 30, 220));
        painter.end();
        Save("fx/strip.png", strip);
    }

    void Save(const std::string& name, const QImage& image) {
        const QString path = QString::fromStdString(game.file("Data/Graphic/" + name));
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(image.save(path));
    }

    // Adds a record to the map being built.
    template <class T>
    void Add(const std::string& texture, int left, int top, int width, int height, int z,
             uint32_t color = 0xFFFFFFFFu, uint8_t blend = 0) {
        auto record = std::make_unique<T>();
        record->Name = texture;
        record->Texture = texture;
        record->Left = left;
        record->Top = top;
        record->Width = width;
        record->Height = height;
        record->Z = z;
        record->Color = color;
        record->Blend = blend;
        if constexpr (std::is_base_of_v<tv::TColObjInfo, T>) {
            record->FrameWidth = 32;
            record->FrameHeight = 32;
            record->Animated = 1;
        }
        building->AddObjectSorted(std::move(record));
    }

    // The tool as a pipeline runs it: its own process, no display.
    ToolRun Tool(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(kTool, args);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardError().toStdString()};
    }

    tvtest::TempDir work;
    tv::TMap* building = nullptr;
};

TEST_F(MapViewRender, TheToolDrawsTheScreenTheEditorShows) {
    tv::TMap map;
    building = &map;
    map.MaxWorldX = 3000;
    Add<tv::TBackGroundInfo>("bg\\sky.png", 0, 0, 800, 600, -10);
    Add<tv::TBackGroundInfo>("bg\\sky.png", 900, 300, 700, 300, -9, 0xFF80FF80u);
    Add<tv::TBaseInfo>("fx\\glass.png", 950, 100, 300, 250, 2);
    Add<tv::TBaseInfo>("fx\\glow.png", 1000, 50, 400, 400, 3, 0xFFFFFFFFu, 1);
    Add<tv::TDecorInfo>("fx\\strip.png", 1300, 350, 180, 180, 1, 0xC0FFFFFFu);
    Add<tv::TDecorInfo>("fx\\strip.png", 2000, 350, 180, 180, 1); // out of view
    const std::string mapPath = game.file("Data/Maps/scene.tvm");
    map.SaveToFile(mapPath, nullptr);

    // The editor at WorldX 800, with its clock stopped so no animation moves on.
    tv::ManualClock clock(1000);
    const tv::ScopedClock useClock(clock);
    Start();
    dialogs.FileAnswers = {mapPath};
    QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    window->EdJump->setValue(800);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    ASSERT_EQ(window->WorldX, 800);
    ASSERT_TRUE(dialogs.Errors.empty());
    window->DoFrame(nullptr, 1);
    const QImage shown = window->Device->ReadBackBuffer().convertToFormat(QImage::Format_RGB32);
    window.reset();

    const std::string out = work.file("screen.png");
    const ToolRun run = Tool({"render", "--base", QString::fromStdString(game.path()),
                              QString::fromStdString(mapPath), "--world-x", "800", "--size",
                              "446x356", QString::fromStdString(out)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage drawn = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), shown.size());

    int differing = 0;
    int maxDiff = 0;
    int notClear = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            if (x >= 10 && x < 100 && y < 20)
                continue; // the editor's frame rate
            const QRgb a = shown.pixel(x, y);
            const QRgb b = drawn.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            maxDiff = std::max(maxDiff, d);
            differing += d > 1 ? 1 : 0;
            notClear += b != qRgb(0, 0, 0x55) ? 1 : 0;
        }
    EXPECT_EQ(differing, 0) << "largest channel difference " << maxDiff;
    // Something was drawn at all: most of the screen is covered.
    EXPECT_GT(notClear, shown.width() * shown.height() / 2);
    // The pinned sky fills the view's left edge.
    EXPECT_NE(drawn.pixel(2, 200), qRgb(0, 0, 0x55));
}

TEST_F(MapViewRender, APictureChangedOnDiskIsRedrawnInTheViewAndABrokenOneKeepsTheOld) {
    tv::TMap map;
    building = &map;
    Add<tv::TBaseInfo>("fx\\glow.png", 100, 100, 400, 400, 0);
    const std::string mapPath = game.file("Data/Maps/glow.tvm");
    map.SaveToFile(mapPath, nullptr);
    auto window = std::make_unique<tv::TEditF>(game.path());
    ASSERT_TRUE(tvtest::ShowActive(*window));
    ASSERT_TRUE(window->HasGraphics());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->ViewHost->Window()));
    dialogs.FileAnswers = {mapPath};
    QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    ASSERT_TRUE(dialogs.Errors.empty());

    // The view as the next frame leaves it, inside the object.
    const auto shows = [&](QRgb expected) {
        window->DoFrame(nullptr, 1);
        const QRgb p = window->Device->ReadBackBuffer().pixel(150, 150);
        return std::abs(qRed(p) - qRed(expected)) <= 2 &&
               std::abs(qGreen(p) - qGreen(expected)) <= 2 &&
               std::abs(qBlue(p) - qBlue(expected)) <= 2;
    };
    const std::string picture = game.file("Data/Graphic/fx/glow.png");
    const std::string written = picture + ".new";
    ASSERT_TRUE(shows(qRgb(90, 40, 0)));

    // Saved as picture editors do: a new file renamed over the old one.
    QImage green(32, 32, QImage::Format_ARGB32);
    green.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(green.save(QString::fromStdString(written), "PNG"));
    ASSERT_EQ(std::rename(written.c_str(), picture.c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows(qRgb(0, 200, 0)); }, 5000));

    // A file that cannot be read: the picture stays, one notice names the file.
    tvtest::WriteFileBytes(written, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    ASSERT_EQ(std::rename(written.c_str(), picture.c_str()), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.Messages.empty(); }, 5000));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("glow.png"), std::string::npos) << dialogs.Messages[0];
    EXPECT_TRUE(shows(qRgb(0, 200, 0)));
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(MapViewRender, DefaultSizeAndFailuresLeaveNoPicture) {
    tv::TMap map;
    building = &map;
    Add<tv::TBaseInfo>("bg\\sky.png", 0, 0, 200, 200, 0);
    const std::string good = game.file("Data/Maps/good.tvm");
    map.SaveToFile(good, nullptr);
    Add<tv::TBaseInfo>("bg\\none.png", 100, 100, 200, 200, 0);
    const std::string bad = game.file("Data/Maps/bad.tvm");
    map.SaveToFile(bad, nullptr);
    const QString base = QString::fromStdString(game.path());
    const QString out = QString::fromStdString(work.file("out.png"));

    ToolRun run =
        Tool({"render", "--base", base, QString::fromStdString(good), "--world-x", "-100", out});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage image(out);
    EXPECT_EQ(image.size(), QSize(800, 600));
    EXPECT_EQ(image.pixel(50, 50) & 0xFFFFFF, 0x000055u); // left of the world
    EXPECT_NE(image.pixel(150, 50) & 0xFFFFFF, 0x000055u);
    QFile::remove(out);

    run = Tool({"render", "--base", base, QString::fromStdString(bad), "--world-x", "0", out});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Error when loading texture."), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("bg\\none.png"), std::string::npos) << run.Err;
    EXPECT_FALSE(QFile::exists(out));

    for (const QStringList& args :
         {QStringList{"render", QString::fromStdString(good), out},
          QStringList{"render", QString::fromStdString(good), "--world-x", "x1", out},
          QStringList{"render", QString::fromStdString(good), "--world-x", "0", "--size", "0x10",
                      out},
          QStringList{"render", QString::fromStdString(good), "--world-x", "0", "--size",
                      "99999x10", out}}) {
        run = Tool(args);
        EXPECT_EQ(run.Status, 2) << args.join(' ').toStdString();
        EXPECT_NE(run.Err.find("usage: tvmtool render"), std::string::npos);
    }
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
