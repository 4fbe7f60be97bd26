// Playing the demo map inside the editor with real key events on a simulated clock: the game
// gives what "tvmtool play" gives for the same keys, the view shows the game and its overlay,
// and stopping leaves the map and the view exactly as they were.
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"
#include "TestSupport.h"

#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "editor/PlaytestsPanel.h"
#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/FrameTimer.h"
#include "engine/Random.h"
#include "mapdata/Stream.h"
#include "world/Actors.h"
#include "world/KeyScript.h"
#include "world/PlaySession.h"

#include <QApplication>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <gtest/gtest.h>

namespace {

const std::string kDemoMap = std::string(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm";
const QString kTool = QStringLiteral(TV_GAME_DIR "/editor/tvmtool");

// The Qt key a virtual-key code of the demo's players comes from.
Qt::Key QtKeyOf(int vk) {
    switch (vk) {
    case 37:
        return Qt::Key_Left;
    case 38:
        return Qt::Key_Up;
    case 39:
        return Qt::Key_Right;
    case 40:
        return Qt::Key_Down;
    case 16:
        return Qt::Key_Shift;
    case 17:
        return Qt::Key_Control;
    default:
        return static_cast<Qt::Key>(vk); // letters and digits are their ASCII capitals
    }
}

// The player's own key for a role a key script names.
int RoleKey(const std::string& role, const tv::TPlayer& player) {
    if (role == "UP")
        return player.KeyUp;
    if (role == "RIGHT")
        return player.KeyRight;
    if (role == "FIRE1")
        return player.KeyFire1;
    ADD_FAILURE() << "no key for " << role;
    return 0;
}

// The editor on the demo game folder.
class PlayInEditorTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Start(std::string(TV_GAME_DIR) + "/");
        dialogs.FileAnswers = {kDemoMap};
        QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
        ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors[0].Text;
        window->Device->SetPresentClock(&presentClock);
        window->Timer->Initialize();
        tv::RunApplicationIdle();
    }
    void TearDown() override {
        if (window)
            window->Device->SetPresentClock(nullptr);
        MainWindowTest::TearDown();
    }

    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, key, modifiers);
    }
    // Idle passes until the game has run this many updates (or passes run out).
    void PlayUntil(uint64_t updates) {
        for (int pass = 0; pass < 4000 && window->Play && window->Play->Updates() < updates; ++pass)
            tv::RunApplicationIdle();
    }
    std::vector<uint8_t> Saved() const {
        tv::TMemoryStream stream;
        window->Map().WriteToStream(stream, window->ObjMgr.get());
        return stream.Bytes();
    }

    tv::ManualClock clock{50000};
    tv::ScopedClock useClock{clock};
    tvtest::LinkedPresentClock presentClock{clock};
};

