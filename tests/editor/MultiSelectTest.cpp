// Many objects at once through the real window: Shift, Alt and Ctrl with the right button in
// the view, Ctrl+A, the group toggles and the find field of the Modify page.
#include "editor/GroupToggles.h"
#include "editor/MapViewController.h"
#include "editor/ModifyPage.h"
#include "editor/ValueListEditor.h"

#include "MainWindowTest.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

using tv::TBaseInfo;

namespace {

class MultiSelectTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        std::vector<std::unique_ptr<TBaseInfo>> records;
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Grunt", "t\\red.png", 32, 32, 1));
        WriteCatalogue(records);
        Start();
        window->Pages->setCurrentWidget(window->TabModify);
    }

    QWindow* ViewWindow() { return window->ViewHost->Window(); }

    void RightClick(int x, int y, Qt::KeyboardModifiers modifiers = {}) {
        PointAt(x, y);
        QTest::mouseClick(ViewWindow(), Qt::RightButton, modifiers, QPoint(1, 1));
    }

    // Ctrl+right-drag from one logical point of the view to another.
    void Band(int x0, int y0, int x1, int y1, Qt::KeyboardModifiers more = {}) {
        const Qt::KeyboardModifiers modifiers = Qt::ControlModifier | more;
        PointAt(x0, y0);
        QTest::mousePress(ViewWindow(), Qt::RightButton, modifiers, QPoint(1, 1));
        PointAt(x1, y1);
        QTest::mouseMove(ViewWindow(), QPoint(2, 2));
        ASSERT_TRUE(window->ViewControl->Band().has_value());
        QTest::mouseRelease(ViewWindow(), Qt::RightButton, modifiers, QPoint(2, 2));
        EXPECT_FALSE(window->ViewControl->Band().has_value());
    }

    std::vector<TBaseInfo*> Selection() const { return window->Document->Selection(); }
    QToolButton* Toggle(const char* prefix, const char* group) {
        return window->findChild<QToolButton*>(QString::fromLatin1(prefix) +
                                               QString::fromLatin1(group));
    }
};

TEST_F(MultiSelectTest, RightClicksWithShiftAltAndCtrlChooseManyObjects) {
    TBaseInfo* low = Place("low", 100, 100, 100, 100);
    TBaseInfo* high = Place("high", 150, 150, 100, 100, 1);
    TBaseInfo* apart = Place<tv::TEnemyInfo>("apart", 400, 100, 50, 50);

    // Stacked objects: a plain click picks the top one, Alt goes down and then round again.
    RightClick(160, 160);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{high});
    RightClick(160, 160, Qt::AltModifier);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{low});
    RightClick(160, 160, Qt::AltModifier);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{high});

    // Shift adds and removes; the primary stays the first chosen.
    RightClick(410, 110, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{high, apart}));
    EXPECT_EQ(window->Selected(), high);
    RightClick(410, 110, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{high});

    // The band takes what it overlaps, Shift adds to what was chosen.
    Band(90, 90, 170, 170);
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{low, high}));
    Band(390, 90, 460, 160, Qt::ShiftModifier);
    EXPECT_EQ(Selection().size(), 3u);
    // The other frames are drawn: the picture is drawn whole when the selection changes.
    window->DoFrame(nullptr, 0);

    // A Ctrl+right click that does not drag clears on empty space, as a single click did.
    RightClick(600, 500, Qt::ControlModifier);
    EXPECT_TRUE(Selection().empty());

    // Ctrl+A: the Modify page's group (Decors here) in the whole map, also out of view.
    TBaseInfo* far = Place("far", 5000, 100, 10, 10);
    window->Modify->RefreshModify();
    window->Modify->ComboMod->setCurrentText(QStringLiteral("Decors"));
    window->Modify->ComboModSelect();
    ASSERT_EQ(window->Modify->ModGroup, "Decors");
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    std::vector<TBaseInfo*> all = Selection();
    std::sort(all.begin(), all.end());
    std::vector<TBaseInfo*> decors{low, high, far};
    std::sort(decors.begin(), decors.end());
    EXPECT_EQ(all, decors);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(Selection().empty());
}

