// Moving through a long level from the view: the wheel, the middle button, carrying an object
// along by a drag near the edge, snapping to the grid, and inserting and removing space. Real
// events go to the view's window; the pointer is placed through the cursor seam.
#include "editor/AddNewPage.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"
#include "TestSupport.h"
#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "editor/OverviewStrip.h"
#include "editor/RecentMenu.h"
#include "editor/SnapControls.h"
#include "editor/StatusLine.h"
#include "editor/ViewScroller.h"
#include "engine/DXCursor.h"
#include "mapdata/Stream.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

using tv::TBaseInfo;
using tv::TEditF;

namespace {

std::vector<uint8_t> Bytes(const tv::TMap& map) {
    tv::TMemoryStream stream;
    map.WriteToStream(stream, nullptr);
    return stream.Bytes();
}

class NavigationTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", 0xFFFF0000u);
        Start();
        window->Pages->setCurrentWidget(window->TabModify);
        window->Document->SetMapVar("Max World X", "20000");
    }

    // A 40 x 40 box placed as the designer places one: an undo step of its own.
    TBaseInfo* PlaceBox(int left, int top) {
        tv::TDecorInfo type;
        type.Name = "box";
        type.Texture = "t\\red.png";
        type.Width = 40;
        type.Height = 40;
        type.Color = 0xFFFFFFFFu;
        return window->Document->PlaceObject(type, left, top);
    }

    void Wheel(int angle, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent wheel(QPointF(5, 5), ViewWindow()->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(ViewWindow(), &wheel);
    }
    std::string Caption() const { return window->XPanel->text().toStdString(); }
};

TEST_F(NavigationTest, TheWheelAndTheMiddleButtonScrollWithinTheWorld) {
    // Towards the designer is back, which stops at the start.
    Wheel(120);
    EXPECT_EQ(window->WorldX, 0);
    Wheel(-120);
    EXPECT_EQ(window->WorldX, 80);
    // Half notches add up to one.
    Wheel(-60);
    EXPECT_EQ(window->WorldX, 80);
    Wheel(-60);
    EXPECT_EQ(window->WorldX, 160);
    Wheel(-240, Qt::ShiftModifier);
    EXPECT_EQ(window->WorldX, 160 + 2 * 80 * tv::TViewScroller::kFastFactor);
    EXPECT_EQ(Caption(), "World X:  960 / 20000");

    // The middle button holds the world point under the pointer.
    const tv::TPoint from = PointAt(600, 300);
    Press(Qt::MiddleButton);
    const tv::TPoint to = PointAt(200, 300);
    MoveWith(Qt::MiddleButton);
    EXPECT_EQ(window->WorldX, 960 + from.X - to.X);
    Release(Qt::MiddleButton);
    PointAt(700, 300);
    MoveWith(Qt::NoButton);
    EXPECT_EQ(window->WorldX, 960 + from.X - to.X) << "released: the world stays";
    // Dragged past the end it stops at Max World X.
    window->ScrollTo(19900);
    PointAt(700, 300);
    Press(Qt::MiddleButton);
    PointAt(10, 300);
    MoveWith(Qt::MiddleButton);
    EXPECT_EQ(window->WorldX, 20000);
    Release(Qt::MiddleButton);
    EXPECT_EQ(window->Document->UndoStack().count(), 1) << "scrolling is no edit";
}

TEST_F(NavigationTest, ADragNearTheRightEdgeCarriesAnObjectAlongInOneUndoStep) {
    TBaseInfo* record = PlaceBox(100, 200);
    window->Document->Select(record);
    const int steps = window->Document->UndoStack().count();
    PointAt(100, 200);
    Press(Qt::LeftButton);
    ASSERT_TRUE(window->Document->Dragging());
    // Within 20 pixels of the right edge the view goes on while the pointer rests there.
    const tv::TPoint edge = PointAt(797, 200);
    MoveWith(Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window->WorldX >= 2400, 10000);
    EXPECT_EQ(record->Left, window->WorldX + edge.X) << "the object stays under the pointer";
    // Back in the middle the carrying stops; the pointer puts the object at 3000.
    const tv::TPoint middle = PointAt(3000 - window->WorldX, 200);
    MoveWith(Qt::LeftButton);
    const int32_t worldX = window->WorldX;
    QTest::qWait(3 * tv::TViewScroller::kCarryIntervalMs);
    EXPECT_EQ(window->WorldX, worldX);
    Release(Qt::LeftButton);
    EXPECT_EQ(record->Left, worldX + middle.X);
    EXPECT_GE(record->Left, 3000);
    EXPECT_LE(record->Left, 3001);
    EXPECT_EQ(window->Document->UndoStack().count(), steps + 1);
    window->UndoClick();
    EXPECT_EQ(record->Left, 100);
    EXPECT_EQ(record->Top, 200);
}

