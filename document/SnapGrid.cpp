#include "document/SnapGrid.h"

#include "mapdata/Geometry.h"

namespace tv {

namespace {

// Rounding towards minus infinity, also for negative values.
int64_t FloorTo(int64_t value, int64_t size) {
    const int64_t q = value / size;
    return (value % size != 0 && value < 0 ? q - 1 : q) * size;
}

} // namespace

void TSnapGrid::SetSize(int32_t size) {
    for (const int32_t allowed : kSizes)
        if (size == allowed)
            size_ = size;
}

int32_t TSnapGrid::Snap(int32_t value, bool invert) const {
    if (!Active(invert))
        return value;
    return SaturateToInt32(FloorTo(int64_t{value} + size_ / 2, size_));
}

int32_t TSnapGrid::NudgeDelta(int32_t value, int direction, int32_t step) const {
    if (direction == 0)
        return 0;
    if (!on_)
        return direction * step;
    const int64_t below = FloorTo(value, size_);
    const int64_t target = direction > 0 ? below + size_ : (below == value ? below - size_ : below);
    return SaturateToInt32(target - value);
}

} // namespace tv
