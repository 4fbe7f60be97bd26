#pragma once

// "Insert space…" (Ctrl+I) and "Remove space…" (Ctrl+Shift+I): ask where (the pointer's world
// x, or the view's middle when the pointer is not over the view) and how wide, and hand the
// edit to the document.

#include <QObject>
#include <cstdint>

namespace tv {

class TEditF;

class TSpaceCommands : public QObject {
public:
    static constexpr int32_t kDefaultAmount = 800;

    explicit TSpaceCommands(TEditF& window);

    void InsertSpace();
    void RemoveSpace();
    // The world x the dialogs start from.
    int32_t PointerWorldX() const;

private:
    TEditF& window_;
};

} // namespace tv
