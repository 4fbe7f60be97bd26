#pragma once

#include <array>
#include <cstdint>

namespace tv {

// A packed three-channel pixel format; channels are named first, second and third from the
// most significant down.
struct PixelLayout {
    uint32_t Masks[3] = {0, 0, 0};
    uint32_t Bits[3] = {0, 0, 0};
    int32_t PackShifts[3] = {0, 0, 0}; // first two shift left, the third shifts right
    int32_t ReplicationShifts[3] = {0, 0, 0};
};

struct PaletteEntry {
    uint8_t B0 = 0, B1 = 0, B2 = 0, B3 = 0;
    bool operator==(const PaletteEntry&) const = default;
};
using Palette256 = std::array<PaletteEntry, 256>;

PixelLayout LayoutFromBits(uint32_t a, uint32_t b, uint32_t c);
// A mask with all 32 bits set is not a valid channel mask: its count is taken as 0.
PixelLayout LayoutFromMasks(uint32_t first, uint32_t second, uint32_t third);
uint32_t PackPixel(const PixelLayout& layout, uint8_t x, uint8_t y, uint8_t z);
void UnpackPixel(const PixelLayout& layout, uint32_t pixel, uint8_t& x, uint8_t& y, uint8_t& z);

Palette256 GreyPalette();
uint32_t PackColor(uint8_t x, uint8_t y, uint8_t z);
uint32_t SwapColor(uint32_t color);
void SwapPalette(const Palette256& source, Palette256& destination);

} // namespace tv
