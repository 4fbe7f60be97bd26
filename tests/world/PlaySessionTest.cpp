// Playing a map: the play engine driven frame by frame, and scripted runs on it.

#include "world/PlaySession.h"
#include "WorldTestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Objects.h"
#include "mapdata/Text.h"
#include "world/KeyRecorder.h"
#include "world/PlayOverlay.h"
#include "world/ScriptedPlay.h"

#include <sstream>

using namespace tv;
using worldtest::GfxWorldTest;
using worldtest::WorldTest;

namespace {

std::string ScriptError(const std::string& script) {
    try {
        ParseKeyScript(script);
    } catch (const EError& e) {
        return e.what();
    }
    return "no error";
}

// A player at (50, 300) and one enemy walking in from x 700 without a ranged weapon.
void SmallMap(TMap& map, int enemyHitPoints, const char* enemyMelee) {
    auto player = std::make_unique<TPlayerInfo>();
    player->Name = "Rytíř";
    player->Left = 50;
    player->Top = 300;
    player->Width = 64;
    player->Height = 32;
    map.AddObjectSorted(std::move(player));
    auto enemy = std::make_unique<TEnemyInfo>();
    enemy->Name = "Sliz";
    enemy->Left = 700;
    enemy->Top = 300;
    enemy->Width = 64;
    enemy->Height = 32;
    enemy->Speed = -1.0f;
    enemy->RangedWeapon = "";
    enemy->MeleeWeapon = enemyMelee;
    enemy->HitPoints = enemyHitPoints;
    map.AddObjectSorted(std::move(enemy));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line)
            return true;
    return false;
}

} // namespace

TEST(KeyScript, ReadsNamesRangesAndComments) {
    const std::vector<TKeySpan> spans =
        ParseKeyScript("\xEF\xBB\xBF# warm-up\r\nright 1-120\n\r  FIRE1 30-200  # shoot\rUp "
                       "45\r\n65 10-20\nctrl 5");
    ASSERT_EQ(spans.size(), 5u);
    EXPECT_EQ(spans[0].Name, "RIGHT");
    EXPECT_EQ(spans[0].First, 1u);
    EXPECT_EQ(spans[0].Last, 120u);
    EXPECT_EQ(spans[1].Line, 4);
    EXPECT_EQ(spans[2].First, 45u);
    EXPECT_EQ(spans[2].Last, 45u);
    EXPECT_EQ(spans[3].Name, "65");
    EXPECT_EQ(spans[4].Name, "CTRL");
}

TEST(KeyScript, RefusesWhatItCannotRead) {
    EXPECT_EQ(ScriptError("JUMP 1-2"), "key script line 1: unknown key \"JUMP\"");
    EXPECT_EQ(ScriptError("\nLEFT"),
              "key script line 2: \"LEFT\" needs the updates it is down in (FIRST-LAST)");
    EXPECT_EQ(ScriptError("LEFT 5-2"),
              "key script line 1: the range \"5-2\" ends before it starts");
    EXPECT_EQ(ScriptError("LEFT 0-2"), "key script line 1: updates are numbered from 1");
    EXPECT_EQ(ScriptError("LEFT a-b"),
              "key script line 1: \"a-b\" is not an update range (FIRST-LAST)");
    EXPECT_EQ(ScriptError("LEFT 1-"),
              "key script line 1: \"1-\" is not an update range (FIRST-LAST)");
    EXPECT_EQ(ScriptError("LEFT 1-2 3"), "key script line 1: unexpected \"3\"");
    EXPECT_EQ(ScriptError("256 1"), "key script line 1: unknown key \"256\"");
    EXPECT_EQ(ScriptError("LEFT 99999999999999999999"),
              "key script line 1: \"99999999999999999999\" is not an update range (FIRST-LAST)");
    // A name is echoed with its control characters escaped: it cannot drive the terminal.
    EXPECT_EQ(ScriptError("\x1b]0;x\x07 1"), "key script line 1: unknown key \"\\x1b]0;x\\x07\"");
}

