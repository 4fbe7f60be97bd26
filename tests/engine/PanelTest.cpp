// Drawable panels: geometry and position rules, and what they put on the screen.

#include "GfxFixture.h"
#include "engine/Clock.h"
#include "engine/DXObj.h"
#include "mapdata/Errors.h"

#include <QPainter>

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;
using gfxtest::SolidImage;

namespace {

// A panel through the full constructor, as the editor makes its view objects.
std::unique_ptr<TDXPanelEx> MakePanel(const PD3DDevice& device, int x, int y, int w, int h,
                                      uint32_t color = 0xFFFFFFFFu, TDXTexture* texture = nullptr) {
    return std::make_unique<TDXPanelEx>(device, TDXBounds{x, y, w, h}, color, texture, "", true,
                                        nullptr);
}

// Two halves of a picture side by side.
QImage TwoHalves(int w, int h, QRgb left, QRgb right) {
    QImage image = SolidImage(w, h, left);
    QPainter(&image).fillRect(w / 2, 0, w - w / 2, h, QColor::fromRgba(right));
    return image;
}

} // namespace

TEST(PanelGeometry, QuadCornersAndTextureWindow) {
    TDXPanel panel(nullptr, TDXBounds{0, 0, 5, 3}, 0xFF123456u, nullptr, "", true, nullptr);
    EXPECT_EQ(panel.Name, "DXPanel");
    const float xs[4] = {-2, -2, 2, 2}, ys[4] = {-1, 1, -1, 1};
    const float us[4] = {0.01f, 0.01f, 0.99f, 0.99f}, vs[4] = {0.01f, 0.99f, 0.01f, 0.99f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(panel.Vertices[i].X, xs[i]) << i;
        EXPECT_EQ(panel.Vertices[i].Y, ys[i]) << i;
        EXPECT_EQ(panel.Vertices[i].Z, 0.0f);
        EXPECT_FLOAT_EQ(panel.Vertices[i].U, us[i]) << i;
        EXPECT_FLOAT_EQ(panel.Vertices[i].V, vs[i]) << i;
        EXPECT_EQ(panel.Vertices[i].Diffuse, 0xFF123456u);
    }
    panel.SetColor(0x80FFFFFFu);
    for (const TDXVertex& v : panel.Vertices)
        EXPECT_EQ(v.Diffuse, 0x80FFFFFFu);
    EXPECT_EQ(panel.GetPosition(), (TPoint{0, 0}));

    // The simple constructor: white, default bounds, no quad yet.
    TDXPanel bare(nullptr);
    EXPECT_EQ(bare.Bounds, (TDXBounds{10, 10, 200, 40}));
    EXPECT_EQ(bare.Color, 0xFFFFFFFFu);
    EXPECT_EQ(bare.Name, "DXObj");
    EXPECT_FALSE(bare.VertexBuffer);
}

TEST(PanelGeometry, PositionMoveAndSize) {
    TDXPanel panel(nullptr, TDXBounds{0, 0, 64, 32}, 0xFFFFFFFFu, nullptr, "", true, nullptr);
    panel.SetPosition(100, 50);
    EXPECT_EQ(panel.Translation.m[3][0], 132.0f);
    EXPECT_EQ(panel.Translation.m[3][1], 66.0f);
    EXPECT_EQ(panel.GetPosition(), (TPoint{100, 50}));

    panel.Move(10, 0);
    EXPECT_EQ(panel.GetPosition(), (TPoint{110, 50}));
    EXPECT_EQ(panel.Bounds.X, 100); // Move leaves Bounds alone
    // A rebuild keeps the panel where it is now.
    panel.SetColor(0xFF00FF00u);
    EXPECT_EQ(panel.GetPosition(), (TPoint{110, 50}));

    // Halves round to even; GetPositionF keeps the fraction.
    panel.SetPosition(100, 50);
    panel.Move(0.5f, 0.5f);
    EXPECT_EQ(panel.GetPosition(), (TPoint{100, 50}));
    EXPECT_FLOAT_EQ(panel.GetPositionF().x, 100.5f);
    panel.Move(1.0f, 1.0f);
    EXPECT_EQ(panel.GetPosition(), (TPoint{102, 52}));

    // SetSize keeps the centre.
    panel.SetPosition(100, 50);
    panel.SetSize(32, 32);
    EXPECT_EQ(panel.Translation.m[3][0], 132.0f);
    EXPECT_EQ(panel.Translation.m[3][1], 66.0f);
    EXPECT_EQ(panel.GetPosition(), (TPoint{116, 50}));
    EXPECT_EQ(panel.Bounds, (TDXBounds{116, 50, 32, 32}));

    // Extreme positions stay in range instead of overflowing.
    panel.SetPosition(INT32_MAX, INT32_MIN);
    const TPoint p = panel.GetPosition();
    EXPECT_GT(p.X, 2000000000);
    EXPECT_LT(p.Y, -2000000000);
}

