#include "editor/ViewScroller.h"

#include "document/Placement.h"
#include "editor/EditForm.h"
#include "editor/MapViewController.h"
#include "mapdata/Geometry.h"

#include <QTimer>

namespace tv {

namespace {
constexpr int kNotch = 120; // eighths of a degree
} // namespace

TViewScroller::TViewScroller(TEditF& window)
    : QObject(&window), window_(window), carryTimer_(new QTimer(this)) {
    carryTimer_->setInterval(kCarryIntervalMs);
    connect(carryTimer_, &QTimer::timeout, this, [this] {
        if (!CarryStep())
            carryTimer_->stop();
    });
}

void TViewScroller::Wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers) {
    if (window_.Playing())
        return;
    // Some systems turn a wheel with Shift into a sideways one.
    wheelRest_ += angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    const int notches = wheelRest_ / kNotch;
    wheelRest_ -= notches * kNotch;
    if (notches == 0)
        return;
    const int64_t step = int64_t{kWheelStep} * (modifiers & Qt::ShiftModifier ? kFastFactor : 1);
    // Turning the wheel away from oneself goes on into the level.
    window_.ScrollTo(SaturateToInt32(int64_t{window_.WorldX} - notches * step));
    window_.ViewControl->DragToPointer();
}

void TViewScroller::BeginPan() {
    panning_ = true;
    panAnchor_ = AddSaturated(window_.WorldX, window_.MousePos().X);
}

void TViewScroller::PanMove() {
    if (panning_)
        window_.ScrollTo(SaturateToInt32(int64_t{panAnchor_} - window_.MousePos().X));
}

void TViewScroller::EndPan() {
    panning_ = false;
}

int TViewScroller::EdgeDirection() const {
    if (!window_.Document->Dragging())
        return 0;
    const int width = window_.View->width();
    const int pixel = window_.MousePos().X * width / TEditF::ScreenWidth;
    if (pixel < kEdgePixels)
        return -1;
    if (pixel >= width - kEdgePixels)
        return 1;
    return 0;
}

void TViewScroller::DragMoved() {
    if (EdgeDirection() != 0 && !carryTimer_->isActive())
        carryTimer_->start();
}

bool TViewScroller::CarryStep() {
    const int direction = EdgeDirection();
    if (direction == 0 || window_.Playing())
        return false;
    window_.ScrollTo(AddSaturated(window_.WorldX, direction * kCarryStep));
    window_.ViewControl->DragToPointer();
    return true;
}

} // namespace tv
