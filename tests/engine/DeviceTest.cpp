// The graphics device: creation and its settings, release, lost/reset, clearing, drawing
// validation, textures and vertex buffers, matrices and the text font.

#include "GfxFixture.h"
#include "engine/D3DXFont.h"
#include "engine/ShaderProgram.h"

#include <QElapsedTimer>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTest>
#include <QWindow>
#include <cmath>

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;

namespace {

struct Vertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};

// A vertex buffer holding a screen-space rectangle as a triangle strip.
PD3DVertexBuffer QuadBuffer(const PD3DDevice& device, float x0, float y0, float x1, float y1,
                            uint32_t color) {
    PD3DVertexBuffer vb;
    EXPECT_EQ(device->CreateVertexBuffer(96, 0, kPanelFVF, D3DPOOL_MANAGED, &vb), D3D_OK);
    const Vertex quad[4] = {{x0, y0, 0, color, 0, 0},
                            {x0, y1, 0, color, 0, 1},
                            {x1, y0, 0, color, 1, 0},
                            {x1, y1, 0, color, 1, 1}};
    uint8_t* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, quad, sizeof quad);
    vb->Unlock();
    return vb;
}

// A present clock whose sleeps move its time on at once.
class TPretendSleepClock : public IPresentClock {
public:
    TimePoint Now() const override { return now_; }
    void SleepUntil(TimePoint when) override { now_ = std::max(now_, when); }

private:
    TimePoint now_{};
};

} // namespace

TEST(GraphicsColors, PackAndUnpack) {
    EXPECT_EQ(D3DCOLOR_ARGB(255, 0, 0, 85), 0xFF000055u);
    EXPECT_EQ(MakeColor(0x11, 0x22, 0x33, 0x44), 0x44112233u);
    EXPECT_EQ(GetAlpha(0x80C0D0E0u), 0x80);
    EXPECT_EQ(GetRed(0x80C0D0E0u), 0xC0);
    EXPECT_EQ(GetGreen(0x80C0D0E0u), 0xD0);
    EXPECT_EQ(GetBlue(0x80C0D0E0u), 0xE0);
    const D3DXVECTOR2 v = Vector2(1.5f, -2.0f);
    EXPECT_FLOAT_EQ(v.x, 1.5f);
    EXPECT_FLOAT_EQ(v.y, -2.0f);
}

TEST(Matrices, ConstructorsAndOrder) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(IdentityMatrix.m[i][j], i == j ? 1.0f : 0.0f);

    // The view's projection: the world rectangle WorldX..WorldX+800 x 0..600 fills clip space
    // with y = 0 at the top, and depth -10..10 becomes 0..1.
    D3DMATRIX p;
    D3DXMatrixOrthoOffCenterLH(&p, 1000, 1800, 600, 0, -10, 10);
    float x, y, z;
    TransformPoint(p, 1000, 0, -10, x, y, z);
    EXPECT_NEAR(x, -1, 1e-6);
    EXPECT_NEAR(y, 1, 1e-6);
    EXPECT_NEAR(z, 0, 1e-6);
    TransformPoint(p, 1800, 600, 10, x, y, z);
    EXPECT_NEAR(x, 1, 1e-6);
    EXPECT_NEAR(y, -1, 1e-6);
    EXPECT_NEAR(z, 1, 1e-6);

    // Row vectors: scaling x translation scales first, the other order scales the move too.
    D3DMATRIX s, t, st, ts;
    D3DXMatrixScaling(&s, 2, 3, 1);
    D3DXMatrixTranslation(&t, 10, 20, 0);
    D3DXMatrixMultiply(&st, &s, &t);
    D3DXMatrixMultiply(&ts, &t, &s);
    TransformPoint(st, 1, 1, 0, x, y, z);
    EXPECT_FLOAT_EQ(x, 12);
    EXPECT_FLOAT_EQ(y, 23);
    TransformPoint(ts, 1, 1, 0, x, y, z);
    EXPECT_FLOAT_EQ(x, 22);
    EXPECT_FLOAT_EQ(y, 63);

    // A quarter turn about z sends +x to +y (clockwise on a y-down screen); yaw-pitch-roll
    // with only a roll is the same turn, and a pitch turns y towards z.
    D3DMATRIX rz, ypr;
    D3DXMatrixRotationZ(&rz, static_cast<float>(M_PI / 2));
    D3DXMatrixRotationYawPitchRoll(&ypr, 0, 0, static_cast<float>(M_PI / 2));
    TransformPoint(rz, 1, 0, 0, x, y, z);
    EXPECT_NEAR(x, 0, 1e-6);
    EXPECT_NEAR(y, 1, 1e-6);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(ypr.m[i][j], rz.m[i][j], 1e-6);
    D3DXMatrixRotationYawPitchRoll(&ypr, static_cast<float>(M_PI / 2), static_cast<float>(M_PI / 2),
                                   0);
    // Pitch first (y -> z), then yaw (z -> x).
    TransformPoint(ypr, 0, 1, 0, x, y, z);
    EXPECT_NEAR(x, 1, 1e-6);
    EXPECT_NEAR(y, 0, 1e-6);
    EXPECT_NEAR(z, 0, 1e-6);
}

