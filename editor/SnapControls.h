#pragma once

// The snapping tool: a toggle button (also G) and the grid size beside it. It owns the grid
// that placing, dragging and nudging in the view snap to.

#include "document/SnapGrid.h"

#include <QObject>
#include <functional>

class QComboBox;
class QToolButton;
class QWidget;

namespace tv {

class TSnapControls : public QObject {
public:
    // The button and the size box go into the tool bar at x.
    TSnapControls(QWidget* toolBar, int x);

    const TSnapGrid& Grid() const { return grid_; }
    void SetOn(bool on);
    void Toggle() { SetOn(!grid_.On()); }
    void SetSize(int32_t size);

    QToolButton* Button() const { return button_; }
    QComboBox* SizeBox() const { return sizeBox_; }
    // Told after the toggle or the size changed.
    std::function<void()> OnChanged;

private:
    void Changed();

    TSnapGrid grid_;
    QToolButton* button_;
    QComboBox* sizeBox_;
};

} // namespace tv
