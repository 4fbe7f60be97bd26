#include "mapdata/FileWrite.h"

#include "mapdata/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

constexpr size_t kBufferSize = 256 * 1024;
// Room left for the temporary file's prefix and suffix within a file name's 255 bytes.
constexpr size_t kMaxNameInTemporary = 200;

// Writes all of count bytes, going on after short writes; false on an error.
bool WriteAll(int fd, const uint8_t* data, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, data, std::min<size_t>(count, 1u << 30));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// The file a write to path replaces: the end of a chain of symbolic links, or path itself
// (also for a link that leads nowhere, which is then replaced by the file).
std::string ReplacedFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// "folder/.name.XXXXXXXX.tmp" beside the target: hidden, and never a name a program reads.
std::string TemporaryName(const std::string& target) {
    static thread_local std::mt19937_64 random(std::random_device{}());
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    name.resize(std::min(name.size(), kMaxNameInTemporary));
    std::string suffix;
    uint64_t bits = random();
    for (int i = 0; i < 10; ++i, bits /= 36)
        suffix += "0123456789abcdefghijklmnopqrstuvwxyz"[bits % 36];
    return folder + "." + name + "." + suffix + ".tmp";
}

} // namespace

TReplacingFileStream::TReplacingFileStream(const std::string& nativePath)
    : path_(nativePath), target_(ReplacedFile(nativePath)) {
    // Only a regular file may be replaced: a pipe, device or socket in its place would be
    // turned into a plain file.
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (target_.empty() || (exists && !S_ISREG(existing.st_mode)))
        throw EError(CannotCreateFileMessage(path_));

    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        std::string name = TemporaryName(target_);
        // New permissions as for any new file (0666 less the umask); O_EXCL never reuses a
        // file that is already there.
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            temporary_ = std::move(name);
        else if (errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        throw EError(CannotCreateFileMessage(path_));
    if (exists && ::fchmod(fd_, existing.st_mode & 07777) != 0) {
        Discard();
        throw EError(CannotCreateFileMessage(path_));
    }
    buffer_.reserve(kBufferSize);
}

TReplacingFileStream::~TReplacingFileStream() {
    Discard();
}

void TReplacingFileStream::Discard() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

size_t TReplacingFileStream::Write(const void* data, size_t count) {
    if (failed_ || fd_ < 0)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + count > kBufferSize) {
        if (!Flush())
            return 0;
        if (count >= kBufferSize) {
            if (!WriteAll(fd_, bytes, count)) {
                failed_ = true;
                return 0;
            }
            written_ += count;
            return count;
        }
    }
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    return count;
}

void TReplacingFileStream::SetPosition(uint64_t position) {
    if (position != Position())
        throw EError(kStreamWriteError); // the file is written front to back only
}

bool TReplacingFileStream::Flush() {
    if (failed_)
        return false;
    if (!WriteAll(fd_, buffer_.data(), buffer_.size())) {
        failed_ = true;
        return false;
    }
    written_ += buffer_.size();
    buffer_.clear();
    return true;
}

void TReplacingFileStream::Commit() {
    if (fd_ < 0)
        throw EError(kStreamWriteError);
    // A full disk may show only at the sync or the close (delayed allocation, network file
    // systems): each is checked before the target is touched.
    const bool synced = Flush() && ::fsync(fd_) == 0;
    const int fd = fd_;
    fd_ = -1;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed) {
        Discard();
        throw EError(kStreamWriteError);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Discard();
        throw EError(CannotCreateFileMessage(path_));
    }
    temporary_.clear();
    // The new name itself on the disk; a folder that cannot be synced changes nothing above.
    const size_t slash = target_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

void WriteFileReplacing(const std::string& nativePath, const void* bytes, size_t count) {
    TReplacingFileStream file(nativePath);
    file.WriteBuffer(bytes, count);
    file.Commit();
}

} // namespace tv
