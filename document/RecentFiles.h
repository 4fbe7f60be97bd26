#pragma once

// The maps opened or saved last, newest first (at most kMax), kept in a small text file in the
// per-user state folder beside the recovery copies, one absolute path a line.

#include <string>
#include <vector>

namespace tv {

// "recent-maps.txt" in the folder above DefaultRecoveryFolder.
std::string DefaultRecentFilesPath();

class TRecentFiles {
public:
    static constexpr size_t kMax = 8;

    // Without a file the list lives in memory only.
    explicit TRecentFiles(std::string storePath = {});

    // Reads the file; a missing or unreadable one gives an empty list.
    void Load();
    const std::vector<std::string>& Paths() const { return paths_; }
    // Puts a path first (once), drops the oldest beyond kMax, and writes the file. A failure to
    // write is no failure of the editor: the list stays in memory.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    // Takes off the paths whose file is gone; returns them.
    std::vector<std::string> DropMissing();

private:
    void Store() const;

    std::string storePath_;
    std::vector<std::string> paths_;
};

} // namespace tv
