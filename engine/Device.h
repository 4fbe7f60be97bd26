#pragma once

// The graphics device layer: a Direct3D-shaped device drawn with OpenGL 3.3 core.
//
// A device always draws into its own back buffer (an OpenGL framebuffer object of the back
// buffer's size). Present copies the back buffer to the device window, scaled to the window's
// pixels, and swaps. A headless target (THeadlessTarget) has no window: Present only finishes
// the frame, and ReadBackBuffer gives the pixels to tests and to the render tool.
//
// The fixed-function states the engine uses become one shader: stage 0 only, texture and
// diffuse colour combined by COLOROP/ALPHAOP (MODULATE, SELECTARG1, SELECTARG2, DISABLE),
// alpha blending with the D3DBLEND factors, wrap/mirror/clamp addressing, point or linear
// filtering. Lighting, culling, depth and the material are stored but have no effect: the
// engine switches lighting off, culls nothing and draws without a depth buffer.
//
// Draw calls are collected into one vertex batch (positions already multiplied by the world
// matrix) and handed to OpenGL as one draw when a state that affects the batch changes, when
// the back buffer is cleared, read or presented, and at EndScene. A batch holds draws of up to
// BatchTextureSlots() textures of one kind (format, sides powers of two or not; each vertex
// names its texture's slot), so sprites of several pictures in any order share one draw; a
// further texture, or one of another kind, starts a new batch. The fragment program is made
// for the stage 0 operations of the batch and for whether it holds one texture or several
// (linked at the first batch of each combination); otherwise drawing allocates nothing.
//
// Lost and not-reset states:
//   - the device is lost while its window cannot be drawn to: not exposed (hidden,
//     minimised, covered completely where the platform reports it), zero-sized, or gone;
//     TestCooperativeLevel then returns D3DERR_DEVICELOST and Present draws nothing;
//   - once the window can be drawn again, or whenever a windowed device's window has a size
//     other than the back buffer's, TestCooperativeLevel returns D3DERR_DEVICENOTRESET;
//   - Reset(params) makes the back buffer anew (windowed: the window's client size in pixels;
//     full screen: the size in params), puts every render state, texture-stage state,
//     transform and binding back to its default, and returns D3D_OK; it fails with
//     D3DERR_DEVICELOST while the window still cannot be drawn. Textures and vertex buffers
//     (managed pool) keep their contents across a reset.

#include "engine/D3DTypes.h"
#include "mapdata/Geometry.h"

#include <QImage>
#include <QPointer>
#include <QSize>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWindow;

namespace tv {

class TD3DDevice;
class TD3DObject;
class TD3DTexture;
class TD3DVertexBuffer;

using PD3DObject = std::shared_ptr<TD3DObject>;
using PD3DDevice = std::shared_ptr<TD3DDevice>;
using PD3DTexture = std::shared_ptr<TD3DTexture>;
using PD3DVertexBuffer = std::shared_ptr<TD3DVertexBuffer>;

// What a device is made for (the "device window"). One device at a time draws to a target;
// destroying the target leaves its device lost for good.
class TDeviceWindow {
public:
    TDeviceWindow() = default;
    virtual ~TDeviceWindow();
    TDeviceWindow(const TDeviceWindow&) = delete;
    TDeviceWindow& operator=(const TDeviceWindow&) = delete;

    // Size of the drawable area in pixels.
    virtual QSize ClientSize() const = 0;
    // False while nothing can be shown (not exposed, zero size).
    virtual bool CanDraw() const = 0;
    // The window Present shows the back buffer in; nullptr for a headless target.
    virtual QWindow* Window() const { return nullptr; }
    // Refresh rate used to pace presents where swapping does not wait for the display.
    virtual double RefreshRate() const { return 60.0; }

protected:
    // The window's surface is about to go: the device stops using it.
    void SurfaceGoing();

private:
    friend class TD3DDevice;
    TD3DDevice* device_ = nullptr;
};

// A QWindow as the device window. The window gets the OpenGL surface type and the device's
// surface format when it has no platform window yet; a window already created with another
// surface type cannot take a device. The target must outlive its use by the device.
class TWindowTarget : public TDeviceWindow {
public:
    explicit TWindowTarget(QWindow* window);
    ~TWindowTarget() override;

    QSize ClientSize() const override;
    bool CanDraw() const override;
    QWindow* Window() const override;
    double RefreshRate() const override;

private:
    class Watcher;
    QPointer<QWindow> window_;
    std::unique_ptr<Watcher> watcher_;
};

// A back buffer without a window (tests, rendering to a file). Its size and drawability are
// set by hand, so the lost/reset path can be driven without a display.
class THeadlessTarget : public TDeviceWindow {
public:
    THeadlessTarget(int width, int height) : size_(width, height) {}

