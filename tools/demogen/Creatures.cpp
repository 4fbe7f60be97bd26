// Enemies, bosses and heroes: four-frame strips. Enemies and bosses face left (they walk
// towards the player), heroes face right.

#include "Painters.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

namespace demogen {

namespace {

// Walk cycle: leg swing (-1..1) and body lift per frame.
constexpr double kSwing[4] = {1.0, 0.3, -1.0, -0.3};
constexpr double kLift[4] = {0.0, -1.5, 0.0, -1.5};

void Shadow(QPainter& p, QPointF centre, double rx, double ry) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(centre, rx, ry);
}

// --- Slimes -------------------------------------------------------------------------------

void PaintSlimeBody(QPainter& p, int frame, QColor body, QColor eyeWhite) {
    FacingLeft(p, 64);
    // Rest, squash, stretch, settle.
    static const double heights[4] = {20, 16, 24, 21};
    static const double widths[4] = {46, 52, 40, 44};
    const double h = heights[frame];
    const double w = widths[frame];
    const double cx = 32;
    const double base = 30;
    Shadow(p, {cx, base + 0.5}, w * 0.52, 2.2);

    QPainterPath blob;
    blob.moveTo(cx - w / 2, base);
    blob.cubicTo(cx - w / 2, base - h * 0.8, cx - w * 0.3, base - h, cx + 2, base - h);
    blob.cubicTo(cx + w * 0.32, base - h, cx + w / 2, base - h * 0.75, cx + w / 2, base);
    blob.quadTo(cx, base + 2.5, cx - w / 2, base);
    blob.closeSubpath();
    QRadialGradient fill(QPointF(cx - w * 0.12, base - h * 0.7), w * 0.65);
    fill.setColorAt(0.0, Shade(body, 1.45));
    fill.setColorAt(0.5, body);
    fill.setColorAt(1.0, Shade(body, 0.55));
    p.setBrush(fill);
    p.setPen(OutlinePen(Shade(body, 0.35), 1.3));
    p.drawPath(blob);

    // Drips along the base and a glossy highlight.
    p.setPen(Qt::NoPen);
    p.setBrush(Shade(body, 0.75));
    p.drawEllipse(QPointF(cx - w * 0.3, base - 0.5), 3, 1.6);
    p.drawEllipse(QPointF(cx + w * 0.22, base - 0.3), 2.5, 1.4);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(cx - w * 0.2, base - h * 0.72), w * 0.09, h * 0.12);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QPointF(cx - w * 0.1, base - h * 0.85), 1.5, 1.2);

    // Eyes look the way the slime crawls; the mouth opens as it squashes.
    const double eyeY = base - h * 0.5;
    for (double ex : {cx + 4.0, cx + 13.0}) {
        p.setBrush(eyeWhite);
        p.setPen(OutlinePen(Shade(body, 0.3), 0.8));
        p.drawEllipse(QPointF(ex, eyeY), 3.6, 4.2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 30));
        p.drawEllipse(QPointF(ex + 1.3, eyeY + 0.6), 1.7, 2.3);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(ex + 1.8, eyeY - 0.4), 0.6, 0.6);
    }
    p.setPen(OutlinePen(Shade(body, 0.3), 1.0));
    p.setBrush(QColor(60, 20, 30));
    const double mouth = frame == 1 ? 2.2 : 1.0;
    p.drawEllipse(QPointF(cx + 9, eyeY + 6), 3.0, mouth);
}

} // namespace

void PaintSlime(QPainter& p, int frame) {
    PaintSlimeBody(p, frame, QColor(70, 200, 80), QColor(245, 255, 240));
}

void PaintMagmaSlime(QPainter& p, int frame) {
    PaintSlimeBody(p, frame, QColor(230, 90, 30), QColor(255, 240, 150));
    // Embers rising from the magma, a different spot in every frame.
    p.setPen(Qt::NoPen);
    static const double emberX[4] = {20, 38, 28, 44};
    for (int i = 0; i < 2; ++i) {
        const double x = emberX[(frame + i * 2) % 4];
        const double y = 8 - i * 3 + frame;
        QRadialGradient ember(QPointF(x, y), 2.5);
        ember.setColorAt(0, QColor(255, 240, 120, 255));
        ember.setColorAt(1, QColor(255, 120, 0, 0));
        p.setBrush(ember);
        p.drawEllipse(QPointF(x, y), 2.5, 2.5);
    }
}

// --- Bat and spider -----------------------------------------------------------------------

