// The map view of the main window on a small game folder: frames read back from the view's
// device, the pointer placed through the cursor seam, mouse events sent to the view's window,
// and every box answered by the fake dialogs.
#include "editor/MapViewController.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"
#include "TestSupport.h"
#include "document/Properties.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/MapView.h"
#include "engine/DXCursor.h"
#include "engine/FrameTimer.h"
#include "engine/Graphics.h"
#include "mapdata/Notices.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using tv::TBaseInfo;
using tv::TEditF;

namespace {

// Channels of a pixel within tolerance.
::testing::AssertionResult PixelIs(const QImage& image, int x, int y, int r, int g, int b) {
    if (!image.valid(x, y))
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") outside the image";
    const QRgb p = image.pixel(x, y);
    if (std::abs(qRed(p) - r) <= 4 && std::abs(qGreen(p) - g) <= 4 && std::abs(qBlue(p) - b) <= 4)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << "," << y << ") is (" << qRed(p) << "," << qGreen(p) << ","
           << qBlue(p) << "), expected (" << r << "," << g << "," << b << ")";
}

class MapViewTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        Picture("t/green.png", qRgb(0, 255, 0));
        Picture("t/blue.png", qRgb(0, 0, 255));
    }

    // A record appended to a map file to be opened: a file need not keep the layer order in
    // which the document adds objects.
    void Store(const std::string& name, const std::string& texture, int left, int top, int width,
               int height, int z) {
        auto record = tvtest::MakeRecord<tv::TDecorInfo>(name, texture, width, height, z);
        record->Left = left;
        record->Top = top;
        stored.Objects.Add(std::move(record));
    }
    // Opens the stored map with the Open button; its records in file order.
    std::vector<TBaseInfo*> OpenStored() {
        const std::string path = game.file("Data/Maps/stored.tvm");
        stored.SaveToFile(path, nullptr);
        dialogs.FileAnswers = {path};
        QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
        EXPECT_TRUE(dialogs.Errors.empty());
        return Objects();
    }

    // The back-buffer pixel that shows the middle of the logical point (x - WorldX, y).
    QPoint Pixel(int worldX, int worldY) const {
        return QPoint((worldX - window->WorldX) * kViewWidth / 800, worldY * kViewHeight / 600);
    }
    ::testing::AssertionResult WorldPixelIs(const QImage& image, int wx, int wy, int r, int g,
                                            int b) const {
        const QPoint p = Pixel(wx, wy);
        return PixelIs(image, p.x(), p.y(), r, g, b);
    }

    // The pointer where MousePos gives (x, y) or the next point up, checked.
    tv::TPoint PointAt(int x, int y) {
        const tv::TPoint p = MainWindowTest::PointAt(x, y);
        EXPECT_GE(p.X, x);
        EXPECT_LE(p.X, x + 1);
        EXPECT_GE(p.Y, y);
        EXPECT_LE(p.Y, y + 1);
        return p;
    }

    void MoveWithLeftDown() { MoveWith(Qt::LeftButton); }

    tv::TMap stored;
};

TEST_F(MapViewTest, ObjectsAreDrawnInLayerOrderWithTheSelectionFrameAddedOverTheSelected) {
    Start();
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_TRUE(dialogs.Messages.empty());
    TBaseInfo* top = Place("top", 100, 100, 300, 300, 1, "t\\red.png");
    TBaseInfo* under = Place("under", 250, 250, 300, 300, 0, "t\\green.png");
    QImage image = Frame();
    ASSERT_EQ(image.size(), QSize(kViewWidth, kViewHeight));
    EXPECT_TRUE(WorldPixelIs(image, 150, 150, 255, 0, 0));  // top only
    EXPECT_TRUE(WorldPixelIs(image, 300, 300, 255, 0, 0));  // top covers under
    EXPECT_TRUE(WorldPixelIs(image, 500, 500, 0, 255, 0));  // under only
    EXPECT_TRUE(WorldPixelIs(image, 700, 150, 0, 0, 0x55)); // the clear colour
    EXPECT_TRUE(WorldPixelIs(image, 50, 580, 0, 0, 0x55));

    // The frame is added over the selected record's rectangle, above every object.
    window->Document->Select(under);
    image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 150, 150, 255, 0, 0));
    EXPECT_TRUE(WorldPixelIs(image, 300, 300, 255, 0, 128));
    EXPECT_TRUE(WorldPixelIs(image, 500, 500, 0, 255, 128));
    EXPECT_TRUE(WorldPixelIs(image, 700, 150, 0, 0, 0x55));

    // It follows the record at once, and so does the record's view object.
    window->Document->SetObjectProperty(tv::kPropLeft, "420");
    ASSERT_EQ(under->Left, 420);
    image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 300, 300, 255, 0, 0));
    EXPECT_TRUE(WorldPixelIs(image, 410, 500, 0, 0, 0x55));
    EXPECT_TRUE(WorldPixelIs(image, 700, 300, 0, 255, 128));
    (void)top;

    // The frame rate is printed in the top-left corner, in yellow.
    bool yellow = false;
    for (int y = 0; y < 20 && !yellow; ++y)
        for (int x = 10; x < 100 && !yellow; ++x) {
            const QRgb p = image.pixel(x, y);
            yellow = qRed(p) > 150 && qGreen(p) > 150 && qBlue(p) < 100;
        }
    EXPECT_TRUE(yellow);
}

