#include "engine/GraphicResources.h"

#include "mapdata/Errors.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <cstring>

namespace tv {

PD3DDevice EngineDevice;

std::string GraphicFilePath(const std::string& name) {
    return BaseFolder() + "Data\\Graphic\\" + name;
}

namespace {

// The picture as straight-alpha ARGB32 with the colour key applied.
QImage KeyedPicture(const QImage& picture, uint32_t colorKey) {
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    if (colorKey == 0 || argb.isNull())
        return argb;
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (row[x] == colorKey)
                row[x] = 0;
    }
    return argb;
}

QImage ReadPicture(QImageReader& reader) {
    reader.setAutoTransform(false);
    QImage picture;
    if (!reader.read(&picture))
        return {};
    return picture;
}

} // namespace

HRESULT D3DXCreateTextureFromImage(const PD3DDevice& device, const QImage& picture, uint32_t width,
                                   uint32_t height, uint32_t mipLevels, uint32_t usage,
                                   uint32_t format, uint32_t pool, uint32_t filter,
                                   uint32_t /*mipFilter*/, uint32_t colorKey,
                                   PD3DTexture* texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    texture->reset();
    if (!device || mipLevels > 1)
        return D3DERR_INVALIDCALL;
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return D3DXERR_INVALIDDATA;
    if (format == D3DFMT_UNKNOWN)
        format = picture.hasAlphaChannel() || colorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (width == 0)
        width = static_cast<uint32_t>(picture.width());
    if (height == 0)
        height = static_cast<uint32_t>(picture.height());
    const int maxSize = device->MaxTextureSize();
    if (width > static_cast<uint32_t>(maxSize) || height > static_cast<uint32_t>(maxSize))
        return D3DERR_OUTOFVIDEOMEMORY;

    QImage pixels = KeyedPicture(picture, colorKey);
    if (pixels.isNull())
        return E_OUTOFMEMORY;
    if (pixels.width() != static_cast<int>(width) || pixels.height() != static_cast<int>(height))
        pixels = pixels.scaled(
            static_cast<int>(width), static_cast<int>(height), Qt::IgnoreAspectRatio,
            filter == D3DX_FILTER_LINEAR ? Qt::SmoothTransformation : Qt::FastTransformation);
    if (format == D3DFMT_R5G6B5)
        pixels = pixels.convertToFormat(QImage::Format_RGB16);
    if (pixels.isNull())
        return E_OUTOFMEMORY;

    PD3DTexture made;
    HRESULT hr = device->CreateTexture(width, height, 1, usage, format, pool, &made);
    if (FAILED(hr))
        return hr;
    hr = made->SetPixels(pixels.constBits(), static_cast<int>(pixels.bytesPerLine()));
    if (FAILED(hr))
        return hr;
    *texture = std::move(made);
    return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileEx(const PD3DDevice& device, const std::string& path,
                                    uint32_t width, uint32_t height, uint32_t mipLevels,
                                    uint32_t usage, uint32_t format, uint32_t pool, uint32_t filter,
                                    uint32_t mipFilter, uint32_t colorKey, PD3DTexture* texture) {
    if (texture)
        texture->reset();
    // Only a regular file: a pipe in its place would block, a device never end.
    QFile file;
    try {
        uint64_t size = 0;
        const int fd = OpenRegularFile(NativePath(path), path, size);
        file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    } catch (const EError&) {
        return D3DXERR_INVALIDDATA;
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QImage picture = ReadPicture(reader);
    if (picture.isNull())
        return D3DXERR_INVALIDDATA;
    return D3DXCreateTextureFromImage(device, picture, width, height, mipLevels, usage, format,
                                      pool, filter, mipFilter, colorKey, texture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(const PD3DDevice& device, const void* data,
                                            uint32_t size, uint32_t width, uint32_t height,
                                            uint32_t mipLevels, uint32_t usage, uint32_t format,
                                            uint32_t pool, uint32_t filter, uint32_t mipFilter,
                                            uint32_t colorKey, PD3DTexture* texture) {
    if (texture)
        texture->reset();
    if (!data || size == 0 || size > static_cast<uint32_t>(INT32_MAX))
        return D3DERR_INVALIDCALL;
    QByteArray bytes =
        QByteArray::fromRawData(static_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QImage picture = ReadPicture(reader);
    if (picture.isNull())
        return D3DXERR_INVALIDDATA;
    return D3DXCreateTextureFromImage(device, picture, width, height, mipLevels, usage, format,
                                      pool, filter, mipFilter, colorKey, texture);
}

void LoadGraphicTexture(const PD3DDevice& device, const std::string& name, uint32_t filter,
                        uint32_t colorKey, uint32_t format, PD3DTexture& texture) {
    const std::string path = GraphicFilePath(name);
    if (!FileExists(path)) {
        texture.reset();
        return;
    }
    LoadTextureFromFile(device, path, filter, colorKey, format, texture);
}

void LoadTextureFromFile(const PD3DDevice& device, const std::string& path, uint32_t filter,
                         uint32_t colorKey, uint32_t format, PD3DTexture& texture) {
    texture.reset();
    const HRESULT hr =
        D3DXCreateTextureFromFileEx(device, path, 0, 0, 1, 0, format, D3DPOOL_MANAGED, filter,
                                    D3DX_FILTER_NONE, colorKey, &texture);
    if (FAILED(hr) || !texture)
        RaiseEngineError(ERR_TEXTURE_LOAD);
}

void BitmapToTexture(QImage& bitmap, uint32_t colorKey, PD3DTexture& texture) {
    bitmap = bitmap.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::WriteOnly);
        if (bitmap.isNull() || !bitmap.save(&stream, "BMP"))
            bytes.clear();
    }
    texture.reset();
    const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        EngineDevice, bytes.constData(), static_cast<uint32_t>(bytes.size()), 0, 0, 1, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, colorKey, &texture);
    if (FAILED(hr) || !texture)
        RaiseEngineError(ERR_TEX_CONVERT);
}

QImage TextureToBitmap(TD3DTexture* texture) {
    if (!texture)
        RaiseEngineError(ERR_TEX_CONVERT);
    D3DSURFACE_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc)))
        RaiseEngineError(ERR_TEX_CONVERT);
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        RaiseEngineError(ERR_TEX_NOT_32BIT);
    QImage dib(static_cast<int>(desc.Width), static_cast<int>(desc.Height), QImage::Format_RGB32);
    if (dib.isNull())
        RaiseEngineError(ERR_TEX_CONVERT);
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        RaiseEngineError(ERR_TEX_CONVERT);
    // The texture's top row is the picture's top row.
    const auto* source = static_cast<const uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < desc.Height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(dib.scanLine(static_cast<int>(y)));
        std::memcpy(row, source + size_t{y} * static_cast<size_t>(locked.Pitch), desc.Width * 4);
        for (uint32_t x = 0; x < desc.Width; ++x)
            row[x] |= 0xFF000000u;
    }
    texture->UnlockRect(0);
    return dib.convertToFormat(QImage::Format_RGB888);
}

} // namespace tv
