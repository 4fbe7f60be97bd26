#pragma once

// Painters of the demo pictures. Each draws one picture (or one frame of an animation strip)
// in its own design space; Pictures.cpp scales that space to the size the catalogue asks for.

#include <QColor>
#include <QPainter>
#include <QPainterPath>

namespace demogen {

// How a picture's empty parts are stored.
enum class Ground {
    Keyed,  // transparent, stored as opaque magenta (the texture cache keys it out)
    Black,  // black: the picture is drawn additively, where black adds nothing
    Opaque, // the picture covers everything
};

using FramePainter = void (*)(QPainter& p, int frame);

// Helpers shared by the painters.
QColor Shade(const QColor& color, double factor); // < 1 darker, > 1 lighter
QPen OutlinePen(const QColor& color, double width);
void FacingLeft(QPainter& p, double designWidth); // mirrors the design space

// Creatures (strips, 4 frames; frame 0..3).
void PaintSlime(QPainter& p, int frame);
void PaintMagmaSlime(QPainter& p, int frame);
void PaintBat(QPainter& p, int frame);
void PaintSpider(QPainter& p, int frame);
void PaintGoblin(QPainter& p, int frame);
void PaintSkeleton(QPainter& p, int frame);
void PaintKnight(QPainter& p, int frame);
void PaintRanger(QPainter& p, int frame);
void PaintOgreKing(QPainter& p, int frame);
void PaintLich(QPainter& p, int frame);
void PaintDragon(QPainter& p, int frame);

// Scenery: still decorations (frame is 0), animated decorations, backgrounds.
void PaintRock(QPainter& p, int frame);
void PaintCrate(QPainter& p, int frame);
void PaintBarrel(QPainter& p, int frame);
void PaintStoneWall(QPainter& p, int frame);
void PaintOakTree(QPainter& p, int frame);
void PaintPineTree(QPainter& p, int frame);
void PaintBush(QPainter& p, int frame);
void PaintMushrooms(QPainter& p, int frame);
void PaintSignpost(QPainter& p, int frame);
void PaintTorch(QPainter& p, int frame);
void PaintTorchGlow(QPainter& p, int frame);
void PaintCrystal(QPainter& p, int frame);
void PaintCampfire(QPainter& p, int frame);
void PaintSkyDay(QPainter& p, int frame);
void PaintSkyDusk(QPainter& p, int frame);
void PaintSkyNight(QPainter& p, int frame);
void PaintMountains(QPainter& p, int frame);
void PaintHills(QPainter& p, int frame);
void PaintForest(QPainter& p, int frame);
void PaintCave(QPainter& p, int frame);
void PaintGround(QPainter& p, int frame);

// Pictures of the editor itself.
void PaintObjectMarker(QPainter& p, int frame);
void PaintSelectionFrame(QPainter& p, int frame);
void PaintCursor(QPainter& p, int frame);
void PaintAboutCard(QPainter& p, int frame);

} // namespace demogen
