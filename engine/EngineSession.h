#pragma once

// The one owner of the engine's process-wide graphics objects: the Direct3D object and the
// device (D3DObject, D3DDevice), EngineDevice, the texture cache (TextureMgr) and the device
// cursor (DXCursor). A host (the editor's view, a tool's headless view, a test) makes one
// session; it sets them up in that order and releases them in the reverse one: the cursor and
// the cached textures while the device they were made on is still the engine's, then the
// engine's references to the device. The device itself lives on while anything else holds it.

#include "engine/D3DTypes.h"
#include "engine/Device.h"

#include <functional>
#include <memory>

namespace tv {

class TDXCursor;
class TTextureMgr;

class TEngineSession {
public:
    // Makes D3DObject and D3DDevice (a CreateGraphicsDevice call or a stand-in that sets
    // them the same way), then EngineDevice and the texture cache on that device. Holds no
    // device, and leaves no engine object behind, when makeDevice fails; and holds none, and
    // touches nothing, while another session or a device made by hand is alive in the
    // process.
    explicit TEngineSession(const std::function<bool()>& makeDevice);
    // A windowed device of 32 bits per pixel, one back buffer, on window (a THeadlessTarget
    // of width x height, or a TWindowTarget).
    TEngineSession(HWND window, int width, int height);
    ~TEngineSession();
    TEngineSession(const TEngineSession&) = delete;
    TEngineSession& operator=(const TEngineSession&) = delete;

    // The device, or empty when the session holds none (then there is no texture cache).
    const PD3DDevice& Device() const { return device_; }
    TTextureMgr* Textures() const;
    // Makes the device cursor; it is released first of all. Does nothing without a device.
    void InstallCursor(std::unique_ptr<TDXCursor> cursor);

private:
    void Release();

    PD3DDevice device_;
};

} // namespace tv
