#include "engine/TextureMgr.h"

#include "mapdata/Paths.h"
#include "mapdata/Text.h"

namespace tv {

std::unique_ptr<TTextureMgr> TextureMgr;

namespace {
constexpr uint32_t kPngColorKey = 0xFFFF00FFu; // opaque magenta
}

TTextureMgr::TTextureMgr(PD3DDevice device) : device_(std::move(device)) {}

TTextureMgr::~TTextureMgr() {
    device_.reset();
    entries_.clear();
}

const std::string& TTextureMgr::KeyOf(const Entry& entry) const {
    if (entry.Key.empty() || entry.KeyName != entry.Texture->Name) {
        entry.KeyName = entry.Texture->Name;
        entry.Key = FoldedKey(entry.KeyName);
    }
    return entry.Key;
}

ptrdiff_t TTextureMgr::IndexOf(const std::string& name) const {
    const std::string key = FoldedKey(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (KeyOf(entries_[i]) == key)
            return static_cast<ptrdiff_t>(i);
    return -1;
}

TDXTexture* TTextureMgr::GetTexture(const std::string& name, int32_t tag) {
    if (TextureExists(name))
        return FindTexture(name);
    const uint32_t colorKey = TextEquals(ExtractFileExt(name), ".png") ? kPngColorKey : 0;
    auto texture = std::make_unique<TDXTexture>(device_, name, true, colorKey, false);
    texture->Load();
    texture->Tag = tag;
    entries_.push_back(Entry{std::move(texture), {}, {}});
    return entries_.back().Texture.get();
}

TDXTexture* TTextureMgr::FindTexture(const std::string& name) const {
    const ptrdiff_t index = IndexOf(name);
    return index < 0 ? nullptr : entries_[static_cast<size_t>(index)].Texture.get();
}

bool TTextureMgr::TextureExists(const std::string& name) const {
    return IndexOf(name) >= 0;
}

TDXTexture* TTextureMgr::AddTexture(TDXTexture* texture, int32_t tag) {
    if (!texture)
        return nullptr;
    texture->Tag = tag;
    entries_.push_back(Entry{std::unique_ptr<TDXTexture>(texture), {}, {}});
    return texture;
}

void TTextureMgr::RemoveTexture(const std::string& name) {
    const ptrdiff_t index = IndexOf(name);
    if (index >= 0)
        entries_.erase(entries_.begin() + index);
}

bool TTextureMgr::Holds(const TDXTexture* texture) const {
    for (const Entry& entry : entries_)
        if (entry.Texture.get() == texture)
            return true;
    return false;
}

} // namespace tv
