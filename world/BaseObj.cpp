#include "world/BaseObj.h"

#include "engine/Clock.h"
#include "engine/Sound.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "world/Actors.h"
#include "world/GameWorld.h"

#include <functional>
#include <limits>
#include <map>

namespace tv {

TGameWorld* CurrentWorld = nullptr;

namespace {

int32_t SaturatedAdd(int32_t a, int32_t b) {
    const int64_t sum = int64_t{a} + b;
    if (sum > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

bool CacheHolds(const TDXTexture* texture) {
    return TextureMgr && TextureMgr->Holds(texture);
}

} // namespace

TDXTexture* WorldTexture(const PD3DDevice& device, const std::string& name, int32_t tag) {
    if (TextureMgr)
        return TextureMgr->GetTexture(name, tag);
    auto* texture = new TDXTexture(device, name, true, 0, false);
    texture->Tag = tag;
    return texture;
}

TDXTexture* ShareTexture(TDXTexture* texture) {
    if (!texture || CacheHolds(texture))
        return texture;
    auto* copy =
        new TDXTexture(texture->Device, texture->Name, texture->Filter, texture->ColorKey, false);
    copy->Texture = texture->Texture;
    copy->Tag = texture->Tag;
    return copy;
}

// ---------------------------------------------------------------------------------------------
// TBaseObj

TBaseObj::TBaseObj(NoDefaults, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
                   uint32_t color, int32_t z, bool build)
    : TDXPanelEx(std::move(device), bounds, color == 0 ? 0xFFFFFFFFu : color, texture,
                 std::string(), build, PD3DTexture()) {
    Z = z;
    createdZ_ = z;
    const TPoint p = GetPosition();
    StartX = p.X;
    StartY = p.Y;
    Timer = GetTickCount();
}

TBaseObj::TBaseObj(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
                   int32_t z, bool build)
    : TBaseObj(NoDefaults{}, std::move(device), bounds, texture, color, z, build) {
    TBaseObj::SetDefaults();
}

void TBaseObj::SetDefaults() {
    Name = "Base";
    Group = "Misc";
}

void TBaseObj::Draw() {
    if (IsOnScreen())
        TDXPanelEx::Draw();
}

void TBaseObj::Move(float dx, float dy) {
    if (const TGameWorld* world = CurrentWorld) {
        const D3DXVECTOR2 q = GetPositionF();
        if (q.y + dy < static_cast<float>(int64_t{world->TopMargin} - 5))
            dy = 0.0f;
        else if (q.y + dy > static_cast<float>(int64_t{world->ViewHeight} - world->BottomMargin -
                                               Bounds.Height))
            dy = 0.0f;
    }
    Translate2D(dx, dy);
}

void TBaseObj::Translate(float x, float y, float z) {
    TDXPanelEx::Translate(x, y, z);
    if (CurrentWorld)
        CurrentWorld->ObjectMoved(*this);
}

void TBaseObj::SetPosition(int32_t x, int32_t y) {
    TDXPanelEx::SetPosition(x, y);
    if (CurrentWorld)
        CurrentWorld->ObjectMoved(*this);
}

void TBaseObj::Update() {
    if (!CurrentWorld)
        CurrentWorld = World;
    if (IsOnScreen())
        Process();
}

bool TBaseObj::IsOnScreen() {
    const TGameWorld* world = CurrentWorld;
    if (!world)
        return true;
    return RectsOverlap(GetRect(), TRect{0, 0, world->ViewWidth, world->ViewHeight});
}

TRect TBaseObj::GetRect() const {
    const TPoint p = GetPosition();
    return TRect{p.X, p.Y, SaturatedAdd(p.X, Bounds.Width), SaturatedAdd(p.Y, Bounds.Height)};
}

void TBaseObj::SaveToStream(TStream& stream) const {
    WriteHeader(stream);
    WriteBody(stream);
}

void TBaseObj::LoadFromStream(TStream& stream) {
    ReadHeader(stream);
    ReadBody(stream);
}

void TBaseObj::WriteHeader(TStream& stream) const {
    WriteStreamString(stream, Name);
    stream.WriteInt32(Bounds.X);
    stream.WriteInt32(Bounds.Y);
}

void TBaseObj::WriteBody(TStream& stream) const {
    stream.WriteInt32(Bounds.Width);
    stream.WriteInt32(Bounds.Height);
    WriteStreamString(stream, Texture ? Texture->Name : std::string());
    stream.WriteInt32(Z);
    stream.WriteUInt32(Color);
    stream.WriteFloat(Speed);
    stream.WriteInt32(FrameWidth);
    stream.WriteInt32(FrameHeight);
    stream.WriteInt32(FPS);
    stream.WriteUInt8(Animating ? 1 : 0);
    stream.WriteUInt8(static_cast<uint8_t>(Blend));
}

void TBaseObj::ReadHeader(TStream& stream) {
    Name = ReadStreamString(stream);
    Bounds.X = stream.ReadInt32();
    Bounds.Y = stream.ReadInt32();
}

void TBaseObj::ReadBody(TStream& stream) {
    Bounds.Width = stream.ReadInt32();
    Bounds.Height = stream.ReadInt32();
    const std::string textureName = ReadStreamString(stream);
    if (!Texture || !TextEquals(Texture->Name, textureName)) {
        // Bound without loading: the cache's texture of that name if it has one, else a texture
        // object of our own that only carries the name.
        TDXTexture* cached = TextureMgr ? TextureMgr->FindTexture(textureName) : nullptr;
        UseTexture(cached ? cached : new TDXTexture(Device, textureName, true, 0, false));
    }
    Z = stream.ReadInt32();
    Color = stream.ReadUInt32();
    Speed = stream.ReadFloat();
    FrameWidth = stream.ReadInt32();
    FrameHeight = stream.ReadInt32();
    FPS = stream.ReadInt32();
    Animating = stream.ReadUInt8() != 0;
    Blend = static_cast<TDXBlend>(stream.ReadUInt8());
}

std::unique_ptr<TBaseObj> TBaseObj::Clone() const {
    TDXTexture* texture = ShareTexture(Texture);
    std::unique_ptr<TBaseObj> copy;
    try {
        copy = CreateWorldObject(ClassName(), Device, Bounds, texture, Color, Z, true);
    } catch (...) {
        if (texture != Texture)
            delete texture;
        throw;
    }
    TMemoryStream stream;
    WriteHeader(stream);
    WriteBody(stream);
    stream.SetPosition(0);
    copy->ReadHeader(stream);
    copy->ReadBody(stream);
    return copy;
}

void TBaseObj::ApplyInfo(const TBaseInfo& record) {
    Name = record.Name;
    Speed = record.Speed;
    Blend = static_cast<TDXBlend>(record.Blend);
    FrameWidth = record.FrameWidth;
    FrameHeight = record.FrameHeight;
    Color = record.Color;
    Z = record.Z;
    UseTexture(WorldTexture(Device, record.Texture.str(), 3));
    Bounds.X = record.Left;
    Bounds.Y = record.Top;
    Bounds.Width = record.Width;
    Bounds.Height = record.Height;
}

void TBaseObj::UseTexture(TDXTexture* texture) {
    if (texture == Texture)
        return;
    FreeTexture();
    Texture = texture;
}

void TBaseObj::PlaySound(const std::string& sampleName) {
    // Visibility first, as for every other sound decision (an entity's check may post its
    // sighting message); without a sample bank PlaySample plays nothing.
    if (!IsOnScreen() || sampleName.empty())
        return;
    PlaySample(sampleName);
}

// ---------------------------------------------------------------------------------------------
// TBaseObjList

TBaseObjList::~TBaseObjList() {
    Clear();
}

TBaseObj* TBaseObjList::Get(int index) const {
    if (index < 0 || index >= Count())
        throw EError(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)];
}

TBaseObj* TBaseObjList::Add(TBaseObj* object) {
    return Insert(Count(), object);
}

TBaseObj* TBaseObjList::Insert(int index, TBaseObj* object) {
    if (index < 0 || index > Count()) {
        if (ownsObjects_)
            delete object;
        throw EError(Format("List index out of bounds (%d)", index));
    }
    try {
        items_.insert(items_.begin() + index, object);
    } catch (...) {
        if (ownsObjects_)
            delete object;
        throw;
    }
    return object;
}

void TBaseObjList::Delete(int index) {
    TBaseObj* object = Get(index);
    items_.erase(items_.begin() + index);
    if (ownsObjects_)
        delete object;
}

std::unique_ptr<TBaseObj> TBaseObjList::Extract(TBaseObj* object) {
    const int index = IndexOf(object);
    if (index < 0)
        return nullptr;
    items_.erase(items_.begin() + index);
    return ownsObjects_ ? std::unique_ptr<TBaseObj>(object) : nullptr;
}

int TBaseObjList::IndexOf(const TBaseObj* object) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == object)
            return static_cast<int>(i);
    return -1;
}

