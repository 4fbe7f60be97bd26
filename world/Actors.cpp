#include "world/Actors.h"
#include "mapdata/Geometry.h"

#include "engine/Clock.h"
#include "engine/KeyState.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"
#include "mapdata/Text.h"
#include "world/GameWorld.h"
#include "world/MessageWindow.h"

#include <cmath>
#include <limits>

namespace tv {

namespace {

bool ScrollLocked() {
    return CurrentWorld && CurrentWorld->ScrollLocked;
}

void Post(const std::string& text) {
    if (CurrentWorld)
        CurrentWorld->PushMessage(text);
}

bool IsDown(uint16_t vk) {
    return GetAsyncKeyState(vk) != 0;
}

int32_t DamageOf(const PWeapon& weapon) {
    return weapon ? weapon->Damage : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TEntity

TEntity::TEntity(NoDefaults, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
                 uint32_t color, int32_t z, bool build)
    : TColObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {}

TEntity::TEntity(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                 int32_t z, bool build)
    : TEntity(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TEntity::SetDefaults();
    StartAnimation();
}

void TEntity::SetDefaults() {
    TColObj::SetDefaults();
    Name = "Entity";
    Group = "Misc";
    DefaultLayer(1);
    FireSound.clear();
    DieSound.clear();
    HitSound.clear();
    AmbientSound.clear();
    Animated = true;
}

void TEntity::ApplyInfo(const TBaseInfo& record) {
    TColObj::ApplyInfo(record);
    const auto* info = dynamic_cast<const TEntityInfo*>(&record);
    if (!info)
        return;
    RangedWeapon = FindWeapon(info->RangedWeapon);
    MeleeWeapon = FindWeapon(info->MeleeWeapon);
    Armour = FindArmour(info->Armour);
    MaxHitPoints = info->HitPoints;
    SetHitPoints(info->HitPoints);
    ExperiencePoints = info->ExperiencePoints;
    FireSound = info->FireSound;
    DieSound = info->DieSound;
    HitSound = info->HitSound;
    AmbientSound = info->AmbientSound;
}

bool TEntity::IsOnScreen() {
    const bool visible = TColObj::IsOnScreen();
    if (!WasOnScreen && visible)
        Post(Format("Právě jsi spatřil: %s", Name.c_str()));
    WasOnScreen = visible;
    return visible;
}

void TEntity::CheckCollisions() {
    TGameWorld* world = CurrentWorld;
    if (!world || Dead || !Visible || !IsOnScreen())
        return;
    const TRect mine = GetRect();
    for (TBaseObj* object : world->CollisionCandidates(HitKinds(), mine)) {
        // A dead entity takes part in no further collisions, not even later in this walk.
        if (Dead)
            break;
        if (!object->IsOnScreen())
            continue;
        if (!dynamic_cast<TColObj*>(object) || object->Dead || !object->Visible)
            continue;
        if (RectsOverlap(object->GetRect(), mine))
            Hit(object);
    }
}

void TEntity::Hit(TBaseObj* other) {
    const auto* decor = dynamic_cast<const TDecor*>(other);
    if (!decor || decor->ProjectilesPass)
        return;
    // Positions as doubles: the integer positions plus the float step, without overflow.
    const TPoint p = GetPosition();
    const TPoint d = decor->GetPosition();
    const double px = p.X;
    const double py = p.Y;
    const double dx = d.X;
    const double dy = d.Y;
    const double w = Bounds.Width;
    const double h = Bounds.Height;
    const double wd = decor->Bounds.Width;
    const double hd = decor->Bounds.Height;
    TRect overlap = GetRect();
    ClipRect(overlap, decor->GetRect());
    const int64_t iw = int64_t{overlap.Right} - overlap.Left;
    const int64_t ih = int64_t{overlap.Bottom} - overlap.Top;

    if (MoveX < 0.0f && px + MoveX - 5.0 < dx + wd && ih >= 11)
        MoveX = 0.0f;
    if (MoveX > 0.0f && px + MoveX + w > dx - 5.0 && ih >= 11 && px + MoveX < dx)
        MoveX = -static_cast<float>(iw);
    if (MoveY < 0.0f && dy < py + MoveY && py + MoveY < dy + hd)
        MoveY = 0.0f;
    if (MoveY > 0.0f && py + MoveY + h > dy && py + MoveY < dy + hd - 10.0)
        MoveY = 0.0f;
}

void TEntity::Fire() {
    PlaySound(FireSound);
}

void TEntity::Die() {
    PlaySound(DieSound);
}

void TEntity::Shoot(const PWeapon& weapon, bool fromPlayer) {
    TGameWorld* world = CurrentWorld;
    // No weapon, or no world to put the shot in: no shot.
    if (!weapon || !world)
        return;
    // A weapon without a positive rate never fires.
    if (!(weapon->Rate > 0.0f))
        return;
    const uint32_t elapsed = GetTickCount() - Timer;
    if (static_cast<double>(elapsed) <= 1000.0 / static_cast<double>(weapon->Rate))
        return;
    TEntity::Fire();
    const TRect r = GetRect();
    const TDXBounds bounds{r.Left,
                           SaturateToInt32(int64_t{r.Top} + (int64_t{Bounds.Height} - 32) / 2),
                           weapon->ProjectileWidth, weapon->ProjectileHeight};
    TDXTexture* texture = WorldTexture(Device, weapon->ProjectileTexture, 0);
    auto shot = std::make_unique<TProjectile>(Device, bounds, texture, 0u, kClassDefaultZ, true);
    shot->Damage = weapon->Damage;
    shot->Blend = weapon->ProjectileBlend;
    shot->FromPlayer = fromPlayer;
    if (fromPlayer) {
        shot->Owner = dynamic_cast<TPlayer*>(this);
        shot->Speed = weapon->ProjectileSpeed;
    } else {
        shot->Speed = -weapon->ProjectileSpeed;
    }
    world->AddObject(std::move(shot));
    Timer = GetTickCount();
}

// ---------------------------------------------------------------------------------------------
// TEnemy

TEnemy::TEnemy(NoDefaults, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
               uint32_t color, int32_t z, bool build)
    : TEntity(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {}

TEnemy::TEnemy(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
               int32_t z, bool build)
    : TEnemy(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TEnemy::SetDefaults();
    StartAnimation();
}

void TEnemy::SetDefaults() {
    TEntity::SetDefaults();
    Name = "Enemy";
    Speed = -2.9f;
    ExperiencePoints = 150;
    MaxHitPoints = 6;
    HitPoints = 6;
    FrameWidth = 64;
    FrameHeight = 32;
    Group = "Enemies";
    RangedWeapon = FindWeapon("Hrouda slizu");
    MeleeWeapon = FindWeapon("Drápy");
    Armour = FindArmour("Kůže");
    FireSound = "ingame\\enemy_fire.wav";
    DieSound = "ingame\\enemy_die.wav";
    HitSound = "ingame\\enemy_hit.wav";
    AmbientSound = "ingame\\enemy_amb.wav";
}

void TEnemy::Update() {
    TEntity::Update();
    if (IsOnScreen()) {
        Move(Speed, 0.0f);
        Fire();
    } else if (ScrollLocked()) {
        Move(0.0f, 0.0f);
    } else {
        Move(ScrollSpeed, 0.0f);
    }
}

void TEnemy::Hit(TBaseObj* other) {
    TEntity::Hit(other);
    auto* shot = dynamic_cast<TProjectile*>(other);
    if (!shot || !shot->FromPlayer)
        return;
    PlaySound(HitSound);
    Killer = shot->Owner;
    shot->Dead = true;
    SetHitPoints(SaturateToInt32(int64_t{HitPoints} - shot->Damage));
}

void TEnemy::SetHitPoints(int32_t value) {
    HitPoints = MinOf(value, MaxHitPoints);
    if (HitPoints <= 0)
        Die();
}

void TEnemy::Fire() {
    if (!IsOnScreen())
        return;
    Shoot(RangedWeapon, false);
}

void TEnemy::Die() {
    // An enemy dies once, however many blows land after the last one.
    if (Dead)
        return;
    TEntity::Die();
    Dead = true;
    if (Killer) {
        Killer->ExperiencePoints =
            SaturateToInt32(int64_t{Killer->ExperiencePoints} + ExperiencePoints);
        Killer->Kills = SaturateToInt32(int64_t{Killer->Kills} + 1);
        Post(Format("Nepřítel zemřel: %s , %s obdrží %d XP", Name.c_str(), Killer->Name.c_str(),
                    ExperiencePoints));
    } else {
        // Nobody earned anything: the death alone is told.
        Post(Format("Nepřítel zemřel: %s", Name.c_str()));
    }
}

// ---------------------------------------------------------------------------------------------
// TBoss

TBoss::TBoss(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
             int32_t z, bool build)
    : TEnemy(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TBoss::SetDefaults();
    StartAnimation();
}

void TBoss::SetDefaults() {
    TEnemy::SetDefaults();
    MaxHitPoints = 30;
    HitPoints = 30;
    ExperiencePoints = 1000;
    DefaultLayer(3);
    RangedWeapon = FindWeapon("Fireball");
}

void TBoss::Update() {
    TGameWorld* world = CurrentWorld;
    if (!IsOnScreen()) {
        Move(ScrollSpeed, 0.0f);
        return;
    }
    Process();
    if (world)
        world->LockScroll();
    // Walks in until its right edge is inside the view (without a world there is no view to
    // stop at).
    if (!world || GetRect().Right > world->ViewWidth)
        Move(Speed, 0.0f);
    else
        Move(0.0f, 0.0f);
    Fire();
}

void TBoss::Die() {
    if (Dead)
        return;
    TEnemy::Die();
    if (CurrentWorld)
        CurrentWorld->UnlockScroll();
}

// ---------------------------------------------------------------------------------------------
// TPlayer

TPlayer::TPlayer(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                 int32_t z, bool build)
    : TEntity(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TPlayer::SetDefaults();
    StartAnimation();
}

void TPlayer::SetDefaults() {
    TEntity::SetDefaults();
    using D = TPlayerDefaults;
    Name = D::Name;
    Group = D::Group;
    Speed = D::Speed;
    MaxHitPoints = D::HitPoints;
    HitPoints = D::HitPoints;
    ExperiencePoints = D::ExperiencePoints;
    FrameWidth = D::FrameWidth;
    FrameHeight = D::FrameHeight;
    DefaultLayer(D::Z);
    RangedWeapon = FindWeapon(D::RangedWeapon);
    SecondRangedWeapon = FindWeapon(D::SecondRangedWeapon);
    MeleeWeapon = FindWeapon(D::MeleeWeapon);
    Armour = FindArmour(D::Armour);
    FireSound = D::FireSound;
    DieSound = D::DieSound;
    HitSound = D::HitSound;
    AmbientSound = D::AmbientSound;
    KeyLeft = D::KeyLeft;
    KeyRight = D::KeyRight;
    KeyUp = D::KeyUp;
    KeyDown = D::KeyDown;
    KeyFire1 = D::KeyFire1;
    KeyFire2 = D::KeyFire2;
}

void TPlayer::ApplyInfo(const TBaseInfo& record) {
    // A player without hit points would die again on every revival.
    if (const auto* entity = dynamic_cast<const TEntityInfo*>(&record);
        entity && entity->HitPoints <= 0)
        throw EError(Format("Player \"%s\" has %d hit points; a player needs at least 1",
                            record.Name.c_str(), entity->HitPoints));
    TEntity::ApplyInfo(record);
    const auto* info = dynamic_cast<const TPlayerInfo*>(&record);
    if (!info)
        return;
    SecondRangedWeapon = FindWeapon(info->SecondRangedWeapon);
    KeyLeft = info->KeyLeft;
    KeyRight = info->KeyRight;
    KeyUp = info->KeyUp;
    KeyDown = info->KeyDown;
    KeyFire1 = info->KeyFire1;
    KeyFire2 = info->KeyFire2;
}

void TPlayer::Control() {
    const float step = std::isfinite(Speed) ? std::nearbyint(Speed) : 0.0f;
    if (IsDown(KeyLeft))
        Move(-step, 0.0f);
    if (IsDown(KeyRight))
        Move(step, 0.0f);
    if (IsDown(KeyUp))
        Move(0.0f, -step);
    if (IsDown(KeyDown))
        Move(0.0f, step);
    if (IsDown(KeyFire1) || IsDown(KeyFire2))
        Fire();
}

void TPlayer::Update() {
    TEntity::Update();
    Move(0.0001f, 0.0f);
}

void TPlayer::Move(float dx, float dy) {
    if (const TGameWorld* world = CurrentWorld) {
        const D3DXVECTOR2 q = GetPositionF();
        if (q.x + dx < 0.0f ||
            q.x + dx > static_cast<float>(int64_t{world->ViewWidth} - Bounds.Width))
            dx = 0.0f;
    }
    TColObj::Move(dx, dy);
    // A push-back past the left edge is undone once (the correcting move does not correct
    // itself again).
    if (correctingEdge_)
        return;
    const TPoint p = GetPosition();
    if (p.X < 0) {
        correctingEdge_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{correctingEdge_};
        Move(-static_cast<float>(p.X), 0.0f);
    }
}

void TPlayer::Hit(TBaseObj* other) {
    TEntity::Hit(other);
    if (auto* shot = dynamic_cast<TProjectile*>(other); shot && !shot->FromPlayer) {
        shot->Dead = true;
        SetHitPoints(SaturateToInt32(int64_t{HitPoints} - shot->Damage));
        PlaySound(HitSound);
        return;
    }
    auto* enemy = dynamic_cast<TEnemy*>(other);
    if (!enemy)
        return;
    if (GetTickCount() - ContactTick <= kContactInterval)
        return;
    PlaySound(HitSound);
    enemy->PlaySound(enemy->HitSound);
    enemy->Killer = this;
    SetHitPoints(SaturateToInt32(int64_t{HitPoints} - DamageOf(enemy->MeleeWeapon)));
    enemy->SetHitPoints(SaturateToInt32(int64_t{enemy->HitPoints} - DamageOf(MeleeWeapon)));
    ContactTick = GetTickCount();
}

void TPlayer::SetHitPoints(int32_t value) {
    HitPoints = MinOf(value, MaxHitPoints);
    if (HitPoints <= 0)
        Die();
}

void TPlayer::Fire() {
    PWeapon weapon;
    if (IsDown(KeyFire1))
        weapon = RangedWeapon;
    else if (IsDown(KeyFire2))
        weapon = SecondRangedWeapon;
    Shoot(weapon, true);
}

void TPlayer::Die() {
    TEntity::Die();
    const std::vector<std::string> lines{
        Format("[%s] byl zavražděn na malilinkaté kousky.", Name.c_str()),
        "Měl jsem ho docela rád, tak ho obživím, avšak",
        Format("vypůjčím si od něj %d  XP", kDeathExperiencePenalty)};
    ShowWorldMessageWindow(lines, "Smrt si tě našla", "MOD_ENGINESTOP", true);
    if (CurrentWorld)
        CurrentWorld->MarkPlayerDied();
    Deaths = SaturateToInt32(int64_t{Deaths} + 1);
    ExperiencePoints = SaturateToInt32(int64_t{ExperiencePoints} - kDeathExperiencePenalty);
    // Full hit points again. A player without any (set by hand; records are refused) is not
    // revived into another death.
    if (MaxHitPoints > 0)
        SetHitPoints(MaxHitPoints);
    else
        HitPoints = MaxHitPoints;
}

// ---------------------------------------------------------------------------------------------
// TProjectile

TProjectile::TProjectile(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
                         uint32_t color, int32_t z, bool build)
    : TColObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TProjectile::SetDefaults();
    StartAnimation();
}

void TProjectile::SetDefaults() {
    TColObj::SetDefaults();
    Name = "Projectile";
    Group = "Projectiles";
    Speed = 3.0f;
    Travelled = 0.0f;
    Range = 800;
    DefaultLayer(5);
}

void TProjectile::Update() {
    TColObj::Update();
    Move(Speed, 0.0f);
    Travelled += std::fabs(Speed);
    if (static_cast<float>(Range) < Travelled)
        Dead = true;
}

} // namespace tv
