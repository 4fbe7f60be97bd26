#include "world/GameWorld.h"

#include "engine/Graphics.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Objects.h"
#include "mapdata/Text.h"
#include "world/Actors.h"

namespace tv {

namespace {

constexpr uint32_t kWorldClearColor = 0xFF000000u;

} // namespace

TGameWorld::TGameWorld() = default;

TGameWorld::~TGameWorld() {
    Objects.Clear();
    if (CurrentWorld == this)
        CurrentWorld = nullptr;
}

TBaseObj* TGameWorld::AddObject(TBaseObj* object) {
    if (!object)
        return nullptr;
    int lo = 0;
    int hi = Objects.Count() - 1;
    while (hi >= lo) {
        const int mid = (lo + hi) / 2;
        if (Objects[mid]->Z < object->Z)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    object->World = this;
    Objects.Insert(lo, object);
    collisions_.Added(lo);
    return object;
}

void TGameWorld::PushMessage(const std::string& text) {
    PreviousMessage = Message;
    Message = text;
    MessageLog.push_back(TWorldMessage{StepCount, text});
    if (OnMessage)
        OnMessage(MessageLog.back());
}

void TGameWorld::RunPass() {
    // The objects would hook the world up in their first update; the player's Control comes
    // before that.
    if (!CurrentWorld)
        CurrentWorld = this;
    ++StepCount;
    {
        // The index holds plain pointers: it goes before anything is freed, also when a rule
        // raises.
        collisions_.Begin(Objects, ViewWidth, ViewHeight);
        struct EndIndex {
            TCollisionIndex& Index;
            ~EndIndex() { Index.End(); }
        } endIndex{collisions_};
        // Objects added during the pass (new shots) wait for the next one; nothing is freed
        // before the pass ends, so the snapshot stays valid.
        const std::vector<TBaseObj*> objects = Objects.Items();
        // An object that is Dead when its turn comes (killed earlier in the pass) does
        // nothing more: a dead enemy must not walk or fire.
        for (TBaseObj* object : objects)
            if (!object->Dead)
                object->Control();
        for (TBaseObj* object : objects)
            if (!object->Dead)
                object->Update();
    }
    RemoveDead();
}

void TGameWorld::Step() {
    RunPass();
    if (Device)
        DrawFrame();
}

void TGameWorld::DrawFrame(const std::function<void()>& drawOver) {
    if (!Device)
        return;
    SetupRenderState();
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, kWorldClearColor, 1.0f, 0);
    Device->BeginScene();
    DrawObjects();
    if (drawOver)
        drawOver();
    Device->EndScene();
    Device->Present(nullptr, nullptr, nullptr, nullptr);
}

std::vector<TBaseObj*> TGameWorld::CollisionCandidates(TCollisionKinds kinds, const TRect& rect) {
    if (CollisionWalk == TCollisionWalk::Plain)
        return Objects.Items();
    if (collisions_.Active())
        return collisions_.Candidates(kinds, rect);
    // Outside a pass anything may have changed since the last walk: index afresh.
    collisions_.Begin(Objects, ViewWidth, ViewHeight);
    std::vector<TBaseObj*> candidates = collisions_.Candidates(kinds, rect);
    collisions_.End();
    return candidates;
}

void TGameWorld::DrawObjects() {
    for (TBaseObj* object : Objects)
        object->Draw();
}

void TGameWorld::RemoveDead() {
    std::vector<TPlayer*> goneplayers;
    for (int i = Objects.Count() - 1; i >= 0; --i) {
        TBaseObj* object = Objects[i];
        if (!object->Dead)
            continue;
        if (auto* player = dynamic_cast<TPlayer*>(object))
            goneplayers.push_back(player);
        else
            Objects.Delete(i);
    }
    if (goneplayers.empty())
        return;
    // Nobody may keep pointing at a player that is about to go.
    for (TBaseObj* object : Objects) {
        for (TPlayer* player : goneplayers) {
            if (auto* entity = dynamic_cast<TEntity*>(object); entity && entity->Killer == player)
                entity->Killer = nullptr;
            if (auto* shot = dynamic_cast<TProjectile*>(object); shot && shot->Owner == player)
                shot->Owner = nullptr;
        }
    }
    for (TPlayer* player : goneplayers)
        Objects.Delete(Objects.IndexOf(player));
}

TPlayer* TGameWorld::Player() const {
    for (TBaseObj* object : Objects)
        if (auto* player = dynamic_cast<TPlayer*>(object))
            return player;
    return nullptr;
}

void TGameWorld::ApplyMapVars(const TMap& map) {
    TopMargin = map.Sky;
    BottomMargin = map.Ground;
}

void TGameWorld::SetupRenderState() {
    Device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    Device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    Device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    Device->SetRenderState(D3DRS_LIGHTING, 0);
    Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DMATRIX projection;
    D3DXMatrixOrthoOffCenterLH(&projection, 0.0f, static_cast<float>(ViewWidth),
                               static_cast<float>(ViewHeight), 0.0f, -10.0f, 10.0f);
    Device->SetTransform(D3DTS_PROJECTION, &projection);
    Device->SetTransform(D3DTS_VIEW, &IdentityMatrix);
}

std::unique_ptr<TBaseObj> CreateObjectFromRecord(const TBaseInfo& record, PD3DDevice device) {
    const std::string worldClass = WorldClassForRecord(record.ClassName());
    if (worldClass.empty())
        throw EError(ClassNotFoundMessage(record.ClassName()));
    const TDXBounds bounds{record.Left, record.Top, record.Width, record.Height};
    std::unique_ptr<TBaseObj> object = CreateWorldObject(worldClass, std::move(device), bounds,
                                                         nullptr, record.Color, record.Z, true);
    object->ApplyInfo(record);
    // ApplyInfo sets the size but builds nothing; an animation it started may have moved the
    // panel about its centre. Build the quad and put it at the record's corner.
    object->RebuildQuad();
    object->SetPosition(record.Left, record.Top);
    object->StartX = record.Left;
    object->StartY = record.Top;
    return object;
}

void BuildWorldFromMap(TGameWorld& world, const TMap& map, PD3DDevice device) {
    world.ApplyMapVars(map);
    for (int i = 0; i < map.Objects.Count(); ++i) {
        const TBaseInfo& record = *map.Objects[i];
        try {
            world.AddObject(CreateObjectFromRecord(record, device));
        } catch (const EError& e) {
            throw EError(Format("object %d (%s \"%s\"): %s", i, record.ClassName(),
                                record.Name.c_str(), e.what()));
        }
    }
}

} // namespace tv