TEST_F(WorldTest, PlayedMapShootsTheEnemyDeadAndReports) {
    TMap map;
    SmallMap(map, 4, "Drápy");
    TPlaySession session(map, PD3DDevice());
    std::ostringstream out;
    const TPlayReport report =
        RunScriptedPlay(session, 300, ParseKeyScript("FIRE1 1-300\nRIGHT 1-10\n"), out);
    const std::vector<std::string> lines = Lines(out.str());
    // The player is an entity too: it is "sighted" first, in its own first move.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[1] Právě jsi spatřil: Rytíř");
    EXPECT_EQ(lines[1], "[1] Právě jsi spatřil: Sliz");
    bool killed = false;
    for (const std::string& line : lines)
        killed = killed ||
                 line.find("] Nepřítel zemřel: Sliz , Rytíř obdrží 150 XP") != std::string::npos;
    EXPECT_TRUE(killed) << out.str();
    EXPECT_EQ(report.ElapsedMs, 5000u); // 300 updates of 1000/60 ms
    EXPECT_TRUE(report.HasPlayer);
    EXPECT_EQ(report.PlayerPosition, (TPoint{90, 300})); // ten steps of 4
    EXPECT_EQ(report.Kills, 1);
    EXPECT_EQ(report.ExperiencePoints, 150);
    EXPECT_EQ(report.HitPoints, 15);
    EXPECT_EQ(report.EnemiesAtStart, 1);
    EXPECT_EQ(report.EnemiesAlive, 0);
    EXPECT_FALSE(IsKeyDown(VK_SHIFT)); // the run leaves every key up

    std::ostringstream summary;
    WritePlaySummary(report, summary);
    EXPECT_EQ(summary.str(), "after 300 updates (5000 ms):\n"
                             "  player \"Rytíř\" at (90, 300), hit points 15/15, experience 150, "
                             "kills 1, deaths 0\n"
                             "  enemies: 0 alive, 1 dead\n"
                             "  scroll unlocked, 4 objects in the world\n"); // 3 shots in flight
    TPlayReport seeded = report;
    seeded.Seed = 7;
    summary.str("");
    WritePlaySummary(seeded, summary);
    EXPECT_EQ(Lines(summary.str())[0], "after 300 updates (5000 ms, random seed 7):");
}

TEST_F(WorldTest, PlayedMapWithoutShootingEndsInContactAndADeath) {
    TMap map;
    SmallMap(map, 1000, "Fireball"); // 3 per contact: the player dies on the fifth
    TPlaySettings settings;
    settings.MsPerUpdate = 20.0;
    TPlaySession session(map, PD3DDevice(), settings);
    std::ostringstream out;
    const TPlayReport report = RunScriptedPlay(session, 1000, {}, out);
    const std::vector<std::string> lines = Lines(out.str());
    EXPECT_TRUE(Contains(lines, "    [Rytíř] byl zavražděn na malilinkaté kousky.")) << out.str();
    EXPECT_TRUE(Contains(lines, "    vypůjčím si od něj 500  XP"));
    EXPECT_EQ(report.ElapsedMs, 20000u);
    EXPECT_GE(report.Deaths, 1);
    EXPECT_EQ(report.ExperiencePoints, -500 * report.Deaths);
    EXPECT_EQ(report.EnemiesAlive, 1);
    // The session keeps the death for the host; the world's flag is ready for the next one.
    EXPECT_TRUE(session.Status().Died);
    EXPECT_FALSE(session.World().PlayerDied);

    // A host that pauses on death runs no update after the one the player died in.
    settings.PauseOnDeath = true;
    TPlaySession paused(map, PD3DDevice(), settings);
    for (int frame = 0; frame < 1000 && !paused.Status().Died; ++frame)
        ASSERT_EQ(paused.Advance(20.0), 1);
    ASSERT_TRUE(paused.Status().Died);
    const uint64_t diedIn = paused.Updates();
    EXPECT_EQ(paused.Advance(1000.0), 0);
    EXPECT_EQ(paused.Updates(), diedIn);
    paused.Restart();
    EXPECT_FALSE(paused.Status().Died);
    EXPECT_EQ(paused.Advance(20.0), 1);
}

TEST_F(WorldTest, PlayerKeysNeedAPlayer) {
    TMap map;
    TPlaySession session(map, PD3DDevice());
    std::ostringstream out;
    const TPlayReport report = RunScriptedPlay(session, 3, ParseKeyScript("SPACE 1-2\n"), out);
    EXPECT_FALSE(report.HasPlayer);
    try {
        RunScriptedPlay(session, 3, ParseKeyScript("FIRE2 1-2\n"), out);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(),
                     "key script line 1: FIRE2 is a key of the player, and the map has no player");
    }
}