void PaintBat(QPainter& p, int frame) {
    FacingLeft(p, 64);
    static const double tipY[4] = {2, 13, 26, 17};
    static const double lift[4] = {2, 0, -1, 1};
    const double cy = 15 + lift[frame];
    const QColor wing(70, 45, 95);
    const QColor body(50, 32, 70);

    for (int side : {-1, 1}) {
        const double sx = 32 + side * 4;
        const double tipX = 32 + side * 30;
        const double ty = tipY[frame] + lift[frame];
        QPainterPath path;
        path.moveTo(sx, cy - 3);
        path.quadTo(32 + side * 16, std::min(cy, ty) - 6, tipX, ty);
        // Scalloped trailing edge between the finger bones.
        const double bottom = cy + 4;
        const double x1 = 32 + side * 22;
        const double x2 = 32 + side * 13;
        const double y1 = (ty + bottom) / 2 + 3;
        path.quadTo(32 + side * 25, y1 - 2, x1, y1);
        path.quadTo(32 + side * 18, y1 - 2.5, x2, (y1 + bottom) / 2 + 2);
        path.quadTo(32 + side * 9, bottom - 2, sx, bottom);
        path.closeSubpath();
        QLinearGradient g(QPointF(32, cy - 10), QPointF(32, cy + 10));
        g.setColorAt(0, Shade(wing, 1.25));
        g.setColorAt(1, Shade(wing, 0.7));
        p.setBrush(g);
        p.setPen(OutlinePen(QColor(25, 12, 35), 1.1));
        p.drawPath(path);
        // Finger bones.
        p.setPen(OutlinePen(Shade(wing, 0.55), 0.8));
        p.drawLine(QPointF(sx, cy - 2), QPointF(x1, y1));
        p.drawLine(QPointF(sx, cy - 2), QPointF(x2, (y1 + bottom) / 2 + 2));
    }
    // Body with ears, red eyes and fangs.
    p.setPen(OutlinePen(QColor(25, 12, 35), 1.1));
    QRadialGradient fur(QPointF(31, cy - 2), 8);
    fur.setColorAt(0, Shade(body, 1.5));
    fur.setColorAt(1, body);
    p.setBrush(fur);
    QPolygonF ears;
    ears << QPointF(28, cy - 4) << QPointF(27, cy - 11) << QPointF(31, cy - 6)
         << QPointF(33, cy - 6) << QPointF(37, cy - 11) << QPointF(36, cy - 4);
    p.drawPolygon(ears);
    p.drawEllipse(QPointF(32, cy + 1), 6, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 60, 40));
    p.drawEllipse(QPointF(34.5, cy - 1.5), 1.5, 1.5);
    p.drawEllipse(QPointF(29.5, cy - 1.5), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF() << QPointF(30.5, cy + 3) << QPointF(31.2, cy + 5.5)
                              << QPointF(31.8, cy + 3));
    p.drawPolygon(QPolygonF() << QPointF(32.8, cy + 3) << QPointF(33.5, cy + 5.5)
                              << QPointF(34.2, cy + 3));
}

void PaintSpider(QPainter& p, int frame) {
    FacingLeft(p, 64);
    static const double bobs[4] = {0, -1, 0, -0.5};
    static const double steps[4] = {1, 0, -1, 0};
    const double bob = bobs[frame];
    Shadow(p, {32, 30.5}, 24, 1.8);
    // Eight legs, alternating pairs stepping.
    p.setPen(OutlinePen(QColor(30, 25, 30), 2.0));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const double phase = steps[(i + frame) % 4];
        for (int side : {-1, 1}) {
            const double hipX = 30 + i * 3.0;
            const double kneeX = 32 + side * (10 + i * 3.5) + phase * 1.5;
            const double footX = 32 + side * (16 + i * 4.0) + phase * 2.5;
            QPainterPath leg;
            leg.moveTo(hipX, 20 + bob);
            leg.quadTo(kneeX, 6 + bob - phase, footX, 30 - 1.5 * std::max(0.0, phase));
            p.drawPath(leg);
        }
    }
    // Abdomen with markings, head with many eyes.
    p.setPen(OutlinePen(QColor(15, 10, 15), 1.0));
    QRadialGradient abdomen(QPointF(22, 14 + bob), 14);
    abdomen.setColorAt(0, QColor(90, 70, 90));
    abdomen.setColorAt(1, QColor(35, 25, 40));
    p.setBrush(abdomen);
    p.drawEllipse(QPointF(24, 18 + bob), 12, 9);
    p.setBrush(QColor(200, 40, 40));
    p.drawPolygon(QPolygonF() << QPointF(24, 13 + bob) << QPointF(27, 18 + bob)
                              << QPointF(24, 23 + bob) << QPointF(21, 18 + bob));
    QRadialGradient head(QPointF(40, 18 + bob), 8);
    head.setColorAt(0, QColor(80, 60, 80));
    head.setColorAt(1, QColor(30, 20, 35));
    p.setBrush(head);
    p.drawEllipse(QPointF(40, 20 + bob), 7, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 60));
    for (const QPointF& eye : {QPointF(44, 18), QPointF(42, 16.5), QPointF(45.5, 20.5)}) {
        p.drawEllipse(eye + QPointF(0, bob), 1.1, 1.1);
    }
    p.setPen(OutlinePen(QColor(220, 220, 210), 1.0));
    p.drawLine(QPointF(45, 23 + bob), QPointF(47, 26 + bob));
}

// --- Walking figures ----------------------------------------------------------------------

namespace {

enum class Head { Goblin, Skull, Helmet, Hood };
enum class Weapon { Club, Sword, RustySword, Bow };

struct Figure {
    Head head;
    Weapon weapon;
    QColor skin;
    QColor tunic;
    QColor legs;
    QColor boots;
    bool bones = false;
    bool shield = false;
};

void Limb(QPainter& p, QPointF from, QPointF joint, QPointF to, const QColor& colour,
          double width) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(joint);
    path.lineTo(to);
    p.setBrush(Qt::NoBrush);
    p.setPen(OutlinePen(Shade(colour, 0.4), width + 1.6));
    p.drawPath(path);
    p.setPen(OutlinePen(colour, width));
    p.drawPath(path);
}

void Leg(QPainter& p, const Figure& f, QPointF hip, double swing, bool back) {
    const QPointF foot(hip.x() + 8 * swing, 60);
    const QPointF knee((hip.x() + foot.x()) / 2 + 2.5, (hip.y() + foot.y()) / 2);
    const QColor legColour = back ? Shade(f.legs, 0.75) : f.legs;
    Limb(p, hip, knee, foot, legColour, f.bones ? 2.4 : 5.0);
    // Boot or bony foot, pointing forwards.
    p.setPen(OutlinePen(Shade(f.boots, 0.4), 1.0));
    p.setBrush(back ? Shade(f.boots, 0.75) : f.boots);
    p.drawRoundedRect(QRectF(foot.x() - 3, foot.y() - 2.5, f.bones ? 6 : 8, 4), 1.5, 1.5);
}

