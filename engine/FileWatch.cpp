#include "engine/FileWatch.h"

#include "mapdata/Paths.h"

#include <QFileInfo>

namespace tv {

namespace {

QString QPath(const std::string& path) {
    return QString::fromStdString(path);
}

} // namespace

TFileWatch::TFileWatch(std::function<void()> changed, int settleMs) : changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    QObject::connect(&settle_, &QTimer::timeout, [this] { Settled(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { Noticed(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { Noticed(); });
}

void TFileWatch::Watch(const std::string& path) {
    if (path.empty() || !files_.insert(path).second)
        return;
    watcher_.addPath(QPath(path));
    const std::string folder = ParentFolder(path);
    if (++folders_[folder] == 1 && folder != path)
        watcher_.addPath(QPath(folder));
}

void TFileWatch::Forget(const std::string& path) {
    if (files_.erase(path) == 0)
        return;
    watcher_.removePath(QPath(path));
    const std::string folder = ParentFolder(path);
    const auto found = folders_.find(folder);
    if (found != folders_.end() && --found->second == 0) {
        folders_.erase(found);
        watcher_.removePath(QPath(folder));
    }
}

void TFileWatch::Noticed() {
    settle_.start();
}

void TFileWatch::Settled() {
    const QStringList watched = watcher_.files();
    for (const std::string& path : files_) {
        const QString name = QPath(path);
        if (!watched.contains(name) && QFileInfo::exists(name))
            watcher_.addPath(name);
    }
    if (changed_)
        changed_();
}

} // namespace tv