TEST_F(MapViewTest, ViewsStayInLayerOrderAndEqualLayersComeOutReversed) {
    Start();
    Store("a", "t\\red.png", 0, 0, 10, 10, 5);
    Store("b", "t\\red.png", 0, 0, 10, 10, 1);
    Store("c", "t\\red.png", 0, 0, 10, 10, 5);
    Store("d", "t\\red.png", 0, 0, 10, 10, 3);
    Store("e", "t\\red.png", 0, 0, 10, 10, -2);
    Store("f", "t\\red.png", 0, 0, 10, 10, 5);
    const std::vector<TBaseInfo*> opened = OpenStored();
    ASSERT_EQ(opened.size(), 6u);
    TBaseInfo* a = opened[0];
    TBaseInfo* b = opened[1];
    TBaseInfo* c = opened[2];
    TBaseInfo* d = opened[3];
    TBaseInfo* e = opened[4];
    TBaseInfo* f = opened[5];
    ASSERT_EQ(a->Name, "a");
    ASSERT_EQ(f->Name, "f");
    Frame();
    EXPECT_EQ(window->Views().size(), 6u);
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{e, b, d, f, c, a}));

    // The old view objects stay, dead and undrawn, until the next frame frees them.
    window->RebuildViews();
    EXPECT_EQ(window->Views().size(), 12u);
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{e, b, d, f, c, a}));
    Frame();
    EXPECT_EQ(window->Views().size(), 6u);

    // A changed Z moves the selected one to its new layer at once.
    window->Document->Select(b);
    window->Document->SetObjectProperty(tv::kPropZ, "4");
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{e, d, b, f, c, a}));
    Frame();
    EXPECT_EQ(window->Views().size(), 6u);
    window->Document->SetObjectProperty(tv::kPropZ, "5");
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{e, d, b, f, c, a}));
    window->Document->SetObjectProperty(tv::kPropZ, "9");
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{e, d, f, c, a, b}));

    // Without a selection nothing is made.
    window->Document->Select(nullptr);
    window->RefreshSelectedView();
    EXPECT_EQ(window->Views().size(), 6u);
}

TEST_F(MapViewTest, RebuiltViewsReplaceTheOldOnesInTheNextFrame) {
    Start();
    TBaseInfo* record = Place("r", 100, 100, 200, 200, 0, "t\\red.png");
    QImage image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 200, 200, 255, 0, 0));

    window->Document->Select(record);
    window->Document->SetObjectProperty(tv::kPropLeft, "500");
    window->Document->SetObjectTexture("t\\blue.png");
    window->RebuildViews();
    image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 200, 200, 0, 0, 0x55));
    EXPECT_TRUE(WorldPixelIs(image, 600, 200, 0, 0, 255));
}