TEST(GraphicsDevice, CreationRecordsThePresentSettings) {
    tvtest::MessageBoxRecorder boxes;
    THeadlessTarget target(320, 200);

    ASSERT_TRUE(CreateGraphicsDevice(&target, false, 640, 480, 16, 2, true));
    EXPECT_EQ(PresentParams.Windowed, 0xFFFFFFFFu);
    EXPECT_EQ(PresentParams.hDeviceWindow, &target);
    // Windowed: size, depth and count are ignored; the back buffer follows the window.
    EXPECT_EQ(PresentParams.BackBufferWidth, 0u);
    EXPECT_EQ(PresentParams.BackBufferHeight, 0u);
    EXPECT_EQ(PresentParams.BackBufferCount, 0u);
    EXPECT_EQ(PresentParams.SwapEffect, D3DSWAPEFFECT_DISCARD);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(D3DObject->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(PresentParams.BackBufferFormat, mode.Format);
    EXPECT_EQ(D3DDevice->BackBufferSize(), QSize(320, 200));
    EXPECT_EQ(D3DDevice->DeviceType(), D3DDEVTYPE_HAL);

    ASSERT_TRUE(CreateGraphicsDevice(&target, true, 640, 480, 16, 2, false));
    EXPECT_EQ(PresentParams.Windowed, 0u);
    EXPECT_EQ(PresentParams.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(PresentParams.BackBufferCount, 2u);
    EXPECT_EQ(D3DDevice->BackBufferSize(), QSize(640, 480));
    EXPECT_EQ(D3DDevice->DeviceType(), D3DDEVTYPE_REF);

    ASSERT_TRUE(CreateGraphicsDevice(&target, true, 640, 480, 32, 1, true));
    EXPECT_EQ(PresentParams.BackBufferFormat, D3DFMT_A8R8G8B8);

    // 24 bits: refused before any device is made, without a message.
    EXPECT_FALSE(CreateGraphicsDevice(&target, true, 640, 480, 24, 1, true));
    EXPECT_TRUE(D3DObject);
    EXPECT_FALSE(D3DDevice);
    EXPECT_TRUE(boxes.messages().empty());

    // No window: the device cannot be made.
    EXPECT_FALSE(CreateGraphicsDevice(nullptr, false, 0, 0, 32, 1, true));
    EXPECT_FALSE(D3DDevice);
    EXPECT_EQ(boxes.messages(), std::vector<std::string>{"d3d device failed"});
    EXPECT_EQ(D3DObject->LastError(), "no device window");

    ReleaseGraphicsDevice();
    ReleaseGraphicsDevice();
    EXPECT_FALSE(D3DDevice);
    EXPECT_FALSE(D3DObject);
    EXPECT_FALSE(Direct3DCreate8(121));
}

TEST(GraphicsDevice, ShaderFailuresKeepTheDriversLogAndPrintIt) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    ASSERT_TRUE(context.create());
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    ASSERT_TRUE(context.makeCurrent(&surface));
    auto* f = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    ASSERT_NE(f, nullptr);
    const char* vertex = "#version 330 core\nlayout(location = 0) in vec4 p;\n"
                         "void main() { gl_Position = p; }\n";
    const char* fragment = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1); }\n";
    auto build = [&](const char* vs, const char* fs, std::string& printed) {
        ::testing::internal::CaptureStderr();
        TShaderProgram built = BuildShaderProgram(*f, vs, fs);
        printed = ::testing::internal::GetCapturedStderr();
        if (built.Program)
            f->glDeleteProgram(built.Program);
        return built;
    };
    std::string printed;

    TShaderProgram built =
        build(vertex, "#version 330 core\nvoid main() { missing = 1; }\n", printed);
    EXPECT_EQ(built.Program, 0u);
    EXPECT_EQ(built.Error.rfind("fragment shader did not compile:\n", 0), 0u) << built.Error;
    EXPECT_NE(built.Error.find("missing"), std::string::npos) << built.Error; // the driver's log
    EXPECT_NE(printed.find(built.Error), std::string::npos) << printed;

    // Compiles, but a program needs a main.
    built = build("#version 330 core\nvoid helper() {}\n", fragment, printed);
    EXPECT_EQ(built.Program, 0u);
    EXPECT_EQ(built.Error.rfind("shader program did not link:\n", 0), 0u) << built.Error;
    EXPECT_NE(built.Error.find("main"), std::string::npos) << built.Error;
    EXPECT_NE(printed.find(built.Error), std::string::npos) << printed;

    built = build(vertex, fragment, printed);
    EXPECT_NE(built.Program, 0u);
    EXPECT_EQ(built.Error, "");
    EXPECT_EQ(printed, "");
    context.doneCurrent();
}