TEST_F(NavigationTest, SnappingPlacesDragsAndNudgesOnTheGridAndCtrlInvertsIt) {
    TBaseInfo* record = PlaceBox(101, 203);
    window->Document->Select(record);
    QTest::keyClick(window.get(), Qt::Key_G);
    ASSERT_TRUE(window->Snap->Grid().On());
    EXPECT_TRUE(window->Snap->Button()->isChecked());
    window->Snap->SetSize(32);

    window->ScrollTo(1000);
    const tv::TPoint p = PointAt(203, 197);
    Press(Qt::LeftButton);
    EXPECT_EQ(record->Left, (1000 + p.X + 16) / 32 * 32);
    EXPECT_EQ(record->Top, (p.Y + 16) / 32 * 32);
    // Ctrl held: where the pointer is.
    MoveWith(Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(record->Left, 1000 + p.X);
    EXPECT_EQ(record->Top, p.Y);
    Release(Qt::LeftButton);

    // A nudge goes to the next grid line that way, from off the grid and from on it.
    window->NudgeSelected(1, 0);
    EXPECT_EQ(record->Left, (1000 + p.X) / 32 * 32 + 32);
    window->NudgeSelected(-1, 0);
    window->NudgeSelected(-1, 0);
    EXPECT_EQ(record->Left, (1000 + p.X) / 32 * 32 - 32);

    // Placing with a click on the Add New page.
    tv::TDecorInfo type;
    type.Name = "placed";
    type.Texture = "t\\red.png";
    type.Width = type.Height = 10;
    window->AddNew->NewType = &type;
    window->Pages->setCurrentWidget(window->TabAdd);
    const tv::TPoint q = PointAt(77, 333);
    Press(Qt::LeftButton);
    Release(Qt::LeftButton);
    const TBaseInfo* placed = nullptr;
    for (const TBaseInfo* object : window->Map().Objects)
        if (object->Name == "placed")
            placed = object;
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->Left, (1000 + q.X + 16) / 32 * 32);
    EXPECT_EQ(placed->Top, (q.Y + 16) / 32 * 32);
    window->AddNew->NewType = nullptr;

    // A letter typed into a list is its own (a search), not the toggle.
    window->Pages->setCurrentWidget(window->TabModify);
    window->Modify->ListMod->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_G, Qt::NoModifier);
    EXPECT_TRUE(window->Snap->Grid().On());
    window->View->setFocus();
    QTest::keyClick(window.get(), Qt::Key_G);
    EXPECT_FALSE(window->Snap->Grid().On());
}

TEST_F(NavigationTest, InsertAndRemoveSpaceAtThePointerRoundTripAndARefusalNamesTheObjects) {
    PlaceBox(100, 100);
    PlaceBox(2000, 100);
    PlaceBox(2100, 100);
    const std::vector<uint8_t> original = Bytes(window->Map());
    window->ScrollTo(1000);
    const tv::TPoint p = PointAt(500, 300);

    dialogs.SpaceAnswers = {tv::TSpaceRequest{"", 1500, 700}};
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(dialogs.SpaceRequests.size(), 1u);
    EXPECT_EQ(dialogs.SpaceRequests[0].X, 1000 + p.X) << "the pointer's world x is offered";
    EXPECT_EQ(window->Map().MaxWorldX, 20700);
    EXPECT_EQ(Caption(), "World X:  1000 / 20700");

    // Objects in the stretch: nothing goes, the notice names how many.
    dialogs.SpaceAnswers = {tv::TSpaceRequest{"", 1500, 1250}};
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("1 object lies"), std::string::npos) << dialogs.Messages[0];
    EXPECT_EQ(window->Map().MaxWorldX, 20700);

    dialogs.SpaceAnswers = {tv::TSpaceRequest{"", 1500, 700}};
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Bytes(window->Map()), original);
    window->UndoClick();
    window->UndoClick();
    EXPECT_EQ(Bytes(window->Map()), original);
    // Cancelled: nothing happens.
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(Bytes(window->Map()), original);
}