void Arm(QPainter& p, const Figure& f, QPointF shoulder, double swing, bool back) {
    const QPointF hand(shoulder.x() + 6 * swing + 2, shoulder.y() + 14);
    const QPointF elbow((shoulder.x() + hand.x()) / 2 - 1.5, (shoulder.y() + hand.y()) / 2);
    const QColor sleeve = f.bones ? f.skin : f.tunic;
    Limb(p, shoulder, elbow, hand, back ? Shade(sleeve, 0.75) : sleeve, f.bones ? 2.2 : 4.2);
    p.setPen(OutlinePen(Shade(f.skin, 0.4), 0.8));
    p.setBrush(back ? Shade(f.skin, 0.8) : f.skin);
    p.drawEllipse(hand, 2.2, 2.2);
}

QPointF HandOf(QPointF shoulder, double swing) {
    return QPointF(shoulder.x() + 6 * swing + 2, shoulder.y() + 14);
}

void DrawWeapon(QPainter& p, const Figure& f, QPointF hand) {
    switch (f.weapon) {
    case Weapon::Club: {
        p.save();
        p.translate(hand);
        p.rotate(-60);
        QLinearGradient wood(QPointF(-3, 0), QPointF(3, 0));
        wood.setColorAt(0, QColor(200, 150, 90));
        wood.setColorAt(1, QColor(120, 80, 40));
        p.setBrush(wood);
        p.setPen(OutlinePen(QColor(50, 30, 15), 1.0));
        QPainterPath club;
        club.moveTo(-1.5, 3);
        club.lineTo(-3.5, -16);
        club.quadTo(0, -21, 3.5, -16);
        club.lineTo(1.5, 3);
        club.closeSubpath();
        p.drawPath(club);
        p.setBrush(QColor(200, 200, 190));
        for (double y : {-15.0, -11.0}) {
            p.drawEllipse(QPointF(3.8, y), 1.0, 1.0);
        }
        p.restore();
        break;
    }
    case Weapon::Sword:
    case Weapon::RustySword: {
        const bool rusty = f.weapon == Weapon::RustySword;
        p.save();
        p.translate(hand);
        p.rotate(-55);
        QLinearGradient steel(QPointF(0, -1.5), QPointF(0, 1.5));
        steel.setColorAt(0, rusty ? QColor(190, 140, 100) : QColor(250, 250, 255));
        steel.setColorAt(1, rusty ? QColor(120, 80, 50) : QColor(150, 160, 180));
        p.setBrush(steel);
        p.setPen(OutlinePen(QColor(40, 40, 50), 0.8));
        p.drawPolygon(QPolygonF() << QPointF(2, -1.4) << QPointF(19, -1.2) << QPointF(22, 0)
                                  << QPointF(19, 1.2) << QPointF(2, 1.4));
        p.setBrush(QColor(200, 160, 40));
        p.drawRect(QRectF(1, -3.5, 1.8, 7));
        p.setBrush(QColor(90, 55, 30));
        p.drawRect(QRectF(-3, -1, 4, 2));
        p.restore();
        break;
    }
    case Weapon::Bow: {
        p.save();
        p.translate(hand + QPointF(1, -3));
        p.setBrush(Qt::NoBrush);
        p.setPen(OutlinePen(QColor(60, 35, 15), 2.6));
        QPainterPath bow;
        bow.moveTo(-2, -15);
        bow.quadTo(9, 0, -2, 15);
        p.drawPath(bow);
        p.setPen(OutlinePen(QColor(140, 95, 50), 1.4));
        p.drawPath(bow);
        p.setPen(OutlinePen(QColor(235, 235, 220), 0.6));
        p.drawLine(QPointF(-2, -15), QPointF(-2, 15));
        p.restore();
        break;
    }
    }
}

