#pragma once

// Tells when files may have changed on disk: each file and the folder holding it are watched
// (QFileSystemWatcher), so a file written in place, replaced by a rename or deleted and
// written anew is noticed. Changes are passed on once they have settled, not per write.

#include <QFileSystemWatcher>
#include <QTimer>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace tv {

class TFileWatch {
public:
    static constexpr int kDefaultSettleMs = 200;

    // changed runs from the event loop once no change was noticed for settleMs.
    explicit TFileWatch(std::function<void()> changed, int settleMs = kDefaultSettleMs);
    TFileWatch(const TFileWatch&) = delete;
    TFileWatch& operator=(const TFileWatch&) = delete;

    // A native path; watching a path twice is watching it once.
    void Watch(const std::string& path);
    void Forget(const std::string& path);

private:
    void Noticed();
    // The watcher drops a file that was replaced or deleted; one that is back is watched again
    // before changed runs.
    void Settled();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::function<void()> changed_;
    std::set<std::string> files_;
    // Each watched folder with how many of the files lie in it.
    std::map<std::string, int> folders_;
};

} // namespace tv