TEST_F(MapViewTest, SkippingObjectsOutsideTheViewChangesNoPixel) {
    Start();
    window->WorldX = 1000;
    window->SetProjection();
    // Across every edge, just outside every edge, touching edges, and far away.
    Place("left", 900, 200, 150, 100, 0, "t\\red.png");
    Place("right", 1750, 100, 150, 100, 0, "t\\green.png");
    Place("top", 1300, -50, 100, 100, 0, "t\\blue.png");
    Place("bottom", 1400, 550, 100, 100, 0, "t\\red.png");
    Place("out-left", 899, 0, 100, 100, 0, "t\\green.png");
    Place("touch-right", 1800, 300, 100, 100, 0, "t\\blue.png");
    Place("out-top", 1200, -101, 100, 100, 0, "t\\green.png");
    Place("far", 40000, 0, 100, 100, 0, "t\\red.png");
    Place("odd", 995, 400, 11, 7, 0, "t\\blue.png");
    window->Timer->Finalize(); // the frame-rate text must not change between the two frames
    const QImage skipping = Frame();
    EXPECT_EQ(window->Scene().LastDrawn, 6u); // a touching one is drawn to be safe
    window->Scene().CullOutside = false;
    window->InvalidatePicture();
    const QImage everything = Frame();
    EXPECT_EQ(window->Scene().LastDrawn, 9u);
    EXPECT_EQ(skipping, everything);
}

TEST_F(MapViewTest, InViewMeansOverlappingTheVisibleWorldRectangle) {
    Start();
    window->WorldX = 1000;
    auto rect = [&](int left, int top, int width, int height) {
        tv::TDecorInfo record;
        record.Left = left;
        record.Top = top;
        record.Width = width;
        record.Height = height;
        return window->IsInView(&record);
    };
    EXPECT_TRUE(rect(1400, 300, 1, 1));
    EXPECT_FALSE(rect(1800, 0, 100, 100));
    EXPECT_TRUE(rect(1799, 0, 100, 100));
    EXPECT_FALSE(rect(900, 0, 100, 100)); // right edge on the view's left edge
    EXPECT_TRUE(rect(900, 0, 101, 100));
    EXPECT_FALSE(rect(1200, 600, 10, 10));
    EXPECT_FALSE(rect(1200, -50, 10, 50));
    EXPECT_TRUE(rect(1200, -50, 10, 51));
    EXPECT_TRUE(rect(0, 0, 2000, 600));
    EXPECT_FALSE(window->IsInView(nullptr));
}

TEST_F(MapViewTest, ScrollingStaysWithinTheMapAndMovesTheProjection) {
    Start();
    TBaseInfo* far = Place("far", 5100, 100, 200, 200, 0, "t\\red.png");
    window->Document->SetMapVar("Max World X", "5000");

    window->WorldX = 500;
    QTest::mouseClick(window->XPrev, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 0);
    EXPECT_EQ(window->XPanel->text(), "World X:  0 / 5000");

    window->WorldX = 4800;
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 5000);
    EXPECT_EQ(window->XPanel->text(), "World X:  5000 / 5000");
    const QImage image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 5200, 200, 255, 0, 0));
    EXPECT_TRUE(WorldPixelIs(image, 5050, 200, 0, 0, 0x55));
    (void)far;

    // With the map narrower than the position, ">>" moves left to its end.
    window->Document->SetMapVar("Max World X", "1000");
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 1000);

    window->Document->SetMapVar("Max World X", "5000");
    window->EdJump->setValue(7000);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 5000);
    window->EdJump->setValue(1234);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 1234);
    EXPECT_EQ(window->XPanel->text(), "World X:  1234 / 5000");

    // Emptied with the keys: the click takes the focus, and the empty text still reads 0.
    tvtest::EmptyByKeys(*window->EdJump);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    EXPECT_EQ(window->EdJump->text(), "0");
    EXPECT_EQ(window->WorldX, 0);
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(MapViewTest, BackgroundsPlacedAtTheLeftEdgeStayThereWhileScrolling) {
    Start();
    TBaseInfo* pinned = Place<tv::TBackGroundInfo>("sky", 0, 0, 200, 300, -10, "t\\blue.png");
    TBaseInfo* loose = Place<tv::TBackGroundInfo>("hill", 20, 300, 200, 300, -10, "t\\green.png");
    TBaseInfo* decor = Place("rock", 0, 300, 10, 10, 0, "t\\red.png");
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    ASSERT_EQ(window->WorldX, 800);
    EXPECT_EQ(ViewOf(pinned)->Bounds.X, 800);
    EXPECT_EQ(ViewOf(loose)->Bounds.X, 20);
    EXPECT_EQ(ViewOf(decor)->Bounds.X, 0);
    EXPECT_EQ(pinned->Left, 0); // the record stays where it is
    const QImage image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 900, 150, 0, 0, 255));
    EXPECT_TRUE(WorldPixelIs(image, 900, 450, 0, 0, 0x55));

    // A remade view object shows the background at its own place again.
    window->RebuildViews();
    EXPECT_EQ(ViewOf(pinned)->Bounds.X, 0);
}