    QSize ClientSize() const override { return size_; }
    bool CanDraw() const override { return drawable_ && !size_.isEmpty(); }

    void SetSize(int width, int height) { size_ = QSize(width, height); }
    void SetDrawable(bool drawable) { drawable_ = drawable; }

private:
    QSize size_;
    bool drawable_ = true;
};

// The "Direct3D object": proof that an OpenGL 3.3 core context can be had, and the maker of
// devices.
class TD3DObject : public std::enable_shared_from_this<TD3DObject> {
public:
    // Empty when the SDK version is not D3D_SDK_VERSION, when there is no GUI application or
    // when no OpenGL 3.3 core context can be made.
    static PD3DObject Create(uint32_t sdkVersion);

    // Adapter 0 only: the primary screen's size, refresh rate and pixel format (22, or 23 on a
    // 16-bit screen).
    HRESULT GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) const;
    HRESULT CreateDevice(uint32_t adapter, uint32_t deviceType, HWND focusWindow,
                         uint32_t behaviorFlags, D3DPRESENT_PARAMETERS* params, PD3DDevice* device);
    // Why the last CreateDevice failed (for shaders the driver refused, its compile or link
    // log); empty after a success.
    const std::string& LastError() const { return lastError_; }

private:
    struct Token {};
    std::string lastError_;

public:
    explicit TD3DObject(Token) {}
};

// A texture of one mip level in the managed pool. Formats 21 (A8R8G8B8), 22 (X8R8G8B8, alpha
// read as opaque) and 23 (R5G6B5). Locking reads the level back from the device into a CPU
// copy that lives only until the unlock, which writes it back unless the lock was read-only.
class TD3DTexture {
public:
    ~TD3DTexture();
    TD3DTexture(const TD3DTexture&) = delete;
    TD3DTexture& operator=(const TD3DTexture&) = delete;

    uint32_t GetLevelCount() const { return 1; }
    HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const;
    // rect: nullptr for the whole level; the pointer then addresses the rectangle's first
    // pixel and rows lie Pitch bytes apart.
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const TRect* rect, uint32_t flags);
    HRESULT UnlockRect(uint32_t level);
    PD3DDevice GetDevice() const { return device_; }

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Format() const { return format_; }
    static uint32_t BytesPerPixel(uint32_t format);
    // The format and whether width and height are powers of two: what shaders may be made
    // anew for (see the batches of TD3DDevice).
    uint32_t Kind() const;

    // Replaces the whole level from rows of the texture's format (pitch bytes apart), without
    // reading the old contents back first.
    HRESULT SetPixels(const void* bits, int pitch);

private:
    friend class TD3DDevice;
    struct Token {};

public:
    TD3DTexture(Token, PD3DDevice device, uint32_t width, uint32_t height, uint32_t format,
                uint32_t usage, uint32_t pool);

private:
    PD3DDevice device_;
    uint32_t glName_ = 0;
    uint32_t width_;
    uint32_t height_;
    uint32_t format_;
    uint32_t usage_;
    uint32_t pool_;
    std::vector<uint8_t> lockCopy_;
    bool locked_ = false;
    bool lockReadOnly_ = false;
};

// A vertex buffer of the managed pool. Its vertices stay in memory: DrawPrimitive reads them
// from there into the device's batch.
class TD3DVertexBuffer {
public:
    ~TD3DVertexBuffer();
    TD3DVertexBuffer(const TD3DVertexBuffer&) = delete;
    TD3DVertexBuffer& operator=(const TD3DVertexBuffer&) = delete;

    // size 0 locks from offset to the end.
    HRESULT Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    HRESULT Unlock();
    uint32_t Length() const { return static_cast<uint32_t>(data_.size()); }
    uint32_t FVF() const { return fvf_; }
    const uint8_t* Data() const { return data_.data(); }

private:
    friend class TD3DDevice;
    struct Token {};

public:
    TD3DVertexBuffer(Token, PD3DDevice device, uint32_t length, uint32_t fvf);

private:
    PD3DDevice device_;
    std::vector<uint8_t> data_;
    uint32_t fvf_;
    bool locked_ = false;
};

// The time presents are paced by, and the wait until the next one. Devices use the steady
// clock and really sleep; tests install a clock whose waits only move its time on.
class IPresentClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~IPresentClock() = default;
    virtual TimePoint Now() const = 0;
    virtual void SleepUntil(TimePoint when) = 0;
};