TEST(GraphicsDevice, LivesUntilTheLastTextureReleasesIt) {
    THeadlessTarget target(64, 64);
    ASSERT_TRUE(CreateGraphicsDevice(&target, false, 64, 64, 32, 1, true));
    std::weak_ptr<TD3DDevice> weak = D3DDevice;
    PD3DTexture texture;
    ASSERT_EQ(D3DDevice->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    ReleaseGraphicsDevice();
    EXPECT_FALSE(weak.expired());
    D3DSURFACE_DESC desc;
    EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    texture.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(GfxTest, LostWhileTheTargetCannotDrawAndResetAfter) {
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    PD3DTexture texture;
    ASSERT_EQ(device_->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    const uint32_t pixels[2] = {0xFF102030u, 0x80405060u};
    ASSERT_EQ(texture->SetPixels(pixels, 8), D3D_OK);

    target_->SetDrawable(false);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Present(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Reset(&PresentParams), D3DERR_DEVICELOST);

    target_->SetDrawable(true);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(), D3DERR_DEVICELOST);
    ASSERT_EQ(device_->Reset(&PresentParams), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(), D3D_OK);

    // Reset puts the states back to their defaults; managed textures keep their pixels.
    uint32_t value = 7;
    device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, 0u);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(locked.pBits, pixels, sizeof pixels), 0);
    texture->UnlockRect(0);

    // A windowed back buffer follows the target's size through a reset.
    target_->SetSize(200, 100);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device_->Reset(&PresentParams), D3D_OK);
    EXPECT_EQ(device_->BackBufferSize(), QSize(200, 100));
    EXPECT_EQ(device_->ReadBackBuffer().size(), QSize(200, 100));
    EXPECT_EQ(PresentParams.BackBufferWidth, 0u);

    // Zero size counts as not drawable.
    target_->SetSize(0, 100);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
}

TEST(GraphicsDevice, WindowTargetPresentsAndFollowsExposure) {
    QWindow window;
    window.resize(160, 120);
    TWindowTarget target(&window);
    EXPECT_EQ(window.surfaceType(), QSurface::OpenGLSurface);
    ASSERT_TRUE(CreateGraphicsDevice(&target, false, 160, 120, 32, 1, true));
    PD3DDevice device = D3DDevice;
    // Not shown yet: lost.
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&PresentParams), D3D_OK);
    const QSize pixels = target.ClientSize();
    EXPECT_EQ(device->BackBufferSize(), pixels);
    // An idle frame loop presents at the display's rate, not as fast as it can. Where the swap
    // does not wait for the display (Xvfb) the device sleeps: on a clock whose sleeps only
    // move its time on, a second holds one present per refresh period. A loop that is not
    // paced never moves that clock and runs into the cap.
    TPretendSleepClock clock;
    device->SetPresentClock(&clock);
    const double rate = target.RefreshRate();
    const auto oneSecondOn = clock.Now() + std::chrono::seconds(1);
    int presents = 0;
    while (clock.Now() < oneSecondOn && presents < 4 * rate) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0);
        device->BeginScene();
        device->EndScene();
        ASSERT_EQ(device->Present(), D3D_OK);
        ++presents;
    }
    EXPECT_NEAR(presents, rate, 2);
    EXPECT_TRUE(PixelNear(device->ReadBackBuffer(), 5, 5, 0, 255, 0));

    // And the steady clock really sleeps: presents keep at least half a period apart (a whole
    // one where the swap does not wait).
    device->SetPresentClock(nullptr);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(device->Present(), D3D_OK);
    EXPECT_GE(static_cast<double>(timer.nsecsElapsed()) / 1e9, 5 * 0.5 / rate);

    window.hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isExposed(); }));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&PresentParams), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    ReleaseGraphicsDevice();
    device.reset();
}