TEST_F(PlayInEditorTest, TheKeyboardPlaysTheSameGameAsTheTool) {
    const std::string script = "UP 1-45\nRIGHT 1-300\nFIRE1 20-320\n";
    constexpr uint64_t kUpdates = 360;
    tvtest::TempDir work;
    tvtest::WriteFileBytes(work.file("keys.txt"), tvtest::Bytes(script.begin(), script.end()));
    QProcess tool;
    tool.start(kTool, {"play", "--base", TV_GAME_DIR, QString::fromStdString(kDemoMap), "--updates",
                       QString::number(kUpdates), "--keys",
                       QString::fromStdString(work.file("keys.txt"))});
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    const QRegularExpressionMatch summary =
        QRegularExpression(
            R"re(player "(.*)" at \((-?\d+), (-?\d+)\), hit points (\d+)/(\d+), experience (\d+))re")
            .match(out);
    ASSERT_TRUE(summary.hasMatch()) << out.toStdString();

    // The same keys pressed and released on the keyboard between the game's updates.
    tv::RandSeed(1); // as the tool's runs are seeded
    Keys(Qt::Key_F5);
    ASSERT_TRUE(window->Playing());
    const tv::TPlayer* player = window->Play->World().Player();
    ASSERT_NE(player, nullptr);
    const std::vector<tv::TKeySpan> spans = tv::ParseKeyScript(script);
    struct Result {
        tv::TPoint At;
        int32_t HitPoints = 0;
        int32_t Experience = 0;
        bool Taken = false;
    } result;
    window->Play->BeforeUpdate = [&](uint64_t update) {
        for (const tv::TKeySpan& span : spans) {
            const int vk = RoleKey(span.Name, *window->Play->World().Player());
            QWidget* focus = QApplication::focusWidget();
            if (update == span.First)
                QTest::keyPress(focus, QtKeyOf(vk));
            if (update == span.Last + 1)
                QTest::keyRelease(focus, QtKeyOf(vk));
        }
        if (update == kUpdates + 1 && !result.Taken) {
            const tv::TPlayer* now = window->Play->World().Player();
            result = {now->GetPosition(), now->HitPoints, now->ExperiencePoints, true};
        }
    };
    PlayUntil(kUpdates + 1);
    ASSERT_TRUE(result.Taken);
    EXPECT_EQ(result.At.X, summary.captured(2).toInt());
    EXPECT_EQ(result.At.Y, summary.captured(3).toInt());
    EXPECT_EQ(result.HitPoints, summary.captured(4).toInt());
    EXPECT_EQ(result.Experience, summary.captured(6).toInt());
    EXPECT_GT(result.At.X, 100) << "the player walked";
    Keys(Qt::Key_Escape);
    EXPECT_FALSE(window->Playing());
}

TEST_F(PlayInEditorTest, StoppingLeavesTheMapAndTheViewAsTheyWereAndTheViewShowsTheGame) {
    window->Pages->setCurrentWidget(window->TabModify);
    window->EdJump->setValue(800);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    tv::TBaseInfo* selected = window->Map().Objects[3];
    window->Document->Select(selected);
    window->Modify->ShowSelected();
    tv::RunApplicationIdle();
    const QImage before = window->Device->ReadBackBuffer();
    const std::vector<uint8_t> saved = Saved();
    const int steps = window->Document->UndoStack().count();

    // Shift+F5: the player starts at the left side of the view, on the ground it stands on.
    const tv::TBaseInfo* record = nullptr;
    for (const tv::TBaseInfo* r : window->Map().Objects)
        if (dynamic_cast<const tv::TPlayerInfo*>(r))
            record = r;
    ASSERT_NE(record, nullptr);
    Keys(Qt::Key_F5, Qt::ShiftModifier);
    ASSERT_TRUE(window->Playing());
    EXPECT_FALSE(window->Pages->isEnabled());
    EXPECT_FALSE(window->SaveBtn->isEnabled());
    EXPECT_TRUE(window->PlayBtn->isChecked());
    const tv::TPlayer* player = window->Play->World().Player();
    EXPECT_EQ(player->GetPosition().X, 40) << "40 right of the view's left edge, on screen";
    EXPECT_EQ(player->GetPosition().Y, record->Top);
    Keys(Qt::Key_PageDown);
    Keys(Qt::Key_Delete);
    PlayUntil(30);
    EXPECT_EQ(window->WorldX, 800) << "the scroll keys rest";

    // The view shows the game: the player where the world has it, and the overlay.
    const QImage playing = window->Device->ReadBackBuffer();
    const tv::TPoint at = player->GetPosition();
    const auto toPixel = [&](int x, int y) {
        return QPoint(x * playing.width() / 800, y * playing.height() / 600);
    };
    int changed = 0;
    for (int y = at.Y + 8; y < at.Y + player->Bounds.Height - 8; y += 4)
        for (int x = at.X + 8; x < at.X + player->Bounds.Width - 8; x += 4)
            changed += playing.pixel(toPixel(x, y)) != before.pixel(toPixel(x, y)) ? 1 : 0;
    EXPECT_GT(changed, 10) << "the player sprite is drawn where the world has it";
    int bright = 0;
    for (int y = 22; y < 38; ++y)
        for (int x = 8; x < 120; ++x)
            bright += qGray(playing.pixel(x, y)) > 200 ? 1 : 0;
    EXPECT_GT(bright, 20) << "the overlay's hit points are written at the top left";

    Keys(Qt::Key_Escape);
    EXPECT_FALSE(window->Playing());
    EXPECT_TRUE(window->Pages->isEnabled());
    EXPECT_EQ(window->Pages->currentWidget(), window->TabModify);
    EXPECT_EQ(window->WorldX, 800);
    EXPECT_EQ(window->Selected(), selected);
    EXPECT_EQ(Saved(), saved);
    EXPECT_EQ(window->Document->UndoStack().count(), steps);
    EXPECT_FALSE(window->Document->Modified());
    // The map again, at the same place: only animation frames and the frame rate moved on.
    tv::RunApplicationIdle();
    const QImage after = window->Device->ReadBackBuffer();
    int differing = 0;
    for (int y = 20; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            differing += after.pixel(x, y) != before.pixel(x, y) ? 1 : 0;
    EXPECT_LT(differing, after.width() * after.height() / 20) << differing;

    // A map without a player: a notice, and nothing is played.
    Keys(Qt::Key_N, Qt::ControlModifier);
    Keys(Qt::Key_F5);
    EXPECT_FALSE(window->Playing());
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"This map has no player to play with."}));
}

} // namespace

