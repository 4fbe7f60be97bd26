#pragma once

// The texture cache: every drawable takes its texture by name from here, so a picture is
// loaded and held on the device once.

#include "engine/DXObj.h"

#include <memory>
#include <string>
#include <vector>

namespace tv {

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

private:
    struct Entry {
        std::unique_ptr<TDXTexture> Texture;
        // The texture's name when the folded key was made; refreshed if the name changes.
        mutable std::string KeyName;
        mutable std::string Key;
    };
    const std::string& KeyOf(const Entry& entry) const;
    ptrdiff_t IndexOf(const std::string& name) const;

    std::vector<Entry> entries_;
    PD3DDevice device_;
};

// The process's texture cache, made by the editor's view set-up after the device.
extern std::unique_ptr<TTextureMgr> TextureMgr;

} // namespace tv
