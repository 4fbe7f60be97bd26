#pragma once

// The map view's window side: the native window the graphics device presents to, embedded in
// the View panel, its mouse events, and what the panel shows when there is no device.

#include "engine/D3DTypes.h"

#include <QWindow>
#include <functional>

class QLabel;
class QWidget;

namespace tv {

// Makes the view's device for its window (CreateGraphicsDevice with the view's settings).
// Tests replace it to see how the editor copes without a device.
using TViewDeviceMaker = std::function<bool(HWND window, int width, int height)>;
void SetViewDeviceMaker(TViewDeviceMaker maker);
// The view's settings: windowed, the client size, 32 bits per pixel, one back buffer,
// hardware device; or the maker a test set.
bool MakeViewDevice(HWND window, int width, int height);

class TScopedViewDeviceMaker {
public:
    explicit TScopedViewDeviceMaker(TViewDeviceMaker maker) {
        SetViewDeviceMaker(std::move(maker));
    }
    ~TScopedViewDeviceMaker() { SetViewDeviceMaker(nullptr); }
    TScopedViewDeviceMaker(const TScopedViewDeviceMaker&) = delete;
    TScopedViewDeviceMaker& operator=(const TScopedViewDeviceMaker&) = delete;
};

// The window the device presents to. Hands its mouse events on; their coordinates are not
// passed, the view reads the pointer through the device cursor.
class TMapViewWindow : public QWindow {
public:
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers)> OnMouseDown;
    std::function<void(Qt::MouseButtons)> OnMouseMove;
    std::function<void(Qt::MouseButton)> OnMouseUp;
    // The window system asks for the window's picture again (uncovered, shown, resized).
    std::function<void()> OnExposed;
    // The wheel turned over the view: eighths of a degree (vertical, horizontal).
    std::function<void(QPoint angleDelta, Qt::KeyboardModifiers)> OnWheel;
    // The keys held at the last mouse event (Ctrl inverts snapping while dragging).
    Qt::KeyboardModifiers Modifiers() const { return modifiers_; }

protected:
    void exposeEvent(QExposeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    Qt::KeyboardModifiers modifiers_;
};

// Fills the View panel, at the panel's size: the device window while there is a device,
// otherwise a dark panel saying that the map cannot be shown.
class TMapViewHost {
public:
    explicit TMapViewHost(QWidget* view);
    TMapViewHost(const TMapViewHost&) = delete;
    TMapViewHost& operator=(const TMapViewHost&) = delete;

    TMapViewWindow* Window() const { return window_; }
    QWidget* Container() const { return container_; }
    QLabel* NoDeviceLabel() const { return noDevice_; }
    // Shows the device window, or the notice when there is no device.
    void ShowDevice(bool haveDevice);

private:
    TMapViewWindow* window_;
    QWidget* container_;
    QLabel* noDevice_;
};

// Tells when a window other than the view's own closes (a dialog, a message box, a menu):
// without a window manager nothing repaints what such a window covered, so the view draws its
// whole picture again. Watches the application's events from construction to destruction.
class TWindowCloseWatch : public QObject {
public:
    TWindowCloseWatch(const QWidget* owner, std::function<void()> onClosed);
    ~TWindowCloseWatch() override;
    TWindowCloseWatch(const TWindowCloseWatch&) = delete;
    TWindowCloseWatch& operator=(const TWindowCloseWatch&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QWidget* owner_;
    std::function<void()> onClosed_;
};

inline constexpr const char* kNoDeviceText = "No graphics device: the map cannot be shown";

} // namespace tv
