#include "document/RecentFiles.h"

#include "document/Recovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace tv {

std::string DefaultRecentFilesPath() {
    const QFileInfo recovery(QString::fromStdString(DefaultRecoveryFolder()));
    return (recovery.absolutePath() + QStringLiteral("/recent-maps.txt")).toStdString();
}

TRecentFiles::TRecentFiles(std::string storePath) : storePath_(std::move(storePath)) {}

void TRecentFiles::Load() {
    paths_.clear();
    QFile file(QString::fromStdString(storePath_));
    if (storePath_.empty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd() && paths_.size() < kMax) {
        const std::string line = QString::fromUtf8(file.readLine()).trimmed().toStdString();
        if (!line.empty() && std::find(paths_.begin(), paths_.end(), line) == paths_.end())
            paths_.push_back(line);
    }
}

void TRecentFiles::Add(const std::string& path) {
    if (path.empty() || (!paths_.empty() && paths_.front() == path))
        return;
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kMax)
        paths_.resize(kMax);
    Store();
}

void TRecentFiles::Remove(const std::string& path) {
    const auto end = std::remove(paths_.begin(), paths_.end(), path);
    if (end == paths_.end())
        return;
    paths_.erase(end, paths_.end());
    Store();
}

std::vector<std::string> TRecentFiles::DropMissing() {
    std::vector<std::string> missing;
    for (const std::string& path : paths_)
        if (!QFileInfo(QString::fromStdString(path)).isFile())
            missing.push_back(path);
    for (const std::string& path : missing)
        paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
    if (!missing.empty())
        Store();
    return missing;
}

void TRecentFiles::Store() const {
    if (storePath_.empty())
        return;
    const QString path = QString::fromStdString(storePath_);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    for (const std::string& entry : paths_)
        file.write(QByteArray::fromStdString(entry + "\n"));
    file.commit();
}

} // namespace tv