void TBaseObjList::Clear() {
    std::vector<TBaseObj*> items;
    items.swap(items_);
    if (ownsObjects_)
        for (TBaseObj* object : items)
            delete object;
}

// ---------------------------------------------------------------------------------------------
// Class tables

namespace {

using WorldFactory = std::function<std::unique_ptr<TBaseObj>(PD3DDevice, const TDXBounds&,
                                                             TDXTexture*, uint32_t, int32_t, bool)>;

// Folded class name -> full constructor.
std::map<std::string, WorldFactory>& WorldFactories() {
    static std::map<std::string, WorldFactory> factories;
    return factories;
}

template <class T> void RegisterWorldClass(const char* name) {
    WorldFactories()[FoldedKey(name)] = [](PD3DDevice device, const TDXBounds& bounds,
                                           TDXTexture* texture, uint32_t color, int32_t z,
                                           bool build) -> std::unique_ptr<TBaseObj> {
        return std::make_unique<T>(std::move(device), bounds, texture, color, z, build);
    };
    TClassRegistry::Instance().Register(name, [] {
        return std::make_unique<T>(D3DDevice, TDXBounds{}, nullptr, 0u, kClassDefaultZ, false);
    });
}

} // namespace

void RegisterWorldClasses() {
    RegisterWorldClass<TBaseObj>("TBaseObj");
    RegisterWorldClass<TColObj>("TColObj");
    RegisterWorldClass<TEntity>("TEntity");
    RegisterWorldClass<TEnemy>("TEnemy");
    RegisterWorldClass<TPlayer>("TPlayer");
    RegisterWorldClass<TBackGround>("TBackGround");
    RegisterWorldClass<TBoss>("TBoss");
    RegisterWorldClass<TDecor>("TDecor");
    RegisterWorldClass<TProjectile>("TProjectile");
}

std::unique_ptr<TBaseObj> CreateWorldObject(const std::string& className, PD3DDevice device,
                                            const TDXBounds& bounds, TDXTexture* texture,
                                            uint32_t color, int32_t z, bool build) {
    const auto found = WorldFactories().find(FoldedKey(className));
    if (found == WorldFactories().end() || !TClassRegistry::Instance().Find(className))
        throw EError(ClassNotFoundMessage(className));
    return found->second(std::move(device), bounds, texture, color, z, build);
}

std::string WorldClassForRecord(const std::string& recordClassName) {
    static const char* const kPairs[][2] = {
        {"TBaseInfo", "TBaseObj"}, {"TBackGroundInfo", "TBackGround"}, {"TColObjInfo", "TColObj"},
        {"TDecorInfo", "TDecor"},  {"TEntityInfo", "TEntity"},         {"TEnemyInfo", "TEnemy"},
        {"TBossInfo", "TBoss"},    {"TPlayerInfo", "TPlayer"},
    };
    for (const auto& pair : kPairs)
        if (TextEquals(recordClassName, pair[0]))
            return pair[1];
    return std::string();
}

} // namespace tv
