#include "engine/Graphics.h"

#include "mapdata/Notices.h"

namespace tv {

PD3DObject D3DObject;
PD3DDevice D3DDevice;
D3DPRESENT_PARAMETERS PresentParams;
// Constant-initialised, so that code running before main can copy it.
const D3DMATRIX IdentityMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

PD3DObject Direct3DCreate8(uint32_t sdkVersion) {
    return TD3DObject::Create(sdkVersion);
}

bool CreateGraphicsDevice(HWND window, bool fullScreen, int width, int height, int bitsPerPixel,
                          int backBufferCount, bool hardware) {
    D3DObject = Direct3DCreate8(D3D_SDK_VERSION);
    if (!D3DObject)
        return false;
    // The settings are about to change: a device made with the old ones must not outlive
    // them, even when this call fails.
    D3DDevice.reset();
    PresentParams = D3DPRESENT_PARAMETERS{};
    PresentParams.Windowed = fullScreen ? 0u : 0xFFFFFFFFu;
    PresentParams.hDeviceWindow = window;
    if (fullScreen) {
        PresentParams.BackBufferWidth = static_cast<uint32_t>(width);
        PresentParams.BackBufferHeight = static_cast<uint32_t>(height);
        if (bitsPerPixel == 16)
            PresentParams.BackBufferFormat = D3DFMT_R5G6B5;
        else if (bitsPerPixel == 32)
            PresentParams.BackBufferFormat = D3DFMT_A8R8G8B8;
        else
            return false;
        PresentParams.BackBufferCount = static_cast<uint32_t>(backBufferCount);
        PresentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    } else {
        D3DDISPLAYMODE mode;
        if (FAILED(D3DObject->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
            return false;
        PresentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
        PresentParams.BackBufferFormat = mode.Format;
    }
    const uint32_t deviceType = hardware ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
    if (FAILED(D3DObject->CreateDevice(D3DADAPTER_DEFAULT, deviceType, window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &PresentParams,
                                       &D3DDevice))) {
        ShowMessageBox("d3d device failed");
        return false;
    }
    return true;
}

void ReleaseGraphicsDevice() {
    if (D3DDevice)
        D3DDevice.reset();
    if (D3DObject)
        D3DObject.reset();
}

} // namespace tv
