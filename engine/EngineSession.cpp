#include "engine/EngineSession.h"

#include "engine/DXCursor.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"

namespace tv {

namespace {

bool EngineObjectsFree() {
    return !D3DObject && !D3DDevice && !EngineDevice && !TextureMgr && !DXCursor;
}

} // namespace

TEngineSession::TEngineSession(const std::function<bool()>& makeDevice) {
    if (!EngineObjectsFree())
        return; // they belong to someone else in this process
    try {
        if (!makeDevice() || !D3DDevice) {
            // A failed creation may have made the Direct3D object.
            ReleaseGraphicsDevice();
            return;
        }
        device_ = D3DDevice;
        EngineDevice = device_;
        TextureMgr = std::make_unique<TTextureMgr>(device_);
    } catch (...) {
        Release();
        ReleaseGraphicsDevice();
        throw;
    }
}

TEngineSession::TEngineSession(HWND window, int width, int height)
    : TEngineSession(
          [&] { return CreateGraphicsDevice(window, false, width, height, 32, 1, true); }) {}

TEngineSession::~TEngineSession() {
    Release();
}

TTextureMgr* TEngineSession::Textures() const {
    return device_ ? TextureMgr.get() : nullptr;
}

void TEngineSession::InstallCursor(std::unique_ptr<TDXCursor> cursor) {
    if (device_)
        DXCursor = std::move(cursor);
}

void TEngineSession::Release() {
    if (!device_)
        return;
    // What was made on the device first (the cursor's panel, the cached textures), then the
    // engine's references to the device, the Direct3D object last.
    DXCursor.reset();
    TextureMgr.reset();
    EngineDevice.reset();
    ReleaseGraphicsDevice();
    device_.reset();
}

} // namespace tv