// How a batch's fragment shader picks the texture of each vertex among the batch's textures:
// by indexing the array of samplers with the vertex's slot (one fetch; needs GLSL 4.00, and is
// chosen only on Mesa's software renderers: they shade one triangle at a time, so the index
// is the same throughout a run of the shader, which GLSL asks of it), or by branching to a
// fetch from a fixed array element (any driver). A device made for IndexedArray on an older
// context branches.
enum class TBatchSampling { Automatic, IndexedArray, Branches };
// The way devices made from now on sample (tests); Automatic picks by driver.
void SetBatchSampling(TBatchSampling sampling);

// Counters for tests and benchmarks.
struct TDeviceStats {
    uint64_t DrawPrimitiveCalls = 0;
    uint64_t BatchesFlushed = 0;
    uint64_t Presents = 0;
    uint64_t PresentSleeps = 0;
    uint64_t RefreshWaits = 0;
    uint64_t PicturesKept = 0;
    uint64_t PicturesRestored = 0;
};

class TD3DDevice : public std::enable_shared_from_this<TD3DDevice> {
public:
    ~TD3DDevice();
    TD3DDevice(const TD3DDevice&) = delete;
    TD3DDevice& operator=(const TD3DDevice&) = delete;

    HRESULT TestCooperativeLevel();
    HRESULT Reset(D3DPRESENT_PARAMETERS* params);

    // rects in back-buffer pixels (top-left origin); count 0 clears the whole target.
    HRESULT Clear(uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color, float z,
                  uint32_t stencil);
    HRESULT BeginScene();
    HRESULT EndScene();
    // The whole back buffer to the device window; the rectangles and window override of the
    // platform call are not supported and must be nullptr.
    HRESULT Present(const TRect* source = nullptr, const TRect* dest = nullptr,
                    HWND overrideWindow = nullptr, const void* dirtyRegion = nullptr);

    HRESULT SetRenderState(uint32_t state, uint32_t value);
    HRESULT GetRenderState(uint32_t state, uint32_t* value) const;
    HRESULT SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    HRESULT GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const;
    HRESULT SetTransform(uint32_t state, const D3DMATRIX* matrix);
    HRESULT GetTransform(uint32_t state, D3DMATRIX* matrix) const;
    HRESULT SetMaterial(const D3DMATERIAL8* material);
    HRESULT GetMaterial(D3DMATERIAL8* material) const;
    // The device does not hold the texture: a texture that is destroyed while bound is
    // unbound by its destruction.
    HRESULT SetTexture(uint32_t stage, TD3DTexture* texture);
    TD3DTexture* GetTexture(uint32_t stage) const;
    // Only the vertex format 0x142 (position, diffuse colour, one texture coordinate pair).
    HRESULT SetVertexShader(uint32_t fvf);
    HRESULT SetStreamSource(uint32_t stream, TD3DVertexBuffer* buffer, uint32_t stride);
    HRESULT GetStreamSource(uint32_t stream, TD3DVertexBuffer** buffer, uint32_t* stride) const;
    uint32_t GetVertexShader() const { return fvf_; }
    HRESULT DrawPrimitive(uint32_t primitiveType, uint32_t startVertex, uint32_t primitiveCount);

    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                          uint32_t format, uint32_t pool, PD3DTexture* texture);
    HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                               PD3DVertexBuffer* buffer);

    PD3DObject GetDirect3D() const { return object_; }
    HWND DeviceWindow() const { return window_; }
    QSize BackBufferSize() const { return backBufferSize_; }
    uint32_t DeviceType() const { return deviceType_; }
    // The back buffer's pixels, top row first, as opaque RGB32.
    QImage ReadBackBuffer();
    const TDeviceStats& Stats() const { return stats_; }
    // Installs the clock presents are paced by (not owned); nullptr restores the steady clock.
    void SetPresentClock(IPresentClock* clock);
    // Limits Clear and drawing to a rectangle of the back buffer (pixels, top-left origin;
    // nullptr lifts the limit), so that only the part of a picture that changed is drawn
    // again. Present always shows the whole back buffer.
    void SetClipRect(const TRect* rect);
    // Copies of the whole back buffer kept on the device, for a view that comes back to a
    // picture it showed before (its animations going round): KeepPicture copies the back
    // buffer into a slot (0 .. kKeptPictureSlots - 1), RestorePicture copies a kept one back
    // exactly. A new back buffer (Reset) and DropPictures forget them; restoring a slot that
    // holds nothing fails with D3DERR_INVALIDCALL.
    static constexpr uint32_t kKeptPictureSlots = 16;
    HRESULT KeepPicture(uint32_t slot);
    HRESULT RestorePicture(uint32_t slot);
    void DropPictures();
    // For a frame that has nothing new to show: waits until one refresh period after the last
    // present (or the last such wait), so a frame loop that draws nothing keeps the display's
    // pace instead of spinning.
    void WaitForRefresh();
    int MaxTextureSize() const { return maxTextureSize_; }
    // How many textures one batch may hold, and how the shader picks among them.
    int BatchTextureSlots() const { return batchSlotCount_; }
    TBatchSampling BatchSampling() const { return batchSampling_; }

