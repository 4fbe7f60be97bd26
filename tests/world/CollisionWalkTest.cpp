// Collision walks through the index against the plain walk over the whole list: on random
// crowded worlds both must land the same hits in the same order and leave the same world.

#include "WorldTestSupport.h"
#include "mapdata/Text.h"

#include <random>
#include <sstream>

using namespace tv;
using worldtest::WorldTest;

namespace {

// Whether a hit of walker on other can change anything under the game's rules. Hits that
// cannot are no-ops, which the index is free to skip.
bool CanMatter(const TBaseObj* walker, const TBaseObj* other) {
    const auto* shot = dynamic_cast<const TProjectile*>(other);
    if (const auto* decor = dynamic_cast<const TDecor*>(walker))
        return shot && !decor->ProjectilesPass;
    if (const auto* decor = dynamic_cast<const TDecor*>(other))
        return !decor->ProjectilesPass;
    if (dynamic_cast<const TPlayer*>(walker))
        return (shot && !shot->FromPlayer) || dynamic_cast<const TEnemy*>(other);
    if (dynamic_cast<const TEnemy*>(walker))
        return shot && shot->FromPlayer;
    return false;
}

std::string Describe(const TBaseObj* object) {
    const TRect r = object->GetRect();
    return Format("%s@%d,%d,%d,%d", object->Name.c_str(), r.Left, r.Top, r.Right, r.Bottom);
}

std::vector<std::string>* hitLog = nullptr;

// A world class that writes down every hit that can matter before the rules act on it.
template <class Base> class Logged : public Base {
public:
    using Base::Base;
    void Hit(TBaseObj* other) override {
        if (hitLog && CanMatter(this, other))
            hitLog->push_back(Describe(this) + " > " + Describe(other));
        Base::Hit(other);
    }
};

// Everything the rules can change, object by object in list order.
std::string Snapshot(const TGameWorld& world) {
    std::ostringstream out;
    out << world.ScrollLocked << world.PlayerDied << world.Message << "|" << world.PreviousMessage
        << "\n";
    for (const TBaseObj* object : world.Objects) {
        out << object->ClassName() << " " << Describe(object) << " dead " << object->Dead;
        if (const auto* entity = dynamic_cast<const TEntity*>(object))
            out << " hp " << entity->HitPoints << " xp " << entity->ExperiencePoints << " seen "
                << entity->WasOnScreen << " killer " << (entity->Killer != nullptr);
        if (const auto* player = dynamic_cast<const TPlayer*>(object))
            out << " kills " << player->Kills << " deaths " << player->Deaths;
        out << "\n";
    }
    return out.str();
}

// A crowded world: most objects on or near the screen, some of no size or of negative size,
// some hidden, shots of both sides already flying.
class RandomWorld {
public:
    RandomWorld(uint32_t seed, TCollisionWalk walk) : random_(seed) {
        world_.CollisionWalk = walk;
        world_.TopMargin = Pick(0, 40);
        world_.BottomMargin = Pick(0, 40);
        auto* player = Add<Logged<TPlayer>>("P");
        player->MaxHitPoints = player->HitPoints = 1000;
        const int count = Pick(20, 90);
        for (int i = 0; i < count; ++i) {
            const std::string name = "O" + std::to_string(i);
            const int kind = Pick(0, 9);
            if (kind <= 2) {
                auto* enemy = Add<Logged<TEnemy>>(name);
                enemy->MaxHitPoints = enemy->HitPoints = Pick(1, 8);
                if (Pick(0, 3) == 0)
                    enemy->RangedWeapon = nullptr;
            } else if (kind == 3) {
                Add<Logged<TBoss>>(name)->Speed = -static_cast<float>(Pick(0, 3));
            } else if (kind <= 5) {
                Add<Logged<TDecor>>(name)->ProjectilesPass = Pick(0, 2) == 0;
            } else if (kind == 6) {
                auto* shot = Add<TProjectile>(name);
                shot->FromPlayer = Pick(0, 1) == 1;
                shot->Owner = shot->FromPlayer ? player : nullptr;
                shot->Damage = Pick(0, 3);
                shot->Speed = shot->FromPlayer ? 7.0f : -7.0f;
            } else if (kind == 7) {
                Add<Logged<TEntity>>(name);
            } else if (kind == 8) {
                Add<TColObj>(name);
            } else {
                Add<TBackGround>(name);
            }
        }
    }

    TGameWorld& World() { return world_; }
    std::mt19937& Random() { return random_; }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    template <class T> T* Add(const std::string& name) {
        int width = Pick(0, 9) == 0 ? Pick(-30, 0) : Pick(8, 160);
        int height = Pick(0, 9) == 0 ? Pick(-30, 0) : Pick(8, 120);
        const TDXBounds bounds{Pick(-200, 1100), Pick(-20, 620), width, height};
        const int32_t z = Pick(0, 2) == 0 ? kClassDefaultZ : Pick(-2, 6);
        auto object = std::make_unique<T>(PD3DDevice(), bounds, nullptr, 0u, z, true);
        object->Name = name;
        object->Visible = Pick(0, 11) != 0;
        if (!std::is_same_v<T, Logged<TPlayer>>)
            object->Speed = static_cast<float>(Pick(-60, 20)) / 10.0f;
        return static_cast<T*>(world_.AddObject(std::move(object)));
    }

    std::mt19937 random_;
    TGameWorld world_;
};

} // namespace

TEST_F(WorldTest, IndexedWalkLandsTheHitsOfThePlainWalkInTheSameOrder) {
    const int kKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SHIFT, VK_CONTROL};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomWorld plain(seed, TCollisionWalk::Plain);
        RandomWorld indexed(seed, TCollisionWalk::Indexed);
        std::mt19937 keys(seed);
        std::vector<std::string> plainHits;
        std::vector<std::string> indexedHits;
        for (int update = 1; update <= 150; ++update) {
            const uint32_t now = 100000 + static_cast<uint32_t>(update) * 16 + (update % 3 == 0);
            bool down[6];
            for (bool& d : down)
                d = keys() % 3 == 0;
            for (auto [world, log] : {std::pair{&plain.World(), &plainHits},
                                      std::pair{&indexed.World(), &indexedHits}}) {
                clock_.Set(now);
                ResetKeyState();
                for (int k = 0; k < 6; ++k)
                    SetKeyDown(kKeys[k], down[k]);
                CurrentWorld = world;
                hitLog = log;
                world->Step();
                hitLog = nullptr;
            }
            ASSERT_EQ(Snapshot(indexed.World()), Snapshot(plain.World())) << "update " << update;
            ASSERT_EQ(indexedHits, plainHits) << "update " << update;
        }
        ASSERT_EQ(indexed.World().MessageLog.size(), plain.World().MessageLog.size());
        for (size_t i = 0; i < plain.World().MessageLog.size(); ++i) {
            EXPECT_EQ(indexed.World().MessageLog[i].Step, plain.World().MessageLog[i].Step);
            EXPECT_EQ(indexed.World().MessageLog[i].Text, plain.World().MessageLog[i].Text);
        }
        CurrentWorld = nullptr;
    }
}
