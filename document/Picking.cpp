#include "document/Picking.h"

#include "document/MapScene.h"
#include "mapdata/Text.h"

#include <algorithm>

namespace tv {

namespace {

void SetIn(std::vector<std::string>& groups, std::string_view group, bool in) {
    const auto found = std::find_if(groups.begin(), groups.end(),
                                    [&](const std::string& g) { return TextEquals(g, group); });
    if (in && found == groups.end())
        groups.emplace_back(group);
    else if (!in && found != groups.end())
        groups.erase(found);
}

} // namespace

bool RecordHolds(const TBaseInfo& record, int64_t x, int64_t y) {
    return x >= record.Left && x < int64_t{record.Left} + record.Width && y >= record.Top &&
           y < int64_t{record.Top} + record.Height;
}

bool TGroupStates::Locked(std::string_view group) const {
    return TextInList(group, locked_);
}

bool TGroupStates::Hidden(std::string_view group) const {
    return TextInList(group, hidden_);
}

void TGroupStates::SetLocked(std::string_view group, bool locked) {
    SetIn(locked_, group, locked);
}

void TGroupStates::SetHidden(std::string_view group, bool hidden) {
    SetIn(hidden_, group, hidden);
}

bool TGroupStates::Pickable(const TBaseInfo& record) const {
    if (locked_.empty() && hidden_.empty())
        return true;
    const std::string_view group = record.Group.view();
    return !Locked(group) && !Hidden(group);
}

void TGroupStates::Clear() {
    locked_.clear();
    hidden_.clear();
}

bool RecordOverlaps(const TBaseInfo& record, const TRect& rect) {
    const int64_t left = record.Left;
    const int64_t top = record.Top;
    return left < rect.Right && rect.Left < left + record.Width && top < rect.Bottom &&
           rect.Top < top + record.Height;
}

namespace {

// ObjectAt over the records at places count - 1 down to 0 of placeAt.
template <class TPlaceAt>
TBaseInfo* TopmostAt(const TBaseInfoList& objects, int count, TPlaceAt placeAt,
                     const TGroupStates& groups, int64_t x, int64_t y, const TBaseInfo* below) {
    TBaseInfo* top = nullptr;
    bool belowPassed = below == nullptr;
    for (int i = count - 1; i >= 0; --i) {
        TBaseInfo* record = objects[placeAt(i)];
        if (!RecordHolds(*record, x, y) || !groups.Pickable(*record))
            continue;
        if (belowPassed)
            return record;
        if (!top)
            top = record;
        if (record == below)
            belowPassed = true;
    }
    // Below the lowest one (or a record no longer under the point): the topmost again.
    return top;
}

bool InGroup(const TBaseInfo& record, std::string_view group) {
    return group.empty() || TextEquals(record.Group, group);
}

} // namespace

TBaseInfo* ObjectAt(const TBaseInfoList& objects, const TGroupStates& groups, int64_t x, int64_t y,
                    const TBaseInfo* below) {
    return TopmostAt(
        objects, objects.Count(), [](int i) { return i; }, groups, x, y, below);
}

TBaseInfo* ObjectAt(const TBaseInfoList& objects, const std::vector<int>& near,
                    const TGroupStates& groups, int64_t x, int64_t y, const TBaseInfo* below) {
    return TopmostAt(
        objects, static_cast<int>(near.size()),
        [&near](int i) { return near[static_cast<size_t>(i)]; }, groups, x, y, below);
}

std::vector<TBaseInfo*> ObjectsIn(const TBaseInfoList& objects, const TRect& rect,
                                  std::string_view group) {
    std::vector<TBaseInfo*> found;
    for (TBaseInfo* record : objects)
        if (RecordOverlaps(*record, rect) && InGroup(*record, group))
            found.push_back(record);
    return found;
}

std::vector<TBaseInfo*> ObjectsIn(const TBaseInfoList& objects, const std::vector<int>& near,
                                  const TRect& rect, std::string_view group) {
    std::vector<TBaseInfo*> found;
    for (const int at : near) {
        TBaseInfo* record = objects[at];
        if (RecordOverlaps(*record, rect) && InGroup(*record, group))
            found.push_back(record);
    }
    return found;
}

TRect ViewRect(int32_t worldX) {
    return TRect{worldX, 0, SaturateToInt32(int64_t{worldX} + kLogicalWidth), kLogicalHeight};
}

} // namespace tv