TEST_F(MultiSelectTest, LockedAndHiddenGroupsCannotBePickedAndTheTogglesResetWithANewMap) {
    TBaseInfo* rock = Place("rock", 100, 100, 100, 100);
    TBaseInfo* foe = Place<tv::TEnemyInfo>("foe", 120, 120, 20, 20);
    QToolButton* lockDecors = Toggle("Lock", "Decors");
    QToolButton* eyeEnemies = Toggle("Eye", "Enemies");
    ASSERT_TRUE(lockDecors && eyeEnemies);

    lockDecors->click();
    EXPECT_TRUE(window->Document->Groups().Locked("Decors"));
    RightClick(105, 105);
    EXPECT_TRUE(Selection().empty()) << "a locked group is not picked";
    Band(90, 90, 300, 300);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{foe});

    eyeEnemies->click();
    EXPECT_TRUE(window->Document->Groups().Hidden("Enemies"));
    EXPECT_TRUE(Selection().empty()) << "hiding takes the group out of the selection";
    RightClick(125, 125);
    EXPECT_TRUE(Selection().empty());

    // The document's states show on the toggles, and a new map starts with none.
    window->Document->SetGroupLocked("Decors", false);
    EXPECT_FALSE(lockDecors->isChecked());
    RightClick(105, 105);
    EXPECT_EQ(Selection(), std::vector<TBaseInfo*>{rock});
    window->Document->NewMap();
    EXPECT_TRUE(eyeEnemies->isChecked());
    EXPECT_FALSE(window->Document->Groups().Hidden("Enemies"));
}

TEST_F(MultiSelectTest, TheFindFieldListsTheWholeMapScrollsToAChoiceAndEnterSelectsAll) {
    Place("Torch", 100, 100, 10, 10);
    TBaseInfo* far = Place("wall torch", 3000, 200, 10, 10);
    Place("Rock", 300, 100, 10, 10);
    window->Modify->RefreshModify();
    QLineEdit* find = window->Modify->FindMod;
    QTest::keyClicks(find, QStringLiteral("TORCH"));
    std::vector<std::string> found = tvtest::Items(window->Modify->ListMod);
    ASSERT_EQ(found.size(), 2u);
    const int farRow = found[0] == "wall torch (3000, 200)" ? 0 : 1;
    EXPECT_EQ(found[1 - farRow], "Torch (100, 100)");

    ClickRow(window->Modify->ListMod, farRow);
    EXPECT_EQ(window->Selected(), far);
    EXPECT_TRUE(window->IsInView(far)) << "the view went to it";

    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(Selection().size(), 2u);

    // Emptied, the list shows the objects in view again.
    find->clear();
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"wall torch"}));
}

TEST_F(MultiSelectTest, ASelectionOfManyIsDraggedDeletedDuplicatedAndEditedAsOne) {
    TBaseInfo* a = Place("a", 100, 100, 40, 40);
    TBaseInfo* b = Place("b", 300, 200, 40, 40);
    Band(90, 90, 350, 250);
    ASSERT_EQ(Selection().size(), 2u);

    // A left-button drag on one of them moves both by what the pointer moves, one undo step.
    const tv::TPoint from = PointAt(310, 210);
    QTest::mousePress(ViewWindow(), Qt::LeftButton, {}, QPoint(1, 1));
    const tv::TPoint to = PointAt(360, 240);
    QTest::mouseMove(ViewWindow(), QPoint(3, 3));
    QTest::mouseRelease(ViewWindow(), Qt::LeftButton, {}, QPoint(3, 3));
    const int dx = to.X - from.X;
    const int dy = to.Y - from.Y;
    EXPECT_EQ(std::make_pair(a->Left, a->Top), std::make_pair(100 + dx, 100 + dy));
    EXPECT_EQ(std::make_pair(b->Left, b->Top), std::make_pair(300 + dx, 200 + dy));
    EXPECT_EQ(window->Document->UndoStack().count(), 1);

    // The grid shows the rows both have; a row that differs is empty, a typed value goes to
    // both in one step.
    tv::TValueListEditor& grid = *window->Modify->ValMod;
    EXPECT_EQ(grid.Value(grid.FindRow("Name")), "");
    EXPECT_EQ(grid.Value(grid.FindRow("top")), "");
    ASSERT_TRUE(tvtest::TypeIntoRow(grid, "Name", QStringLiteral("torch")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(a->Name.str() + b->Name.str(), "torchtorch");
    EXPECT_EQ(grid.Value(grid.FindRow("Name")), "torch");
    EXPECT_EQ(window->Document->UndoStack().count(), 2);

    // Ctrl+D copies both, offset, selected; Delete takes the copies, Undelete brings them back.
    window->View->setFocus();
    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(window->Map().Objects.Count(), 4);
    ASSERT_EQ(Selection().size(), 2u);
    EXPECT_EQ(std::min(Selection()[0]->Left, Selection()[1]->Left), a->Left + 16);
    QTest::keyClick(window.get(), Qt::Key_Delete);
    EXPECT_EQ(window->Map().Objects.Count(), 2);
    window->Modify->Button6->click();
    EXPECT_EQ(window->Map().Objects.Count(), 4);
}

} // namespace
