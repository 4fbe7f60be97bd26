#pragma once

// Where the copies of one "Add" go: each copy's left and top edges are drawn at random (or
// fixed at the start) within a range on each axis; entities are drawn again until they
// overlap no solid decoration.

#include "mapdata/Geometry.h"
#include "mapdata/Objects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// "Add" places at most this many copies at once; a larger count is refused.
inline constexpr int kMaxAddCount = 10000;
// Candidate places an entity copy gets before it is given up.
inline constexpr int kMaxPlaceAttempts = 10000;

struct TPlacement {
    int32_t StartX = 0;
    int32_t StartY = 0;
    int32_t EndX = 0;
    int32_t EndY = 0;
    bool RandX = false;
    bool RandY = false;
};

struct TPlacedCopies {
    // The copies with their places, in the order they were made.
    std::vector<std::unique_ptr<TBaseInfo>> Copies;
    // Entity copies for which no free place was found; they are not made.
    int NotPlaced = 0;
};

// Makes count copies of a type and places them as "Add" does: x is drawn before y, each
// offset added to the start (Random(|end - start|)); an entity type avoids the solid
// decorations (ProjectilesPass 0) among the objects, and a copy that finds no free place
// within kMaxPlaceAttempts candidates (or at once, when no draw could give another place) is
// given up.
TPlacedCopies PlaceCopies(const TBaseInfo& type, int32_t count, const TPlacement& placement,
                          const TBaseInfoList& objects);

int32_t AddSaturated(int32_t a, int64_t b);

// Why a count above kMaxAddCount adds nothing.
std::string AddCountTooLargeText(int32_t count);

} // namespace tv
