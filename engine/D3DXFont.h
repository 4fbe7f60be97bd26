#pragma once

// Text and sprite objects on the device. The font draws one line of text into a rectangle of
// the back buffer; the sprite is made with the device and not used for drawing.

#include "engine/Device.h"
#include "mapdata/Geometry.h"

#include <QFont>
#include <QSize>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

inline constexpr uint32_t DT_TOP = 0x0000;
inline constexpr uint32_t DT_LEFT = 0x0000;
inline constexpr uint32_t DT_NOCLIP = 0x0100;

class TD3DXFont {
public:
    TD3DXFont(PD3DDevice device, const QFont& font);
    TD3DXFont(const TD3DXFont&) = delete;
    TD3DXFont& operator=(const TD3DXFont&) = delete;

    // Draws the first count bytes of text (count < 0: all of it) top-left aligned on one line
    // at the rectangle's top-left corner in back-buffer pixels, clipped to the rectangle unless
    // DT_NOCLIP is given, in the colour (alpha included). Returns the height of the text. The
    // device's states, transforms, texture and stream are as before afterwards. A text drawn
    // before keeps its texture (the last few texts are kept), so drawing an unchanged text
    // every frame makes nothing new.
    int DrawTextA(std::string_view text, int count, const TRect& rect, uint32_t format,
                  uint32_t color);

    const PD3DDevice& Device() const { return device_; }
    const QFont& Font() const { return font_; }
    // How many texts were turned into textures so far.
    uint64_t TextsRendered() const { return rendered_; }

private:
    struct Entry {
        std::string Text;
        PD3DTexture Texture;
        QSize Size;
        uint64_t LastUse = 0;
    };
    Entry* Find(std::string_view text);
    Entry* Render(std::string_view text);

    PD3DDevice device_;
    QFont font_;
    PD3DVertexBuffer quad_;
    std::vector<Entry> cache_;
    uint64_t useCounter_ = 0;
    uint64_t rendered_ = 0;
};

class TD3DXSprite {
public:
    explicit TD3DXSprite(PD3DDevice device) : device_(std::move(device)) {}
    const PD3DDevice& Device() const { return device_; }

private:
    PD3DDevice device_;
};

HRESULT D3DXCreateFont(const PD3DDevice& device, const QFont& font,
                       std::shared_ptr<TD3DXFont>* out);
HRESULT D3DXCreateSprite(const PD3DDevice& device, std::shared_ptr<TD3DXSprite>* out);

} // namespace tv
