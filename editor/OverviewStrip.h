#pragma once

// The strip under the view that shows the whole level: the picture of every record and the
// rectangle of the screen the view shows. A click or a drag in it scrolls the view there (the
// screen's middle goes to the pointer). It is painted again only when the map or the scroll
// position changed.

#include "document/OverviewPicture.h"

#include <QWidget>
#include <functional>

namespace tv {

class TOverviewStrip : public QWidget {
public:
    explicit TOverviewStrip(QWidget* parent);

    // The map changed (records, their fields or Max World X), or the groups hidden in the
    // view did: the picture is made again.
    void MapChanged(const TMap& map, const TGroupStates& groups);
    // The view scrolled.
    void ViewMoved(int32_t worldX);
    int32_t WorldX() const { return worldX_; }
    const TOverviewPicture& Picture() const { return picture_; }
    // How often the picture was made (tests see that scrolling does not remake it).
    int Builds() const { return builds_; }

    // Asked to scroll the view to a world x (the window clamps it).
    std::function<void(int32_t worldX)> OnScroll;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ScrollToPointer(int x);
    void Build();

    const TMap* map_ = nullptr;
    const TGroupStates* groups_ = nullptr;
    TOverviewPicture picture_;
    int32_t worldX_ = 0;
    int builds_ = 0;
};

} // namespace tv
