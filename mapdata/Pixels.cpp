#include "mapdata/Pixels.h"

#include <cstddef>

namespace tv {

namespace {

uint32_t Ones(uint32_t bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

uint32_t ShiftLeft(uint32_t value, int32_t shift) {
    if (shift >= 32)
        return 0;
    return shift >= 0 ? value << shift : value >> -shift;
}

uint32_t ShiftRight(uint32_t value, int32_t shift) {
    return ShiftLeft(value, -shift);
}

// Length of the run of set bits that starts at the mask's lowest set bit (bits 0..30).
uint32_t RunLength(uint32_t mask) {
    if (mask == 0 || mask == 0xFFFFFFFFu)
        return 0;
    int bit = 0;
    while (bit <= 30 && !(mask & (1u << bit)))
        ++bit;
    uint32_t count = 0;
    while (bit <= 30 && (mask & (1u << bit))) {
        ++count;
        ++bit;
    }
    return count;
}

} // namespace

PixelLayout LayoutFromBits(uint32_t a, uint32_t b, uint32_t c) {
    PixelLayout l;
    l.Masks[0] = ShiftLeft(Ones(a), static_cast<int32_t>(b + c));
    l.Masks[1] = ShiftLeft(Ones(b), static_cast<int32_t>(c));
    l.Masks[2] = Ones(c);
    l.Bits[0] = a;
    l.Bits[1] = b;
    l.Bits[2] = c;
    l.PackShifts[0] = static_cast<int32_t>(a + b + c) - 8;
    l.PackShifts[1] = static_cast<int32_t>(b + c) - 8;
    l.PackShifts[2] = 8 - static_cast<int32_t>(c);
    l.ReplicationShifts[0] = 8 - static_cast<int32_t>(a);
    l.ReplicationShifts[1] = 8 - static_cast<int32_t>(b);
    l.ReplicationShifts[2] = 8 - static_cast<int32_t>(c);
    return l;
}

PixelLayout LayoutFromMasks(uint32_t first, uint32_t second, uint32_t third) {
    return LayoutFromBits(RunLength(first), RunLength(second), RunLength(third));
}

uint32_t PackPixel(const PixelLayout& l, uint8_t x, uint8_t y, uint8_t z) {
    return (ShiftLeft(x, l.PackShifts[0]) & l.Masks[0]) |
           (ShiftLeft(y, l.PackShifts[1]) & l.Masks[1]) |
           (ShiftRight(z, l.PackShifts[2]) & l.Masks[2]);
}

void UnpackPixel(const PixelLayout& l, uint32_t pixel, uint8_t& x, uint8_t& y, uint8_t& z) {
    auto channel = [&](int i) {
        const uint32_t v = ShiftRight(pixel & l.Masks[i], l.PackShifts[i] * (i < 2 ? 1 : -1));
        const uint32_t v8 = v & 0xFF;
        return static_cast<uint8_t>(v8 | ShiftRight(v8, l.ReplicationShifts[i]));
    };
    x = channel(0);
    y = channel(1);
    z = channel(2);
}

Palette256 GreyPalette() {
    Palette256 p;
    for (int i = 0; i < 256; ++i)
        p[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    return p;
}

uint32_t PackColor(uint8_t x, uint8_t y, uint8_t z) {
    return ((static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) | z) & 0xFFFFFFu;
}

uint32_t SwapColor(uint32_t color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

void SwapPalette(const Palette256& source, Palette256& destination) {
    for (std::size_t i = 0; i < 256; ++i) {
        const auto& s = source[i];
        destination[i] = {s.B2, s.B1, s.B0, 0};
    }
}

} // namespace tv
