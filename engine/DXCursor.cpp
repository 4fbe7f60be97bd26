#include "engine/DXCursor.h"

#include <QCursor>
#include <QWindow>
#include <limits>

namespace tv {

std::unique_ptr<TDXCursor> DXCursor;

namespace {
std::function<TPoint()>& CursorPointSource() {
    static std::function<TPoint()> source;
    return source;
}

int32_t ScaleAxis(int32_t value, int32_t screen, int32_t client) {
    if (client <= 0)
        return 0;
    const int64_t scaled = int64_t{value} * screen / client; // truncates toward zero
    if (scaled < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (scaled > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(scaled);
}
} // namespace

TPoint GetCursorPoint() {
    if (const auto& source = CursorPointSource())
        return source();
    const QPoint p = QCursor::pos();
    return TPoint{p.x(), p.y()};
}

void SetCursorPointSource(std::function<TPoint()> source) {
    CursorPointSource() = std::move(source);
}

TPoint TWindowCursorControl::ClientSize() const {
    return window_ ? TPoint{window_->width(), window_->height()} : TPoint{};
}

TPoint TWindowCursorControl::MapFromGlobal(TPoint global) const {
    if (!window_)
        return global;
    const QPoint p = window_->mapFromGlobal(QPoint(global.X, global.Y));
    return TPoint{p.x(), p.y()};
}

void TWindowCursorControl::SetBlankCursor() {
    if (window_)
        window_->setCursor(Qt::BlankCursor);
}

TDXCursor::TDXCursor(ICursorControl* control, std::unique_ptr<TGuiObj> panel, TPoint screenSize)
    : panel_(std::move(panel)), control_(control), screenWidth_(screenSize.X),
      screenHeight_(screenSize.Y) {
    if (panel_)
        device_ = panel_->Device;
    if (control_)
        control_->SetBlankCursor();
}

TDXCursor::~TDXCursor() {
    panel_.reset();
    device_.reset();
}

TPoint TDXCursor::MousePos() const {
    if (!control_)
        return TPoint{};
    const TPoint client = control_->MapFromGlobal(GetCursorPoint());
    const TPoint size = control_->ClientSize();
    return TPoint{ScaleAxis(client.X, screenWidth_, size.X),
                  ScaleAxis(client.Y, screenHeight_, size.Y)};
}

void TDXCursor::DrawCursor() {
    if (!panel_)
        return;
    const TPoint p = MousePos();
    panel_->SetPosition(p.X, p.Y);
    panel_->Draw();
}

} // namespace tv