TEST_F(WorldTest, FramesRunWholeUpdatesOnTheGameClockAndLeaveTheHostsClockAlone) {
    TMap map;
    SmallMap(map, 4, "Drápy");
    TPlaySession session(map, PD3DDevice());
    std::vector<std::pair<uint32_t, uint32_t>> seen; // (update, tick count the rules read)
    session.BeforeUpdate = [&seen](uint64_t update) {
        seen.emplace_back(static_cast<uint32_t>(update), GetTickCount());
    };
    const uint32_t hostNow = clock_.NowMs();
    EXPECT_EQ(session.Advance(10.0), 0);
    EXPECT_EQ(session.Advance(7.0), 1);    // 17 ms: one update, 0.33 ms left
    EXPECT_EQ(session.Advance(33.5), 2);   // 33.83 ms: two more, 0.5 ms left
    EXPECT_EQ(session.Advance(1000.0), 5); // a slow frame runs five ...
    EXPECT_EQ(session.Advance(10.0), 0);   // ... and the rest of its time is dropped
    EXPECT_EQ(session.Advance(-50.0), 0);  // time never runs backwards
    EXPECT_EQ(session.Advance(std::nan("")), 0);
    EXPECT_EQ(session.Advance(16.67), 1);
    EXPECT_EQ(session.Updates(), 9u);
    ASSERT_EQ(seen.size(), 9u);
    for (const auto& [update, tick] : seen)
        EXPECT_EQ(tick,
                  kPlayClockStart + static_cast<uint32_t>(std::nearbyint(update * 1000.0 / 60)))
            << "update " << update;
    EXPECT_EQ(session.GameTime(), kPlayClockStart + 150u);
    EXPECT_EQ(clock_.NowMs(), hostNow);
    EXPECT_EQ(&Clock(), &clock_);
}

TEST_F(WorldTest, PlayStartsFromACopyOfTheMapScrolledWithThePlayerMoved) {
    TMap map;
    SmallMap(map, 4, "Drápy");
    auto sky = std::make_unique<TBackGroundInfo>();
    sky->Name = "Sky";
    sky->Left = 0;
    map.AddObjectSorted(std::move(sky));
    TPlaySettings settings;
    settings.Start.ScrollX = 600;
    settings.Start.PlayerLeft = 640;
    TPlaySession session(map, PD3DDevice(), settings);
    // The map is copied: changing it changes neither this play nor a restart.
    map.Objects[0]->Left = 12345;
    const auto positions = [&session] {
        std::vector<std::string> names;
        for (const TBaseObj* object : session.World().Objects)
            names.push_back(object->Name +
                            Format(" %d,%d", object->GetPosition().X, object->GetPosition().Y));
        return names;
    };
    // The enemy placed at 700 is 100 into the screen, the player 40 in at its own height, and
    // the background stands where it stood.
    const std::vector<std::string> start{"Sky 0,0", "Sliz 100,300", "Rytíř 40,300"};
    EXPECT_EQ(positions(), start);
    SetKeyDown(VK_RIGHT, true);
    session.Advance(100.0);
    EXPECT_NE(positions(), start);
    session.Restart();
    EXPECT_EQ(positions(), start);
    EXPECT_EQ(session.Updates(), 0u);
    EXPECT_EQ(map.Objects.Count(), 3);
}

TEST_F(GfxWorldTest, AFrameShowsTheWorldAndTheOverlayAndUpdatesDrawNothing) {
    SavePicture("decors/block.png", 64, 64, qRgb(250, 200, 0));
    TMap map;
    auto block = std::make_unique<TDecorInfo>();
    block->Name = "Block";
    block->Texture = "decors\\block.png";
    block->Left = 300;
    block->Top = 300;
    block->Width = 64;
    block->Height = 64;
    block->ProjectilesPass = 1;
    map.AddObjectSorted(std::move(block));
    SmallMap(map, 4, "Drápy");
    for (int i = 0; i < map.Objects.Count(); ++i)
        map.Objects[i]->Texture = "decors\\block.png";
    TPlaySession session(map, device_);
    const uint64_t presents = device_->Stats().Presents;
    session.Advance(5 * 1000.0 / 60 + 0.1);
    EXPECT_EQ(device_->Stats().Presents, presents);
    session.World().PushMessage("Hello");
    session.World().PushMessage("there");
    session.DrawFrame();
    EXPECT_EQ(device_->Stats().Presents, presents + 1);
    const QImage frame = device_->ReadBackBuffer();
    // Five steps of 2 to the left: the block covers 290..354.
    EXPECT_EQ(frame.pixel(295, 330), qRgb(250, 200, 0));
    EXPECT_EQ(frame.pixel(350, 330), qRgb(250, 200, 0));
    EXPECT_EQ(frame.pixel(358, 330), qRgb(0, 0, 0));

    // The overlay's lines, white on the black sky, where its rectangles say.
    const std::vector<std::string> lines = PlayOverlayLines(session.Status());
    const std::vector<std::string> expected{"HP 15/15  XP 0", "Hello", "there"};
    EXPECT_EQ(lines, expected);
    TPlayOverlay overlay(device_);
    const auto whiteIn = [&frame](const TRect& r) {
        int count = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < std::min(r.Right, 300); ++x)
                count += frame.pixel(x, y) == qRgb(255, 255, 255);
        return count;
    };
    EXPECT_GT(whiteIn(overlay.LineRect(0)), 20);
    EXPECT_GT(whiteIn(overlay.LineRect(2)), 20);
    EXPECT_EQ(whiteIn(overlay.LineRect(3)), 0);
    EXPECT_EQ(whiteIn(TRect{0, 0, 300, overlay.LineRect(0).Top - 1}), 0);
}

