// Actors: defaults, damage, death and experience, shooting, the player's keys and limits,
// blocking by decorations, bosses and the sighting message.

#include "WorldTestSupport.h"
#include "engine/Sound.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"

using namespace tv;
using worldtest::WorldTest;

namespace {

// A player shot placed on the target.
TProjectile* PlayerShot(WorldTest* test, TGameWorld& world, TPlayer* owner, TBaseObj* target,
                        int damage) {
    const TPoint p = target->GetPosition();
    auto shot = std::make_unique<TProjectile>(PD3DDevice(), TDXBounds{p.X + 2, p.Y + 2, 24, 6},
                                              nullptr, 0u, kClassDefaultZ, true);
    shot->FromPlayer = true;
    shot->Owner = owner;
    shot->Damage = damage;
    (void)test;
    return static_cast<TProjectile*>(world.AddObject(std::move(shot)));
}

std::vector<TProjectile*> Shots(const TGameWorld& world) {
    std::vector<TProjectile*> shots;
    for (TBaseObj* object : world.Objects)
        if (auto* shot = dynamic_cast<TProjectile*>(object))
            shots.push_back(shot);
    return shots;
}

} // namespace

TEST_F(WorldTest, ClassDefaultsOfActors) {
    TEnemy enemy(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    EXPECT_EQ(enemy.Name, "Enemy");
    EXPECT_EQ(enemy.Group, "Enemies");
    EXPECT_EQ(enemy.HitPoints, 6);
    EXPECT_EQ(enemy.MaxHitPoints, 6);
    EXPECT_EQ(enemy.ExperiencePoints, 150);
    EXPECT_FLOAT_EQ(enemy.Speed, -2.9f);
    EXPECT_TRUE(enemy.Animated);
    ASSERT_NE(enemy.MeleeWeapon, nullptr);
    EXPECT_EQ(enemy.MeleeWeapon->Name, "Drápy");
    EXPECT_EQ(enemy.DieSound, "ingame\\enemy_die.wav");

    TBoss boss(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    EXPECT_EQ(boss.HitPoints, 30);
    EXPECT_EQ(boss.MaxHitPoints, 30);
    EXPECT_EQ(boss.ExperiencePoints, 1000);
    ASSERT_NE(boss.RangedWeapon, nullptr);
    EXPECT_EQ(boss.RangedWeapon->Name, "Fireball");

    TPlayer player(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    EXPECT_EQ(player.HitPoints, 15);
    EXPECT_EQ(player.MaxHitPoints, 15);
    ASSERT_NE(player.SecondRangedWeapon, nullptr);
    EXPECT_EQ(player.SecondRangedWeapon->Name, "Fireball");
    ASSERT_NE(player.Armour, nullptr);
    EXPECT_EQ(player.Armour->Protection, 2);
    // A default player record makes the same player as the class defaults.
    const TPlayerInfo record;
    TPlayer fromRecord(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    fromRecord.ApplyInfo(record);
    EXPECT_EQ(fromRecord.Name, player.Name);
    EXPECT_EQ(record.Group.str(), player.Group);
    EXPECT_EQ(fromRecord.Speed, player.Speed);
    EXPECT_EQ(fromRecord.HitPoints, player.HitPoints);
    EXPECT_EQ(fromRecord.MaxHitPoints, player.MaxHitPoints);
    EXPECT_EQ(fromRecord.ExperiencePoints, player.ExperiencePoints);
    EXPECT_EQ(fromRecord.FrameWidth, player.FrameWidth);
    EXPECT_EQ(fromRecord.FrameHeight, player.FrameHeight);
    EXPECT_EQ(fromRecord.Z, player.Z);
    EXPECT_EQ(fromRecord.RangedWeapon, player.RangedWeapon);
    EXPECT_EQ(fromRecord.SecondRangedWeapon, player.SecondRangedWeapon);
    EXPECT_EQ(fromRecord.MeleeWeapon, player.MeleeWeapon);
    EXPECT_EQ(fromRecord.Armour, player.Armour);
    EXPECT_EQ(fromRecord.FireSound, player.FireSound);
    EXPECT_EQ(fromRecord.DieSound, player.DieSound);
    EXPECT_EQ(fromRecord.HitSound, player.HitSound);
    EXPECT_EQ(fromRecord.AmbientSound, player.AmbientSound);
    const std::pair<uint16_t, uint16_t> keys[] = {
        {fromRecord.KeyLeft, player.KeyLeft},   {fromRecord.KeyRight, player.KeyRight},
        {fromRecord.KeyUp, player.KeyUp},       {fromRecord.KeyDown, player.KeyDown},
        {fromRecord.KeyFire1, player.KeyFire1}, {fromRecord.KeyFire2, player.KeyFire2}};
    const int expectedKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SHIFT, VK_CONTROL};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(keys[i].first, keys[i].second);
        EXPECT_EQ(keys[i].second, expectedKeys[i]);
    }

    TProjectile shot(PD3DDevice(), TDXBounds{0, 0, 8, 8}, nullptr, 0u, kClassDefaultZ, false);
    EXPECT_EQ(shot.Range, 800);
    EXPECT_FLOAT_EQ(shot.Speed, 3.0f);
}

TEST_F(WorldTest, EquipmentMissingFromTheTablesLeavesEmptyReferences) {
    ClearEquipment();
    TEnemy enemy(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    EXPECT_EQ(enemy.RangedWeapon, nullptr);
    EXPECT_EQ(enemy.Armour, nullptr);
}

TEST_F(WorldTest, EnemyDiesOnTheThirdShotAndCreditsItsKiller) {
    TPlayer* player = Add<TPlayer>(50, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(400, 300, 64, 32);
    enemy->Name = "Sliz";
    enemy->RangedWeapon = nullptr;
    for (int shot = 1; shot <= 3; ++shot) {
        SCOPED_TRACE(shot);
        TProjectile* p = PlayerShot(this, World(), player, enemy, 2);
        enemy->Move(0.0f, 0.0f);
        EXPECT_TRUE(p->Dead);
        EXPECT_EQ(enemy->HitPoints, 6 - 2 * shot);
        EXPECT_EQ(enemy->Dead, shot == 3);
    }
    EXPECT_EQ(enemy->Killer, player);
    EXPECT_EQ(player->ExperiencePoints, 150);
    EXPECT_EQ(player->Kills, 1);
    EXPECT_EQ(World().Message, "Nepřítel zemřel: Sliz , Player obdrží 150 XP");
}

TEST_F(WorldTest, EnemyDiesOnceWhenSeveralShotsLandTogether) {
    TPlayer* player = Add<TPlayer>(50, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(400, 300, 64, 32);
    enemy->HitPoints = 2;
    TProjectile* first = PlayerShot(this, World(), player, enemy, 5);
    TProjectile* second = PlayerShot(this, World(), player, enemy, 5);
    enemy->Move(0.0f, 0.0f);
    EXPECT_TRUE(enemy->Dead);
    EXPECT_EQ(player->Kills, 1);
    EXPECT_EQ(player->ExperiencePoints, 150);
    // The shot that found it already dead flies on.
    EXPECT_NE(first->Dead, second->Dead);
}

TEST_F(WorldTest, EnemyShotsDoNotHurtEnemiesAndPlayerShotsDoNotHurtThePlayer) {
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(400, 300, 64, 32);
    TProjectile* own = PlayerShot(this, World(), player, player, 4);
    auto hostile = std::make_unique<TProjectile>(PD3DDevice(), TDXBounds{402, 302, 24, 6}, nullptr,
                                                 0u, kClassDefaultZ, true);
    hostile->Damage = 4;
    TProjectile* enemyShot = static_cast<TProjectile*>(World().AddObject(std::move(hostile)));
    player->Move(0.0f, 0.0f);
    enemy->Move(0.0f, 0.0f);
    EXPECT_FALSE(own->Dead);
    EXPECT_FALSE(enemyShot->Dead);
    EXPECT_EQ(player->HitPoints, 15);
    EXPECT_EQ(enemy->HitPoints, 6);
}

TEST_F(WorldTest, EnemyWithoutKillerDiesWithoutCredit) {
    TPlayer* player = Add<TPlayer>(50, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(400, 300, 64, 32);
    enemy->Name = "Netopýr";
    enemy->SetHitPoints(0);
    EXPECT_TRUE(enemy->Dead);
    EXPECT_EQ(World().Message, "Nepřítel zemřel: Netopýr");
    EXPECT_EQ(player->Kills, 0);
    EXPECT_EQ(player->ExperiencePoints, 0);
}

TEST_F(WorldTest, HitPointsAreCappedAtTheMaximum) {
    TEnemy* enemy = Add<TEnemy>(400, 300, 64, 32);
    enemy->SetHitPoints(100);
    EXPECT_EQ(enemy->HitPoints, 6);
    TPlayer* player = Add<TPlayer>(0, 300, 64, 32);
    player->SetHitPoints(16);
    EXPECT_EQ(player->HitPoints, 15);
}

TEST_F(WorldTest, PlayerDeathCostsExperienceAndRevives) {
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    player->Name = "Rytíř";
    player->SetHitPoints(-3);
    EXPECT_EQ(player->ExperiencePoints, -500);
    EXPECT_EQ(player->Deaths, 1);
    EXPECT_EQ(player->HitPoints, 15);
    EXPECT_FALSE(player->Dead);
    EXPECT_TRUE(World().PlayerDied);
    ASSERT_EQ(windows_.size(), 1u);
    EXPECT_EQ(windows_[0].Title, "Smrt si tě našla");
    EXPECT_EQ(windows_[0].Result, "MOD_ENGINESTOP");
    EXPECT_TRUE(windows_[0].Centre);
    const std::vector<std::string> lines{"[Rytíř] byl zavražděn na malilinkaté kousky.",
                                         "Měl jsem ho docela rád, tak ho obživím, avšak",
                                         "vypůjčím si od něj 500  XP"};
    EXPECT_EQ(windows_[0].Lines, lines);
}

TEST_F(WorldTest, PlayerRecordsWithoutHitPointsAreRefused) {
    TPlayerInfo record;
    record.Name = "Zombie";
    record.HitPoints = 0;
    record.Width = 64;
    record.Height = 32;
    TPlayer player(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, true);
    try {
        player.ApplyInfo(record);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(), "Player \"Zombie\" has 0 hit points; a player needs at least 1");
    }
    EXPECT_EQ(player.Name, "Player");
    EXPECT_EQ(player.MaxHitPoints, 15);

    // A maximum set to nothing by hand still revives only once per death.
    player.MaxHitPoints = 0;
    player.SetHitPoints(-1);
    EXPECT_EQ(player.Deaths, 1);
    EXPECT_EQ(player.HitPoints, 0);
}

TEST_F(WorldTest, PlayerRecordBringsKeysWeaponsAndHitPoints) {
    TPlayerInfo record;
    record.Name = "Ranger";
    record.HitPoints = 12;
    record.KeyLeft = 'A';
    record.KeyFire2 = 'G';
    record.SecondRangedWeapon = "VRHACÍ NOŽE";
    record.RangedWeapon = "nothing";
    TPlayer player(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, true);
    player.ApplyInfo(record);
    EXPECT_EQ(player.MaxHitPoints, 12);
    EXPECT_EQ(player.HitPoints, 12);
    EXPECT_EQ(player.KeyLeft, 'A');
    EXPECT_EQ(player.KeyFire2, 'G');
    EXPECT_EQ(player.RangedWeapon, nullptr);
    ASSERT_NE(player.SecondRangedWeapon, nullptr);
    EXPECT_EQ(player.SecondRangedWeapon->Name, "Vrhací nože");
}

TEST_F(WorldTest, FireRateRefusesAShotExactlyAtTheInterval) {
    TPlayer* player = Add<TPlayer>(100, 200, 64, 64);
    SetKeyDown(VK_SHIFT, true); // "Vrhací nože": rate 2, 500 ms
    clock_.Advance(500);        // 500 ms after creation: too soon
    player->Control();
    EXPECT_TRUE(Shots(World()).empty());
    clock_.Advance(1);
    player->Control();
    const std::vector<TProjectile*> shots = Shots(World());
    ASSERT_EQ(shots.size(), 1u);
    TProjectile* shot = shots[0];
    EXPECT_EQ(shot->GetPosition(), (TPoint{100, 216})); // top + (64 - 32) div 2
    EXPECT_EQ(shot->Bounds.Width, 24);
    EXPECT_EQ(shot->Bounds.Height, 6);
    EXPECT_EQ(shot->Z, 5);
    EXPECT_TRUE(shot->FromPlayer);
    EXPECT_EQ(shot->Owner, player);
    EXPECT_EQ(shot->Damage, 2);
    EXPECT_FLOAT_EQ(shot->Speed, 8.0f);
    clock_.Advance(500);
    player->Control();
    EXPECT_EQ(Shots(World()).size(), 1u);
    clock_.Advance(1);
    player->Control();
    EXPECT_EQ(Shots(World()).size(), 2u);

    // The second key fires the second weapon.
    SetKeyDown(VK_SHIFT, false);
    GetAsyncKeyState(VK_SHIFT); // forget the press
    SetKeyDown(VK_CONTROL, true);
    clock_.Advance(2001);
    player->Control();
    const std::vector<TProjectile*> after = Shots(World());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0]->Blend, bl_add); // newest first among equal layers
    EXPECT_EQ(after[0]->Damage, 3);
}

TEST_F(WorldTest, EnemiesShootLeftOnlyWhileOnScreen) {
    TEnemy* outside = Add<TEnemy>(900, 300, 64, 32);
    TEnemy* inside = Add<TEnemy>(600, 300, 64, 32);
    clock_.Advance(1001);
    outside->Fire();
    EXPECT_TRUE(Shots(World()).empty());
    inside->Fire();
    const std::vector<TProjectile*> shots = Shots(World());
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_FLOAT_EQ(shots[0]->Speed, -5.0f);
    EXPECT_FALSE(shots[0]->FromPlayer);
    EXPECT_EQ(shots[0]->Owner, nullptr);
    EXPECT_EQ(shots[0]->GetPosition(), (TPoint{600, 300})); // 32 high: no offset
}

TEST_F(WorldTest, ProjectileEndsInItsUpdateBeyondRange) {
    TProjectile* shot = Add<TProjectile>(-2000, 300, 8, 8);
    for (int update = 1; update <= 266; ++update)
        shot->Update();
    EXPECT_FALSE(shot->Dead);
    EXPECT_FLOAT_EQ(shot->Travelled, 798.0f);
    shot->Update();
    EXPECT_TRUE(shot->Dead);
    // Shots ignore the scroll lock.
    World().LockScroll();
    const int x = shot->GetPosition().X;
    shot->Update();
    EXPECT_EQ(shot->GetPosition().X, x + 3);
}

TEST_F(WorldTest, PlayerStaysOnTheScreenSideways) {
    TPlayer* player = Add<TPlayer>(670, 300, 128, 32);
    player->Move(4.0f, 0.0f); // 674 > 800 - 128
    EXPECT_EQ(player->GetPosition().X, 670);
    player->Move(2.0f, 0.0f);
    EXPECT_EQ(player->GetPosition().X, 672);
    TPlayer* left = Add<TPlayer>(3, 100, 64, 32);
    left->Move(-4.0f, 0.0f);
    EXPECT_EQ(left->GetPosition().X, 3);
    left->Move(-3.0f, 0.0f);
    EXPECT_EQ(left->GetPosition().X, 0);
}

TEST_F(WorldTest, PlayerKeysMoveByTheRoundedSpeed) {
    TPlayer* player = Add<TPlayer>(300, 300, 64, 32);
    player->Speed = 2.5f; // rounds to 2 (halves to even)
    SetKeyDown(VK_RIGHT, true);
    SetKeyDown(VK_DOWN, true);
    player->Control();
    EXPECT_EQ(player->GetPosition(), (TPoint{302, 302}));
    SetKeyDown(VK_RIGHT, false);
    SetKeyDown(VK_DOWN, false);
    player->Control(); // released keys move nothing
    EXPECT_EQ(player->GetPosition(), (TPoint{302, 302}));
    SetKeyDown(VK_LEFT, true);
    SetKeyDown(VK_UP, true);
    player->Control();
    player->Control();
    EXPECT_EQ(player->GetPosition(), (TPoint{298, 298}));
}

// Blocking: a player next to a solid decoration whose right edge is at 100.
class BlockingTest : public WorldTest {
protected:
    void Place(int playerX, int playerY) {
        decor_ = Add<TDecor>(36, 200, 64, 100); // 36..100, 200..300
        player_ = Add<TPlayer>(playerX, playerY, 64, 32);
    }
    TDecor* decor_ = nullptr;
    TPlayer* player_ = nullptr;
};

TEST_F(BlockingTest, LeftStepIsCancelledWithEnoughVerticalOverlap) {
    Place(98, 280); // vertical overlap 280..300: 20
    player_->Move(-4.0f, 0.0f);
    EXPECT_EQ(player_->GetPosition().X, 98);
}

TEST_F(BlockingTest, LeftStepIsMadeWithLittleVerticalOverlap) {
    Place(98, 290); // overlap 10
    player_->Move(-4.0f, 0.0f);
    EXPECT_EQ(player_->GetPosition().X, 94);
}

TEST_F(BlockingTest, LeftStepFromOutsideEndsInsideTheDecoration) {
    Place(102, 280);
    player_->Move(-4.0f, 0.0f);
    EXPECT_EQ(player_->GetPosition().X, 98);
    player_->Move(-4.0f, 0.0f); // now overlapping: held
    EXPECT_EQ(player_->GetPosition().X, 98);
}

TEST_F(BlockingTest, RightStepIsPushedBackByTheOverlap) {
    decor_ = Add<TDecor>(300, 200, 64, 100);
    player_ = Add<TPlayer>(240, 250, 64, 32); // right edge 304: overlap width 4
    player_->Move(4.0f, 0.0f);
    EXPECT_EQ(player_->GetPosition().X, 236);
}

TEST_F(BlockingTest, VerticalStepsIntoTheDecorationAreCancelled) {
    decor_ = Add<TDecor>(300, 200, 64, 100);
    TPlayer* below = Add<TPlayer>(310, 290, 32, 32); // inside from below, moving up
    below->Move(0.0f, -4.0f);
    EXPECT_EQ(below->GetPosition().Y, 290);
    TPlayer* above = Add<TPlayer>(320, 180, 32, 32); // moving down onto it
    above->Move(0.0f, 4.0f);
    EXPECT_EQ(above->GetPosition().Y, 180);
    decor_->ProjectilesPass = true; // a pass-through decoration blocks nothing
    above->Move(0.0f, 4.0f);
    EXPECT_EQ(above->GetPosition().Y, 184);
}

TEST_F(BlockingTest, PushBackPastTheLeftEdgeIsUndone) {
    decor_ = Add<TDecor>(20, 200, 64, 100);
    player_ = Add<TPlayer>(0, 250, 64, 32); // overlap width 44 to the right
    player_->Move(1.0f, 0.0f);
    EXPECT_EQ(player_->GetPosition().X, 0);
}

TEST_F(WorldTest, ContactDamageAtMostEvery150Milliseconds) {
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(120, 300, 64, 32);
    enemy->HitPoints = enemy->MaxHitPoints = 20;
    // Frame steps do not hold contact off.
    player->AnimTick = GetTickCount();
    player->Move(0.0f, 0.0f);
    EXPECT_EQ(player->HitPoints, 13); // claws: 2
    EXPECT_EQ(enemy->HitPoints, 19);  // dagger: 1
    EXPECT_EQ(enemy->Killer, player);
    clock_.Advance(150);
    player->Move(0.0f, 0.0f);
    EXPECT_EQ(player->HitPoints, 13);
    clock_.Advance(1);
    player->Move(0.0f, 0.0f);
    EXPECT_EQ(player->HitPoints, 11);
    EXPECT_EQ(enemy->HitPoints, 18);
}

TEST_F(WorldTest, BossWalksInLocksTheScrollAndUnlocksItByDying) {
    TBoss* boss = Add<TBoss>(772, 100, 128, 256); // right edge 900
    boss->Speed = -2.0f;
    boss->RangedWeapon = nullptr;
    TDecor* decor = Add<TDecor>(400, 400, 64, 64);
    EXPECT_EQ(boss->Z, 3);
    boss->Update();
    EXPECT_TRUE(World().ScrollLocked);
    int updates = 1;
    while (boss->GetRect().Right > 800 && updates < 100) {
        boss->Update();
        decor->Update();
        ++updates;
    }
    EXPECT_EQ(boss->GetRect().Right, 800);
    EXPECT_EQ(updates, 50);
    EXPECT_EQ(decor->GetPosition().X, 400); // scenery stood still
    boss->Update();
    EXPECT_EQ(boss->GetRect().Right, 800);
    boss->SetHitPoints(0);
    EXPECT_TRUE(boss->Dead);
    EXPECT_FALSE(World().ScrollLocked);
    decor->Update();
    EXPECT_EQ(decor->GetPosition().X, 398);
}

TEST_F(WorldTest, OffScreenEnemiesDriftWithTheScrollOrWait) {
    TEnemy* enemy = Add<TEnemy>(1000, 300, 64, 32);
    enemy->Update();
    EXPECT_EQ(enemy->GetPosition().X, 998);
    World().LockScroll();
    enemy->Update();
    EXPECT_EQ(enemy->GetPosition().X, 998);
    // A boss drifts in even while the scroll is locked.
    TBoss* boss = Add<TBoss>(1000, 100, 128, 256);
    boss->Update();
    EXPECT_EQ(boss->GetPosition().X, 998);
}

TEST_F(WorldTest, SightingIsToldOncePerAppearance) {
    TEnemy* enemy = Add<TEnemy>(802, 300, 64, 32);
    enemy->Name = "Pavouk";
    enemy->Update(); // to 800: still off screen
    EXPECT_TRUE(Messages().empty());
    enemy->Update(); // 798: on screen
    enemy->Update();
    enemy->Update();
    const std::vector<std::string> once{"Právě jsi spatřil: Pavouk"};
    EXPECT_EQ(Messages(), once);
    enemy->Move(300.0f, 0.0f);
    EXPECT_FALSE(enemy->IsOnScreen());
    enemy->Move(-300.0f, 0.0f);
    EXPECT_TRUE(enemy->IsOnScreen());
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(World().PreviousMessage, "Právě jsi spatřil: Pavouk");
}

TEST_F(WorldTest, PlayerShotsFlyToEnemiesAndHurtThem) {
    TPlayer* player = Add<TPlayer>(100, 300, 64, 32);
    TEnemy* enemy = Add<TEnemy>(700, 300, 64, 32);
    enemy->RangedWeapon = nullptr;
    SetKeyDown(VK_SHIFT, true);
    clock_.Advance(501);
    World().Step(); // fires
    ASSERT_EQ(Shots(World()).size(), 1u);
    SetKeyDown(VK_SHIFT, false);
    for (int i = 0; i < 100 && !Shots(World()).empty(); ++i)
        World().Step();
    EXPECT_TRUE(Shots(World()).empty());
    EXPECT_EQ(enemy->HitPoints, 4);
    EXPECT_EQ(player->Kills, 0);
}

namespace {

// A sample that only counts its playbacks.
class TCountingSample : public TBassObj {
public:
    TCountingSample(const std::string& name, bool loadNow) : TBassObj(name, loadNow) {}
    uint32_t Play() override {
        ++Plays;
        return 1;
    }
    int Plays = 0;
};

} // namespace

TEST_F(WorldTest, SoundsPlayOnlyOnScreenAndOnlyWithASampleBank) {
    TEnemy* inside = Add<TEnemy>(100, 100, 64, 32);
    TEnemy* outside = Add<TEnemy>(900, 100, 64, 32);
    inside->Die(); // no bank: nothing to play, nothing raised
    EXPECT_TRUE(inside->Dead);

    CreateSampleBank();
    struct FreeBank {
        ~FreeBank() { DestroySampleBank(); }
    } freeBank;
    auto* sample = static_cast<TCountingSample*>(
        SampleBank()->GetSample("ingame\\enemy_fire.wav", &ConstructBassObj<TCountingSample>));
    outside->PlaySound(outside->FireSound);
    EXPECT_EQ(sample->Plays, 0);
    inside->PlaySound("");
    inside->PlaySound("INGAME\\ENEMY_FIRE.WAV");
    EXPECT_EQ(sample->Plays, 1);
    EXPECT_EQ(SampleBank()->Count(), 1u);
}
