#include "engine/TextureMgr.h"

#include "engine/FileWatch.h"
#include "engine/GraphicResources.h"
#include "mapdata/Errors.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <new>
#include <utility>

namespace tv {

std::unique_ptr<TTextureMgr> TextureMgr;

namespace {
constexpr uint32_t kPngColorKey = 0xFFFF00FFu; // opaque magenta
}

TTextureMgr::TTextureMgr(PD3DDevice device) : device_(std::move(device)) {}

TTextureMgr::~TTextureMgr() {
    watch_.reset();
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
    // The version on disk before the load: a file that changes meanwhile is loaded again later.
    std::string path = NativePath(GraphicFilePath(name));
    std::optional<TFileStamp> stamp = StampOf(path);
    texture->Load();
    texture->Tag = tag;
    if (watch_)
        watch_->Watch(path);
    entries_.push_back(Entry{std::move(texture), {}, {}, std::move(path), stamp, false});
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
    entries_.push_back(Entry{std::unique_ptr<TDXTexture>(texture), {}, {}, {}, {}, false});
    return texture;
}

void TTextureMgr::RemoveTexture(const std::string& name) {
    const ptrdiff_t index = IndexOf(name);
    if (index < 0)
        return;
    const std::string path = std::move(entries_[static_cast<size_t>(index)].Path);
    entries_.erase(entries_.begin() + index);
    if (watch_ && !path.empty())
        watch_->Forget(path);
}

bool TTextureMgr::Holds(const TDXTexture* texture) const {
    for (const Entry& entry : entries_)
        if (entry.Texture.get() == texture)
            return true;
    return false;
}

std::vector<TDXTexture*> TTextureMgr::ReloadChanged() {
    std::vector<TDXTexture*> reloaded;
    // A notice box runs the event loop, in which the watch may ask again: that pass waits
    // until this one is over.
    if (reloading_) {
        again_ = true;
        return reloaded;
    }
    reloading_ = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{reloading_};
    do {
        again_ = false;
        std::vector<TDXTexture*> changed;
        std::vector<std::string> notices;
        for (Entry& entry : entries_) {
            if (entry.Path.empty())
                continue;
            const std::optional<TFileStamp> stamp = StampOf(entry.Path);
            if (!stamp || stamp == entry.Stamp)
                continue;
            if (Reload(entry, *stamp, notices))
                changed.push_back(entry.Texture.get());
        }
        if (!changed.empty() && listener_)
            listener_(changed);
        reloaded.insert(reloaded.end(), changed.begin(), changed.end());
        for (const std::string& notice : notices)
            ShowMessageBox(notice);
    } while (again_);
    return reloaded;
}

bool TTextureMgr::Reload(Entry& entry, const TFileStamp& stamp, std::vector<std::string>& notices) {
    entry.Stamp = stamp;
    TDXTexture& texture = *entry.Texture;
    PD3DTexture fresh;
    try {
        LoadGraphicTexture(texture.Device, texture.Name,
                           texture.Filter ? D3DX_FILTER_LINEAR : D3DX_FILTER_NONE, texture.ColorKey,
                           D3DFMT_UNKNOWN, fresh);
    } catch (const EError& e) {
        if (!std::exchange(entry.FailureReported, true))
            notices.push_back(InFileMessage(e.what(), MessageName(entry.Path)) +
                              ", changed on disk: the picture loaded before stays in use");
        return false;
    } catch (const std::bad_alloc&) {
        if (!std::exchange(entry.FailureReported, true))
            notices.push_back(OutOfMemoryMessage(MessageName(entry.Path)) +
                              ": the picture loaded before stays in use");
        return false;
    }
    // Gone between the look and the load: it is looked at again when it comes back.
    if (!fresh) {
        entry.Stamp.reset();
        return false;
    }
    // The old device texture goes only now, so the new one never takes its address: drawing
    // code that compares texture pointers sees the change.
    texture.Texture = std::move(fresh);
    entry.FailureReported = false;
    return true;
}

void TTextureMgr::WatchFiles() {
    if (watch_)
        return;
    watch_ = std::make_unique<TFileWatch>([this] { ReloadChanged(); });
    for (const Entry& entry : entries_)
        if (!entry.Path.empty())
            watch_->Watch(entry.Path);
}

} // namespace tv
