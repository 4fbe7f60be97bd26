#include "editor/RecentMenu.h"

#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "mapdata/Notices.h"
#include "mapdata/Text.h"

#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

namespace tv {

TRecentMenu::TRecentMenu(TEditF& window)
    : QObject(&window), window_(window), menu_(new QMenu(&window)) {
    menu_->setObjectName(QStringLiteral("PopRecent"));
    menu_->setTitle(QStringLiteral("Recent maps"));
    QFont plain = menu_->font();
    plain.setBold(false);
    menu_->setFont(plain);
    connect(menu_, &QMenu::aboutToShow, this, Guarded([this] { Refill(); }));
}

void TRecentMenu::UseStore(const std::string& storePath) {
    files_ = TRecentFiles(storePath);
    files_.Load();
}

void TRecentMenu::Note(const std::string& path) {
    files_.Add(path);
}

void TRecentMenu::TellMissing(const std::vector<std::string>& missing) {
    if (missing.empty())
        return;
    std::string text = missing.size() == 1 ? "This map is no longer there and was taken off the "
                                             "recent maps:"
                                           : "These maps are no longer there and were taken off "
                                             "the recent maps:";
    for (const std::string& path : missing)
        text += "\n" + path;
    ShowMessageBox(text);
}

void TRecentMenu::Refill() {
    TellMissing(files_.DropMissing());
    menu_->clear();
    if (files_.Paths().empty()) {
        menu_->addAction(QStringLiteral("(no recent maps)"))->setEnabled(false);
        return;
    }
    int number = 1;
    for (const std::string& path : files_.Paths()) {
        QAction* action =
            menu_->addAction(QStringLiteral("&%1 %2").arg(number++).arg(ToQString(path)));
        connect(action, &QAction::triggered, this, Guarded([this, path] { Open(path); }));
    }
}

void TRecentMenu::Open(const std::string& path) {
    if (window_.Playing())
        return;
    if (!QFileInfo(ToQString(path)).isFile()) {
        files_.Remove(path);
        TellMissing({path});
        return;
    }
    if (window_.AskToSaveChanges())
        window_.OpenWithProgress(path);
}

} // namespace tv
