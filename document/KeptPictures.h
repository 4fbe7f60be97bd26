#pragma once

// Which pictures of the map view the device keeps (TD3DDevice::KeepPicture) and what each
// shows: the scene's shot (equal shots give equal pictures) and the frame rate its text
// shows. A view whose animations go round comes back to pictures it drew a few steps before;
// with them kept it copies them back instead of drawing them again, so that a screen full of
// animated objects left alone costs next to nothing once every step was drawn once.

#include "document/MapScene.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tv {

class TKeptPictures {
public:
    struct TKept {
        TSceneShot Shot;
        int32_t FrameRate = 0;
        uint32_t Slot = 0;
        uint64_t Used = 0;
    };

    // How many pictures of a back buffer of width x height pixels are kept: as many as the
    // device has slots for within kBudgetBytes, none when not even one fits.
    static constexpr uint64_t kBudgetBytes = 48ull << 20;
    static uint32_t SlotsFor(int width, int height);

    // Forgets the pictures beyond a new number of slots.
    void SetSlots(uint32_t count);
    uint32_t Slots() const { return slots_; }
    // The kept picture of a shot, or null; it counts as used now.
    const TKept* Find(const TSceneShot& shot);
    // The slot the picture of a shot goes in: its own when it is kept already, otherwise a
    // free one, otherwise the one used longest ago. Nothing without slots.
    std::optional<uint32_t> Place(const TSceneShot& shot, int32_t frameRate);
    // Forgets every picture (the scene changed, or the device forgot them).
    void Clear() { kept_.clear(); }
    size_t Count() const { return kept_.size(); }

private:
    std::vector<TKept> kept_;
    uint32_t slots_ = 0;
    uint64_t clock_ = 0;
};

} // namespace tv
