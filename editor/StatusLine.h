#pragma once

// The line under the view that says where things are: the pointer's world point, the selected
// object's position and size, and whether placing and moving snap to the grid. The file that
// was actually opened is its tooltip when it differs from the map's stored name.

#include <QLabel>
#include <cstdint>
#include <string>

namespace tv {

class TBaseInfo;
class TSnapGrid;

class TStatusLine : public QLabel {
public:
    explicit TStatusLine(QWidget* parent);

    void ShowPointer(int64_t worldX, int64_t worldY);
    // No pointer over the view.
    void HidePointer();
    void ShowSelection(const TBaseInfo* selected);
    void ShowSnap(const TSnapGrid& grid);
    // The map's stored file name and the file it was opened from (empty for a new map).
    void ShowFile(const std::string& storedName, const std::string& openedPath);

    const std::string& PointerText() const { return pointer_; }
    const std::string& SelectionText() const { return selection_; }
    const std::string& SnapText() const { return snap_; }

private:
    void Compose();

    std::string pointer_;
    std::string selection_;
    std::string snap_;
};

} // namespace tv
