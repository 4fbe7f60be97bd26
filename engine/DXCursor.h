#pragma once

// The mouse pointer mapped into the scene's logical screen, and an in-scene pointer picture
// carried by a GUI control.

#include "engine/GUI.h"
#include "mapdata/Geometry.h"

#include <functional>
#include <memory>

class QWindow;

namespace tv {

// The global mouse position in screen pixels (QCursor::pos()), unless a test has set a source.
TPoint GetCursorPoint();
// Replaces where GetCursorPoint reads from; an empty function restores the system pointer.
void SetCursorPointSource(std::function<TPoint()> source);

// The window control the scene is rendered into, as the cursor needs it.
class ICursorControl {
public:
    virtual ~ICursorControl() = default;
    // Client-area size in the same units as MapFromGlobal.
    virtual TPoint ClientSize() const = 0;
    virtual TPoint MapFromGlobal(TPoint global) const = 0;
    // Hides the system pointer over the control.
    virtual void SetBlankCursor() = 0;
};

// A QWindow as the control (for example the window the device presents to).
class TWindowCursorControl : public ICursorControl {
public:
    explicit TWindowCursorControl(QWindow* window) : window_(window) {}
    TPoint ClientSize() const override;
    TPoint MapFromGlobal(TPoint global) const override;
    void SetBlankCursor() override;

private:
    QWindow* window_;
};

class TDXCursor {
public:
    // Takes the panel and the panel's device; hides the system pointer over the control.
    TDXCursor(ICursorControl* control, std::unique_ptr<TGuiObj> panel, TPoint screenSize);
    ~TDXCursor();
    TDXCursor(const TDXCursor&) = delete;
    TDXCursor& operator=(const TDXCursor&) = delete;

    // The mouse in logical screen coordinates: client x * screen width / client width (and
    // the same for y), truncating toward zero, not clamped. An axis of a control without
    // client area gives 0.
    TPoint MousePos() const;
    // Moves the panel's top-left corner to the mouse and draws it.
    void DrawCursor();

    TGuiObj* Panel() const { return panel_.get(); }

private:
    std::unique_ptr<TGuiObj> panel_;
    PD3DDevice device_;
    ICursorControl* control_;
    int32_t screenWidth_;
    int32_t screenHeight_;
};

// The process's device cursor, made by the editor's view set-up.
extern std::unique_ptr<TDXCursor> DXCursor;

} // namespace tv
