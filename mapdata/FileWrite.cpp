#include "mapdata/FileWrite.h"

#include "mapdata/Errors.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
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
        if (written == 0)
            errno = ENOSPC; // nothing written and no error: the device takes no more
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

constexpr int kSuffixLength = 10;
// How long a temporary file must lie untouched before it counts as stale: named by a process
// that is gone, or at all.
constexpr time_t kStaleAfterGoneSeconds = 60;
constexpr time_t kStaleAfterSeconds = 24 * 60 * 60;

// The folder part of a path (with its slash) and the file name.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
std::string TemporaryPrefix(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    name.resize(std::min(name.size(), kMaxNameInTemporary));
    return "." + name + ".";
}

// "folder/.name.PID.XXXXXXXXXX.tmp" beside the target: hidden, and never a name a program
// reads.
std::string TemporaryName(const std::string& target) {
    static thread_local std::mt19937_64 random(std::random_device{}());
    std::string suffix;
    uint64_t bits = random();
    for (int i = 0; i < kSuffixLength; ++i, bits /= 36)
        suffix += "0123456789abcdefghijklmnopqrstuvwxyz"[bits % 36];
    return FolderOf(target) + TemporaryPrefix(target) + std::to_string(::getpid()) + "." + suffix +
           ".tmp";
}

bool IsSuffix(std::string_view text) {
    return text.size() == kSuffixLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
           });
}

// The process id in what follows a target's temporary prefix ("PID.XXXXXXXXXX.tmp"); 0 for
// the form without one ("XXXXXXXXXX.tmp", of earlier writers), -1 when it is not ours.
long TemporaryWriter(std::string_view rest) {
    constexpr std::string_view kTmp = ".tmp";
    if (rest.size() <= kTmp.size() || rest.substr(rest.size() - kTmp.size()) != kTmp)
        return -1;
    rest.remove_suffix(kTmp.size());
    if (IsSuffix(rest))
        return 0;
    const size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 || !IsSuffix(rest.substr(dot + 1)))
        return -1;
    long pid = 0;
    for (char c : rest.substr(0, dot)) {
        if (c < '0' || c > '9')
            return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 ? pid : -1;
}

bool ProcessRuns(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

int RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefix(target);
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return 0;
    const time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
            continue;
        const long pid = TemporaryWriter(name.substr(prefix.size()));
        if (pid < 0)
            continue;
        const std::string path = folder + std::string(name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        const time_t untouched = now - info.st_mtime;
        const bool gone = pid > 0 && !ProcessRuns(pid);
        if ((gone && untouched >= kStaleAfterGoneSeconds) || untouched >= kStaleAfterSeconds)
            removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    ::closedir(listing);
    return removed;
}

namespace {} // namespace

TReplacingFileStream::TReplacingFileStream(const std::string& nativePath,
                                           std::optional<unsigned> permissions)
    : path_(nativePath), target_(ReplacedFile(nativePath)) {
    // Only a regular file may be replaced: a pipe, device or socket in its place would be
    // turned into a plain file.
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (target_.empty() || (exists && !S_ISREG(existing.st_mode)))
        throw EError(CannotCreateFileMessage(path_));
    RemoveStaleTemporaries(target_);

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
    const bool setMode = permissions.has_value() || exists;
    const mode_t mode =
        permissions ? static_cast<mode_t>(*permissions & 07777u) : existing.st_mode & 07777;
    if (setMode && ::fchmod(fd_, mode) != 0) {
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

void TReplacingFileStream::Fail(int errorNumber) {
    failed_ = true;
    throw EError(WriteErrorMessage(path_, errorNumber));
}

size_t TReplacingFileStream::Write(const void* data, size_t count) {
    if (failed_ || fd_ < 0)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + count > kBufferSize) {
        if (!Flush())
            return 0;
        if (count >= kBufferSize) {
            if (!WriteAll(fd_, bytes, count))
                Fail(errno);
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
    if (!WriteAll(fd_, buffer_.data(), buffer_.size()))
        Fail(errno);
    written_ += buffer_.size();
    buffer_.clear();
    return true;
}

void TReplacingFileStream::Commit() {
    if (fd_ < 0 || failed_) {
        Discard();
        throw EError(kStreamWriteError);
    }
    // A full disk may show only at the sync or the close (delayed allocation, network file
    // systems): each is checked before the target is touched.
    try {
        Flush();
    } catch (const EError&) {
        Discard();
        throw;
    }
    const int syncError = ::fsync(fd_) == 0 ? 0 : errno;
    const int fd = fd_;
    fd_ = -1;
    const int closeError = ::close(fd) == 0 ? 0 : errno;
    if (syncError != 0 || closeError != 0) {
        Discard();
        throw EError(WriteErrorMessage(path_, syncError != 0 ? syncError : closeError));
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

void WriteFileReplacing(const std::string& nativePath, const void* bytes, size_t count,
                        std::optional<unsigned> permissions) {
    TReplacingFileStream file(nativePath, permissions);
    file.WriteBuffer(bytes, count);
    file.Commit();
}

} // namespace tv