TEST(GraphicsDevice, DestroyedTargetLeavesTheDeviceLost) {
    auto target = std::make_unique<THeadlessTarget>(32, 32);
    ASSERT_TRUE(CreateGraphicsDevice(target.get(), false, 32, 32, 32, 1, true));
    PD3DDevice device = D3DDevice;
    target.reset();
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&PresentParams), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);
    ReleaseGraphicsDevice();
}

TEST_F(GfxTest, ClearsWholeTargetOrRectangles) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000055u, 1, 0);
    const D3DRECT rect{10, 20, 30, 40};
    device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF8000u, 1, 0);
    const QImage image = device_->ReadBackBuffer();
    EXPECT_TRUE(PixelNear(image, 10, 20, 255, 128, 0, 1));
    EXPECT_TRUE(PixelNear(image, 29, 39, 255, 128, 0, 1));
    EXPECT_TRUE(PixelNear(image, 30, 39, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 29, 40, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 9, 20, 0, 0, 0x55, 0));
}

TEST_F(GfxTest, KeptPicturesComeBackExactlyWhateverTheClipAndGoWithTheBackBuffer) {
    // Two pictures with detail in every pixel row and column.
    const auto paint = [&](uint32_t base) {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, base, 1, 0);
        for (int i = 0; i < 40; ++i) {
            const D3DRECT r{i * 7, i * 5, i * 7 + 3, i * 5 + 60};
            device_->Clear(1, &r, D3DCLEAR_TARGET, base ^ (0x00102030u * uint32_t(i + 1)), 1, 0);
        }
        return device_->ReadBackBuffer();
    };
    const QImage first = paint(0xFF000055u);
    ASSERT_EQ(device_->KeepPicture(3), D3D_OK);
    const QImage second = paint(0xFF804000u);
    ASSERT_NE(first, second);
    ASSERT_EQ(device_->KeepPicture(tv::TD3DDevice::kKeptPictureSlots - 1), D3D_OK);

    const TRect clip{10, 10, 20, 20}; // a clip left on does not limit the copies
    device_->SetClipRect(&clip);
    ASSERT_EQ(device_->RestorePicture(3), D3D_OK);
    EXPECT_EQ(device_->ReadBackBuffer(), first);
    ASSERT_EQ(device_->RestorePicture(tv::TD3DDevice::kKeptPictureSlots - 1), D3D_OK);
    EXPECT_EQ(device_->ReadBackBuffer(), second);
    // Drawing after a copy keeps to the clip again.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1, 0);
    const QImage cleared = device_->ReadBackBuffer();
    EXPECT_EQ(cleared.pixel(15, 15), 0xFFFFFFFFu);
    EXPECT_EQ(cleared.pixel(25, 25), second.pixel(25, 25));
    device_->SetClipRect(nullptr);

    EXPECT_EQ(device_->RestorePicture(0), D3DERR_INVALIDCALL) << "never kept";
    EXPECT_EQ(device_->KeepPicture(tv::TD3DDevice::kKeptPictureSlots), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Stats().PicturesKept, 2u);
    EXPECT_EQ(device_->Stats().PicturesRestored, 2u);
    // A new back buffer forgets them; so does DropPictures.
    ASSERT_EQ(device_->Reset(&PresentParams), D3D_OK);
    EXPECT_EQ(device_->RestorePicture(3), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->KeepPicture(1), D3D_OK);
    device_->DropPictures();
    EXPECT_EQ(device_->RestorePicture(1), D3DERR_INVALIDCALL);
}

