#include "editor/MapViewController.h"

#include "document/Picking.h"
#include "editor/AddNewPage.h"
#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "editor/SnapControls.h"
#include "editor/StatusLine.h"
#include "editor/ViewScroller.h"

#include <QTabWidget>
#include <algorithm>
#include <cstdlib>

namespace tv {

TMapViewController::TMapViewController(TEditF& window) : window_(window) {}

TPoint TMapViewController::PointerWorld() const {
    const TPoint p = window_.MousePos();
    return TPoint{SaturateToInt32(int64_t{window_.WorldX} + p.X), p.Y};
}

void TMapViewController::AddAtCursor() {
    TBaseInfo* type = window_.AddNew->NewType;
    if (!type)
        return;
    const TPoint p = PointerWorld();
    window_.Document->PlaceObject(*type, window_.Snap->Grid().Snap(p.X),
                                  window_.Snap->Grid().Snap(p.Y));
}

void TMapViewController::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    if (!window_.HasGraphics() || window_.Playing())
        return;
    // The keys (Delete, the arrows) now act on the map, not on the field edited before.
    if (!window_.View->hasFocus())
        window_.View->setFocus(Qt::MouseFocusReason);
    QWidget* page = window_.Pages->currentWidget();
    if (button == Qt::LeftButton) {
        if (window_.AddNew->NewType && page == window_.TabAdd)
            AddAtCursor();
        if (window_.Selected() && page == window_.TabModify)
            BeginDrag(modifiers);
        return;
    }
    if (button == Qt::MiddleButton) {
        window_.Scroller->BeginPan();
        return;
    }
    if (button != Qt::RightButton || page != window_.TabModify)
        return;
    if (modifiers & Qt::ControlModifier) {
        // Decided when the button comes up: a band when the pointer moved, else a pick.
        banding_ = true;
        bandAdds_ = modifiers & Qt::ShiftModifier;
        bandStart_ = bandEnd_ = PointerWorld();
        return;
    }
    PickAt(PointerWorld(), modifiers);
}

void TMapViewController::BeginDrag(Qt::KeyboardModifiers modifiers) {
    TMapDocument& document = *window_.Document;
    const TPoint p = PointerWorld();
    const TBaseInfo& primary = *document.Selected();
    grab_ = TPoint{};
    if (document.Selection().size() > 1) {
        // Several objects move by what the pointer moves, taken at one of them; the primary's
        // corner does not jump to the pointer.
        const auto& selection = document.Selection();
        if (std::none_of(selection.begin(), selection.end(),
                         [&](const TBaseInfo* record) { return RecordHolds(*record, p.X, p.Y); }))
            return;
        grab_ = TPoint{SaturateToInt32(int64_t{p.X} - primary.Left),
                       SaturateToInt32(int64_t{p.Y} - primary.Top)};
        document.BeginDrag(primary.Left, primary.Top);
        return;
    }
    const bool invert = modifiers & Qt::ControlModifier;
    document.BeginDrag(window_.Snap->Grid().Snap(p.X, invert),
                       window_.Snap->Grid().Snap(p.Y, invert));
}

void TMapViewController::PickAt(const TPoint& at, Qt::KeyboardModifiers modifiers) {
    TMapDocument& document = *window_.Document;
    if (modifiers & Qt::AltModifier) {
        if (TBaseInfo* next = document.ObjectAt(at.X, at.Y, document.Selected()))
            document.Select(next);
        return;
    }
    TBaseInfo* record = document.ObjectAt(at.X, at.Y);
    if (modifiers & Qt::ShiftModifier) {
        if (record)
            document.ToggleSelected(record);
        return;
    }
    if (record) {
        document.Select(record);
        return;
    }
    // Empty space: with Ctrl the selection goes, without it nothing changes.
    if (modifiers & Qt::ControlModifier)
        window_.ClearSelection();
}

void TMapViewController::MouseMove(Qt::MouseButtons buttons) {
    if (!window_.HasGraphics() || window_.Playing())
        return;
    const TPoint pointer = window_.MousePos();
    window_.Status->ShowPointer(int64_t{window_.WorldX} + pointer.X, pointer.Y);
    if (window_.Scroller->Panning() && (buttons & Qt::MiddleButton))
        window_.Scroller->PanMove();
    if (banding_) {
        bandEnd_ = PointerWorld();
        return;
    }
    if (!(buttons & Qt::LeftButton) || !window_.Selected() || !window_.Document->Dragging() ||
        window_.Pages->currentWidget() != window_.TabModify)
        return;
    DragToPointer();
    window_.Scroller->DragMoved();
    window_.Status->ShowSelection(window_.Selected());
}

void TMapViewController::DragToPointer() {
    if (!window_.Document->Dragging())
        return;
    const TPoint pointer = PointerWorld();
    const TPoint p{SaturateToInt32(int64_t{pointer.X} - grab_.X),
                   SaturateToInt32(int64_t{pointer.Y} - grab_.Y)};
    const bool invert = window_.ViewHost->Window()->Modifiers() & Qt::ControlModifier;
    window_.Document->DragTo(window_.Snap->Grid().Snap(p.X, invert),
                             window_.Snap->Grid().Snap(p.Y, invert));
}

// The whole drag becomes one undo step; the document tells the window, which shows the new
// position in the grid.
void TMapViewController::MouseUp(Qt::MouseButton button) {
    if (button == Qt::MiddleButton) {
        window_.Scroller->EndPan();
        return;
    }
    if (button == Qt::RightButton && banding_) {
        EndBand();
        return;
    }
    window_.Document->EndDrag();
}

std::optional<TRect> TMapViewController::Band() const {
    if (!banding_)
        return std::nullopt;
    return TRect{std::min(bandStart_.X, bandEnd_.X), std::min(bandStart_.Y, bandEnd_.Y),
                 std::max(bandStart_.X, bandEnd_.X), std::max(bandStart_.Y, bandEnd_.Y)};
}

void TMapViewController::EndBand() {
    const TRect band = *Band();
    banding_ = false;
    const bool click = int64_t{band.Right} - band.Left < kClickSlop &&
                       int64_t{band.Bottom} - band.Top < kClickSlop;
    if (click) {
        PickAt(bandStart_, Qt::ControlModifier);
        return;
    }
    TMapDocument& document = *window_.Document;
    const std::vector<TBaseInfo*> caught = document.PickableIn(band, {});
    if (bandAdds_)
        document.AddToSelection(caught);
    else
        document.SelectAll(caught);
}

} // namespace tv
