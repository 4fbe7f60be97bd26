// The game world: the update pass, removal, drawing and building a world from a map.

#include "WorldTestSupport.h"
#include "engine/GUI.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Objects.h"

using namespace tv;
using worldtest::GfxWorldTest;
using worldtest::WorldTest;

namespace {

// Records what the pass does to it.
class TProbe : public TBaseObj {
public:
    TProbe(std::vector<std::string>& log, std::string label, int32_t z)
        : TBaseObj(PD3DDevice(), TDXBounds{0, 0, 8, 8}, nullptr, 0u, z, true), log_(log),
          label_(std::move(label)) {}
    void Control() override { log_.push_back("control " + label_); }
    void Update() override {
        TBaseObj::Update();
        log_.push_back("update " + label_);
        if (DieOnUpdate)
            Dead = true;
        if (Spawn && World)
            World->AddObject(std::make_unique<TProbe>(log_, label_ + "'", Z));
        Spawn = false;
    }
    bool DieOnUpdate = false;
    bool Spawn = false;

private:
    std::vector<std::string>& log_;
    std::string label_;
};

template <class T> std::unique_ptr<T> Record(const char* name, int left, int top, int w, int h) {
    auto record = std::make_unique<T>();
    record->Name = name;
    record->Left = left;
    record->Top = top;
    record->Width = w;
    record->Height = h;
    return record;
}

} // namespace

TEST_F(WorldTest, StepControlsThenUpdatesThenRemovesTheDead) {
    std::vector<std::string> log;
    auto* a = static_cast<TProbe*>(World().AddObject(std::make_unique<TProbe>(log, "a", 2)));
    auto* b = static_cast<TProbe*>(World().AddObject(std::make_unique<TProbe>(log, "b", 1)));
    b->DieOnUpdate = true;
    a->Spawn = true;
    World().Step();
    const std::vector<std::string> expected{"control b", "control a", "update b", "update a"};
    EXPECT_EQ(log, expected);
    ASSERT_EQ(World().Objects.Count(), 2); // b is gone, a's spawn waits for the next pass
    EXPECT_EQ(World().Objects.IndexOf(b), -1);
    EXPECT_EQ(World().StepCount, 1u);
    log.clear();
    World().Step();
    const std::vector<std::string> second{"control a'", "control a", "update a'", "update a"};
    EXPECT_EQ(log, second);
}

TEST_F(WorldTest, AnEnemyKilledInThePlayersControlNeitherMovesNorFiresInThatPass) {
    // The player walks into an enemy with 1 hit point whose weapon is ready: the contact in
    // the player's Control kills it before the enemies' turn to update.
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(150, 300, 64, 32);
    enemy->MaxHitPoints = enemy->HitPoints = 1;
    clock_.Advance(1500); // "Hrouda slizu" fires once a second
    SetKeyDown(VK_RIGHT, true);
    World().Step();
    EXPECT_EQ(player->HitPoints, 13);      // the enemy's claws only, no shot
    EXPECT_EQ(World().Objects.Count(), 1); // the enemy is gone and left no shot behind
    EXPECT_EQ(World().Message, "Nepřítel zemřel: Enemy , Player obdrží 150 XP");
}

TEST_F(WorldTest, MessagesKeepTheLastTwoAndALogWithTheUpdate) {
    std::vector<std::string> told;
    World().OnMessage = [&told](const TWorldMessage& m) {
        told.push_back(std::to_string(m.Step) + ":" + m.Text);
    };
    World().PushMessage("one");
    World().Step();
    World().PushMessage("two");
    World().PushMessage("three");
    EXPECT_EQ(World().Message, "three");
    EXPECT_EQ(World().PreviousMessage, "two");
    const std::vector<std::string> expected{"0:one", "1:two", "1:three"};
    EXPECT_EQ(told, expected);
    EXPECT_EQ(World().MessageLog.size(), 3u);
}

TEST_F(WorldTest, RemovingADeadPlayerClearsReferencesToIt) {
    TPlayer* player = Add<TPlayer>(100, 100, 64, 32);
    TEnemy* enemy = Add<TEnemy>(600, 100, 64, 32);
    TProjectile* shot = Add<TProjectile>(200, 100, 8, 8);
    enemy->Killer = player;
    shot->Owner = player;
    player->Dead = true;
    World().RemoveDead();
    EXPECT_EQ(World().Player(), nullptr);
    EXPECT_EQ(enemy->Killer, nullptr);
    EXPECT_EQ(shot->Owner, nullptr);
}

TEST_F(WorldTest, MapVariablesGiveTheMargins) {
    TMap map;
    map.Sky = 40;
    map.Ground = 90;
    World().ApplyMapVars(map);
    EXPECT_EQ(World().TopMargin, 40);
    EXPECT_EQ(World().BottomMargin, 90);
}