TEST_F(GfxTest, DrawValidatesFormatStreamAndRange) {
    const PD3DVertexBuffer vb = QuadBuffer(device_, 0, 0, 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(device_->SetVertexShader(0x102), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    device_->SetVertexShader(kPanelFVF);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL); // no stream
    device_->SetStreamSource(0, vb.get(), kPanelVertexSize);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0xFFFFFFFFu, 0xFFFFFFFFu),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(2 /* line list */, 0, 1), D3DERR_INVALIDCALL);

    uint8_t* data = nullptr;
    EXPECT_EQ(vb->Lock(90, 8, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(97, 0, &data, 0), D3DERR_INVALIDCALL);

    // A buffer destroyed while bound is unbound, not read afterwards.
    PD3DVertexBuffer other = QuadBuffer(device_, 0, 0, 10, 10, 0xFFFFFFFFu);
    device_->SetStreamSource(0, other.get(), kPanelVertexSize);
    other.reset();
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
}

TEST_F(GfxTest, VertexColourAloneWithoutTextureAndBlending) {
    const PD3DVertexBuffer red = QuadBuffer(device_, 100, 100, 200, 200, 0xFFFF0000u);
    const PD3DVertexBuffer half = QuadBuffer(device_, 150, 100, 250, 200, 0x80FFFFFFu);
    const QImage image = Frame([&] {
        device_->SetVertexShader(kPanelFVF);
        device_->SetTexture(0, nullptr);
        device_->SetStreamSource(0, red.get(), kPanelVertexSize);
        device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        device_->SetStreamSource(0, half.get(), kPanelVertexSize);
        device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    });
    EXPECT_TRUE(PixelNear(image, 120, 150, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 175, 150, 255, 128, 128));
    EXPECT_TRUE(PixelNear(image, 225, 150, 128, 128, 0x55 / 2 + 128));
    EXPECT_TRUE(PixelNear(image, 300, 150, 0, 0, 0x55, 0));
}

TEST_F(GfxTest, TexturesLockInTheirFormats) {
    PD3DTexture texture;
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, 24, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);

    ASSERT_EQ(device_->CreateTexture(3, 2, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(desc.Width, 3u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(texture->GetLevelDesc(1, &desc), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 6);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    auto* bits = static_cast<uint16_t*>(locked.pBits);
    for (int i = 0; i < 6; ++i)
        bits[i] = static_cast<uint16_t>(0xF800 >> i);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

    // A rectangle lock points at the rectangle's first pixel.
    const TRect rect{1, 1, 3, 2};
    ASSERT_EQ(texture->LockRect(0, &locked, &rect, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint16_t*>(locked.pBits), static_cast<uint16_t>(0xF800 >> 4));
    texture->UnlockRect(0);
    const TRect outside{2, 0, 4, 1};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
}

TEST_F(GfxTest, FontDrawsTextOnceIntoItsRectangleAndRestoresTheState) {
    std::shared_ptr<TD3DXFont> font;
    QFont qfont(QStringLiteral("DejaVu Sans"));
    qfont.setPixelSize(14);
    qfont.setBold(true);
    ASSERT_EQ(D3DXCreateFont(device_, qfont, &font), D3D_OK);
    std::shared_ptr<TD3DXSprite> sprite;
    ASSERT_EQ(D3DXCreateSprite(device_, &sprite), D3D_OK);
    EXPECT_EQ(sprite->Device(), device_);

    D3DMATRIX before;
    device_->GetTransform(D3DTS_PROJECTION, &before);
    const TRect rect{10, 0, 100, 20};
    const uint32_t color = D3DCOLOR_ARGB(200, 255, 255, 50);
    QImage image;
    for (int frame = 0; frame < 3; ++frame)
        image = Frame([&] { EXPECT_GT(font->DrawTextA("FPS: 60", -1, rect, 0, color), 0); });
    EXPECT_EQ(font->TextsRendered(), 1u);

    // Some text-coloured pixels inside the rectangle, none outside it.
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 100 && qGreen(p) > 100) {
                const bool in =
                    x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
                ++(in ? inside : outside);
            }
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);

    D3DMATRIX after;
    device_->GetTransform(D3DTS_PROJECTION, &after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    uint32_t address = 0;
    device_->GetTextureStageState(0, D3DTSS_ADDRESSU, &address);
    EXPECT_EQ(address, D3DTADDRESS_WRAP);

    // A changed text is made anew; clipping to an empty rectangle draws nothing.
    Frame([&] { font->DrawTextA("FPS: 61", -1, TRect{0, 0, 0, 0}, 0, color); });
    EXPECT_EQ(font->TextsRendered(), 2u);
}
