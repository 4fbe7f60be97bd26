#pragma once

// "Recent maps": the menu of the Open button (its right click) listing the maps opened or
// saved last. Choosing one opens it after the question about unsaved changes; files that are
// gone are taken off the list, with a notice naming them.

#include "document/RecentFiles.h"

#include <QObject>

class QMenu;

namespace tv {

class TEditF;

class TRecentMenu : public QObject {
public:
    explicit TRecentMenu(TEditF& window);

    // Reads the list kept in a file (the editor program's per-user one; tests give their own).
    void UseStore(const std::string& storePath);
    // The map now has this file (opened or saved).
    void Note(const std::string& path);
    // Fills the menu, first dropping files that are gone.
    void Refill();
    void Open(const std::string& path);

    const TRecentFiles& Files() const { return files_; }
    QMenu* Menu() const { return menu_; }

private:
    void TellMissing(const std::vector<std::string>& missing);

    TEditF& window_;
    TRecentFiles files_;
    QMenu* menu_;
};

} // namespace tv