void DrawHead(QPainter& p, const Figure& f, QPointF c) {
    switch (f.head) {
    case Head::Goblin: {
        p.setPen(OutlinePen(Shade(f.skin, 0.4), 1.0));
        p.setBrush(f.skin);
        // A long ear sweeping backwards.
        p.drawPolygon(QPolygonF() << QPointF(c.x() - 5, c.y() - 2) << QPointF(c.x() - 15, c.y() - 7)
                                  << QPointF(c.x() - 5, c.y() + 3));
        QRadialGradient skin(c + QPointF(2, -3), 10);
        skin.setColorAt(0, Shade(f.skin, 1.3));
        skin.setColorAt(1, f.skin);
        p.setBrush(skin);
        p.drawEllipse(c, 8.5, 8);
        // Nose, eye, grin with a tooth.
        p.setBrush(Shade(f.skin, 0.85));
        p.drawPolygon(QPolygonF() << QPointF(c.x() + 6, c.y() - 1) << QPointF(c.x() + 12, c.y() + 2)
                                  << QPointF(c.x() + 6, c.y() + 3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 230, 60));
        p.drawEllipse(c + QPointF(3.5, -2.5), 2.4, 2.0);
        p.setBrush(QColor(20, 10, 0));
        p.drawEllipse(c + QPointF(4.3, -2.5), 1.0, 1.2);
        p.setPen(OutlinePen(QColor(50, 20, 10), 1.0));
        p.drawLine(c + QPointF(2, 5), c + QPointF(7, 4.5));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF() << c + QPointF(5, 4.6) << c + QPointF(5.8, 6.8)
                                  << c + QPointF(6.6, 4.6));
        break;
    }
    case Head::Skull: {
        p.setPen(OutlinePen(QColor(90, 85, 70), 1.0));
        QRadialGradient bone(c + QPointF(1, -3), 10);
        bone.setColorAt(0, QColor(255, 252, 240));
        bone.setColorAt(1, f.skin);
        p.setBrush(bone);
        QPainterPath skull;
        skull.addEllipse(c + QPointF(0, -1), 8, 7.5);
        skull.addRoundedRect(QRectF(c.x() - 1, c.y() + 2, 9, 6), 2, 2);
        p.drawPath(skull.simplified());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 20, 25));
        p.drawEllipse(c + QPointF(3.8, -1.5), 2.4, 2.6);
        p.drawPolygon(QPolygonF() << c + QPointF(7, 1.5) << c + QPointF(8, 3.5)
                                  << c + QPointF(6.2, 3.5));
        p.setBrush(QColor(255, 60, 40));
        p.drawEllipse(c + QPointF(4.2, -1.3), 0.9, 0.9);
        p.setPen(OutlinePen(QColor(60, 55, 45), 0.6));
        for (double x = 0.5; x < 8; x += 1.8) {
            p.drawLine(c + QPointF(x, 5), c + QPointF(x, 8));
        }
        break;
    }
    case Head::Helmet: {
        // Red plume, then the helmet with its visor slit.
        p.setPen(OutlinePen(QColor(90, 10, 10), 0.8));
        p.setBrush(QColor(210, 30, 30));
        QPainterPath plume;
        plume.moveTo(c + QPointF(0, -8));
        plume.cubicTo(c + QPointF(-4, -16), c + QPointF(-12, -12), c + QPointF(-13, -4));
        plume.cubicTo(c + QPointF(-9, -8), c + QPointF(-4, -9), c + QPointF(1, -6));
        p.drawPath(plume);
        QLinearGradient steel(c + QPointF(-8, -8), c + QPointF(8, 8));
        steel.setColorAt(0, QColor(245, 248, 255));
        steel.setColorAt(0.5, QColor(170, 180, 200));
        steel.setColorAt(1, QColor(100, 110, 130));
        p.setBrush(steel);
        p.setPen(OutlinePen(QColor(50, 55, 70), 1.0));
        QPainterPath helmet;
        helmet.moveTo(c + QPointF(-8, 7));
        helmet.lineTo(c + QPointF(-8, -3));
        helmet.quadTo(c + QPointF(-7, -9), c + QPointF(0, -9));
        helmet.quadTo(c + QPointF(8, -9), c + QPointF(9, -2));
        helmet.lineTo(c + QPointF(9, 7));
        helmet.closeSubpath();
        p.drawPath(helmet);
        p.setPen(OutlinePen(QColor(20, 20, 30), 1.6));
        p.drawLine(c + QPointF(2, -1), c + QPointF(9, -1));
        p.setPen(OutlinePen(QColor(60, 60, 80), 0.7));
        for (double x : {4.0, 6.5}) {
            p.drawLine(c + QPointF(x, 2), c + QPointF(x, 5));
        }
        break;
    }
    case Head::Hood: {
        p.setPen(OutlinePen(Shade(f.tunic, 0.4), 1.0));
        p.setBrush(Shade(f.tunic, 0.9));
        QPainterPath hood;
        hood.moveTo(c + QPointF(7, 8));
        hood.lineTo(c + QPointF(-8, 8));
        hood.quadTo(c + QPointF(-13, -2), c + QPointF(-10, -10));
        hood.quadTo(c + QPointF(1, -12), c + QPointF(8, -4));
        hood.closeSubpath();
        p.drawPath(hood);
        p.setBrush(f.skin);
        p.setPen(OutlinePen(Shade(f.skin, 0.5), 0.8));
        p.drawEllipse(c + QPointF(3.5, 0.5), 5, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 60, 30));
        p.drawEllipse(c + QPointF(5.5, -0.5), 1.0, 1.2);
        p.setBrush(QColor(110, 70, 30));
        p.drawRect(QRectF(c.x() - 1, c.y() + 5, 10, 2)); // scarf
        break;
    }
    }
}