TEST_F(NavigationTest, TheStripShowsEveryObjectAndTheScreenAndScrollsWhereItIsClicked) {
    tv::TOverviewStrip& strip = *window->Overview;
    const int width = strip.width();
    EXPECT_EQ(width, window->View->width());
    const auto columnOf = [&](int64_t worldX) { return int(worldX * width / (20000 + 800)); };
    const auto pixel = [&](const QImage& image, int x, int y) {
        return image.pixel(x, y) | 0xFF000000u;
    };
    const QRgb decor = tv::TOverviewPicture::GroupColor("Decors");

    TBaseInfo* record = PlaceBox(12000, 300);
    QImage image = strip.grab().toImage();
    ASSERT_EQ(image.width(), width);
    const int y = 300 * strip.height() / 600;
    EXPECT_EQ(pixel(image, columnOf(12000), y), decor) << "the box where the object lies";
    EXPECT_NE(pixel(image, columnOf(9000), y), decor);
    // The screen's rectangle: its left edge at WorldX.
    EXPECT_EQ(pixel(image, columnOf(0), strip.height() / 2), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, columnOf(800) - 1, 0), 0xFFFFFFFFu);

    // A click puts the screen's middle there; the rectangle follows without a new picture.
    const int builds = strip.Builds();
    QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(columnOf(10000), 5));
    const int32_t clicked = window->WorldX;
    EXPECT_NEAR(clicked, 10000 - 400, 20800 / width + 1);
    EXPECT_EQ(strip.WorldX(), clicked);
    EXPECT_EQ(window->XPanel->text().toStdString(),
              "World X:  " + std::to_string(clicked) + " / 20000");
    image = strip.grab().toImage();
    EXPECT_EQ(pixel(image, columnOf(clicked) + 1, 0), 0xFFFFFFFFu);
    EXPECT_NE(pixel(image, columnOf(0) + 1, 0), 0xFFFFFFFFu);
    // Dragging to the end stops at Max World X.
    QMouseEvent drag(QEvent::MouseMove, QPointF(width + 50, 5),
                     strip.mapToGlobal(QPointF(width + 50, 5)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&strip, &drag);
    EXPECT_EQ(window->WorldX, 20000);
    EXPECT_EQ(strip.Builds(), builds) << "scrolling does not remake the picture";

    // It follows edits, their undo and Max World X.
    window->Document->Select(record);
    window->Document->NudgeSelected(-6000, 0);
    image = strip.grab().toImage();
    EXPECT_EQ(pixel(image, columnOf(6000), y), decor);
    EXPECT_NE(pixel(image, columnOf(12000), y), decor);
    window->UndoClick();
    window->Document->SetMapVar("Max World X", "40000");
    image = strip.grab().toImage();
    EXPECT_EQ(pixel(image, int(12000LL * width / 40800), y), decor);
    // A group hidden in the view is hidden in the strip too, until it is shown again.
    window->Document->SetGroupHidden("Decors", true);
    image = strip.grab().toImage();
    EXPECT_NE(pixel(image, int(12000LL * width / 40800), y), decor);
    window->Document->SetGroupHidden("Decors", false);
    image = strip.grab().toImage();
    EXPECT_EQ(pixel(image, int(12000LL * width / 40800), y), decor);
}

TEST_F(NavigationTest, TheStatusLineSaysWhereThePointerAndTheSelectionAreAndWhetherItSnaps) {
    TBaseInfo* record = PlaceBox(300, 200);
    window->ScrollTo(1000);
    const tv::TPoint p = PointAt(123, 456);
    MoveWith(Qt::NoButton);
    EXPECT_EQ(window->Status->PointerText(),
              "X " + std::to_string(1000 + p.X) + ", Y " + std::to_string(p.Y));
    window->Document->Select(record);
    window->Modify->ShowSelected();
    EXPECT_EQ(window->Status->SelectionText(), "box at 300, 200, 40 x 40");
    window->NudgeSelected(5, 0);
    EXPECT_EQ(window->Status->SelectionText(), "box at 305, 200, 40 x 40");
    EXPECT_EQ(window->Status->SnapText(), "Snap off");
    window->Snap->SetSize(8);
    window->Snap->Toggle();
    EXPECT_EQ(window->Status->SnapText(), "Snap 8");
    EXPECT_NE(window->Status->text().toStdString().find("Snap 8"), std::string::npos);
}

