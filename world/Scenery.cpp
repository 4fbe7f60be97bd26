#include "world/Scenery.h"

#include "mapdata/Objects.h"
#include "world/Actors.h"
#include "world/GameWorld.h"

namespace tv {

namespace {

bool ScrollLocked() {
    return CurrentWorld && CurrentWorld->ScrollLocked;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TBackGround

TBackGround::TBackGround(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
                         uint32_t color, int32_t z, bool build)
    : TBaseObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TBackGround::SetDefaults();
}

void TBackGround::SetDefaults() {
    TBaseObj::SetDefaults();
    Name = "Back";
    Group = "BackGrounds";
    if (Z == kClassDefaultZ)
        Z = -10;
    Speed = BackgroundScrollSpeed;
}

void TBackGround::Update() {
    TBaseObj::Update();
    if (ScrollLocked())
        return;
    // Without a height the window has no span: such a panel stays as it is.
    if (Bounds.Height <= 0)
        return;
    if (TexWidth == 0 || TexHeight == 0) {
        if (!Texture || !Texture->Texture)
            return;
        D3DSURFACE_DESC desc;
        if (FAILED(Texture->Texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
            return;
        TexWidth = static_cast<int32_t>(desc.Width);
        TexHeight = static_cast<int32_t>(desc.Height);
        const float ratio = static_cast<float>(TexHeight) / static_cast<float>(TexWidth);
        const auto span = static_cast<float>(Bounds.Width / Bounds.Height);
        WindowLeft = 0.0f;
        WindowRight = ratio * span;
        WindowStep = TexHeight <= TexWidth ? ratio * Speed * 2.0f : ratio * Speed * span;
        SetTexCoords(true, WindowLeft, 0.01f, WindowRight, 0.99f);
    }
    WindowLeft += WindowStep;
    WindowRight += WindowStep;
    SetTexCoords(true, WindowLeft, 0.01f, WindowRight, 0.99f);
}

// ---------------------------------------------------------------------------------------------
// TColObj

TColObj::TColObj(NoDefaults, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
                 uint32_t color, int32_t z, bool build)
    : TBaseObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {}

TColObj::TColObj(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                 int32_t z, bool build)
    : TColObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TColObj::SetDefaults();
    StartAnimation();
}

void TColObj::StartAnimation() {
    SetAnimation(FrameWidth, FrameHeight, 8, Animated);
}

void TColObj::SetDefaults() {
    TBaseObj::SetDefaults();
    Name = "ColObj";
    Group = "Misc";
    Speed = ScrollSpeed;
    ProjectilesPass = false;
}

void TColObj::ApplyInfo(const TBaseInfo& record) {
    TBaseObj::ApplyInfo(record);
    if (const auto* info = dynamic_cast<const TColObjInfo*>(&record)) {
        ProjectilesPass = info->ProjectilesPass != 0;
        Animated = info->Animated != 0;
    }
    StartAnimation();
}

void TColObj::Move(float dx, float dy) {
    MoveX = dx;
    MoveY = dy;
    CheckCollisions();
    TBaseObj::Move(MoveX, MoveY);
}

void TColObj::Update() {
    TBaseObj::Update();
}

// ---------------------------------------------------------------------------------------------
// TDecor

TDecor::TDecor(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
               int32_t z, bool build)
    : TColObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TDecor::SetDefaults();
    StartAnimation();
}

void TDecor::SetDefaults() {
    TColObj::SetDefaults();
    Name = "Decor";
    Group = "Decors";
    if (Z == kClassDefaultZ)
        Z = 0;
    Speed = ScrollSpeed;
}

void TDecor::Update() {
    TColObj::Update();
    if (ScrollLocked())
        Move(0.0f, 0.0f);
    else
        Move(Speed, 0.0f);
}

void TDecor::CheckCollisions() {
    TGameWorld* world = CurrentWorld;
    if (!world || Dead || !Visible || !IsOnScreen())
        return;
    const TRect mine = GetRect();
    for (TBaseObj* object : world->CollisionCandidates(HitKinds(), mine)) {
        auto* shot = dynamic_cast<TProjectile*>(object);
        if (!shot || shot->Dead || !shot->Visible || !shot->IsOnScreen())
            continue;
        if (RectsOverlap(shot->GetRect(), mine))
            Hit(shot);
    }
}

void TDecor::Hit(TBaseObj* other) {
    if (!ProjectilesPass && other)
        other->Dead = true;
}

TCollisionKinds TDecor::HitKinds() const {
    return ProjectilesPass ? ck_None : ck_PlayerShot | ck_EnemyShot;
}

} // namespace tv