void PaintFigure(QPainter& p, int frame, const Figure& f, bool faceLeft) {
    if (faceLeft) {
        FacingLeft(p, 48);
    }
    const double swing = kSwing[frame];
    const double lift = kLift[frame];
    Shadow(p, {24, 61.5}, 11, 2);

    const QPointF hip(23, 39 + lift);
    const QPointF backShoulder(21, 25 + lift);
    const QPointF frontShoulder(26, 25 + lift);

    // Back arm (with the shield), back leg, body, front leg, head, front arm with weapon.
    Arm(p, f, backShoulder, swing, true);
    if (f.shield) {
        const QPointF hand = HandOf(backShoulder, swing);
        p.setPen(OutlinePen(QColor(40, 40, 60), 1.0));
        QLinearGradient g(hand + QPointF(-6, -8), hand + QPointF(6, 8));
        g.setColorAt(0, QColor(70, 110, 220));
        g.setColorAt(1, QColor(30, 50, 130));
        p.setBrush(g);
        QPainterPath shield;
        shield.moveTo(hand + QPointF(-6, -8));
        shield.lineTo(hand + QPointF(6, -8));
        shield.lineTo(hand + QPointF(6, 1));
        shield.quadTo(hand + QPointF(5, 8), hand + QPointF(0, 11));
        shield.quadTo(hand + QPointF(-5, 8), hand + QPointF(-6, 1));
        shield.closeSubpath();
        p.drawPath(shield);
        p.setPen(OutlinePen(QColor(250, 210, 60), 1.6));
        p.drawLine(hand + QPointF(0, -6), hand + QPointF(0, 7));
        p.drawLine(hand + QPointF(-4, -2), hand + QPointF(4, -2));
    }
    if (f.weapon == Weapon::Bow) { // quiver on the back
        p.setPen(OutlinePen(QColor(50, 30, 15), 0.8));
        p.setBrush(QColor(120, 75, 35));
        p.save();
        p.translate(17, 27 + lift);
        p.rotate(-25);
        p.drawRoundedRect(QRectF(-2.5, -4, 5, 14), 1.5, 1.5);
        p.setPen(OutlinePen(QColor(230, 230, 230), 0.8));
        for (double x : {-1.2, 1.2}) {
            p.drawLine(QPointF(x, -4), QPointF(x, -8));
        }
        p.restore();
    }
    Leg(p, f, hip + QPointF(-1.5, 0), -swing, true);

    if (f.bones) {
        // Spine, ribs and pelvis.
        p.setPen(OutlinePen(QColor(90, 85, 70), 3.0));
        p.drawLine(QPointF(23, 24 + lift), QPointF(23, 40 + lift));
        p.setPen(OutlinePen(f.skin, 1.8));
        p.drawLine(QPointF(23, 24 + lift), QPointF(23, 40 + lift));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 4; ++i) {
            const double y = 26 + i * 3.2 + lift;
            const double w = 7 - i * 0.8;
            p.setPen(OutlinePen(QColor(90, 85, 70), 2.6));
            p.drawArc(QRectF(23 - w, y - 1.5, 2 * w, 4), 0, 180 * 16);
            p.setPen(OutlinePen(f.skin, 1.4));
            p.drawArc(QRectF(23 - w, y - 1.5, 2 * w, 4), 0, 180 * 16);
        }
        p.setPen(OutlinePen(QColor(90, 85, 70), 1.0));
        p.setBrush(f.skin);
        p.drawRoundedRect(QRectF(18, 37 + lift, 10, 4.5), 2, 2);
    } else {
        QLinearGradient cloth(QPointF(16, 0), QPointF(31, 0));
        cloth.setColorAt(0, Shade(f.tunic, 0.7));
        cloth.setColorAt(0.6, f.tunic);
        cloth.setColorAt(1, Shade(f.tunic, 1.2));
        p.setBrush(cloth);
        p.setPen(OutlinePen(Shade(f.tunic, 0.35), 1.0));
        QPainterPath body;
        body.moveTo(17, 24 + lift);
        body.lineTo(30, 24 + lift);
        body.lineTo(31.5, 43 + lift);
        body.lineTo(15.5, 43 + lift);
        body.closeSubpath();
        p.drawPath(body);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 45, 25));
        p.drawRect(QRectF(16.2, 36 + lift, 15, 2.6)); // belt
        p.setBrush(QColor(220, 190, 80));
        p.drawRect(QRectF(25, 36 + lift, 2.6, 2.6));
        if (f.shield) { // tabard emblem
            p.setPen(OutlinePen(QColor(250, 210, 60), 1.4));
            p.drawLine(QPointF(24, 27 + lift), QPointF(24, 34 + lift));
            p.drawLine(QPointF(21, 30 + lift), QPointF(27, 30 + lift));
        }
    }
    Leg(p, f, hip + QPointF(1.5, 0), swing, false);
    DrawHead(p, f, QPointF(25, 13 + lift));
    const QPointF hand = HandOf(frontShoulder, -swing);
    DrawWeapon(p, f, hand);
    Arm(p, f, frontShoulder, -swing, false);
}

} // namespace

void PaintGoblin(QPainter& p, int frame) {
    PaintFigure(p, frame,
                {Head::Goblin, Weapon::Club, QColor(120, 175, 60), QColor(150, 60, 55),
                 QColor(95, 80, 60), QColor(60, 40, 25)},
                true);
}

void PaintSkeleton(QPainter& p, int frame) {
    Figure f{Head::Skull,           Weapon::RustySword,    QColor(225, 220, 195),
             QColor(225, 220, 195), QColor(225, 220, 195), QColor(200, 195, 170)};
    f.bones = true;
    PaintFigure(p, frame, f, true);
}

void PaintKnight(QPainter& p, int frame) {
    Figure f{Head::Helmet,        Weapon::Sword,         QColor(235, 190, 150),
             QColor(40, 80, 190), QColor(165, 170, 185), QColor(90, 95, 110)};
    f.shield = true;
    PaintFigure(p, frame, f, false);
}

void PaintRanger(QPainter& p, int frame) {
    PaintFigure(p, frame,
                {Head::Hood, Weapon::Bow, QColor(235, 190, 150), QColor(50, 120, 55),
                 QColor(110, 80, 45), QColor(80, 50, 25)},
                false);
}

// --- Bosses -------------------------------------------------------------------------------

