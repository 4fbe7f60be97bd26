#include "editor/StatusLine.h"

#include "document/SnapGrid.h"
#include "mapdata/Objects.h"
#include "mapdata/Text.h"

#include <QFileInfo>

namespace tv {

TStatusLine::TStatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("StatusLine"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setIndent(4);
    QPalette white = palette();
    white.setColor(QPalette::WindowText, Qt::white);
    setPalette(white);
    pointer_ = "X -, Y -";
    selection_ = "Nothing selected";
    snap_ = "Snap off";
    Compose();
}

void TStatusLine::ShowPointer(int64_t worldX, int64_t worldY) {
    pointer_ =
        Format("X %lld, Y %lld", static_cast<long long>(worldX), static_cast<long long>(worldY));
    Compose();
}

void TStatusLine::HidePointer() {
    pointer_ = "X -, Y -";
    Compose();
}

void TStatusLine::ShowSelection(const TBaseInfo* selected) {
    selection_ = selected ? Format("%s at %d, %d, %d x %d", selected->Name.c_str(), selected->Left,
                                   selected->Top, selected->Width, selected->Height)
                          : std::string("Nothing selected");
    Compose();
}

void TStatusLine::ShowSnap(const TSnapGrid& grid) {
    snap_ = grid.On() ? Format("Snap %d", grid.Size()) : std::string("Snap off");
    Compose();
}

void TStatusLine::ShowFile(const std::string& storedName, const std::string& openedPath) {
    const QString opened = QString::fromStdString(openedPath);
    const bool differs =
        !openedPath.empty() && QFileInfo(opened).fileName() != QString::fromStdString(storedName);
    setToolTip(openedPath.empty() ? QString()
               : differs          ? QStringLiteral("Opened from ") + opened
                                  : opened);
}

void TStatusLine::Compose() {
    setText(QString::fromStdString(pointer_ + "   |   " + selection_ + "   |   " + snap_));
}

} // namespace tv