TEST_F(MapViewTest, RightClickSelectsTheLastRecordUnderThePointer) {
    Start();
    window->Pages->setCurrentWidget(window->TabModify);
    // Appended in this order: later in Objects wins where they overlap.
    Store("first", "t\\red.png", 100, 100, 200, 200, 0);
    Store("second", "t\\green.png", 150, 150, 200, 200, 0);
    Store("edge", "t\\blue.png", 500, 100, 100, 100, 0);
    const std::vector<TBaseInfo*> opened = OpenStored();
    ASSERT_EQ(opened.size(), 3u);
    TBaseInfo* first = opened[0];
    TBaseInfo* second = opened[1];
    TBaseInfo* edge = opened[2];
    ASSERT_EQ(second->Name, "second");
    window->Pages->setCurrentWidget(window->TabModify);
    window->WorldX = 0;

    PointAt(200, 200);
    Press(Qt::RightButton);
    Release(Qt::RightButton);
    EXPECT_EQ(window->Selected(), second);
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("Name")), "second");

    PointAt(120, 120);
    Press(Qt::RightButton);
    EXPECT_EQ(window->Selected(), first);

    // The right edge lies outside, the left edge inside; clicking nothing keeps the selection.
    ASSERT_EQ(PointAt(600, 150).X, 600);
    Press(Qt::RightButton);
    EXPECT_EQ(window->Selected(), first);
    ASSERT_EQ(PointAt(500, 150).X, 500);
    Press(Qt::RightButton);
    EXPECT_EQ(window->Selected(), edge);
    PointAt(700, 500);
    Press(Qt::RightButton);
    EXPECT_EQ(window->Selected(), edge);

    // Only on the Modify page.
    window->Pages->setCurrentWidget(window->Tabvars);
    PointAt(120, 120);
    Press(Qt::RightButton);
    EXPECT_EQ(window->Selected(), edge);
    EXPECT_FALSE(window->Document->Dragging());
}

TEST_F(MapViewTest, LeftButtonDragsTheSelectedObjectOnTheModifyPage) {
    Start();
    window->Pages->setCurrentWidget(window->TabModify);
    TBaseInfo* record = Place("r", 100, 100, 100, 100, 0, "t\\red.png");
    window->WorldX = 800;
    window->SetProjection();

    // Nothing selected: nothing happens.
    tv::TPoint p = PointAt(300, 300);
    Press(Qt::LeftButton);
    EXPECT_FALSE(window->Document->Dragging());
    Release(Qt::LeftButton);
    EXPECT_EQ(record->Left, 100);
    EXPECT_EQ(record->Top, 100);

    window->Document->Select(record);
    window->Modify->ShowSelected();
    Press(Qt::LeftButton);
    EXPECT_TRUE(window->Document->Dragging());
    EXPECT_EQ(record->Left, 800 + p.X);
    EXPECT_EQ(record->Top, p.Y);
    ASSERT_NE(ViewOf(record), nullptr);
    EXPECT_EQ(ViewOf(record)->Bounds.X, 800 + p.X);
    // The grid is refreshed only when the button is released.
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("left")), "100");
    QImage image = Frame();
    EXPECT_TRUE(WorldPixelIs(image, 1150, 350, 255, 0, 128));

    // Dragging past the view's edge is not clamped.
    p = PointAt(-17, 700);
    ASSERT_LT(p.X, 0);
    MoveWithLeftDown();
    EXPECT_EQ(record->Left, 800 + p.X);
    EXPECT_EQ(record->Top, p.Y);
    EXPECT_EQ(window->Views().size(), 1u);

    Release(Qt::LeftButton);
    EXPECT_FALSE(window->Document->Dragging());
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("left")),
              std::to_string(800 + p.X));
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("Top")),
              std::to_string(p.Y));

    // Moves without a drag under way change nothing.
    const int32_t left = record->Left;
    PointAt(400, 400);
    MoveWithLeftDown();
    EXPECT_EQ(record->Left, left);
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(MapViewTest, ALostDeviceDrawsNothingAndIsResetWhenItCanDrawAgain) {
    Start();
    Place("r", 900, 100, 200, 200, 0, "t\\red.png");
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    ASSERT_EQ(window->WorldX, 800);

    QWindow* view = window->ViewHost->Window();
    window->ViewHost->Container()->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isExposed(); }));
    const uint64_t presents = window->Device->Stats().Presents;
    window->DoFrame(nullptr, 1);
    EXPECT_EQ(window->Device->Stats().Presents, presents);

    window->ViewHost->Container()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    window->Timer->Finalize(); // only the frames of this test from here
    window->Device->ReadBackBuffer();
    const uint64_t before = window->Device->Stats().Presents;
    const QImage image = Frame();
    EXPECT_EQ(window->Device->Stats().Presents, before + 1);
    // Drawn with the projection and blending of the view again.
    EXPECT_TRUE(WorldPixelIs(image, 1000, 200, 255, 0, 0));
    EXPECT_TRUE(WorldPixelIs(image, 850, 200, 0, 0, 0x55));
    uint32_t blend = 0;
    window->Device->GetRenderState(tv::D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, 1u);
}

