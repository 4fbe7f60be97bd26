#pragma once

// Which version of a file is on disk, without reading it.

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// The file a path names (device and inode: a save that writes a new file and renames it over
// the old one gives another), its size and its modification time in nanoseconds. Equal
// stamps are taken for the same contents.
struct TFileStamp {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the regular file at a native path (a symbolic link is followed); nothing when
// there is none.
std::optional<TFileStamp> StampOf(const std::string& nativePath);

} // namespace tv
