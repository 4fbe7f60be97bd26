#pragma once

// The mouse in the map view: placing the chosen type (Add New page), picking and dragging
// (Modify page), the rubber band, and panning with the middle button.
//
// Right click picks the topmost object under the pointer; Shift+right click adds or removes
// it; Alt+right click at the same point goes on to the next object below the selected one;
// Ctrl+right-drag draws a rubber band that selects every object it overlaps (Shift adds). A
// Ctrl+right click that does not drag picks as before, and on empty space clears the
// selection. Locked and hidden groups are never picked. A left-button drag moves the
// selection.

#include "mapdata/Geometry.h"

#include <Qt>
#include <optional>

namespace tv {

class TEditF;

class TMapViewController {
public:
    // A right-button press that moves less than this (world units, either way) is a click.
    static constexpr int32_t kClickSlop = 3;

    explicit TMapViewController(TEditF& window);

    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void MouseMove(Qt::MouseButtons buttons);
    void MouseUp(Qt::MouseButton button);
    // The chosen type at the pointer, snapped (a left click on the Add New page).
    void AddAtCursor();
    // Moves a drag under way to the pointer, snapped as the grid says (Ctrl inverts it).
    void DragToPointer();
    // The rubber band's world rectangle while one is drawn.
    std::optional<TRect> Band() const;

private:
    // The pointer in world units.
    TPoint PointerWorld() const;
    void PickAt(const TPoint& at, Qt::KeyboardModifiers modifiers);
    // A left press on the Modify page: one selected object's corner goes to the pointer (and
    // a drag starts); several selected move only when one of them is under the pointer, by
    // what the pointer moves.
    void BeginDrag(Qt::KeyboardModifiers modifiers);
    void EndBand();

    TEditF& window_;
    bool banding_ = false;
    bool bandAdds_ = false;
    TPoint bandStart_;
    TPoint bandEnd_;
    // Where the pointer took the primary object, from its corner (0, 0 for one object).
    TPoint grab_;
};

} // namespace tv
