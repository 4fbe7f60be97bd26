#pragma once

// Device textures from picture files and bitmaps, and back.

#include "engine/Device.h"

#include <QImage>
#include <cstdint>
#include <string>

class QByteArray;

namespace tv {

// The device on which textures are made from bitmaps; set by the editor's view set-up.
extern PD3DDevice EngineDevice;

// BaseFolder() + "Data\Graphic\" + name.
std::string GraphicFilePath(const std::string& name);

// Makes a texture of one level from a picture. width/height 0 keep the picture's size; other
// sizes resize it (filter D3DX_FILTER_LINEAR smooths, any other filter picks the nearest
// pixel). format 0 gives A8R8G8B8 when the picture has an alpha channel or a colour key is
// given, else X8R8G8B8; 23 (R5G6B5) makes a 16-bit texture. Pixels whose opaque ARGB value
// equals colorKey become transparent black (0 switches the key off). mipLevels must be 0 or
// 1; the texture always has one level.
HRESULT D3DXCreateTextureFromImage(const PD3DDevice& device, const QImage& picture, uint32_t width,
                                   uint32_t height, uint32_t mipLevels, uint32_t usage,
                                   uint32_t format, uint32_t pool, uint32_t filter,
                                   uint32_t mipFilter, uint32_t colorKey, PD3DTexture* texture);
// The same from a picture file (PNG, JPEG, BMP, TGA, ...) or from a picture file's bytes.
HRESULT D3DXCreateTextureFromFileEx(const PD3DDevice& device, const std::string& path,
                                    uint32_t width, uint32_t height, uint32_t mipLevels,
                                    uint32_t usage, uint32_t format, uint32_t pool, uint32_t filter,
                                    uint32_t mipFilter, uint32_t colorKey, PD3DTexture* texture);
HRESULT D3DXCreateTextureFromFileInMemoryEx(const PD3DDevice& device, const void* data,
                                            uint32_t size, uint32_t width, uint32_t height,
                                            uint32_t mipLevels, uint32_t usage, uint32_t format,
                                            uint32_t pool, uint32_t filter, uint32_t mipFilter,
                                            uint32_t colorKey, PD3DTexture* texture);

// Loads BaseFolder + "Data\Graphic\" + name when that file exists; otherwise the texture comes
// back empty and nothing is reported. A file that cannot be read as a picture raises "Error
// when loading texture.".
void LoadGraphicTexture(const PD3DDevice& device, const std::string& name, uint32_t filter,
                        uint32_t colorKey, uint32_t format, PD3DTexture& texture);
// Makes a texture of the picture's own size in the managed pool; raises "Error when loading
// texture." when no texture results.
void LoadTextureFromFile(const PD3DDevice& device, const std::string& path, uint32_t filter,
                         uint32_t colorKey, uint32_t format, PD3DTexture& texture);

// Makes a texture on EngineDevice from a bitmap. The bitmap is turned into 24 bits per pixel
// first (the caller's bitmap changes, and its alpha is gone), so only the colour key makes
// pixels transparent. Raises "Error whern converting texture." on failure.
void BitmapToTexture(QImage& bitmap, uint32_t colorKey, PD3DTexture& texture);

// A new 24-bit bitmap of texture level 0, upright. Raises "Error whern converting texture."
// for no texture (or one whose level cannot be read) and "Tex->Bmp convert error.Not a 32 bit
// Texture." for a texture that is not A8R8G8B8 or X8R8G8B8.
QImage TextureToBitmap(TD3DTexture* texture);

} // namespace tv
