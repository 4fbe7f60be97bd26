#include "engine/FileStamp.h"

#include <sys/stat.h>

namespace tv {

std::optional<TFileStamp> StampOf(const std::string& nativePath) {
    struct stat info {};
    if (::stat(nativePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    TFileStamp stamp;
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    stamp.Size = static_cast<int64_t>(info.st_size);
    stamp.ModifiedNs =
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace tv
