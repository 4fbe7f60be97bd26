#pragma once

// The grid that placing, dragging and nudging snap to while snapping is on. It changes only
// where objects go; the map file knows nothing of it.

#include <cstdint>

namespace tv {

class TSnapGrid {
public:
    static constexpr int32_t kSizes[] = {8, 16, 32};

    bool On() const { return on_; }
    void SetOn(bool on) { on_ = on; }
    int32_t Size() const { return size_; }
    // One of kSizes; any other size is ignored.
    void SetSize(int32_t size);

    // Whether a point snaps now: the toggle, inverted while Ctrl is held.
    bool Active(bool invert) const { return on_ != invert; }
    // The nearest grid line (halves go up), or the value itself when not active.
    int32_t Snap(int32_t value, bool invert = false) const;
    // The move a nudge in a direction (-1, 0, 1) makes from value: the next grid line that
    // way; step units when not active.
    int32_t NudgeDelta(int32_t value, int direction, int32_t step) const;

private:
    bool on_ = false;
    int32_t size_ = 16;
};

} // namespace tv
