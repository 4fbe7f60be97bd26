#pragma once

#include "mapdata/Stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tv {

// Writes a file at a native path through a temporary file in the target's folder (created
// anew, with the target's permissions where the target exists) that takes the target's place
// only on Commit, once every byte was written and synced to the disk. Until then, and after
// any failure, the target stays as it was and the temporary file is removed.
//
// "Cannot create file %s" (the path) when the temporary file cannot be made or put in place,
// or when the target is not a regular file (a pipe, a device, a socket or a folder); "Stream
// write error" with "in PATH: REASON" (the system's) on a second line when a write, the sync
// or closing the file fails (a full disk, a file size limit). A symbolic link as the target is
// followed: the file it points to is replaced. Output is buffered, so that records can write
// field by field; it runs front to back only.
//
// The temporary file is ".NAME.PID.XXXXXXXXXX.tmp" (PID the writer's process id). Before
// making its own, the writer removes stale ones of that pattern for the same target, left by a
// writer that was killed (RemoveStaleTemporaries).
class TReplacingFileStream : public TStream {
public:
    // permissions: those of the written file whatever the target's (0600 for private files);
    // without them a replaced file keeps its own and a new one gets those of any new file.
    explicit TReplacingFileStream(const std::string& nativePath,
                                  std::optional<unsigned> permissions = std::nullopt);
    ~TReplacingFileStream() override;

    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* data, size_t count) override;
    uint64_t Size() const override { return written_ + buffer_.size(); }
    uint64_t Position() const override { return Size(); }
    void SetPosition(uint64_t position) override;

    // Writes what is buffered, syncs, closes and renames over the target.
    void Commit();

private:
    bool Flush();
    // Marks the stream failed and raises "Stream write error" with the file and the reason.
    [[noreturn]] void Fail(int errorNumber);
    void Discard() noexcept;

    std::string path_;      // as given, for messages
    std::string target_;    // the file replaced (symbolic links followed)
    std::string temporary_; // empty once renamed or removed
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
    uint64_t written_ = 0;
    bool failed_ = false;
};

// The whole of bytes through a TReplacingFileStream, with its errors.
void WriteFileReplacing(const std::string& nativePath, const void* bytes, size_t count,
                        std::optional<unsigned> permissions = std::nullopt);
inline void WriteFileReplacing(const std::string& nativePath, const std::vector<uint8_t>& bytes,
                               std::optional<unsigned> permissions = std::nullopt) {
    WriteFileReplacing(nativePath, bytes.data(), bytes.size(), permissions);
}

// Removes the temporary files a killed writer left beside a target: those of the writers'
// pattern for this target's name that are regular files of this user, named by a process
// that no longer runs here and untouched for a minute, or untouched for a day (a writer on
// another machine sharing the folder, or a process id in use again). A live writer keeps
// writing and so touching its file; were one removed all the same, its save would fail and
// report it, the target untouched. Failures are ignored. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& target);

} // namespace tv
