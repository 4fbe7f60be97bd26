#pragma once

// Recovery copies. While a map has unsaved changes the editor writes a copy of it now and
// then into a per-user state folder, never over a map file. Each running editor has a slot of
// its own there, held by a lock file for as long as it runs; a copy whose editor ended without
// a clean exit (a crash, a kill) has a lock nobody holds, and the next start offers it.

#include <QDateTime>
#include <memory>
#include <string>
#include <vector>

class QLockFile;

namespace tv {

class TMap;

// A copy left by an editor that is no longer running.
struct TRecoveryCopy {
    std::string Path;       // the copy (native)
    std::string FileName;   // the map's file name
    std::string SourcePath; // the file the map was opened from or last saved to; empty if none
    QDateTime Written;
};

// "$XDG_STATE_HOME/tvedit/recovery" when XDG_STATE_HOME names a folder, else "recovery" in
// the application's per-user data folder.
std::string DefaultRecoveryFolder();

class TRecoveryStore {
public:
    // Claims no slot yet: the first Write does.
    explicit TRecoveryStore(std::string folder);
    // Removes this editor's copy and frees its slot (the editor ended cleanly).
    ~TRecoveryStore();
    TRecoveryStore(const TRecoveryStore&) = delete;
    TRecoveryStore& operator=(const TRecoveryStore&) = delete;

    const std::string& Folder() const { return folder_; }

    // Copies whose editor is no longer running, newest first.
    std::vector<TRecoveryCopy> Orphans() const;
    // Removes a copy that was restored or declined.
    static void Discard(const TRecoveryCopy& copy);

    // Writes the map into this editor's slot through the replacing writer, every object in
    // full (the copy keeps values a map file would take from the catalogue), with the file
    // the map came from beside it. Raises when the slot or the copy cannot be written.
    void Write(const TMap& map, const std::string& sourcePath);
    // Removes this editor's copy; the slot stays claimed.
    void Remove();
    // This editor's copy (empty before the first Write).
    std::string CopyPath() const;

private:
    void ClaimSlot();

    std::string folder_;
    std::string slot_; // the slot's path without extension
    std::unique_ptr<QLockFile> lock_;
};

} // namespace tv