void PaintOgreKing(QPainter& p, int frame) {
    FacingLeft(p, 64);
    p.translate(-4, 0); // room in front for the raised club
    static const double clubAngle[4] = {-10, 4, 16, 4};
    const double lift = kLift[frame] * 1.5;
    const double swing = kSwing[frame];
    const QColor skin(140, 150, 110);
    const QColor cloth(110, 40, 60);
    Shadow(p, {32, 125}, 26, 3);

    // Legs.
    for (int side : {-1, 1}) {
        const bool back = side < 0;
        const QPointF hip(32 + side * 8, 90 + lift);
        const QPointF foot(32 + side * 10 + (back ? -4 : 4) * swing, 120);
        Limb(p, hip, QPointF((hip.x() + foot.x()) / 2 + 2, 106 + lift / 2), foot,
             back ? Shade(skin, 0.75) : skin, 11);
        p.setPen(OutlinePen(QColor(40, 25, 15), 1.2));
        p.setBrush(back ? QColor(70, 45, 25) : QColor(95, 60, 30));
        p.drawRoundedRect(QRectF(foot.x() - 7, foot.y() - 2, 16, 7), 3, 3);
    }
    // Back arm.
    Limb(p, QPointF(20, 52 + lift), QPointF(14, 68 + lift), QPointF(16, 82 + lift + 3 * swing),
         Shade(skin, 0.75), 9);
    // Belly and loincloth.
    QRadialGradient belly(QPointF(36, 62 + lift), 28);
    belly.setColorAt(0, Shade(skin, 1.35));
    belly.setColorAt(0.7, skin);
    belly.setColorAt(1, Shade(skin, 0.6));
    p.setBrush(belly);
    p.setPen(OutlinePen(Shade(skin, 0.35), 1.4));
    p.drawEllipse(QPointF(32, 68 + lift), 23, 27);
    p.setBrush(cloth);
    p.setPen(OutlinePen(Shade(cloth, 0.4), 1.2));
    QPainterPath loin;
    loin.moveTo(11, 80 + lift);
    loin.quadTo(32, 86 + lift, 53, 80 + lift);
    loin.lineTo(50, 98 + lift);
    loin.lineTo(40, 94 + lift);
    loin.lineTo(32, 102 + lift);
    loin.lineTo(24, 94 + lift);
    loin.lineTo(14, 98 + lift);
    loin.closeSubpath();
    p.drawPath(loin);
    p.setBrush(QColor(230, 190, 60));
    p.drawEllipse(QPointF(32, 84 + lift), 4, 3.5); // buckle
    // A spiked club held up behind the head, swaying as he stomps.
    const QPointF shoulder(42, 52 + lift);
    const QPointF hand(50, 60 + lift);
    p.save();
    p.translate(hand);
    p.rotate(clubAngle[frame]);
    QLinearGradient wood(QPointF(-4, 0), QPointF(4, 0));
    wood.setColorAt(0, QColor(130, 85, 40));
    wood.setColorAt(1, QColor(80, 50, 20));
    p.setBrush(wood);
    p.setPen(OutlinePen(QColor(50, 30, 10), 1.2));
    QPainterPath club;
    club.moveTo(-2.5, 4);
    club.lineTo(-5.5, -34);
    club.quadTo(0, -42, 5.5, -34);
    club.lineTo(2.5, 4);
    club.closeSubpath();
    p.drawPath(club);
    p.setBrush(QColor(210, 210, 200));
    for (const QPointF& spike : {QPointF(-5.5, -30), QPointF(5.5, -26), QPointF(-4.5, -20),
                                 QPointF(5, -34), QPointF(0, -40)}) {
        p.drawEllipse(spike, 1.6, 1.6);
    }
    p.restore();
    // Head: small for the body, tusks, heavy brow, a crown.
    const QPointF head(38, 36 + lift);
    QRadialGradient face(head + QPointF(2, -3), 12);
    face.setColorAt(0, Shade(skin, 1.3));
    face.setColorAt(1, skin);
    p.setBrush(face);
    p.setPen(OutlinePen(Shade(skin, 0.35), 1.2));
    p.drawEllipse(head, 11, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 80));
    p.drawEllipse(head + QPointF(5, -2), 2.4, 2);
    p.setBrush(QColor(20, 10, 0));
    p.drawEllipse(head + QPointF(5.8, -2), 1.1, 1.3);
    p.setPen(OutlinePen(Shade(skin, 0.3), 2));
    p.drawLine(head + QPointF(1, -5), head + QPointF(9, -4));
    p.setPen(OutlinePen(QColor(80, 70, 50), 0.8));
    p.setBrush(QColor(250, 245, 225));
    p.drawPolygon(QPolygonF() << head + QPointF(5, 6) << head + QPointF(6.5, 0.5)
                              << head + QPointF(8, 6));
    QLinearGradient gold(head + QPointF(0, -18), head + QPointF(0, -8));
    gold.setColorAt(0, QColor(255, 240, 130));
    gold.setColorAt(1, QColor(200, 140, 20));
    p.setBrush(gold);
    p.setPen(OutlinePen(QColor(120, 70, 0), 1.0));
    p.drawPolygon(QPolygonF() << head + QPointF(-8, -8) << head + QPointF(-9, -19)
                              << head + QPointF(-4, -13) << head + QPointF(0, -21)
                              << head + QPointF(4, -13) << head + QPointF(9, -19)
                              << head + QPointF(8, -8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 60));
    p.drawEllipse(head + QPointF(0, -11), 1.8, 1.8);
    // The arm holding it.
    Limb(p, shoulder, QPointF(50, 52 + lift), hand, skin, 9);
    p.setPen(OutlinePen(Shade(skin, 0.35), 1.0));
    p.setBrush(skin);
    p.drawEllipse(hand, 5, 5);
}

