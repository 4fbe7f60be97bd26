#pragma once

// What a player needs to see while playing: the first player's hit points out of the maximum
// and experience, the world's last two messages, and after a death the offer to restart or
// stop. Drawn with the engine's font onto the device in back-buffer (view) pixels, over the
// world's frame.

#include "engine/Device.h"
#include "mapdata/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace tv {

class TD3DXFont;
struct TPlayStatus;

inline constexpr const char* kPlayDeathLine = "You died. R: restart  S: save playtest  Esc: stop";

// The overlay's lines, top to bottom: "HP 12/15  XP 300" (or "No player"), the message
// before the last and the last message (those that are not empty), and kPlayDeathLine after
// a death.
std::vector<std::string> PlayOverlayLines(const TPlayStatus& status);

class TPlayOverlay {
public:
    explicit TPlayOverlay(PD3DDevice device);
    ~TPlayOverlay();
    TPlayOverlay(const TPlayOverlay&) = delete;
    TPlayOverlay& operator=(const TPlayOverlay&) = delete;

    // Draws the lines into the current scene: each one with a dark shadow, the death line in
    // red, the others in white.
    void Draw(const TPlayStatus& status);
    // Where line index is drawn (back-buffer pixels).
    TRect LineRect(int index) const;

    // The top-left corner of the first line; below the editor's frame-rate text by default.
    TPoint Origin{8, 22};

private:
    std::shared_ptr<TD3DXFont> font_;
    int lineHeight_ = 16;
};

} // namespace tv
