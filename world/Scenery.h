#pragma once

// Scenery: scrolling background layers, collidable objects (the base of everything that takes
// part in collisions) and decorations that scroll with the world and may stop shots. While the
// world's scroll is locked the scenery stands still.

#include "world/BaseObj.h"

namespace tv {

class TBackGround : public TBaseObj {
public:
    TBackGround(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                int32_t z, bool build);
    const char* ClassName() const override { return "TBackGround"; }

    // Slides the texture window by WindowStep every update (not while the scroll is locked).
    // The window is measured on the first update that finds a loaded texture. A panel whose
    // Height is 0 or less never scrolls.
    void Update() override;
    void SetDefaults() override;

    float WindowLeft = 0.0f;
    float WindowRight = 0.0f;
    float WindowStep = 0.0f;
    int32_t TexWidth = 0;
    int32_t TexHeight = 0;
};

class TColObj : public TBaseObj {
public:
    // The base constructor, then the frame strip at 8 frames per second when Animated.
    TColObj(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
            int32_t z, bool build);
    const char* ClassName() const override { return "TColObj"; }

    // MoveX/MoveY := the step; CheckCollisions (Hit handlers may change the step); then the
    // base move with what is left.
    void Move(float dx, float dy) override;
    void Update() override;
    void SetDefaults() override;
    void ApplyInfo(const TBaseInfo& record) override;

    virtual void CheckCollisions() {}
    virtual void Hit(TBaseObj* other) { (void)other; }
    // The kinds of object (CollisionIndex.h) whose hit can change anything: Hit does nothing
    // for the others, so collision walks need not meet them. A class that changes Hit says
    // here what its Hit acts on.
    virtual TCollisionKinds HitKinds() const { return ck_All; }

    float MoveX = 0.0f;
    float MoveY = 0.0f;
    bool ProjectilesPass = false;
    bool Animated = false;

protected:
    TColObj(NoDefaults tag, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
            uint32_t color, int32_t z, bool build);
    // The constructor's last step, after the class defaults.
    void StartAnimation();
};

class TDecor : public TColObj {
public:
    TDecor(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
           int32_t z, bool build);
    const char* ClassName() const override { return "TDecor"; }

    // Moves by Speed (stands while the scroll is locked), which runs the shot check.
    void Update() override;
    void SetDefaults() override;
    // Hits every live, visible, on-screen projectile that overlaps it.
    void CheckCollisions() override;
    // Ends the shot unless ProjectilesPass.
    void Hit(TBaseObj* other) override;
    TCollisionKinds HitKinds() const override;
};

} // namespace tv
