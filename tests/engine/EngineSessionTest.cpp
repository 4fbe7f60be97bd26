// The engine session: the one owner of the device, EngineDevice, the texture cache and the
// device cursor.

#include "engine/EngineSession.h"
#include "TestSupport.h"
#include "engine/DXCursor.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace tv;

namespace {

class StillControl : public ICursorControl {
public:
    TPoint ClientSize() const override { return TPoint{800, 600}; }
    TPoint MapFromGlobal(TPoint global) const override { return global; }
    void SetBlankCursor() override {}
};

std::unique_ptr<TDXCursor> CursorOn(const PD3DDevice& device, ICursorControl& control) {
    auto panel = std::make_unique<TGuiObj>(device, "Cursor", TDXBounds{0, 0, 16, 16}, 0xFFFFFFFFu,
                                           nullptr, "", true, nullptr);
    return std::make_unique<TDXCursor>(&control, std::move(panel), TPoint{800, 600});
}

bool NoEngineObjects() {
    return !D3DObject && !D3DDevice && !EngineDevice && !TextureMgr && !DXCursor;
}

} // namespace

TEST(EngineSession, OwnsTheEngineObjectsAloneAndLeavesNoneBehind) {
    ASSERT_TRUE(NoEngineObjects());
    StillControl control;
    THeadlessTarget target(64, 64);
    std::weak_ptr<TD3DDevice> device;
    std::weak_ptr<TD3DObject> object;
    std::weak_ptr<TD3DTexture> cached;
    {
        TEngineSession session(&target, 64, 64);
        ASSERT_TRUE(session.Device()) << "no OpenGL 3.3 core context (run under Xvfb)";
        EXPECT_EQ(D3DDevice, session.Device());
        EXPECT_EQ(EngineDevice, session.Device());
        ASSERT_TRUE(TextureMgr);
        EXPECT_EQ(session.Textures(), TextureMgr.get());
        EXPECT_EQ(TextureMgr->Device(), session.Device());
        session.InstallCursor(CursorOn(session.Device(), control));
        ASSERT_TRUE(DXCursor);
        TDXCursor* cursor = DXCursor.get();

        auto* texture = new TDXTexture(session.Device(), "", false, 0, false);
        QImage picture(4, 4, QImage::Format_ARGB32);
        picture.fill(0xFF00FF00u);
        ASSERT_EQ(D3DXCreateTextureFromImage(session.Device(), picture, 0, 0, 1, 0, 0, 0, 0, 0, 0,
                                             &texture->Texture),
                  D3D_OK);
        TextureMgr->AddTexture(texture, 0);
        cached = texture->Texture;
        device = session.Device();
        object = D3DObject;

        // A second host in the same process gets nothing and, going, takes nothing away.
        {
            bool asked = false;
            TEngineSession second([&] {
                asked = true;
                return CreateGraphicsDevice(&target, false, 64, 64, 32, 1, true);
            });
            EXPECT_FALSE(asked);
            EXPECT_FALSE(second.Device());
            EXPECT_EQ(second.Textures(), nullptr);
            second.InstallCursor(CursorOn(session.Device(), control));
        }
        EXPECT_EQ(D3DDevice, session.Device());
        EXPECT_EQ(EngineDevice, session.Device());
        EXPECT_EQ(TextureMgr.get(), session.Textures());
        EXPECT_EQ(TextureMgr->Count(), 1u);
        EXPECT_EQ(DXCursor.get(), cursor);
    }
    EXPECT_TRUE(NoEngineObjects());
    EXPECT_TRUE(cached.expired());
    EXPECT_TRUE(device.expired()) << "something made by the session still holds the device";
    EXPECT_TRUE(object.expired());
}

TEST(EngineSession, AFailedDeviceLeavesNothingAndTheNextSessionStartsAfresh) {
    tvtest::MessageBoxRecorder boxes;
    {
        // No window: the Direct3D object is made, the device is not.
        TEngineSession failed(
            [] { return CreateGraphicsDevice(nullptr, false, 0, 0, 32, 1, true); });
        EXPECT_EQ(boxes.messages(), (std::vector<std::string>{"d3d device failed"}));
        EXPECT_FALSE(failed.Device());
        EXPECT_EQ(failed.Textures(), nullptr);
        EXPECT_TRUE(NoEngineObjects());
        StillControl control;
        failed.InstallCursor(std::make_unique<TDXCursor>(&control, nullptr, TPoint{800, 600}));
        EXPECT_FALSE(DXCursor);
    }
    // A stand-in that throws halfway leaves nothing either.
    EXPECT_THROW(TEngineSession([] {
                     D3DObject = Direct3DCreate8(D3D_SDK_VERSION);
                     throw std::runtime_error("gone");
                     return true;
                 }),
                 std::runtime_error);
    EXPECT_TRUE(NoEngineObjects());

    THeadlessTarget target(32, 32);
    const TEngineSession next(&target, 32, 32);
    ASSERT_TRUE(next.Device());
    EXPECT_EQ(D3DDevice, next.Device());
}
