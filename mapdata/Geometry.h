#pragma once

#include <cstdint>

namespace tv {

// Right and Bottom are exclusive edges.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

inline int32_t MaxOf(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t MinOf(int32_t a, int32_t b) {
    return a < b ? a : b;
}

// A 64-bit result held in 32 bits: values beyond the range become its nearest end.
inline int32_t SaturateToInt32(int64_t value) {
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

// Clamping is always low bound first.
inline int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return MaxOf(low, MinOf(value, high));
}

// Replaces a with its intersection with b (stored even when empty); true when not empty.
inline bool ClipRect(TRect& a, const TRect& b) {
    a.Left = MaxOf(a.Left, b.Left);
    a.Top = MaxOf(a.Top, b.Top);
    a.Right = MinOf(a.Right, b.Right);
    a.Bottom = MinOf(a.Bottom, b.Bottom);
    return a.Left < a.Right && a.Top < a.Bottom;
}

// Strict overlap: rectangles whose edges only touch do not overlap.
inline bool RectsOverlap(const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

inline long double DegToRad(long double degrees) {
    return degrees * 0.017453292519943295769L;
}

} // namespace tv
