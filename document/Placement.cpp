#include "document/Placement.h"

#include "mapdata/Geometry.h"
#include "mapdata/Text.h"

#include "engine/Random.h"

#include <climits>

namespace tv {

namespace {

// |b - a|, as far as Random can take it.
int RangeOf(int32_t a, int32_t b) {
    const int64_t range = int64_t{b} - int64_t{a};
    const int64_t magnitude = range < 0 ? -range : range;
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

class TCandidates {
public:
    TCandidates(const TPlacement& placement, const TBaseInfo& type)
        : placement_(placement), rangeX_(RangeOf(placement.StartX, placement.EndX)),
          rangeY_(RangeOf(placement.StartY, placement.EndY)), width_(type.Width),
          height_(type.Height) {}

    // x is drawn before y.
    TRect Draw() const {
        const int32_t x =
            placement_.RandX ? AddSaturated(placement_.StartX, Random(rangeX_)) : placement_.StartX;
        const int32_t y =
            placement_.RandY ? AddSaturated(placement_.StartY, Random(rangeY_)) : placement_.StartY;
        return TRect{x, y, AddSaturated(x, width_), AddSaturated(y, height_)};
    }

    // Whether another draw can give another candidate.
    bool Varies() const {
        return (placement_.RandX && rangeX_ > 1) || (placement_.RandY && rangeY_ > 1);
    }

private:
    const TPlacement& placement_;
    int rangeX_;
    int rangeY_;
    int32_t width_;
    int32_t height_;
};

// The rectangles of the solid decorations (ProjectilesPass 0) entities must stay out of.
std::vector<TRect> SolidRects(const TBaseInfoList& objects) {
    std::vector<TRect> solid;
    for (const TBaseInfo* other : objects) {
        const auto* decor = dynamic_cast<const TDecorInfo*>(other);
        if (decor && decor->ProjectilesPass == 0)
            solid.push_back(TRect{decor->Left, decor->Top, AddSaturated(decor->Left, decor->Width),
                                  AddSaturated(decor->Top, decor->Height)});
    }
    return solid;
}

bool IsFree(const std::vector<TRect>& solid, const TRect& rect) {
    for (const TRect& other : solid)
        if (RectsOverlap(rect, other))
            return false;
    return true;
}

// Draws new candidates until rect overlaps no solid decoration; false when none was found.
bool FindFreePlace(const TCandidates& candidates, const std::vector<TRect>& solid, TRect& rect) {
    const int attempts = candidates.Varies() ? kMaxPlaceAttempts : 1;
    for (int attempt = 1;; ++attempt) {
        if (IsFree(solid, rect))
            return true;
        if (attempt >= attempts)
            return false;
        rect = candidates.Draw();
    }
}

} // namespace

int32_t AddSaturated(int32_t a, int64_t b) {
    return SaturateToInt32(int64_t{a} + b);
}

TPlacedCopies PlaceCopies(const TBaseInfo& type, int32_t count, const TPlacement& placement,
                          const TBaseInfoList& objects) {
    TPlacedCopies placed;
    const TCandidates candidates(placement, type);
    // Entities stay out of solid decorations. The copies are entities themselves, so the
    // decorations to avoid do not change while they are placed.
    const bool avoidSolid = dynamic_cast<const TEntityInfo*>(&type) != nullptr;
    const std::vector<TRect> solid = avoidSolid ? SolidRects(objects) : std::vector<TRect>{};
    for (int32_t i = 0; i < count; ++i) {
        TRect rect = candidates.Draw();
        if (avoidSolid && !FindFreePlace(candidates, solid, rect)) {
            ++placed.NotPlaced;
            continue;
        }
        std::unique_ptr<TBaseInfo> copy = CloneInfo(type);
        copy->Left = rect.Left;
        copy->Top = rect.Top;
        placed.Copies.push_back(std::move(copy));
    }
    return placed;
}

std::string AddCountTooLargeText(int32_t count) {
    return Format("A count of %d is too large: at most %d objects are added at once.", count,
                  kMaxAddCount);
}

} // namespace tv
