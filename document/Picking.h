#pragma once

// Finding records of the map by place: the one under a point of the view, and those of a
// group within a rectangle; and the groups the designer has locked or hidden in this session.

#include "mapdata/Geometry.h"
#include "mapdata/Objects.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Groups locked (they cannot be picked, rubber-banded or dragged) or hidden (not drawn, not
// picked) while editing. Never written to the map file; a new or opened map starts with none.
// Group names compare as names do, without regard to letter case.
class TGroupStates {
public:
    bool Locked(std::string_view group) const;
    bool Hidden(std::string_view group) const;
    void SetLocked(std::string_view group, bool locked);
    void SetHidden(std::string_view group, bool hidden);
    // Neither locked nor hidden: the view may pick the record.
    bool Pickable(const TBaseInfo& record) const;
    void Clear();

private:
    std::vector<std::string> locked_;
    std::vector<std::string> hidden_;
};

// Whether the record's rectangle overlaps a rectangle of the world (edges that only touch do
// not); computed without overflow for records at the ends of the coordinate range.
bool RecordOverlaps(const TBaseInfo& record, const TRect& rect);
// Whether a world point lies in the record's rectangle (its right and bottom edges outside).
bool RecordHolds(const TBaseInfo& record, int64_t x, int64_t y);
// The topmost record (the last in the map's order) whose rectangle holds a world point and
// that may be picked; below: the topmost one under the point that lies below that record, so
// repeated picks at one point go down through stacked records and then start at the top.
TBaseInfo* ObjectAt(const TBaseInfoList& objects, const TGroupStates& groups, int64_t x, int64_t y,
                    const TBaseInfo* below = nullptr);
// The records overlapping a rectangle of the world, in map order; of one group, or of all when
// the group is empty.
std::vector<TBaseInfo*> ObjectsIn(const TBaseInfoList& objects, const TRect& rect,
                                  std::string_view group);
// The same two, looking only at the records at these places of objects (ascending), which
// hold every record that can be found there (TRecordIndex::Near).
TBaseInfo* ObjectAt(const TBaseInfoList& objects, const std::vector<int>& near,
                    const TGroupStates& groups, int64_t x, int64_t y,
                    const TBaseInfo* below = nullptr);
std::vector<TBaseInfo*> ObjectsIn(const TBaseInfoList& objects, const std::vector<int>& near,
                                  const TRect& rect, std::string_view group);
// The rectangle of the view whose left edge is at a world x.
TRect ViewRect(int32_t worldX);

} // namespace tv