TEST_F(NavigationTest, RecentMapsAreKeptNewestFirstAndMissingOnesAreDroppedWithANotice) {
    tvtest::TempDir state;
    const std::string store = state.path() + "state/recent-maps.txt";
    window->Recent->UseStore(store);
    const auto map = [&](const std::string& name) { return game.file("Data/Maps/" + name); };
    const auto paths = [&] { return window->Recent->Files().Paths(); };
    dialogs.FileAnswers = {map("a"), map("b")};
    window->SaveAsBtn->click();
    window->SaveAsBtn->click();
    ASSERT_EQ(paths(), (std::vector<std::string>{map("b.tvm"), map("a.tvm")}));
    window->Recent->Open(map("a.tvm"));
    EXPECT_EQ(window->Map().FileName, "a.tvm");
    EXPECT_EQ(paths(), (std::vector<std::string>{map("a.tvm"), map("b.tvm")}));
    // The list outlives the window.
    tv::TRecentFiles kept(store);
    kept.Load();
    EXPECT_EQ(kept.Paths(), paths());

    // A map that is gone is dropped when the menu opens, and named.
    ASSERT_TRUE(QFile::remove(QString::fromStdString(map("b.tvm"))));
    QMetaObject::invokeMethod(window->Recent->Menu(), "aboutToShow");
    EXPECT_EQ(paths(), (std::vector<std::string>{map("a.tvm")}));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find(map("b.tvm")), std::string::npos) << dialogs.Messages[0];
    EXPECT_EQ(window->Recent->Menu()->actions().size(), 1);
    kept.Load();
    EXPECT_EQ(kept.Paths(), paths());

    // A file opened under another name than the one stored in it says where it came from.
    ASSERT_TRUE(QFile::copy(QString::fromStdString(map("a.tvm")),
                            QString::fromStdString(map("renamed.tvm"))));
    window->OpenWithProgress(map("renamed.tvm"));
    EXPECT_EQ(window->Map().FileName, "a.tvm");
    EXPECT_EQ(window->Status->toolTip().toStdString(), "Opened from " + map("renamed.tvm"));

    // At most eight, the newest first.
    for (int i = 0; i < 10; ++i)
        kept.Add("/maps/" + std::to_string(i) + ".tvm");
    ASSERT_EQ(kept.Paths().size(), tv::TRecentFiles::kMax);
    EXPECT_EQ(kept.Paths().front(), "/maps/9.tvm");
    EXPECT_EQ(kept.Paths().back(), "/maps/2.tvm");
}

TEST_F(NavigationTest, TheModifyGridFitsItsPageAndTheViewStaysCentredBesideThePages) {
    TBaseInfo* record = PlaceBox(100, 100);
    window->Document->Select(record);
    window->Modify->ShowSelected();
    const auto lastRowReachable = [&] {
        tv::TValueListEditor& grid = *window->Modify->ValMod;
        if (!window->TabModify->rect().contains(grid.geometry()))
            return false;
        grid.scrollToItem(grid.item(grid.rowCount() - 1, 0));
        return grid.viewport()->rect().contains(
            grid.visualItemRect(grid.item(grid.rowCount() - 1, 0)));
    };
    EXPECT_TRUE(lastRowReachable());
    EXPECT_TRUE(window->rect().contains(window->Status->geometry()));

    // A wide window: the view keeps 4:3 and sits in the middle of the room left of the pages.
    window->resize(1800, 700);
    QTRY_VERIFY(window->View->width() < 1800 - 343 - 5 - 100);
    const int room = window->Pages->x() - 2;
    EXPECT_NEAR(window->View->x() - 5, room - window->View->geometry().right() - 1, 2);
    EXPECT_EQ(window->Overview->geometry().left(), window->View->x());
    EXPECT_EQ(window->Overview->width(), window->View->width());
    EXPECT_TRUE(lastRowReachable());
}

} // namespace
