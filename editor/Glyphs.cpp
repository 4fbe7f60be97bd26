#include "editor/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tv {

namespace {

constexpr int kSize = 20;

void DrawPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(4, 2);
    page.lineTo(12, 2);
    page.lineTo(16, 6);
    page.lineTo(16, 18);
    page.lineTo(4, 18);
    page.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(12, 2), QPointF(12, 6), QPointF(16, 6)}));
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(QColor(240, 200, 60));
    p.drawRect(2, 6, 15, 11);
    p.drawRect(2, 4, 6, 2);
    p.setBrush(QColor(255, 225, 110));
    QPolygonF flap({QPointF(5, 9), QPointF(19, 9), QPointF(16, 17), QPointF(2, 17)});
    p.drawPolygon(flap);
}

void DrawDisk(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(40, 60, 150));
    p.drawRect(3, 3, 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(6, 3, 8, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(6, 11, 8, 6);
}

void DrawExit(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(150, 90, 40));
    p.drawRect(3, 2, 9, 16);
    p.setBrush(Qt::yellow);
    p.drawEllipse(QPointF(10, 10), 1, 1);
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(11, 10, 18, 10);
    p.drawLine(15, 7, 18, 10);
    p.drawLine(15, 13, 18, 10);
}

void DrawHelp(QPainter& p) {
    p.setPen(QPen(QColor(0, 60, 160), 1));
    p.setBrush(QColor(255, 255, 210));
    p.drawEllipse(2, 2, 16, 16);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(QColor(0, 60, 160));
    p.drawText(QRect(2, 2, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

// A hooked arrow pointing left (undo) or, mirrored, right (redo).
void DrawTurnArrow(QPainter& p, bool right) {
    if (right) {
        p.translate(kSize, 0);
        p.scale(-1, 1);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath hook;
    hook.moveTo(6, 8);
    hook.lineTo(12, 8);
    hook.cubicTo(18, 8, 18, 17, 12, 17);
    hook.lineTo(8, 17);
    p.setPen(QPen(QColor(0, 90, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 90, 40));
    p.drawPolygon(QPolygonF({QPointF(1, 8), QPointF(8, 3), QPointF(8, 13)}));
}

} // namespace

QIcon ToolGlyph(TGlyph glyph) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (glyph) {
    case TGlyph::New:
        DrawPage(p);
        break;
    case TGlyph::Open:
        DrawFolder(p);
        break;
    case TGlyph::Save:
        DrawDisk(p);
        break;
    case TGlyph::SaveAs:
        DrawDisk(p);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(12, 18, 19, 11);
        break;
    case TGlyph::Exit:
        DrawExit(p);
        break;
    case TGlyph::Help:
        DrawHelp(p);
        break;
    case TGlyph::Undo:
    case TGlyph::Redo:
        DrawTurnArrow(p, glyph == TGlyph::Redo);
        break;
    case TGlyph::Play:
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(0, 90, 0), 1));
        p.setBrush(QColor(40, 170, 40));
        p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(17, 10), QPointF(5, 17)}));
        break;
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace tv
