#include "document/KeptPictures.h"

#include "engine/Device.h"

#include <algorithm>

namespace tv {

uint32_t TKeptPictures::SlotsFor(int width, int height) {
    if (width <= 0 || height <= 0)
        return 0;
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    return static_cast<uint32_t>(
        std::min<uint64_t>(TD3DDevice::kKeptPictureSlots, kBudgetBytes / bytes));
}

void TKeptPictures::SetSlots(uint32_t count) {
    slots_ = count;
    std::erase_if(kept_, [count](const TKept& kept) { return kept.Slot >= count; });
}

const TKeptPictures::TKept* TKeptPictures::Find(const TSceneShot& shot) {
    for (TKept& kept : kept_)
        if (kept.Shot == shot) {
            kept.Used = ++clock_;
            return &kept;
        }
    return nullptr;
}

std::optional<uint32_t> TKeptPictures::Place(const TSceneShot& shot, int32_t frameRate) {
    if (slots_ == 0)
        return std::nullopt;
    auto it = std::find_if(kept_.begin(), kept_.end(),
                           [&](const TKept& kept) { return kept.Shot == shot; });
    if (it == kept_.end() && kept_.size() < slots_) {
        // The lowest slot nobody holds.
        uint32_t free = 0;
        while (std::any_of(kept_.begin(), kept_.end(),
                           [free](const TKept& kept) { return kept.Slot == free; }))
            ++free;
        kept_.push_back(TKept{shot, frameRate, free, 0});
        it = kept_.end() - 1;
    } else if (it == kept_.end()) {
        it = std::min_element(kept_.begin(), kept_.end(),
                              [](const TKept& a, const TKept& b) { return a.Used < b.Used; });
        it->Shot = shot;
    }
    it->FrameRate = frameRate;
    it->Used = ++clock_;
    return it->Slot;
}

} // namespace tv
