// The device cursor: mouse position mapped into the logical screen, and the pointer panel.

#include "GfxFixture.h"
#include "engine/DXCursor.h"

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;

namespace {

// A control whose client area starts at a global origin.
class FakeControl : public ICursorControl {
public:
    TPoint Origin{100, 100};
    TPoint Size{400, 300};
    int BlankCalls = 0;
    TPoint ClientSize() const override { return Size; }
    TPoint MapFromGlobal(TPoint global) const override {
        return TPoint{global.X - Origin.X, global.Y - Origin.Y};
    }
    void SetBlankCursor() override { ++BlankCalls; }
};

class ScopedCursorPoint {
public:
    explicit ScopedCursorPoint(TPoint* point) {
        SetCursorPointSource([point] { return *point; });
    }
    ~ScopedCursorPoint() { SetCursorPointSource(nullptr); }
};

} // namespace

TEST(DeviceCursor, MousePosScalesClientCoordinates) {
    FakeControl control;
    TPoint mouse{300, 250};
    ScopedCursorPoint seam(&mouse);
    TDXCursor cursor(&control, nullptr, TPoint{800, 600});
    EXPECT_EQ(control.BlankCalls, 1);

    EXPECT_EQ(cursor.MousePos(), (TPoint{400, 300}));
    mouse = TPoint{99, 100}; // client (-1, 0): truncation toward zero, no clamping
    EXPECT_EQ(cursor.MousePos(), (TPoint{-2, 0}));
    mouse = TPoint{100 + 399, 100 + 299};
    EXPECT_EQ(cursor.MousePos(), (TPoint{798, 598}));
    mouse = TPoint{100 + 1, 100 - 1}; // 2 and -2 exactly; -1 * 600 / 300
    EXPECT_EQ(cursor.MousePos(), (TPoint{2, -2}));
    mouse = TPoint{100 - 1, 100 - 1}; // 800 / 400 is 2 but 600 / 301 truncates
    control.Size = TPoint{400, 301};
    EXPECT_EQ(cursor.MousePos(), (TPoint{-2, -1}));

    // No client area: nothing to divide by.
    control.Size = TPoint{0, 300};
    EXPECT_EQ(cursor.MousePos().X, 0);
    // Far away points do not overflow.
    control.Size = TPoint{1, 1};
    mouse = TPoint{INT32_MAX, INT32_MIN};
    control.Origin = TPoint{0, 0};
    const TPoint far = cursor.MousePos();
    EXPECT_EQ(far.X, INT32_MAX);
    EXPECT_EQ(far.Y, INT32_MIN);
}

TEST_F(GfxTest, DrawCursorPutsThePictureTopLeftAtTheMouse) {
    FakeControl control;
    control.Size = TPoint{400, 300};
    TPoint mouse{100 + 50, 100 + 25}; // logical (100, 50)
    ScopedCursorPoint seam(&mouse);
    auto panel = std::make_unique<TGuiObj>(device_, "Cursor", TDXBounds{0, 0, 48, 48}, 0xFFFFFF00u,
                                           nullptr, "", true, nullptr);
    TDXCursor cursor(&control, std::move(panel), TPoint{800, 600});
    const QImage image = Frame([&] { cursor.DrawCursor(); });
    EXPECT_EQ(cursor.Panel()->GetPosition(), (TPoint{100, 50}));
    EXPECT_TRUE(PixelNear(image, 101, 51, 255, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 146, 96, 255, 255, 0, 0));
    EXPECT_TRUE(PixelNear(image, 98, 60, 0, 0, 0x55, 0));
    EXPECT_TRUE(PixelNear(image, 150, 60, 0, 0, 0x55, 0));
}
