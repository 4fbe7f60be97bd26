// Playing a map for a number of updates with scripted keys.

#include "world/PlaySession.h"
#include "WorldTestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Objects.h"

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
    TPlaySession session{PD3DDevice()};
    session.Build(map);
    TPlayOptions options;
    options.Updates = 300;
    options.Keys = ParseKeyScript("FIRE1 1-300\nRIGHT 1-10\n");
    std::ostringstream out;
    const TPlayReport report = session.Run(options, out);
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

    std::ostringstream summary;
    WritePlaySummary(report, summary);
    EXPECT_EQ(summary.str(), "after 300 updates (5000 ms):\n"
                             "  player \"Rytíř\" at (90, 300), hit points 15/15, experience 150, "
                             "kills 1, deaths 0\n"
                             "  enemies: 0 alive, 1 dead\n"
                             "  scroll unlocked, 4 objects in the world\n"); // 3 shots in flight
}

TEST_F(WorldTest, PlayedMapWithoutShootingEndsInContactAndADeath) {
    TMap map;
    SmallMap(map, 1000, "Fireball"); // 3 per contact: the player dies on the fifth
    TPlaySession session{PD3DDevice()};
    session.Build(map);
    TPlayOptions options;
    options.Updates = 1000;
    options.MsPerUpdate = 20.0;
    std::ostringstream out;
    const TPlayReport report = session.Run(options, out);
    const std::vector<std::string> lines = Lines(out.str());
    EXPECT_TRUE(Contains(lines, "    [Rytíř] byl zavražděn na malilinkaté kousky.")) << out.str();
    EXPECT_TRUE(Contains(lines, "    vypůjčím si od něj 500  XP"));
    EXPECT_EQ(report.ElapsedMs, 20000u);
    EXPECT_GE(report.Deaths, 1);
    EXPECT_EQ(report.ExperiencePoints, -500 * report.Deaths);
    EXPECT_EQ(report.EnemiesAlive, 1);
    // The enemy walked through the player and on off the screen's left edge.
    EXPECT_FALSE(session.World().PlayerDied);
}

TEST_F(WorldTest, PlayerKeysNeedAPlayer) {
    TMap map;
    TPlaySession session{PD3DDevice()};
    session.Build(map);
    TPlayOptions options;
    options.Updates = 3;
    options.Keys = ParseKeyScript("SPACE 1-2\n");
    std::ostringstream out;
    const TPlayReport report = session.Run(options, out);
    EXPECT_FALSE(report.HasPlayer);
    options.Keys = ParseKeyScript("FIRE2 1-2\n");
    try {
        session.Run(options, out);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(),
                     "key script line 1: FIRE2 is a key of the player, and the map has no player");
    }
}

TEST_F(GfxWorldTest, PlayedMapDrawsOnlyItsLastUpdate) {
    SavePicture("decors/block.png", 64, 64, qRgb(250, 200, 0));
    TMap map;
    auto block = std::make_unique<TDecorInfo>();
    block->Name = "Block";
    block->Texture = "decors\\block.png";
    block->Left = 100;
    block->Top = 200;
    block->Width = 64;
    block->Height = 64;
    block->ProjectilesPass = 1;
    map.AddObjectSorted(std::move(block));
    TPlaySession session(device_);
    session.Build(map);
    TPlayOptions options;
    options.Updates = 5;
    std::ostringstream out;
    const uint64_t presents = device_->Stats().Presents;
    session.Run(options, out);
    EXPECT_EQ(device_->Stats().Presents, presents + 1);
    const QImage frame = device_->ReadBackBuffer();
    // Five steps of 2 to the left: 90..154.
    EXPECT_EQ(frame.pixel(95, 230), qRgb(250, 200, 0));
    EXPECT_EQ(frame.pixel(150, 230), qRgb(250, 200, 0));
    EXPECT_EQ(frame.pixel(158, 230), qRgb(0, 0, 0));
}
