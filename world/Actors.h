#pragma once

// Actors: entities with hit points, enemies that scroll in, shoot and are worth experience,
// bosses that stop the world's scrolling until they die, the player steered by the keyboard,
// and the projectiles they fire.

#include "world/Equipment.h"
#include "world/Scenery.h"

#include <cstdint>
#include <string>

namespace tv {

class TPlayer;

class TEntity : public TColObj {
public:
    TEntity(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
            int32_t z, bool build);
    const char* ClassName() const override { return "TEntity"; }

    // Posts "Právě jsi spatřil: <Name>" each time the entity comes onto the screen.
    bool IsOnScreen() override;
    void SetDefaults() override;
    void ApplyInfo(const TBaseInfo& record) override;
    // Hits every live, visible, on-screen collidable object that overlaps it (itself
    // included), until the entity itself is dead.
    void CheckCollisions() override;
    // Blocking by decorations that stop shots: changes the pending step.
    void Hit(TBaseObj* other) override;
    TCollisionKinds HitKinds() const override { return ck_Decor; }

    // Entities themselves have no rule for hit points; enemies and the player do.
    virtual void SetHitPoints(int32_t value) { HitPoints = value; }
    virtual void Fire();
    virtual void Die();

    TPlayer* Killer = nullptr;
    PArmour Armour;
    PWeapon RangedWeapon;
    PWeapon MeleeWeapon;
    int32_t HitPoints = 0;
    int32_t ExperiencePoints = 0;
    int32_t MaxHitPoints = 0;
    bool WasOnScreen = false;
    std::string FireSound;
    std::string DieSound;
    std::string HitSound;
    std::string AmbientSound;

protected:
    TEntity(NoDefaults tag, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
            uint32_t color, int32_t z, bool build);
    // Fires one projectile of the weapon if it is ready; fromPlayer decides its side.
    void Shoot(const PWeapon& weapon, bool fromPlayer);
};

class TEnemy : public TEntity {
public:
    TEnemy(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
           int32_t z, bool build);
    const char* ClassName() const override { return "TEnemy"; }

    // Off screen it drifts with the world (or waits while the scroll is locked); on screen it
    // walks at its own speed and shoots.
    void Update() override;
    void SetDefaults() override;
    // Blocking, then the player's shots.
    void Hit(TBaseObj* other) override;
    TCollisionKinds HitKinds() const override { return ck_Decor | ck_PlayerShot; }
    // Capped at MaxHitPoints; dies (once) at 0 or less.
    void SetHitPoints(int32_t value) override;
    void Fire() override;
    // Dead; the killer earns the experience and a kill. Posts "Nepřítel zemřel: %s , %s obdrží
    // %d XP", or "Nepřítel zemřel: %s" alone when nobody killed it.
    void Die() override;

protected:
    TEnemy(NoDefaults tag, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
           uint32_t color, int32_t z, bool build);
};

class TBoss : public TEnemy {
public:
    TBoss(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
          int32_t z, bool build);
    const char* ClassName() const override { return "TBoss"; }

    // On screen: locks the world's scroll, walks in until its right edge is inside the view,
    // then stands and shoots. Off screen it drifts with the world even while locked.
    void Update() override;
    void SetDefaults() override;
    // The enemy's death, then the scroll is unlocked.
    void Die() override;
};

class TPlayer : public TEntity {
public:
    TPlayer(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
            int32_t z, bool build);
    const char* ClassName() const override { return "TPlayer"; }

    // Never leaves the screen sideways by its own move; a push-back past the left edge is
    // undone.
    void Move(float dx, float dy) override;
    // The keys, each on its own: left, right, up, down, then fire.
    void Control() override;
    // The base step, then a tiny move so that the collision check runs every update.
    void Update() override;
    void SetDefaults() override;
    // Refuses a record whose HitPoints is 0 or less (the player could never be revived); the
    // player is left unchanged then.
    void ApplyInfo(const TBaseInfo& record) override;
    // Blocking, enemy shots, and contact damage with enemies (at most every 150 ms).
    void Hit(TBaseObj* other) override;
    TCollisionKinds HitKinds() const override { return ck_Decor | ck_EnemyShot | ck_Enemy; }
    void SetHitPoints(int32_t value) override;
    // The first weapon while KeyFire1 is down, else the second while KeyFire2 is down.
    void Fire() override;
    // Shows the death window, marks the world, counts the death, takes 500 experience and
    // revives with full hit points.
    void Die() override;

    uint16_t KeyLeft = 0;
    uint16_t KeyRight = 0;
    uint16_t KeyUp = 0;
    uint16_t KeyDown = 0;
    uint16_t KeyFire1 = 0;
    uint16_t KeyFire2 = 0;
    int32_t Kills = 0;
    int32_t Deaths = 0;
    PWeapon SecondRangedWeapon;
    // Time of the last contact exchange with an enemy (its own stamp, apart from the frame
    // animation's, so that an animating player still takes contact damage).
    uint32_t ContactTick = 0;

private:
    bool correctingEdge_ = false;
};

class TProjectile : public TColObj {
public:
    TProjectile(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                int32_t z, bool build);
    const char* ClassName() const override { return "TProjectile"; }

    // Flies by Speed (not with the world's scroll) and ends once it travelled beyond Range.
    void Update() override;
    void SetDefaults() override;

    TPlayer* Owner = nullptr;
    bool FromPlayer = false;
    int32_t Range = 0;
    float Travelled = 0.0f;
    int32_t Damage = 0;
};

// The experience a player loses on each death.
inline constexpr int32_t kDeathExperiencePenalty = 500;
// The shortest time between two contact exchanges of the player with enemies, in ms.
inline constexpr uint32_t kContactInterval = 150;

} // namespace tv