TEST_F(GfxWorldTest, OverlayOffersRestartAfterADeathInRed) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->BeginScene();
    TPlayOverlay overlay(device_);
    TPlayStatus status;
    status.Died = true;
    overlay.Draw(status);
    device_->EndScene();
    const QImage frame = device_->ReadBackBuffer();
    EXPECT_EQ(PlayOverlayLines(status), (std::vector<std::string>{"No player", kPlayDeathLine}));
    int red = 0;
    const TRect line = overlay.LineRect(1);
    for (int y = line.Top; y < line.Bottom; ++y)
        for (int x = line.Left; x < line.Left + 250; ++x)
            red += frame.pixel(x, y) == qRgb(255, 90, 60);
    EXPECT_GT(red, 30);
}

namespace tv {
namespace {

// Keys held and tapped between updates, as a keyboard gives them, are recorded; the script
// written with its header reads back and replays the same game, the tap as one update.
TEST_F(WorldTest, RecordedKeysReplayTheSameGame) {
    TMap map;
    SmallMap(map, 4, "Drápy");
    TPlaySettings settings;
    settings.Start.ScrollX = 10;
    settings.Start.PlayerLeft = 60;
    settings.Seed = 77;
    TPlaySession played(map, PD3DDevice(), settings);
    played.RecordKeys();
    const TPlayer& player = *played.World().Player();
    played.BeforeUpdate = [&](uint64_t update) {
        SetKeyDown(player.KeyRight, update >= 3 && update < 20);
        SetKeyDown(player.KeyFire1, update >= 10 && update < 200);
        if (update == 40) { // pressed and let go before the update sees it
            SetKeyDown(player.KeyRight, true);
            SetKeyDown(player.KeyRight, false);
        }
    };
    for (int i = 0; i < 250; ++i)
        played.RunUpdate();
    played.BeforeUpdate = nullptr;
    const TPlayReport original = PlayReportOf(played);
    ResetKeyState();

    TKeyScriptHeader header;
    header.Map = "small.tvm";
    header.Seed = settings.Seed;
    header.Start = settings.Start;
    header.Updates = played.Recording()->Updates();
    const std::string script = WriteKeyScript(header, played.Recording()->Spans());
    EXPECT_EQ(script, "#! map small.tvm\n#! seed 77\n#! start 10 60\n#! updates 250\n"
                      "RIGHT 3-19\nFIRE1 10-199\nRIGHT 40\n");
    const TKeyScriptHeader read = ParseKeyScriptHeader(script);
    EXPECT_EQ(read.Map, "small.tvm");
    EXPECT_EQ(read.Seed, std::optional<uint32_t>(77));
    EXPECT_EQ(read.Start.ScrollX, 10);
    EXPECT_EQ(read.Start.PlayerLeft, std::optional<int32_t>(60));
    EXPECT_EQ(read.Updates, std::optional<uint64_t>(250));

    TPlaySettings again;
    again.Start = read.Start;
    again.Seed = read.Seed;
    TPlaySession replayed(map, PD3DDevice(), again);
    std::ostringstream out;
    const TPlayReport replay =
        RunScriptedPlay(replayed, *read.Updates, ParseKeyScript(script), out);
    EXPECT_EQ(replay.PlayerPosition, original.PlayerPosition);
    EXPECT_EQ(replay.Kills, original.Kills);
    EXPECT_EQ(replay.HitPoints, original.HitPoints);
    EXPECT_EQ(replay.EnemiesAlive, original.EnemiesAlive);
    EXPECT_EQ(original.PlayerPosition.X, 50 + 17 * 4 + 4) << "17 updates held, one tapped";

    // A header value that cannot be read names its line; other "#!" lines are comments.
    EXPECT_NO_THROW(ParseKeyScriptHeader("#! seen it all\n#!\n"));
    for (const char* bad :
         {"#! seed -1\n", "#! seed 4294967296\n", "#! start 5\n", "#! start x -\n", "#! updates\n"})
        EXPECT_THROW(ParseKeyScriptHeader(bad), EError) << bad;
}

} // namespace
} // namespace tv