namespace {

// The exit status and standard output of tvmtool with these arguments.
std::pair<int, QString> Tool(const QStringList& arguments) {
    QProcess tool;
    tool.start(kTool, arguments);
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput())};
}

TEST_F(PlayInEditorTest, ARecordedPlayIsSavedReplayedAndCatchesAWallInThePlayersPath) {
    // The demo map from a folder of its own, so that the playtest goes beside that copy.
    tvtest::TempDir work;
    const std::string map = work.file("green_hills.tvm");
    tvtest::WriteFileBytes(map, tvtest::ReadFileBytes(kDemoMap));
    dialogs.FileAnswers = {map};
    QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors[0].Text;
    tv::RunApplicationIdle();

    // Right from the start, firing from update 20 on; the keys go down and up on the
    // keyboard between the game's updates.
    Keys(Qt::Key_F5);
    ASSERT_TRUE(window->Playing());
    constexpr uint64_t kUpdates = 420;
    const tv::TPlayer& player = *window->Play->World().Player();
    const Qt::Key right = QtKeyOf(player.KeyRight);
    const Qt::Key fire = QtKeyOf(player.KeyFire1);
    std::optional<tv::TPoint> at;
    window->Play->BeforeUpdate = [&](uint64_t update) {
        QWidget* focus = QApplication::focusWidget();
        if (update == 1)
            QTest::keyPress(focus, right);
        if (update == 120)
            QTest::keyRelease(focus, right);
        if (update == 20)
            QTest::keyPress(focus, fire);
        if (update == 380)
            QTest::keyRelease(focus, fire);
    };
    PlayUntil(kUpdates);
    ASSERT_EQ(window->Play->Updates(), kUpdates);
    at = window->Play->World().Player()->GetPosition();
    const int32_t kills = window->Play->World().Player()->Kills;
    EXPECT_GE(kills, 1) << "the knight shot the first slime";
    Keys(Qt::Key_Escape);
    ASSERT_FALSE(window->Playing());

    // "Save playtest..." keeps it beside the map, which was not saved since it was opened.
    ASSERT_TRUE(window->Playtests->SaveButton->isEnabled());
    const std::string keys = work.file("green_hills.playtests/walk_and_fire.keys");
    dialogs.FileAnswers = {keys};
    QTest::mouseClick(window->Playtests->SaveButton, Qt::LeftButton);
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors[0].Text;
    const tvtest::Bytes script = tvtest::ReadFileBytes(keys);
    const std::string scriptText(script.begin(), script.end());
    EXPECT_NE(scriptText.find("#! updates 420"), std::string::npos) << scriptText;
    EXPECT_NE(scriptText.find("RIGHT 1-119"), std::string::npos) << scriptText;
    EXPECT_NE(scriptText.find("FIRE1 20-379"), std::string::npos) << scriptText;
    ASSERT_EQ(window->Playtests->PlaytestList->count(), 1);

    // The tool replays it as the editor played it.
    const auto [played, summary] = Tool({"play", "--base", TV_GAME_DIR, QString::fromStdString(map),
                                         "--keys", QString::fromStdString(keys)});
    EXPECT_EQ(played, 0);
    EXPECT_TRUE(
        summary.contains(QStringLiteral("player \"Knight\" at (%1, %2)").arg(at->X).arg(at->Y)))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("kills %1, deaths 0").arg(kills)))
        << summary.toStdString();
    const auto [passed, passOut] =
        Tool({"test", "--base", TV_GAME_DIR, QString::fromStdString(map)});
    EXPECT_EQ(passed, 0) << passOut.toStdString();
    EXPECT_TRUE(passOut.contains("ok      green_hills/walk_and_fire")) << passOut.toStdString();

    // A rock wall between the knight and the first slime: the replay no longer kills it, and
    // says what changed.
    const tv::TBaseInfo* wall = window->ObjMgr->FindByName("Rock");
    ASSERT_NE(wall, nullptr);
    window->Document->PlaceObject(*wall, 600, 344);
    window->Document->SaveMap(map);
    const auto [failed, failOut] =
        Tool({"test", "--base", TV_GAME_DIR, QString::fromStdString(map)});
    EXPECT_EQ(failed, 1) << failOut.toStdString();
    EXPECT_TRUE(failOut.contains("changed green_hills/walk_and_fire: ")) << failOut.toStdString();
    EXPECT_TRUE(failOut.contains("kills 1 -> 0")) << failOut.toStdString();

    // The panel's run replays the map as it is in the editor: the wall taken away again
    // (unsaved), the playtest is as recorded.
    window->Document->UndoStack().undo();
    QSignalSpy finished(window->Playtests, &tv::TPlaytestsPanel::runFinished);
    ASSERT_TRUE(window->Playtests->RunAll());
    EXPECT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.value(0).value(0).toInt(), 0);
    EXPECT_EQ(window->Playtests->Results["walk_and_fire"], "ok");

    // Chosen in the panel, the playtest replays in the view up to its last update.
    window->Playtests->ReplayInView(0);
    ASSERT_TRUE(window->Playing());
    PlayUntil(kUpdates);
    for (int pass = 0; pass < 20; ++pass)
        tv::RunApplicationIdle();
    EXPECT_EQ(window->Play->Updates(), kUpdates);
    EXPECT_EQ(window->Play->World().Player()->GetPosition(), *at);
    Keys(Qt::Key_Escape);
    EXPECT_FALSE(window->Playing());

    // The panel lists the map's problems; choosing one selects its object.
    const tv::TBaseInfo* outside = window->Document->PlaceObject(*wall, 6000, 344);
    window->Playtests->Refresh();
    QListWidget* problems = window->Playtests->ProblemList;
    ASSERT_EQ(problems->count(), 1);
    EXPECT_TRUE(problems->item(0)->text().endsWith("(\"Rock\"): Left 6000 is outside 0..5200 "
                                                   "(MaxWorldX)"))
        << problems->item(0)->text().toStdString();
    window->Document->Select(nullptr);
    window->Playtests->ChooseProblem(0);
    EXPECT_EQ(window->Selected(), outside);
}

} // namespace