TEST_F(MapViewTest, ATextureThatCannotBeLoadedLeavesOnlyItsRecordWithoutAViewObject) {
    Start();
    {
        tv::TMap stored;
        for (const char* texture :
             {"t\\red.png", "t\\missing.png", "t\\green.png", "t\\missing.png", "t\\gone.png"}) {
            auto record = std::make_unique<tv::TDecorInfo>();
            record->Name = texture;
            record->Texture = texture;
            record->Width = record->Height = 50;
            stored.Objects.Add(std::move(record));
        }
        stored.MaxWorldX = 3000;
        stored.SaveToFile(game.file("Data/Maps/broken.tvm"), nullptr);
    }
    dialogs.FileAnswers = {game.file("Data/Maps/broken.tvm")};
    QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    // One box names each missing texture once; the map is shown whole and named in the title.
    EXPECT_EQ(
        dialogs.ErrorTexts(),
        (std::vector<std::string>{"Error when loading texture.\nt\\missing.png\nt\\gone.png\n2 "
                                  "textures could not be loaded."}));
    EXPECT_EQ(window->Map().Objects.Count(), 5);
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - broken.tvm");
    EXPECT_EQ(window->XPanel->text(), "World X:  0 / 3000");
    Frame();
    ASSERT_EQ(window->Views().size(), 2u);
    EXPECT_EQ(window->Views()[0]->Info, window->Map().Objects[2]);
    EXPECT_EQ(window->Views()[1]->Info, window->Map().Objects[0]);

    // The same through a single record: no view object, the record stays.
    TBaseInfo* missing = window->Map().Objects[1];
    window->Document->Select(missing);
    EXPECT_FALSE(tv::RunGuarded([&] { window->RefreshSelectedView(); }));
    EXPECT_EQ(dialogs.ErrorTexts().size(), 2u);
    EXPECT_EQ(ViewOf(missing), nullptr);
    window->Document->SetObjectTexture("t\\blue.png");
    EXPECT_NE(ViewOf(missing), nullptr);
}

TEST_F(MapViewTest, WithoutADeviceTheViewSaysSoAndTheEditorGoesOn) {
    const tv::TScopedViewDeviceMaker failing([](tv::HWND, int, int) {
        tv::ShowMessageBox("d3d device failed");
        return false;
    });
    window = std::make_unique<TEditF>(game.path());
    ASSERT_TRUE(tvtest::ShowActive(*window));
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"d3d device failed"}));
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_FALSE(window->HasGraphics());
    EXPECT_TRUE(window->ViewHost->NoDeviceLabel()->isVisible());
    EXPECT_EQ(window->ViewHost->NoDeviceLabel()->text(),
              "No graphics device: the map cannot be shown");
    EXPECT_FALSE(window->ViewHost->Container()->isVisible());
    EXPECT_FALSE(window->Timer->Running());

    // The map is still edited: records, view objects (without textures), scrolling.
    window->Pages->setCurrentWidget(window->TabModify);
    TBaseInfo* record = Place("r", 100, 100, 100, 100, 0, "t\\missing.png");
    EXPECT_EQ(LiveViewInfos(), (std::vector<const TBaseInfo*>{record}));
    window->Document->Select(record);
    window->ViewControl->MouseDown(Qt::LeftButton, {});
    EXPECT_FALSE(window->Document->Dragging());
    EXPECT_EQ(record->Left, 100);
    window->DoFrame(nullptr, 1);
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    EXPECT_EQ(window->WorldX, 800);
    EXPECT_TRUE(dialogs.Errors.empty());
    window.reset();
}

} // namespace
