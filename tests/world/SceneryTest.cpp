// Scenery: background texture windows, the scroll lock, decorations and shots.

#include "WorldTestSupport.h"

using namespace tv;
using worldtest::GfxWorldTest;
using worldtest::WorldTest;

namespace {

// A background panel on the cache's texture of that name.
TBackGround* AddBackground(TGameWorld& world, const PD3DDevice& device, const std::string& texture,
                           int width, int height) {
    return static_cast<TBackGround*>(world.AddObject(std::make_unique<TBackGround>(
        device, TDXBounds{0, 0, width, height}, TextureMgr->GetTexture(texture, 3), 0u,
        kClassDefaultZ, true)));
}

} // namespace

TEST_F(GfxWorldTest, BackgroundWindowFollowsTheTextureShape) {
    SavePicture("wide.png", 512, 256, qRgb(0, 0, 200));
    SavePicture("tall.png", 256, 512, qRgb(0, 0, 200));
    TGameWorld& world = World();

    TBackGround* wide = AddBackground(world, device_, "wide.png", 800, 600);
    EXPECT_EQ(wide->Z, -10);
    EXPECT_FLOAT_EQ(wide->Speed, 0.0005f);
    wide->Update();
    EXPECT_EQ(wide->TexWidth, 512);
    EXPECT_EQ(wide->TexHeight, 256);
    EXPECT_FLOAT_EQ(wide->WindowStep, 0.0005f); // 0.5 x 0.0005 x 2
    EXPECT_FLOAT_EQ(wide->WindowLeft, 0.0005f);
    EXPECT_FLOAT_EQ(wide->WindowRight, 0.5005f);
    EXPECT_FLOAT_EQ(wide->Vertices[0].U, 0.0005f);
    EXPECT_FLOAT_EQ(wide->Vertices[3].U, 0.5005f);
    EXPECT_FLOAT_EQ(wide->Vertices[3].V, 0.99f);
    wide->Update();
    EXPECT_FLOAT_EQ(wide->WindowLeft, 0.001f);

    TBackGround* tall = AddBackground(world, device_, "tall.png", 800, 600);
    tall->Update();
    EXPECT_FLOAT_EQ(tall->WindowStep, 0.001f); // 2.0 x 0.0005 x span 1
    EXPECT_FLOAT_EQ(tall->WindowRight, 2.001f);

    // 1600 wide: span 2 (1600 div 600), so the picture repeats twice as often.
    TBackGround* broad = AddBackground(world, device_, "wide.png", 1600, 600);
    broad->Update();
    EXPECT_FLOAT_EQ(broad->WindowRight - broad->WindowStep, 1.0f);
    TBackGround* tallBroad = AddBackground(world, device_, "tall.png", 1600, 600);
    tallBroad->Update();
    EXPECT_FLOAT_EQ(tallBroad->WindowStep, 0.002f);

    // The panel itself never moves.
    EXPECT_EQ(broad->GetPosition(), (TPoint{0, 0}));
}

TEST_F(GfxWorldTest, BackgroundWithoutHeightOrTextureDoesNotScroll) {
    SavePicture("wide.png", 512, 256, qRgb(0, 0, 200));
    TBackGround* flat = AddBackground(World(), device_, "wide.png", 800, 0);
    flat->Update();
    flat->Update();
    EXPECT_EQ(flat->TexWidth, 0);
    EXPECT_EQ(flat->WindowLeft, 0.0f);

    TBackGround* bare = static_cast<TBackGround*>(World().AddObject(std::make_unique<TBackGround>(
        device_, TDXBounds{0, 0, 800, 600}, nullptr, 0u, kClassDefaultZ, true)));
    bare->Update();
    EXPECT_EQ(bare->TexWidth, 0);
    EXPECT_EQ(bare->WindowRight, 0.0f);
}