TEST(PanelGeometry, AnimationSetUpNeedsSizeRateAndTexture) {
    TDXPanelEx panel(nullptr, TDXBounds{0, 0, 64, 32}, 0xFFFFFFFFu, nullptr, "", true, nullptr);
    panel.SetAnimation(64, 32, 8, true); // no device texture
    EXPECT_FALSE(panel.Animating);
    EXPECT_EQ(panel.FrameCount, 0);
}

TEST(PanelGeometry, RegisteredByClassName) {
    for (const char* name : {"TDXObj", "TDXPanel"}) {
        const TClassRegistry::Factory* factory = TClassRegistry::Instance().Find(name);
        ASSERT_NE(factory, nullptr) << name;
        const std::unique_ptr<TPersistent> made = (*factory)();
        EXPECT_STREQ(made->ClassName(), name);
    }
}

TEST_F(GfxTest, PanelLandsAtItsWorldPositionScaledToTheBackBuffer) {
    // Back buffer 800x600 here, so set the 400x300 case up by a reset of a smaller target.
    target_->SetSize(400, 300);
    ASSERT_EQ(device_->Reset(&PresentParams), D3D_OK);
    SetupRenderState(1000);
    SavePicture("solid.png", SolidImage(64, 32, qRgb(200, 100, 50)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    auto panel =
        MakePanel(device_, 0, 0, 64, 32, 0xFFFFFFFFu, TextureMgr->GetTexture("solid.png", 3));
    panel->SetPosition(1100, 100); // logical (100, 100) -> pixels (50, 50)..(82, 66)
    const QImage image = Frame([&] { panel->Draw(); });
    EXPECT_TRUE(PixelNear(image, 51, 51, 200, 100, 50));
    EXPECT_TRUE(PixelNear(image, 80, 64, 200, 100, 50));
    EXPECT_TRUE(PixelNear(image, 48, 58, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 84, 58, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 66, 48, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 66, 68, 0, 0, 0x55, 0));
}

TEST_F(GfxTest, ColourTintsAndBlendModesMix) {
    SavePicture("white.bmp", SolidImage(16, 16, qRgb(255, 255, 255)));
    SavePicture("orange.bmp", SolidImage(16, 16, qRgb(200, 100, 50)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    auto tinted =
        MakePanel(device_, 0, 0, 100, 100, 0xFF808080u, TextureMgr->GetTexture("orange.bmp", 0));
    auto half =
        MakePanel(device_, 200, 0, 100, 100, 0x80FFFFFFu, TextureMgr->GetTexture("white.bmp", 0));
    auto red =
        MakePanel(device_, 400, 0, 100, 100, 0xFFFF0000u, TextureMgr->GetTexture("white.bmp", 0));
    auto added =
        MakePanel(device_, 450, 0, 100, 100, 0xFF0000FFu, TextureMgr->GetTexture("white.bmp", 0));
    added->Blend = bl_add;
    // Records carry any byte as their blend: every value but bl_normal adds.
    auto green =
        MakePanel(device_, 600, 0, 100, 100, 0xFF00FF00u, TextureMgr->GetTexture("white.bmp", 0));
    auto other =
        MakePanel(device_, 650, 0, 100, 100, 0xFFFF0000u, TextureMgr->GetTexture("white.bmp", 0));
    other->Blend = static_cast<TDXBlend>(2);
    auto highest =
        MakePanel(device_, 600, 200, 100, 100, 0xFF00FF00u, TextureMgr->GetTexture("white.bmp", 0));
    highest->Blend = static_cast<TDXBlend>(255);
    const QImage image = Frame([&] {
        tinted->Draw();
        half->Draw();
        red->Draw();
        added->Draw();
        green->Draw();
        other->Draw();
        highest->Draw();
    });
    EXPECT_TRUE(PixelNear(image, 50, 50, 100, 50, 25, 3));
    // Half white over the clear colour.
    EXPECT_TRUE(PixelNear(image, 250, 50, 128, 128, 170, 3));
    // Additive: red plus blue where they overlap, blue plus the clear colour beside it.
    EXPECT_TRUE(PixelNear(image, 475, 50, 255, 0, 255, 1));
    EXPECT_TRUE(PixelNear(image, 525, 50, 0, 0, 255, 1));
    EXPECT_TRUE(PixelNear(image, 425, 50, 255, 0, 0, 1));
    EXPECT_TRUE(PixelNear(image, 675, 50, 255, 255, 0, 1));
    EXPECT_TRUE(PixelNear(image, 650, 250, 0, 255, 0x55, 1));
}

TEST_F(GfxTest, HiddenPanelsAndPanelsWithoutQuadDrawNothing) {
    auto hidden = MakePanel(device_, 0, 0, 100, 100, 0xFFFF0000u);
    hidden->Hide();
    TDXPanel noQuad(device_, TDXBounds{0, 0, 100, 100}, 0xFFFF0000u, nullptr, "", false, nullptr);
    const QImage image = Frame([&] {
        hidden->Draw();
        noQuad.Draw();
    });
    EXPECT_TRUE(PixelNear(image, 50, 50, 0, 0, 0x55, 0));
    hidden->ToggleVisible();
    EXPECT_TRUE(PixelNear(Frame([&] { hidden->Draw(); }), 50, 50, 255, 0, 0, 0));
}

TEST_F(GfxTest, RotationAndScaleActAboutTheCentre) {
    SavePicture("halves.bmp", TwoHalves(64, 32, qRgb(255, 0, 0), qRgb(0, 0, 255)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    auto panel = MakePanel(device_, 268, 284, 64, 32, 0xFFFFFFFFu,
                           TextureMgr->GetTexture("halves.bmp", 0)); // centre (300, 300)
    QImage image = Frame([&] { panel->Draw(); });
    EXPECT_TRUE(PixelNear(image, 280, 300, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 320, 300, 0, 0, 255));

    // A quarter turn clockwise: the left half goes to the top.
    panel->SetRotationZ(90);
    image = Frame([&] { panel->Draw(); });
    EXPECT_TRUE(PixelNear(image, 300, 280, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 300, 320, 0, 0, 255));
    EXPECT_TRUE(PixelNear(image, 325, 300, 0, 0, 0x55, 0));
    EXPECT_EQ(panel->GetPosition(), (TPoint{268, 284}));

    panel->SetRotationZ(0);
    panel->SetScale2D(2, 2);
    image = Frame([&] { panel->Draw(); });
    EXPECT_TRUE(PixelNear(image, 240, 300, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 360, 300, 0, 0, 255));
    EXPECT_TRUE(PixelNear(image, 290, 270, 255, 0, 0)); // was outside before scaling
    EXPECT_TRUE(PixelNear(image, 370, 300, 0, 0, 0x55, 0));
}

TEST_F(GfxTest, AnimationStepsOnlyAfterMoreThanTheFrameTime) {
    QImage strip(256, 32, QImage::Format_RGB32);
    const QRgb colors[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int i = 0; i < 4; ++i)
        QPainter(&strip).fillRect(i * 64, 0, 64, 32, QColor(colors[i]));
    SavePicture("strip.bmp", strip);
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    ManualClock clock(5000);
    ScopedClock useClock(clock);

    auto panel =
        MakePanel(device_, 100, 100, 64, 32, 0xFFFFFFFFu, TextureMgr->GetTexture("strip.bmp", 0));
    panel->SetAnimation(0, 32, 8, true);
    EXPECT_FALSE(panel->Animating);
    panel->SetAnimation(64, 32, 8, true);
    EXPECT_EQ(panel->FrameCount, 4);
    EXPECT_FLOAT_EQ(panel->FrameU, 0.25f);
    EXPECT_FLOAT_EQ(panel->FrameV, 1.0f);
    EXPECT_EQ(panel->AnimTick, 5000u);

    auto shown = [&] {
        panel->Process();
        const QRgb p = Frame([&] { panel->Draw(); }).pixel(132, 116);
        for (int i = 0; i < 4; ++i)
            if (std::abs(qRed(p) - qRed(colors[i])) < 8 &&
                std::abs(qGreen(p) - qGreen(colors[i])) < 8 &&
                std::abs(qBlue(p) - qBlue(colors[i])) < 8)
                return i;
        return -1;
    };
    EXPECT_EQ(shown(), 0);
    clock.Advance(125);
    EXPECT_EQ(shown(), 0); // exactly 1000 / 8 ms: not yet
    for (int expected : {1, 2, 3, 0, 1}) {
        clock.Advance(1);
        EXPECT_EQ(shown(), expected);
        clock.Advance(125);
    }
    // Frame 2's window, as the quad carries it.
    panel->SetAnimation(64, 32, 8, true);
    clock.Advance(126);
    panel->Process();
    clock.Advance(126);
    panel->Process();
    EXPECT_EQ(panel->Frame, 2);
    EXPECT_FLOAT_EQ(panel->Vertices[0].U, 0.51f);
    EXPECT_FLOAT_EQ(panel->Vertices[3].U, 0.74f);
    EXPECT_FLOAT_EQ(panel->Vertices[0].V, 2.01f); // wraps onto the one row
}

TEST_F(GfxTest, TextureWindowBeyondOneWraps) {
    SavePicture("tile.bmp", TwoHalves(32, 32, qRgb(255, 0, 0), qRgb(0, 255, 0)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    auto panel =
        MakePanel(device_, 0, 0, 128, 32, 0xFFFFFFFFu, TextureMgr->GetTexture("tile.bmp", 0));
    panel->SetTexRect(0.0f, 0.0f, 2.0f, 1.0f);
    const QImage image = Frame([&] { panel->Draw(); });
    EXPECT_TRUE(PixelNear(image, 16, 16, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 48, 16, 0, 255, 0));
    EXPECT_TRUE(PixelNear(image, 80, 16, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 112, 16, 0, 255, 0));
}

TEST_F(GfxTest, FileNameAndDeviceTextureConstructors) {
    SavePicture("green.bmp", SolidImage(8, 8, qRgb(0, 255, 0)));
    PD3DTexture blue;
    ASSERT_EQ(D3DXCreateTextureFromImage(device_, SolidImage(8, 8, qRgb(0, 0, 255)), 0, 0, 1, 0, 0,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                         &blue),
              D3D_OK);
    TDXPanel fromFile(device_, TDXBounds{0, 0, 50, 50}, 0xFFFFFFFFu, nullptr, "green.bmp", true,
                      nullptr);
    EXPECT_EQ(fromFile.Texture->Name, "green.bmp");
    TDXPanel both(device_, TDXBounds{100, 0, 50, 50}, 0xFFFFFFFFu, nullptr, "green.bmp", true,
                  blue);
    EXPECT_EQ(both.Texture->Name, "??tex??");
    const QImage image = Frame([&] {
        fromFile.Draw();
        both.Draw();
    });
    EXPECT_TRUE(PixelNear(image, 25, 25, 0, 255, 0));
    EXPECT_TRUE(PixelNear(image, 125, 25, 0, 0, 255));

    try {
        TDXPanel missing(device_, TDXBounds{0, 0, 5, 5}, 0, nullptr, "missing.png", true, nullptr);
        ADD_FAILURE() << "a missing picture made a panel";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(), "Error when loading texture.");
    }
}
