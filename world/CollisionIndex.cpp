#include "world/CollisionIndex.h"

#include "world/Actors.h"
#include "world/BaseObj.h"

#include <algorithm>

namespace tv {

namespace {

// Cells are at least this many screen units on a side, and a side has at most this many
// cells, however large the screen.
constexpr int32_t kMinCellSize = 64;
constexpr int32_t kMaxCellsPerSide = 64;
// Room between the order numbers of neighbours, so that many objects can be put between two
// before the numbers must be made again.
constexpr uint64_t kOrderSpacing = uint64_t{1} << 32;

// Passes and queries take their numbers from one counter, so that a number left on an object
// by another pass or another index never matches.
uint64_t NextStamp() {
    static uint64_t stamp = 0;
    return ++stamp;
}

bool IsNormal(const TRect& r) {
    return r.Left < r.Right && r.Top < r.Bottom;
}

int32_t CellSize(int32_t side) {
    return std::max(kMinCellSize, static_cast<int32_t>((int64_t{side} + kMaxCellsPerSide - 1) /
                                                       kMaxCellsPerSide));
}

int KindNumber(TCollisionKinds kind) {
    for (int k = 0; k < kCollisionKindCount; ++k)
        if (kind == (1u << k))
            return k;
    return -1;
}

// What an object's class makes it to the index; found once per object, as a class never
// changes (a shot's side is read at every indexing).
enum ObjectClass : uint8_t {
    oc_Unknown = 0,
    oc_NotCollidable,
    oc_Decor,
    oc_Shot,
    oc_Enemy,
    oc_OtherCollidable
};

ObjectClass ClassOf(const TBaseObj& object) {
    if (dynamic_cast<const TDecor*>(&object))
        return oc_Decor;
    if (dynamic_cast<const TProjectile*>(&object))
        return oc_Shot;
    if (dynamic_cast<const TEnemy*>(&object))
        return oc_Enemy;
    if (dynamic_cast<const TColObj*>(&object))
        return oc_OtherCollidable;
    return oc_NotCollidable;
}

// The object's kind (one bit), ck_None for objects that take no part in collisions.
TCollisionKinds KindOf(const TBaseObj& object, uint8_t objectClass) {
    switch (objectClass) {
    case oc_Decor:
        return ck_Decor;
    case oc_Shot:
        return static_cast<const TProjectile&>(object).FromPlayer ? ck_PlayerShot : ck_EnemyShot;
    case oc_Enemy:
        return ck_Enemy;
    case oc_OtherCollidable:
        return ck_Other;
    default:
        return ck_None;
    }
}

void EraseOne(std::vector<TBaseObj*>& items, TBaseObj* object) {
    const auto found = std::find(items.begin(), items.end(), object);
    if (found == items.end())
        return;
    *found = items.back();
    items.pop_back();
}

} // namespace

void TCollisionIndex::Begin(const TBaseObjList& objects, int32_t viewWidth, int32_t viewHeight) {
    End();
    objects_ = &objects;
    generation_ = NextStamp();
    view_ = TRect{0, 0, viewWidth, viewHeight};
    cellWidth_ = CellSize(viewWidth);
    cellHeight_ = CellSize(viewHeight);
    cols_ = viewWidth > 0 ? static_cast<int32_t>((int64_t{viewWidth} + cellWidth_ - 1) / cellWidth_)
                          : 0;
    rows_ = viewHeight > 0
                ? static_cast<int32_t>((int64_t{viewHeight} + cellHeight_ - 1) / cellHeight_)
                : 0;
    for (auto& cells : cells_)
        cells.resize(static_cast<size_t>(cols_) * static_cast<size_t>(rows_));
    for (int i = 0; i < objects.Count(); ++i) {
        TBaseObj* object = objects[i];
        object->CollisionSlot.Order = static_cast<uint64_t>(i + 1) * kOrderSpacing;
        Enter(*object);
    }
}

void TCollisionIndex::End() {
    for (auto& cells : cells_)
        for (auto& cell : cells)
            cell.clear();
    for (auto& odd : odd_)
        odd.clear();
    pending_.clear();
    objects_ = nullptr;
}

void TCollisionIndex::Added(int index) {
    if (!objects_)
        return;
    TBaseObj* object = (*objects_)[index];
    const uint64_t before = index > 0 ? (*objects_)[index - 1]->CollisionSlot.Order : 0;
    const uint64_t after = index + 1 < objects_->Count()
                               ? (*objects_)[index + 1]->CollisionSlot.Order
                               : before + 2 * kOrderSpacing;
    if (after > before + 1)
        object->CollisionSlot.Order = before + (after - before) / 2;
    else
        Renumber();
    Enter(*object);
}

void TCollisionIndex::Moved(TBaseObj& object) {
    if (!Mine(object))
        return;
    TCollisionSlot& slot = object.CollisionSlot;
    if (slot.KindBit != 0) {
        const TRect rect = object.GetRect();
        const bool unchanged =
            IsNormal(rect) ? !slot.Odd && CellsOnScreen(rect) ==
                                              CellRange{slot.Col0, slot.Col1, slot.Row0, slot.Row1}
                           : slot.Odd;
        if (!unchanged) {
            Unplace(object);
            Place(object);
        }
    }
    CheckSighting(object);
}

std::vector<TBaseObj*> TCollisionIndex::Candidates(TCollisionKinds kinds, const TRect& rect) {
    if (!objects_)
        return {};
    if (!IsNormal(rect))
        return objects_->Items();
    query_ = NextStamp();
    std::vector<TBaseObj*> out;
    const CellRange range = CellsOnScreen(rect);
    for (int k = 0; k < kCollisionKindCount; ++k) {
        if (!(kinds & (1u << k)))
            continue;
        for (int32_t row = range.Row0; row <= range.Row1; ++row)
            for (int32_t col = range.Col0; col <= range.Col1; ++col)
                for (TBaseObj* object : Cell(k, col, row))
                    Collect(object, out);
        for (TBaseObj* object : odd_[k])
            Collect(object, out);
    }
    // Entities whose on-screen answer has not changed since they were last asked are no
    // longer pending (only a move makes them pending again).
    for (size_t i = 0; i < pending_.size();) {
        auto* entity = static_cast<TEntity*>(pending_[i]);
        if (RectsOverlap(entity->GetRect(), view_) == entity->WasOnScreen) {
            entity->CollisionSlot.Pending = false;
            pending_[i] = pending_.back();
            pending_.pop_back();
            continue;
        }
        Collect(entity, out);
        ++i;
    }
    std::sort(out.begin(), out.end(), [](const TBaseObj* a, const TBaseObj* b) {
        return a->CollisionSlot.Order < b->CollisionSlot.Order;
    });
    return out;
}

bool TCollisionIndex::Mine(const TBaseObj& object) const {
    return objects_ && object.CollisionSlot.Generation == generation_;
}

void TCollisionIndex::Enter(TBaseObj& object) {
    TCollisionSlot& slot = object.CollisionSlot;
    slot.Generation = generation_;
    slot.Seen = 0;
    slot.Col0 = slot.Row0 = 0;
    slot.Col1 = slot.Row1 = -1;
    slot.Odd = false;
    slot.Pending = false;
    if (slot.Class == oc_Unknown) {
        slot.Class = ClassOf(object);
        slot.Entity = dynamic_cast<const TEntity*>(&object) != nullptr;
    }
    slot.KindBit = static_cast<uint8_t>(KindNumber(KindOf(object, slot.Class)) + 1);
    Place(object);
    CheckSighting(object);
}

void TCollisionIndex::Place(TBaseObj& object) {
    TCollisionSlot& slot = object.CollisionSlot;
    if (slot.KindBit == 0)
        return;
    const int kind = slot.KindBit - 1;
    const TRect rect = object.GetRect();
    if (!IsNormal(rect)) {
        odd_[kind].push_back(&object);
        slot.Odd = true;
        return;
    }
    const CellRange range = CellsOnScreen(rect);
    for (int32_t row = range.Row0; row <= range.Row1; ++row)
        for (int32_t col = range.Col0; col <= range.Col1; ++col)
            Cell(kind, col, row).push_back(&object);
    slot.Col0 = range.Col0;
    slot.Col1 = range.Col1;
    slot.Row0 = range.Row0;
    slot.Row1 = range.Row1;
}

void TCollisionIndex::Unplace(TBaseObj& object) {
    TCollisionSlot& slot = object.CollisionSlot;
    const int kind = slot.KindBit - 1;
    if (slot.Odd)
        EraseOne(odd_[kind], &object);
    for (int32_t row = slot.Row0; row <= slot.Row1; ++row)
        for (int32_t col = slot.Col0; col <= slot.Col1; ++col)
            EraseOne(Cell(kind, col, row), &object);
    slot.Odd = false;
    slot.Col0 = slot.Row0 = 0;
    slot.Col1 = slot.Row1 = -1;
}

void TCollisionIndex::CheckSighting(TBaseObj& object) {
    TCollisionSlot& slot = object.CollisionSlot;
    if (!slot.Entity || slot.Pending)
        return;
    const auto& entity = static_cast<const TEntity&>(object);
    if (RectsOverlap(object.GetRect(), view_) != entity.WasOnScreen) {
        slot.Pending = true;
        pending_.push_back(&object);
    }
}

void TCollisionIndex::Renumber() {
    for (int i = 0; i < objects_->Count(); ++i)
        (*objects_)[i]->CollisionSlot.Order = static_cast<uint64_t>(i + 1) * kOrderSpacing;
}

TCollisionIndex::CellRange TCollisionIndex::CellsOnScreen(TRect rect) const {
    if (!ClipRect(rect, view_))
        return CellRange{};
    return CellRange{rect.Left / cellWidth_, (rect.Right - 1) / cellWidth_, rect.Top / cellHeight_,
                     (rect.Bottom - 1) / cellHeight_};
}

std::vector<TBaseObj*>& TCollisionIndex::Cell(int kind, int32_t col, int32_t row) {
    return cells_[kind]
                 [static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col)];
}

void TCollisionIndex::Collect(TBaseObj* object, std::vector<TBaseObj*>& out) {
    if (object->CollisionSlot.Seen == query_)
        return;
    object->CollisionSlot.Seen = query_;
    out.push_back(object);
}

} // namespace tv
