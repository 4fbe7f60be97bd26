#pragma once

// The process-wide graphics objects: the Direct3D object, the one rendering device, the
// settings it was made with, the shared identity matrix, and colour helpers.

#include "engine/D3DTypes.h"
#include "engine/D3DXMath.h"
#include "engine/Device.h"

#include <cstdint>

namespace tv {

extern PD3DObject D3DObject;
extern PD3DDevice D3DDevice;
// Settings of the last CreateGraphicsDevice; the render loop hands them to Reset unchanged.
extern D3DPRESENT_PARAMETERS PresentParams;
extern const D3DMATRIX IdentityMatrix;

// The Direct3D object, or empty when the SDK version is not 120 or no OpenGL 3.3 core
// context can be had.
PD3DObject Direct3DCreate8(uint32_t sdkVersion);

// Makes D3DObject and D3DDevice for a window (a TWindowTarget for a QWindow, or a
// THeadlessTarget). Width, height, bits per pixel and back-buffer count count only in full
// screen, where the back buffer gets that size and the window shows it scaled; the display
// mode is never changed. Returns false without a message when no Direct3D object can be made,
// for full screen at other than 16 or 32 bits, and when the display mode cannot be read;
// shows "d3d device failed" and returns false when the device cannot be made (the reason is
// then in D3DObject->LastError(); shaders the driver refuses are also reported on stderr).
bool CreateGraphicsDevice(HWND window, bool fullScreen, int width, int height, int bitsPerPixel,
                          int backBufferCount, bool hardware);
// Releases D3DDevice, then D3DObject (each only if held). The device itself lives on while
// textures or panels still hold it.
void ReleaseGraphicsDevice();

// 32-bit colours: alpha in bits 31..24, red 23..16, green 15..8, blue 7..0.
constexpr uint32_t D3DCOLOR_ARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint8_t GetAlpha(uint32_t color) {
    return static_cast<uint8_t>(color >> 24);
}
constexpr uint8_t GetRed(uint32_t color) {
    return static_cast<uint8_t>(color >> 16);
}
constexpr uint8_t GetGreen(uint32_t color) {
    return static_cast<uint8_t>(color >> 8);
}
constexpr uint8_t GetBlue(uint32_t color) {
    return static_cast<uint8_t>(color);
}
// Note the argument order: alpha last.
constexpr uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    return (uint32_t{alpha} << 24) | (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
}

inline D3DXVECTOR2 Vector2(float x, float y) {
    return D3DXVECTOR2{x, y};
}

} // namespace tv