TEST_F(WorldTest, WorldFromAMapPlacesEveryRecordAsItsClass) {
    TMap map;
    map.Sky = 30;
    map.AddObjectSorted(Record<TBackGroundInfo>("Sky", 0, 0, 800, 600));
    auto enemy = Record<TEnemyInfo>("Sliz", 1200, 400, 96, 48);
    enemy->HitPoints = 9;
    enemy->RangedWeapon = "Fireball";
    map.AddObjectSorted(std::move(enemy));
    map.AddObjectSorted(Record<TDecorInfo>("Kámen", 500, 450, 128, 96));
    map.AddObjectSorted(Record<TPlayerInfo>("Rytíř", 50, 300, 72, 96));
    map.AddObjectSorted(Record<TBaseInfo>("Značka", 10, 10, 64, 64));
    BuildWorldFromMap(World(), map, PD3DDevice());
    ASSERT_EQ(World().Objects.Count(), 5);
    EXPECT_EQ(World().TopMargin, 30);
    std::vector<std::string> classes;
    for (TBaseObj* object : World().Objects)
        classes.push_back(object->ClassName());
    // The marker record keeps the record's layer -100, below the background's -10.
    const std::vector<std::string> expected{"TBaseObj", "TBackGround", "TDecor", "TEnemy",
                                            "TPlayer"};
    EXPECT_EQ(classes, expected);
    auto* sliz = dynamic_cast<TEnemy*>(World().Objects[3]);
    ASSERT_NE(sliz, nullptr);
    EXPECT_EQ(sliz->GetPosition(), (TPoint{1200, 400}));
    EXPECT_EQ(sliz->StartX, 1200);
    EXPECT_EQ(sliz->HitPoints, 9);
    EXPECT_EQ(sliz->RangedWeapon->Name, "Fireball");
    EXPECT_EQ(World().Player()->Name, "Rytíř");
    EXPECT_EQ(World().Player()->GetPosition(), (TPoint{50, 300}));
}

TEST_F(WorldTest, WorldFromAMapNamesTheRecordItCannotMake) {
    TMap map;
    map.AddObjectSorted(Record<TDecorInfo>("Kámen", 500, 450, 128, 96));
    auto player = Record<TPlayerInfo>("Duch", 50, 300, 72, 96);
    player->HitPoints = -5;
    map.AddObjectSorted(std::move(player));
    try {
        BuildWorldFromMap(World(), map, PD3DDevice());
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(), "object 1 (TPlayerInfo \"Duch\"): Player \"Duch\" has -5 hit "
                               "points; a player needs at least 1");
    }
    EXPECT_EQ(World().Objects.Count(), 1);
}

TEST_F(GfxWorldTest, AnimatedRecordsArePlacedAtTheirCorner) {
    SavePicture("enemies/slime.png", 256, 32, qRgb(0, 160, 0));
    auto record = Record<TEnemyInfo>("Slime", 300, 200, 96, 48);
    record->Texture = "enemies\\slime.png";
    record->FrameWidth = 64;
    record->FrameHeight = 32;
    record->Animated = 1;
    record->HitPoints = 6;
    std::unique_ptr<TBaseObj> object = CreateObjectFromRecord(*record, device_);
    EXPECT_TRUE(object->Animating);
    EXPECT_EQ(object->FrameCount, 4);
    EXPECT_EQ(object->GetPosition(), (TPoint{300, 200}));
    EXPECT_EQ(object->GetRect(), (TRect{300, 200, 396, 248}));
}

TEST_F(GfxWorldTest, StepDrawsTheObjectsInLayerOrder) {
    World().Device = device_;
    auto* under = Add<TDecor>(100, 100, 200, 100, 0);
    under->SetColor(0xFFFF0000u);
    auto* over = Add<TDecor>(150, 120, 40, 40, 2);
    over->SetColor(0xFF0000FFu);
    auto* offscreen = Add<TDecor>(900, 100, 64, 64, 3);
    offscreen->SetColor(0xFF00FF00u);
    World().Step(); // the decorations move 2 to the left first
    const QImage frame = device_->ReadBackBuffer();
    EXPECT_EQ(device_->Stats().DrawPrimitiveCalls, 2u);
    ASSERT_EQ(frame.width(), 800);
    EXPECT_EQ(qRed(frame.pixel(110, 150)), 255);
    EXPECT_EQ(qBlue(frame.pixel(110, 150)), 0);
    EXPECT_EQ(qBlue(frame.pixel(160, 140)), 255);
    EXPECT_EQ(qRed(frame.pixel(160, 140)), 0);
    // The red panel moved from 100..300 to 98..298.
    EXPECT_EQ(frame.pixel(98, 150), 0xFFFF0000u);
    EXPECT_EQ(frame.pixel(297, 150), 0xFFFF0000u);
    EXPECT_EQ(frame.pixel(97, 150) & 0xFFFFFFu, 0u);
    EXPECT_EQ(frame.pixel(298, 150) & 0xFFFFFFu, 0u);
    EXPECT_EQ(frame.pixel(700, 130) & 0xFFFFFFu, 0u);
}

TEST_F(GfxWorldTest, PlayerDeathOpensTheEnginesMessageWindow) {
    GuiManager = std::make_unique<TGuiManager>();
    struct FreeGui {
        ~FreeGui() { GuiManager.reset(); }
    } freeGui;
    TGuiWin* window = BuildMessageWindow(*GuiManager, device_);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(MessageWindow, window);
    EXPECT_FALSE(window->Visible);
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    player->SetHitPoints(0);
    EXPECT_TRUE(window->Visible);
    EXPECT_TRUE(GuiManager->ModalActive);
    EXPECT_EQ(GuiManager->ModalText, "MOD_ENGINESTOP");
    EXPECT_EQ(windows_.size(), 1u); // the hook saw it as well
    EXPECT_EQ(player->HitPoints, 15);
}