TEST_F(GfxWorldTest, ScrollLockFreezesBackgroundsAndDecorationsUntilUnlocked) {
    SavePicture("wide.png", 512, 256, qRgb(0, 0, 200));
    TBackGround* back = AddBackground(World(), device_, "wide.png", 800, 600);
    TDecor* decor = Add<TDecor>(500, 300, 64, 64);
    back->Update();
    decor->Update();
    EXPECT_EQ(decor->GetPosition().X, 498);
    const float left = back->WindowLeft;

    World().LockScroll();
    for (int i = 0; i < 5; ++i) {
        back->Update();
        decor->Update();
    }
    EXPECT_EQ(back->WindowLeft, left);
    EXPECT_EQ(decor->GetPosition().X, 498);

    World().UnlockScroll();
    back->Update();
    decor->Update();
    EXPECT_FLOAT_EQ(back->WindowLeft, left + 0.0005f);
    EXPECT_EQ(decor->GetPosition().X, 496);
}

TEST_F(WorldTest, SolidDecorationsEndShotsAndOthersLetThemPass) {
    TDecor* wall = Add<TDecor>(400, 200, 64, 128);
    TDecor* bush = Add<TDecor>(100, 200, 64, 128);
    bush->ProjectilesPass = true;
    EXPECT_EQ(wall->Z, 0);
    EXPECT_EQ(wall->Group, "Decors");

    TProjectile* stopped = Add<TProjectile>(380, 250, 24, 6);
    TProjectile* passing = Add<TProjectile>(120, 250, 24, 6);
    TProjectile* hidden = Add<TProjectile>(420, 260, 24, 6);
    hidden->Hide();
    TProjectile* gone = Add<TProjectile>(420, 270, 24, 6);
    gone->Dead = true;
    TProjectile* clear = Add<TProjectile>(300, 250, 24, 6);    // right edge 324: no overlap
    TProjectile* touching = Add<TProjectile>(376, 250, 24, 6); // right edge 400: touches only

    wall->Update(); // moves to 398 and checks
    bush->Update();
    EXPECT_TRUE(stopped->Dead);
    EXPECT_FALSE(passing->Dead);
    EXPECT_FALSE(hidden->Dead);
    EXPECT_FALSE(clear->Dead);
    EXPECT_FALSE(touching->Dead); // the check runs before the wall's step
    wall->Update();
    EXPECT_TRUE(touching->Dead);
}

TEST_F(WorldTest, DecorationsDoNotStopShotsOffScreen) {
    TDecor* wall = Add<TDecor>(900, 200, 64, 128);
    TProjectile* shot = Add<TProjectile>(910, 250, 24, 6);
    wall->Update();
    EXPECT_FALSE(shot->Dead);
    // A wall that is on screen does not reach a shot off screen either.
    TDecor* edge = Add<TDecor>(780, 300, 64, 64);
    TProjectile* outside = Add<TProjectile>(802, 310, 24, 6);
    edge->Update();
    EXPECT_FALSE(outside->Dead);
}

TEST_F(GfxWorldTest, CollidableObjectsAnimateOnlyWithAFrameSize) {
    SavePicture("strip.png", 256, 32, qRgb(9, 9, 9));
    auto still =
        std::make_unique<TColObj>(device_, TDXBounds{0, 0, 64, 32},
                                  TextureMgr->GetTexture("strip.png", 0), 0u, kClassDefaultZ, true);
    EXPECT_EQ(still->Z, kClassDefaultZ);
    EXPECT_FALSE(still->Animating);
    auto strip =
        std::make_unique<TEnemy>(device_, TDXBounds{0, 0, 64, 32},
                                 TextureMgr->GetTexture("strip.png", 0), 0u, kClassDefaultZ, true);
    EXPECT_TRUE(strip->Animating);
    EXPECT_EQ(strip->FrameCount, 4);
    EXPECT_EQ(strip->FPS, 8);
    clock_.Advance(126);
    strip->Update(); // no world: on screen, so it animates
    EXPECT_EQ(strip->Frame, 1);
}
