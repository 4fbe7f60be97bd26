#pragma once

// Moving through the level from the view itself: the wheel scrolls it, the middle button drags
// the world along, and a drag of an object near the view's left or right edge carries the view
// (and the object with the pointer) that way. Every scroll goes through the window's ScrollTo,
// so it is clamped and updates what the scroll buttons update.

#include <QObject>
#include <QPoint>
#include <cstdint>

class QTimer;

namespace tv {

class TEditF;

class TViewScroller : public QObject {
public:
    // World units per wheel notch, and the factor with Shift held.
    static constexpr int32_t kWheelStep = 80;
    static constexpr int32_t kFastFactor = 5;
    // How close to an edge (view pixels) a drag carries the view, by how much per step and
    // how often it steps while the pointer rests there.
    static constexpr int kEdgePixels = 20;
    static constexpr int32_t kCarryStep = 40;
    static constexpr int kCarryIntervalMs = 25;

    explicit TViewScroller(TEditF& window);

    void Wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    // The middle button: the world point under the pointer stays under it.
    void BeginPan();
    void PanMove();
    void EndPan();
    bool Panning() const { return panning_; }

    // After each move of a drag: starts or stops carrying the view.
    void DragMoved();
    // One step of carrying; false when the drag is no longer near an edge.
    bool CarryStep();
    // -1 or 1 while the pointer is near the view's left or right edge, else 0.
    int EdgeDirection() const;

private:
    TEditF& window_;
    QTimer* carryTimer_;
    int wheelRest_ = 0; // eighths of a degree short of a notch
    bool panning_ = false;
    int32_t panAnchor_ = 0; // the world x held under the pointer
};

} // namespace tv