void PaintLich(QPainter& p, int frame) {
    FacingLeft(p, 64);
    static const double hover[4] = {0, -3, -5, -2};
    const double h = hover[frame];
    const QColor robe(70, 30, 110);
    // A faint shadow far below: it floats.
    Shadow(p, {30, 124}, 16 - h, 2.5);

    // Robe with a ragged, fluttering hem.
    QPainterPath cloak;
    cloak.moveTo(22, 40 + h);
    cloak.lineTo(38, 40 + h);
    cloak.lineTo(48, 108 + h);
    for (int i = 0; i <= 6; ++i) {
        const double x = 48 - i * 6;
        const double y = 108 + h + ((i + frame) % 2 == 0 ? 6 : 0);
        cloak.lineTo(x, y);
    }
    cloak.lineTo(12, 108 + h);
    cloak.closeSubpath();
    QLinearGradient cloth(QPointF(12, 0), QPointF(48, 0));
    cloth.setColorAt(0, Shade(robe, 0.55));
    cloth.setColorAt(0.6, robe);
    cloth.setColorAt(1, Shade(robe, 1.3));
    p.setBrush(cloth);
    p.setPen(OutlinePen(QColor(25, 10, 40), 1.2));
    p.drawPath(cloak);
    p.setPen(OutlinePen(QColor(210, 170, 60), 1.6));
    p.drawLine(QPointF(30, 44 + h), QPointF(31, 104 + h));
    // Hood and skull.
    const QPointF head(31, 28 + h);
    p.setPen(OutlinePen(QColor(25, 10, 40), 1.2));
    p.setBrush(Shade(robe, 0.8));
    p.drawEllipse(head + QPointF(-2, 0), 12, 14);
    p.setBrush(QColor(15, 5, 20));
    p.drawEllipse(head + QPointF(1.5, 1), 8, 10);
    p.setBrush(QColor(230, 225, 200));
    p.setPen(OutlinePen(QColor(90, 85, 70), 0.8));
    p.drawEllipse(head + QPointF(3, 1), 6, 7);
    const int glow = 160 + 30 * frame % 95;
    QRadialGradient eyes(head + QPointF(5, 0), 4);
    eyes.setColorAt(0, QColor(180, 255, 120));
    eyes.setColorAt(1, QColor(60, 255, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 10, 10));
    p.drawEllipse(head + QPointF(2.5, 0), 1.8, 2);
    p.drawEllipse(head + QPointF(6.5, 0), 1.8, 2);
    p.setBrush(QColor(120, 255, 90, glow));
    p.drawEllipse(head + QPointF(2.5, 0), 1, 1);
    p.drawEllipse(head + QPointF(6.5, 0), 1, 1);
    // Bony hand holding the staff; the orb pulses.
    const double orbRadius = 5.5 + (frame % 2 == 0 ? 0 : 1.2) + (frame == 2 ? 0.8 : 0);
    p.setPen(OutlinePen(QColor(40, 25, 10), 1.0));
    p.setBrush(QColor(100, 70, 40));
    p.drawRect(QRectF(46, 18 + h, 3, 96));
    QRadialGradient halo(QPointF(47.5, 14 + h), orbRadius * 2.2);
    halo.setColorAt(0, QColor(200, 255, 160, 230));
    halo.setColorAt(0.45, QColor(80, 230, 80, 140));
    halo.setColorAt(1, QColor(40, 200, 40, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(QPointF(47.5, 14 + h), orbRadius * 2.2, orbRadius * 2.2);
    QRadialGradient orb(QPointF(46, 12 + h), orbRadius);
    orb.setColorAt(0, QColor(240, 255, 230));
    orb.setColorAt(1, QColor(60, 200, 70));
    p.setBrush(orb);
    p.setPen(OutlinePen(QColor(20, 90, 30), 0.8));
    p.drawEllipse(QPointF(47.5, 14 + h), orbRadius, orbRadius);
    p.setPen(OutlinePen(QColor(90, 85, 70), 0.8));
    p.setBrush(QColor(230, 225, 200));
    p.drawEllipse(QPointF(47.5, 56 + h), 3.5, 3);
    Limb(p, QPointF(36, 46 + h), QPointF(42, 54 + h), QPointF(46, 56 + h), robe, 5);
}

void PaintDragon(QPainter& p, int frame) {
    FacingLeft(p, 128);
    p.translate(-12, 0); // leave room in front of the jaws for the fire
    static const QPointF elbows[4] = {QPointF(56, 20), QPointF(46, 32), QPointF(50, 50),
                                      QPointF(46, 32)};
    static const QPointF tips[4] = {QPointF(34, 0), QPointF(18, 26), QPointF(28, 74),
                                    QPointF(18, 26)};
    static const double bodyLift[4] = {-2, 0, 2, 0};
    const double b = bodyLift[frame];
    const QColor scales(190, 40, 35);
    const QColor belly(240, 190, 90);
    const QPen outline = OutlinePen(QColor(60, 10, 10), 1.3);
    Shadow(p, {64, 93}, 36, 2.5);

    auto wing = [&](bool back) {
        const QPointF shift = back ? QPointF(14, -3) : QPointF(0, 0);
        const QPointF root = QPointF(62, 48 + b) + shift;
        const QPointF elbow = elbows[frame] + QPointF(0, b) + shift;
        const QPointF tip = tips[frame] + QPointF(0, b) + shift;
        const QPointF attach = QPointF(44, 56 + b) + shift;
        // Finger ends spread between the tip and where the membrane meets the body.
        const QPointF f1 =
            tip + (attach - tip) * 0.34 + (tip + (attach - tip) * 0.34 - elbow) * 0.25;
        const QPointF f2 =
            tip + (attach - tip) * 0.68 + (tip + (attach - tip) * 0.68 - elbow) * 0.2;
        auto scallop = [&](QPointF a, QPointF c) {
            return (a + c) / 2 + (elbow - (a + c) / 2) * 0.3;
        };
        QPainterPath path;
        path.moveTo(root);
        path.lineTo(elbow);
        path.lineTo(tip);
        path.quadTo(scallop(tip, f1), f1);
        path.quadTo(scallop(f1, f2), f2);
        path.quadTo(scallop(f2, attach), attach);
        path.closeSubpath();
        QLinearGradient membrane(root, tip);
        membrane.setColorAt(0, back ? QColor(110, 25, 30) : QColor(170, 50, 40));
        membrane.setColorAt(1, back ? QColor(80, 20, 25) : QColor(235, 120, 70));
        p.setBrush(membrane);
        p.setPen(outline);
        p.drawPath(path);
        p.setPen(OutlinePen(back ? QColor(70, 15, 15) : QColor(110, 25, 20), 1.8));
        p.drawLine(root, elbow);
        p.drawLine(elbow, tip);
        p.setPen(OutlinePen(back ? QColor(70, 15, 15) : QColor(110, 25, 20), 1.1));
        p.drawLine(elbow, f1);
        p.drawLine(elbow, f2);
    };

    wing(true);
    // Tail curling behind.
    QPainterPath tail;
    tail.moveTo(36, 54 + b);
    tail.cubicTo(24, 58 + b, 24, 82, 16, 76);
    tail.cubicTo(24, 86, 32, 70 + b, 40, 66 + b);
    tail.closeSubpath();
    p.setBrush(Shade(scales, 0.85));
    p.setPen(outline);
    p.drawPath(tail);
    p.setBrush(Shade(scales, 0.6));
    p.drawPolygon(QPolygonF() << QPointF(16, 76) << QPointF(12, 67) << QPointF(13, 80)
                              << QPointF(20, 82));
    // Back legs.
    for (int i = 0; i < 2; ++i) {
        const double x = i == 0 ? 44 : 70;
        const double step = (frame % 2 == 0 ? 2 : -2) * (i == 0 ? 1 : -1);
        p.setBrush(i == 0 ? Shade(scales, 0.75) : scales);
        QPainterPath leg;
        leg.moveTo(x - 6, 62 + b);
        leg.lineTo(x + 6, 62 + b);
        leg.lineTo(x + 4 + step, 88);
        leg.lineTo(x - 4 + step, 88);
        leg.closeSubpath();
        p.drawPath(leg);
        p.setBrush(QColor(240, 230, 210));
        for (int c = 0; c < 3; ++c) {
            const double cx = x - 4 + step + c * 4;
            p.drawPolygon(QPolygonF()
                          << QPointF(cx, 88) << QPointF(cx + 3, 91) << QPointF(cx + 2, 87));
        }
    }
    // Body and belly.
    QRadialGradient body(QPointF(60, 48 + b), 34);
    body.setColorAt(0, Shade(scales, 1.35));
    body.setColorAt(0.7, scales);
    body.setColorAt(1, Shade(scales, 0.6));
    p.setBrush(body);
    p.setPen(outline);
    p.drawEllipse(QPointF(57, 58 + b), 27, 15);
    p.setBrush(belly);
    QPainterPath under;
    under.moveTo(36, 64 + b);
    under.quadTo(58, 78 + b, 80, 62 + b);
    under.quadTo(58, 70 + b, 36, 64 + b);
    p.drawPath(under);
    // Neck and head, jaws opening on the fire frames.
    const bool breath = frame >= 2;
    QPainterPath neck;
    neck.moveTo(72, 50 + b);
    neck.cubicTo(86, 44 + b, 88, 30 + b, 98, 24 + b);
    neck.lineTo(104, 34 + b);
    neck.cubicTo(94, 40 + b, 90, 58 + b, 78, 64 + b);
    neck.closeSubpath();
    p.setBrush(scales);
    p.drawPath(neck);
    // Dorsal spikes along back and neck.
    p.setBrush(QColor(250, 200, 80));
    for (int i = 0; i < 6; ++i) {
        const double x = 40 + i * 9;
        const double y = 44 + b - (i >= 4 ? (i - 3) * 5 : 0);
        p.drawPolygon(QPolygonF() << QPointF(x, y + 2) << QPointF(x + 3, y - 5)
                                  << QPointF(x + 6, y + 2));
    }
    const QPointF head(106, 26 + b);
    p.setBrush(Shade(scales, 1.1));
    QPainterPath skull;
    skull.moveTo(head + QPointF(-10, -6));
    skull.quadTo(head + QPointF(0, -12), head + QPointF(10, -6));
    skull.lineTo(head + QPointF(20, -2));
    skull.lineTo(head + QPointF(20, 2));
    skull.lineTo(head + QPointF(4, 3));
    skull.lineTo(head + QPointF(-8, 8));
    skull.closeSubpath();
    p.drawPath(skull);
    QPainterPath jaw;
    const double open = breath ? 6 : 1;
    jaw.moveTo(head + QPointF(-6, 6));
    jaw.lineTo(head + QPointF(4, 4));
    jaw.lineTo(head + QPointF(18, 4 + open));
    jaw.lineTo(head + QPointF(4, 9 + open * 0.4));
    jaw.closeSubpath();
    p.setBrush(belly);
    p.drawPath(jaw);
    p.setBrush(QColor(240, 230, 210));
    p.drawPolygon(QPolygonF() << head + QPointF(-6, -7) << head + QPointF(-16, -16)
                              << head + QPointF(-3, -10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 40));
    p.drawEllipse(head + QPointF(4, -4), 2.4, 2);
    p.setBrush(Qt::black);
    p.drawEllipse(head + QPointF(4.6, -4), 0.8, 1.6);
    if (breath) {
        const double reach = frame == 2 ? 9 : 14;
        const QPointF mouth = head + QPointF(20, 3 + open / 2);
        QRadialGradient fire(mouth + QPointF(reach / 2, 0), reach);
        fire.setColorAt(0, QColor(255, 255, 200, 250));
        fire.setColorAt(0.4, QColor(255, 180, 40, 230));
        fire.setColorAt(1, QColor(230, 50, 0, 0));
        p.setBrush(fire);
        p.drawEllipse(mouth + QPointF(reach / 2, 0), reach * 0.7, reach * 0.35 + 2);
    }
    wing(false);
    // Front arm.
    p.setPen(outline);
    p.setBrush(scales);
    QPainterPath arm;
    arm.moveTo(76, 58 + b);
    arm.lineTo(84, 60 + b);
    arm.lineTo(88, 74 + b);
    arm.lineTo(84, 76 + b);
    arm.closeSubpath();
    p.drawPath(arm);
}

} // namespace demogen