private:
    friend class TD3DObject;
    friend class TD3DTexture;
    friend class TD3DVertexBuffer;
    friend class TDeviceWindow;
    struct Gl;
    struct GlProgram;
    struct Token {};

public:
    TD3DDevice(Token, PD3DObject object);

private:
    // What all draws of one batch share; the textures are the batch's slots.
    struct DrawState {
        bool HasTexture = false;
        uint32_t BlendEnable = 0, SrcBlend = 0, DestBlend = 0;
        uint32_t ColorOp = 0, ColorArg1 = 0, ColorArg2 = 0;
        uint32_t AlphaOp = 0, AlphaArg1 = 0, AlphaArg2 = 0;
        uint32_t MinFilter = 0, MagFilter = 0, AddressU = 0, AddressV = 0;
        uint32_t TextureFactor = 0;
        D3DMATRIX ViewProjection{};
        bool operator==(const DrawState& other) const;
    };
    struct BatchVertex {
        float X, Y, Z, W;
        uint32_t Color;
        float U, V;
        int32_t Slot;
    };
    static constexpr int kMaxBatchSlots = 16;

    // On failure, failure says why.
    HRESULT Initialise(HWND window, const D3DPRESENT_PARAMETERS& params, uint32_t deviceType,
                       std::string& failure);
    bool MakeCurrent();
    // Links the batch shader with a fragment main; on failure, failure says why.
    bool LinkProgram(const std::string& main, int slotCount, GlProgram& made, std::string& failure);
    // The program for a batch's stage 0 operations; oneTexture for a batch of one texture.
    const GlProgram& ProgramFor(const DrawState& state, bool oneTexture);
    bool GlAlive() const;
    bool CreateBackBuffer(QSize size);
    // Copies the whole picture from one framebuffer to another of the back buffer's size.
    void CopyPicture(unsigned from, unsigned to);
    QSize WantedBackBufferSize(const D3DPRESENT_PARAMETERS& params) const;
    void SetDefaultStates();
    void MarkDirty() { stateDirty_ = true; }
    DrawState CurrentState() const;
    // The slot of the stage 0 texture in the batch; a texture new to a full batch flushes it.
    int32_t SlotFor(const TD3DTexture* texture);
    bool InBatch(const TD3DTexture* texture) const;
    void Flush();
    void ApplyClip();
    void PaceAfterSwap(IPresentClock::TimePoint swapStart);
    void WindowGoing();
    void SurfaceGoing();
    void TextureGoing(TD3DTexture* texture);
    void TextureWritten(const TD3DTexture* texture);
    void BufferGoing(TD3DVertexBuffer* buffer);

    PD3DObject object_;
    std::unique_ptr<Gl> gl_;
    HWND window_ = nullptr;
    bool windowed_ = true;
    uint32_t deviceType_ = D3DDEVTYPE_HAL;
    QSize backBufferSize_;
    bool lost_ = false;
    bool inScene_ = false;
    int maxTextureSize_ = 0;

    uint32_t renderStates_[kRenderStateCount] = {};
    uint32_t stageStates_[kTextureStageCount][kTextureStageStateCount] = {};
    D3DMATRIX world_{}, view_{}, projection_{};
    D3DMATERIAL8 material_{};
    TD3DTexture* textures_[kTextureStageCount] = {};
    uint32_t fvf_ = 0;
    TD3DVertexBuffer* stream_ = nullptr;
    uint32_t streamStride_ = 0;

    bool stateDirty_ = true;
    DrawState batchState_;
    std::vector<BatchVertex> batch_;
    size_t batchCount_ = 0;
    const TD3DTexture* batchTextures_[kMaxBatchSlots] = {};
    int batchTextureCount_ = 0;
    int batchSlotCount_ = 1;
    TBatchSampling batchSampling_ = TBatchSampling::Branches;

    IPresentClock* presentClock_;
    std::optional<TRect> clip_;
    std::optional<IPresentClock::TimePoint> lastPresent_; // of a present to a window
    TDeviceStats stats_;
};

} // namespace tv
