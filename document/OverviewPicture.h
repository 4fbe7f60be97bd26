#pragma once

// The whole world in a strip a few pixels high: from 0 to Max World X plus one screen, every
// record a small box in its group's colour, later records (higher Z) over earlier ones; the
// records of groups hidden in the view are left out, as the view leaves them out. The
// picture is made in one pass over the records into a grid of cells, one per pixel, so its
// cost grows with the records and the strip's size only; scrolling does not remake it.

#include "document/Picking.h"
#include "mapdata/Map.h"

#include <QImage>
#include <QRect>
#include <cstdint>

namespace tv {

class TOverviewPicture {
public:
    static constexpr int32_t kScreenWidth = 800;
    static constexpr int32_t kScreenHeight = 600;

    // Remakes the picture of a map for a strip of this size (pixels), without the records of
    // the groups hidden in groups (when given).
    void Build(const TMap& map, QSize size, const TGroupStates* groups = nullptr);
    const QImage& Image() const { return image_; }
    // The world span the strip shows: Max World X plus one screen.
    int64_t Span() const { return span_; }

    // The strip's x of a world x, and the world x of a strip x.
    int XOfWorld(int64_t worldX) const;
    int64_t WorldOfX(int x) const;
    // The screen that starts at worldX, in strip pixels.
    QRect ViewRect(int32_t worldX) const;

    // The colour of a group's boxes (ARGB).
    static QRgb GroupColor(std::string_view group);

private:
    QImage image_;
    int64_t span_ = kScreenWidth;
};

} // namespace tv
