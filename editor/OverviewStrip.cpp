#include "editor/OverviewStrip.h"

#include "mapdata/Geometry.h"

#include <QMouseEvent>
#include <QPainter>

namespace tv {

TOverviewStrip::TOverviewStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OverviewStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("The whole level: click or drag to scroll there"));
}

void TOverviewStrip::Build() {
    if (!map_)
        return;
    picture_.Build(*map_, size(), groups_);
    ++builds_;
    update();
}

void TOverviewStrip::MapChanged(const TMap& map, const TGroupStates& groups) {
    map_ = &map;
    groups_ = &groups;
    Build();
}

void TOverviewStrip::ViewMoved(int32_t worldX) {
    if (worldX == worldX_)
        return;
    // Only the old and the new screen rectangle are painted again.
    const QRect before = picture_.ViewRect(worldX_).adjusted(-1, 0, 1, 0);
    worldX_ = worldX;
    update(before.united(picture_.ViewRect(worldX_).adjusted(-1, 0, 1, 0)));
}

void TOverviewStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Build();
}

void TOverviewStrip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, picture_.Image(), area);
    const QRect view = picture_.ViewRect(worldX_);
    painter.setPen(QColor(255, 255, 255));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(view.adjusted(0, 0, -1, -1));
}

void TOverviewStrip::ScrollToPointer(int x) {
    if (OnScroll)
        OnScroll(SaturateToInt32(picture_.WorldOfX(x) - TOverviewPicture::kScreenWidth / 2));
}

void TOverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ScrollToPointer(int(event->position().x()));
    event->accept();
}

void TOverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        ScrollToPointer(int(event->position().x()));
    event->accept();
}

} // namespace tv
