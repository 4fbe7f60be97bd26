#pragma once

// World objects: the playing form of map objects. A TBaseObj is a frame-animated panel that
// lives in a game world, moves by a speed, knows whether it is on the screen, can be written to
// and read from a stream, copied, and initialised from an object-type record.
//
// Coordinates are those of the logical screen: the world scrolls by moving its objects
// leftwards, so an object's position is where it is on the screen now.
//
// Textures shared between objects:
//   - A texture held by the texture cache is shared freely; nobody but the cache frees it.
//   - Clone never hands the source's own (uncached) texture object to the copy: the copy gets
//     a texture object of its own that takes a counted reference to the same device texture.
//     Freeing the copy and the source therefore never frees a texture object twice.
//   - ReadBody binds the name it reads without loading anything: a texture of that name already
//     on the object stays; otherwise the cache's texture of that name when the cache has one;
//     otherwise a new, unloaded texture object of the object's own carrying the name. A cached
//     texture is never renamed.

#include "engine/DXObj.h"
#include "mapdata/Geometry.h"
#include "world/CollisionIndex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TBaseInfo;
class TGameWorld;
class TStream;

// Pixels per update by which the world scrolls: the default speed of collidable objects and
// decorations, and the step of actors that are off screen.
inline constexpr float ScrollSpeed = -2.0f;
// Default speed of a background, turned into a step of its texture window.
inline constexpr float BackgroundScrollSpeed = 0.0005f;
// A layer given at creation that means "the class's own default layer".
inline constexpr int32_t kClassDefaultZ = -100;

// The world every object consults; set by the first update of an object that has a world
// (and cleared when that world is destroyed).
extern TGameWorld* CurrentWorld;

class TBaseObj : public TDXPanelEx {
public:
    // The panel with these bounds (a colour of 0 becomes opaque white), layer z, StartX/StartY
    // at the position, Timer at the current tick count, then the class defaults. A given
    // texture is taken over (unless the texture cache holds it).
    TBaseObj(PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture, uint32_t color,
             int32_t z, bool build);
    const char* ClassName() const override { return "TBaseObj"; }

    // Drawn only while on screen.
    void Draw() override;
    // The vertical step is dropped whole when it would leave the world's margins.
    void Move(float dx, float dy) override;
    // Every change of position is reported to the current world's collision index.
    void Translate(float x, float y, float z) override;
    void SetPosition(int32_t x, int32_t y) override;

    // Input step; only the player has one.
    virtual void Control() {}
    // The base step: hooks up CurrentWorld, animates while on screen.
    virtual void Update();
    // Overlaps the world's view (always true without a world).
    virtual bool IsOnScreen();
    virtual TRect GetRect() const;
    virtual void SetDefaults();
    virtual void SaveToStream(TStream& stream) const;
    virtual void LoadFromStream(TStream& stream);
    virtual void WriteHeader(TStream& stream) const;
    virtual void WriteBody(TStream& stream) const;
    virtual void ReadBody(TStream& stream);
    virtual void ReadHeader(TStream& stream);
    // A new object of the same class with this object's stream fields; actor values are the
    // class defaults. Not added to any world.
    virtual std::unique_ptr<TBaseObj> Clone() const;
    // Name, speed, blend, frame size, colour and layer, the cached texture of the record's
    // texture name, then Bounds (neither rebuilds the quad nor moves the panel). Without a
    // texture cache the texture is only named, not loaded.
    virtual void ApplyInfo(const TBaseInfo& record);

    // Plays the sample of that name while on screen; silent off screen, for an empty name and
    // when no sample bank exists.
    void PlaySound(const std::string& sampleName);

    int32_t Z = kClassDefaultZ;
    TGameWorld* World = nullptr;
    int32_t StartX = 0;
    int32_t StartY = 0;
    float Speed = 0.0f;
    bool Dead = false;
    std::string Group;
    // Kept by the world's collision index (see world/CollisionIndex.h).
    TCollisionSlot CollisionSlot;

protected:
    // Construction without the class defaults: each class's public constructor applies its
    // own SetDefaults once, after its bases were built this way.
    struct NoDefaults {};
    TBaseObj(NoDefaults, PD3DDevice device, const TDXBounds& bounds, TDXTexture* texture,
             uint32_t color, int32_t z, bool build);

    // Makes texture the object's texture; the previous one is freed unless the cache holds it
    // (or it is the same object).
    void UseTexture(TDXTexture* texture);
    // The actors' default layer: taken only when the object was created with kClassDefaultZ.
    void DefaultLayer(int32_t z) {
        if (createdZ_ == kClassDefaultZ)
            Z = z;
    }

private:
    int32_t createdZ_ = kClassDefaultZ;
};

// A texture object for name: the cache's (loaded on first use, which may raise "Error when
// loading texture.") or, without a cache, a new unloaded texture carrying the name.
TDXTexture* WorldTexture(const PD3DDevice& device, const std::string& name, int32_t tag);
// The texture object a copy of a panel may use: the same object when the cache holds it,
// otherwise a new texture object sharing the device texture. nullptr for nullptr.
TDXTexture* ShareTexture(TDXTexture* texture);

// An ordered list of world objects that frees them on deletion while it owns its items.
class TBaseObjList {
public:
    explicit TBaseObjList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
    ~TBaseObjList();
    TBaseObjList(const TBaseObjList&) = delete;
    TBaseObjList& operator=(const TBaseObjList&) = delete;

    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Indexes out of range raise an EError.
    TBaseObj* Get(int index) const;
    TBaseObj* operator[](int index) const { return Get(index); }

    TBaseObj* Add(TBaseObj* object);
    // index may equal Count (append); anything else out of range raises an EError (and an
    // owning list frees the object it could not take).
    TBaseObj* Insert(int index, TBaseObj* object);
    void Delete(int index);
    // Takes an object out without freeing it; the caller owns it then (nullptr for an object
    // that is not in the list or for a non-owning list).
    std::unique_ptr<TBaseObj> Extract(TBaseObj* object);
    int IndexOf(const TBaseObj* object) const;
    void Clear();

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    const std::vector<TBaseObj*>& Items() const { return items_; }

private:
    bool ownsObjects_;
    std::vector<TBaseObj*> items_;
};

// Registers the nine world-object classes (TBaseObj, TColObj, TEntity, TEnemy, TPlayer,
// TBackGround, TBoss, TDecor, TProjectile) in the class registry and in the world's own
// constructor table. Hosts and tests call it at start; calling it again changes nothing.
void RegisterWorldClasses();

// A new world object of a registered world-object class, made with the full constructor.
// Raises "Class %s not found" for any other name (record classes included).
std::unique_ptr<TBaseObj> CreateWorldObject(const std::string& className, PD3DDevice device,
                                            const TDXBounds& bounds, TDXTexture* texture,
                                            uint32_t color, int32_t z, bool build);

// The world-object class that plays a record of the given record class ("TEnemyInfo" ->
// "TEnemy"); empty for a name that is no record class.
std::string WorldClassForRecord(const std::string& recordClassName);

} // namespace tv
