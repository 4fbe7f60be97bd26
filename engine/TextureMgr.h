#pragma once

// The texture cache: every drawable takes its texture by name from here, so a picture is
// loaded and held on the device once.

#include "engine/DXObj.h"
#include "engine/FileStamp.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tv {

class TFileWatch;

class TTextureMgr {
public:
    explicit TTextureMgr(PD3DDevice device);
    // Releases the device reference, then frees every cached texture.
    ~TTextureMgr();
    TTextureMgr(const TTextureMgr&) = delete;
    TTextureMgr& operator=(const TTextureMgr&) = delete;

    // The cached texture of that name, or a new one loaded from the graphic folder (".png"
    // pictures get the colour key opaque magenta, others none). Never returns nullptr: a load
    // failure raises "Error when loading texture." and leaves the cache unchanged.
    TDXTexture* GetTexture(const std::string& name, int32_t tag);
    // The first entry whose name matches (TextEquals), or nullptr.
    TDXTexture* FindTexture(const std::string& name) const;
    bool TextureExists(const std::string& name) const;
    // Sets the tag and appends the texture, which the cache owns from then on; an entry of
    // the same name is not looked for.
    TDXTexture* AddTexture(TDXTexture* texture, int32_t tag);
    // Removes and frees the first entry of that name, if any.
    void RemoveTexture(const std::string& name);

    // Whether the cache holds this very texture object (under any entry).
    bool Holds(const TDXTexture* texture) const;
    size_t Count() const { return entries_.size(); }
    TDXTexture* Item(size_t index) const { return entries_.at(index).Texture.get(); }
    const PD3DDevice& Device() const { return device_; }

    // Pictures edited while the program runs. The cache itself never reloads a texture; a
    // host that wants changed pictures shown asks for it here.
    //
    // Loads every texture that GetTexture loaded from a file again whose file changed since
    // (another file, size or modification time), in place: the same texture object takes the
    // new device texture, so every drawable holding it shows the new picture. A file that is
    // gone leaves its texture as it was (an editor that deletes before writing brings it back);
    // one that cannot be read leaves it too and is reported once (ShowMessageBox), not again
    // until a version of it has been read. The listener hears of the reloaded textures before
    // any report. Returns the reloaded textures.
    std::vector<TDXTexture*> ReloadChanged();
    // From now on watches the files of the textures loaded from files, and those loaded
    // later, and runs ReloadChanged shortly after they changed (from the event loop).
    void WatchFiles();
    bool WatchingFiles() const { return watch_ != nullptr; }
    // Told of the textures that ReloadChanged loaded again.
    using ReloadListener = std::function<void(const std::vector<TDXTexture*>&)>;
    void SetReloadListener(ReloadListener listener) { listener_ = std::move(listener); }

private:
    struct Entry {
        std::unique_ptr<TDXTexture> Texture;
        // The texture's name when the folded key was made; refreshed if the name changes.
        mutable std::string KeyName;
        mutable std::string Key;
        // For a texture GetTexture loaded from a file: that file (native path) and the version
        // of it the texture shows or, after a failed reload, the version last tried.
        std::string Path;
        std::optional<TFileStamp> Stamp;
        bool FailureReported = false;
    };
    const std::string& KeyOf(const Entry& entry) const;
    ptrdiff_t IndexOf(const std::string& name) const;
    // Loads the entry's file again; true when its texture changed. A failure's notice goes to
    // notices unless one was given for this file already.
    bool Reload(Entry& entry, const TFileStamp& stamp, std::vector<std::string>& notices);

    std::vector<Entry> entries_;
    PD3DDevice device_;
    std::unique_ptr<TFileWatch> watch_;
    ReloadListener listener_;
    bool reloading_ = false;
    bool again_ = false;
};

// The process's texture cache, made by the editor's view set-up after the device.
extern std::unique_ptr<TTextureMgr> TextureMgr;

} // namespace tv
