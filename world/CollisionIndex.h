#pragma once

// Finds the objects a collision walk has to meet without walking the whole world.
//
// A walk (TEntity::CheckCollisions, TDecor::CheckCollisions) hits only objects that are on
// the screen and overlap the walker, and a walker's Hit acts only on some kinds of object (an
// enemy ignores other enemies, a decoration everything but shots). The index keeps, for each
// kind, a grid of cells over the screen; an object is entered in every cell its rectangle
// covers on the screen, so two objects that overlap each other and the screen share a cell.
// Objects whose rectangle is empty or inverted (a size of 0 or less, or saturated
// coordinates) are few and kept in a list that every walk looks at.
//
// A walk of an entity also asks every object whether it is on screen, and an entity that
// has come onto the screen (or left it) since it was last asked posts its sighting message
// then. So the index also hands out the entities whose answer would change ("pending
// sightings"), and the walk asks them in list order as the plain walk would.
//
// Candidates come back in list order, so hits land in the order of the plain walk. The list
// order is kept as a number per object, spaced so that objects added during a pass (shots)
// take a number between their neighbours'; the numbers are made again when a gap runs out.
//
// The index is current only between Begin and End (one update pass): during the pass,
// objects move only through Translate and SetPosition (which report to the index) and join
// the world only through TGameWorld::AddObject; nothing leaves before the pass ends. Outside
// a pass the world builds the index afresh for each walk.

#include "mapdata/Geometry.h"

#include <cstdint>
#include <vector>

namespace tv {

class TBaseObj;
class TBaseObjList;

// What an object is to a collision walk, as a set of bits; walkers name the kinds their Hit
// acts on (TColObj::HitKinds).
using TCollisionKinds = uint8_t;
inline constexpr TCollisionKinds ck_Decor = 1u << 0;
inline constexpr TCollisionKinds ck_PlayerShot = 1u << 1;
inline constexpr TCollisionKinds ck_EnemyShot = 1u << 2;
inline constexpr TCollisionKinds ck_Enemy = 1u << 3; // bosses included
inline constexpr TCollisionKinds ck_Other = 1u << 4; // any other collidable object
inline constexpr TCollisionKinds ck_None = 0;
inline constexpr TCollisionKinds ck_All = 0x1F;
inline constexpr int kCollisionKindCount = 5;

// What the index keeps on each world object; nothing else reads or writes it.
struct TCollisionSlot {
    uint64_t Generation = 0;                          // the pass that indexed the object
    uint64_t Order = 0;                               // list order
    uint64_t Seen = 0;                                // the last query that collected the object
    int32_t Col0 = 0, Col1 = -1, Row0 = 0, Row1 = -1; // the cells held; none when Col1 < Col0
    uint8_t Class = 0;   // what the object's class makes it (0 until first indexed)
    uint8_t KindBit = 0; // 1 + the kind's bit number; 0 when not collidable
    bool Odd = false;    // in the list of empty or inverted rectangles
    bool Entity = false;
    bool Pending = false; // in the pending sightings
};

class TCollisionIndex {
public:
    TCollisionIndex() = default;
    TCollisionIndex(const TCollisionIndex&) = delete;
    TCollisionIndex& operator=(const TCollisionIndex&) = delete;

    // Indexes every object of the list against the screen (0, 0)-(viewWidth, viewHeight).
    void Begin(const TBaseObjList& objects, int32_t viewWidth, int32_t viewHeight);
    // Forgets every object (nothing of it is looked at again).
    void End();
    bool Active() const { return objects_ != nullptr; }

    // The object at index in the list was just inserted there.
    void Added(int index);
    // The object's position changed (ignored for objects this pass did not index).
    void Moved(TBaseObj& object);

    // The objects, in list order, that a walk over rect (the walker's rectangle, on screen)
    // must meet: the objects of the given kinds that may overlap rect on the screen, and the
    // pending sightings. An empty or inverted rect gets the whole list.
    std::vector<TBaseObj*> Candidates(TCollisionKinds kinds, const TRect& rect);

private:
    struct CellRange {
        int32_t Col0 = 0, Col1 = -1, Row0 = 0, Row1 = -1;
        bool Empty() const { return Col1 < Col0; }
        bool operator==(const CellRange&) const = default;
    };

    bool Mine(const TBaseObj& object) const;
    void Enter(TBaseObj& object);
    void Place(TBaseObj& object);
    void Unplace(TBaseObj& object);
    void CheckSighting(TBaseObj& object);
    void Renumber();
    // The cells a normal rectangle covers on the screen (none when it is off the screen).
    CellRange CellsOnScreen(TRect rect) const;
    std::vector<TBaseObj*>& Cell(int kind, int32_t col, int32_t row);
    void Collect(TBaseObj* object, std::vector<TBaseObj*>& out);

    const TBaseObjList* objects_ = nullptr;
    TRect view_;
    int32_t cellWidth_ = 1;
    int32_t cellHeight_ = 1;
    int32_t cols_ = 0;
    int32_t rows_ = 0;
    uint64_t generation_ = 0;
    uint64_t query_ = 0;
    std::vector<std::vector<TBaseObj*>> cells_[kCollisionKindCount];
    std::vector<TBaseObj*> odd_[kCollisionKindCount];
    std::vector<TBaseObj*> pending_;
};

} // namespace tv
