// Undo and redo, the keyboard shortcuts and the clipboard through the real window: real mouse
// and key events, the system clipboard of the X server the tests run on.
#include "editor/AddNewPage.h"
#include "editor/MapVarsPage.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"

#include "document/RecordJson.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

using tv::TBaseInfo;

namespace {

class EditCommandsTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        std::vector<std::unique_ptr<TBaseInfo>> records;
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Slime", "t\\red.png", 32, 32, 1));
        WriteCatalogue(records);
        Start();
    }

    // Keys go where the designer's keys would: to the widget that has the focus.
    void Keys(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    void Press() {
        QTest::mousePress(window->ViewHost->Window(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    }
    void Release() {
        QTest::mouseRelease(window->ViewHost->Window(), Qt::LeftButton, Qt::NoModifier,
                            QPoint(1, 1));
    }
    void MoveWithLeftDown() {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->ViewHost->Window(), &move);
    }
    // Selects the record under a point with the right button, on the Modify page.
    void RightClickAt(int x, int y) {
        window->Pages->setCurrentWidget(window->TabModify);
        PointAt(x, y);
        ClickView(Qt::RightButton);
    }
    std::string UndoTip() const { return window->UndoBtn->toolTip().toStdString(); }
};

TEST_F(EditCommandsTest, EveryEditIsOneUndoStepThroughTheButtonsAndTheKeys) {
    // Placing with a click on Add New.
    window->Pages->setCurrentWidget(window->TabAdd);
    ClickRow(window->AddNew->ListObj, 0);
    const tv::TPoint at = PointAt(200, 300);
    ClickView(Qt::LeftButton);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    TBaseInfo* slime = window->Map().Objects[0];
    EXPECT_EQ(UndoTip(), "Undo Place Slime (Ctrl+Z)");
    EXPECT_FALSE(window->RedoBtn->isEnabled());
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Objects.Count(), 0);
    EXPECT_TRUE(window->RedoBtn->isEnabled());
    QTest::mouseClick(window->RedoBtn, Qt::LeftButton);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(window->Map().Objects[0], slime) << "the same record comes back";
    EXPECT_EQ(slime->Left, at.X);

    // A whole drag is one step, and so are the nudges that follow it.
    RightClickAt(at.X + 5, at.Y + 5);
    ASSERT_EQ(window->Selected(), slime);
    PointAt(400, 100);
    Press();
    PointAt(450, 120);
    MoveWithLeftDown();
    const tv::TPoint end = PointAt(500, 150);
    MoveWithLeftDown();
    Release();
    EXPECT_EQ(slime->Left, end.X);
    EXPECT_EQ(UndoTip(), "Undo Move Slime (Ctrl+Z)");
    const int afterDrag = window->Document->UndoStack().index();
    for (int i = 0; i < 3; ++i)
        Keys(Qt::Key_Right);
    Keys(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(slime->Left, end.X + 3);
    EXPECT_EQ(slime->Top, end.Y + 10);
    EXPECT_EQ(window->Document->UndoStack().index(), afterDrag + 1);
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("left")),
              std::to_string(end.X + 3));
    QTest::mouseClick(window->UndoBtn, Qt::LeftButton);
    EXPECT_EQ(slime->Left, end.X);
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(slime->Left, at.X) << "the drag went back to where it started";
    EXPECT_EQ(slime->Top, at.Y);

    // Delete, and its undo selects the object again.
    Keys(Qt::Key_Delete);
    EXPECT_EQ(window->Map().Objects.Count(), 0);
    EXPECT_EQ(window->Selected(), nullptr);
    Keys(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(window->Selected(), window->Map().Objects[0]);
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("Name")), "Slime");

    // New (its changes discarded) starts a new undo history.
    dialogs.SaveAnswers = {tv::TSaveChoice::Discard};
    Keys(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialogs.Questions, (std::vector<std::string>{"Save changes to untitled.tvm?"}));
    EXPECT_FALSE(window->UndoBtn->isEnabled());
    EXPECT_EQ(UndoTip(), "Undo (Ctrl+Z)");
}

TEST_F(EditCommandsTest, KeysTypedIntoAFieldStayInTheField) {
    TBaseInfo* slime = Place<tv::TEnemyInfo>("Slime", 100, 100, 32, 32);
    window->Pages->setCurrentWidget(window->TabModify);
    window->Document->Select(slime);
    window->Modify->ShowSelected();
    const int steps = window->Document->UndoStack().count();

    ASSERT_TRUE(tvtest::TypeIntoRow(*window->Modify->ValMod, "Name", QStringLiteral("Blob")));
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_Delete})
        Keys(key);
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Objects.Count(), 1) << "Delete stayed in the cell";
    EXPECT_EQ(slime->Left, 100) << "the arrows stayed in the cell";
    EXPECT_EQ(window->WorldX, 0) << "Home and End stayed in the cell";
    EXPECT_EQ(window->Document->UndoStack().count(), steps);
    Keys(Qt::Key_Escape);
    EXPECT_EQ(window->Selected(), slime) << "Escape restored the cell, the selection stays";
    EXPECT_EQ(slime->Name, "Slime");

    window->Pages->setCurrentWidget(window->TabAdd);
    window->AddNew->SpinCount->setFocus();
    Keys(Qt::Key_Up);
    EXPECT_EQ(window->AddNew->SpinCount->value(), 6);
    EXPECT_EQ(slime->Top, 100);

    // Away from the fields the keys are the editor's: Escape clears the selection, and then
    // a left click on Modify moves nothing.
    window->Pages->setCurrentWidget(window->TabModify);
    window->XNext->setFocus();
    Keys(Qt::Key_End);
    EXPECT_EQ(window->WorldX, window->Map().MaxWorldX);
    Keys(Qt::Key_Home);
    EXPECT_EQ(window->WorldX, 0);
    Keys(Qt::Key_Escape);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(window->Modify->ValMod->RowCount(), 0);
    PointAt(400, 400);
    ClickView(Qt::LeftButton);
    EXPECT_EQ(slime->Left, 100);
}

// Once a typed value is applied, the cell editor has nothing of the designer's left to undo:
// Ctrl+Z and Ctrl+Y in it reach the map, in both grids.
TEST_F(EditCommandsTest, UndoKeysInAGridCellUndoTheAppliedValue) {
    TBaseInfo* slime = Place<tv::TEnemyInfo>("Slime", 100, 100, 32, 32);
    window->Pages->setCurrentWidget(window->TabModify);
    window->Document->Select(slime);
    window->Modify->ShowSelected();
    ASSERT_TRUE(tvtest::TypeIntoRow(*window->Modify->ValMod, "Name", QStringLiteral("Blob")));
    Keys(Qt::Key_Return);
    ASSERT_EQ(slime->Name, "Blob");
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(slime->Name, "Slime");
    Keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(slime->Name, "Blob");
    Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(slime->Name, "Blob") << "nothing more to redo";

    window->Pages->setCurrentWidget(window->Tabvars);
    const int32_t sky = window->Map().Sky;
    ASSERT_TRUE(tvtest::TypeIntoRow(*window->MapVars->ValMap, "Sky", QStringLiteral("77")));
    Keys(Qt::Key_Return);
    ASSERT_EQ(window->Map().Sky, 77);
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Sky, sky);
    Keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Sky, 77);
}

TEST_F(EditCommandsTest, CtrlDDuplicatesTheSelectionAndSelectsTheCopy) {
    TBaseInfo* slime = Place<tv::TEnemyInfo>("Slime", 100, 100, 32, 32);
    window->Pages->setCurrentWidget(window->TabModify);
    window->Document->Select(slime);
    window->XNext->setFocus();
    Keys(Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(window->Map().Objects.Count(), 2);
    ASSERT_NE(window->Selected(), slime);
    EXPECT_EQ(window->Selected()->Left, 116);
    EXPECT_EQ(window->Selected()->Top, 116);
    EXPECT_EQ(window->Modify->ValMod->Value(window->Modify->ValMod->FindRow("Left")), "116");
    EXPECT_EQ(UndoTip(), "Undo Duplicate Slime (Ctrl+Z)");
}

TEST_F(EditCommandsTest, CopyCutAndPasteGoThroughTheSystemClipboard) {
    auto type = tvtest::MakeRecord<tv::TEnemyInfo>("Slime", "t\\red.png", 32, 32, 3);
    type->Left = 100;
    type->Top = 100;
    type->Color = 0x80FF0000u;
    TBaseInfo* slime = PlaceCopy(*type);
    RightClickAt(110, 110);
    ASSERT_EQ(window->Selected(), slime);

    QTest::mouseClick(window->Modify->Button2, Qt::LeftButton);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text().toStdString(), tv::RecordJson(*slime, 0) + "\n")
        << "plain text as a dump prints the object";
    EXPECT_TRUE(data->hasFormat(QStringLiteral("application/x-torvanikian-objects+json")));

    // Pasted under the pointer, selected, every other field kept; one step.
    const tv::TPoint at = PointAt(600, 400);
    Keys(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(window->Map().Objects.Count(), 2);
    TBaseInfo* pasted = window->Selected();
    ASSERT_NE(pasted, nullptr);
    ASSERT_NE(pasted, slime);
    EXPECT_EQ(pasted->Left, at.X);
    EXPECT_EQ(pasted->Top, at.Y);
    EXPECT_EQ(pasted->Color, 0x80FF0000u);
    EXPECT_EQ(pasted->Z, 3);
    EXPECT_EQ(UndoTip(), "Undo Paste Slime (Ctrl+Z)");

    // Cut is one step that takes the object out and leaves it on the clipboard.
    Keys(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(UndoTip(), "Undo Cut Slime (Ctrl+Z)");
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->Map().Objects.Count(), 2);

    // A list of objects pastes as one step; text that is no object changes nothing.
    const std::string list =
        "[" + tv::RecordJson(*slime, 0) + ",\n" + tv::RecordJson(*pasted, 0) + "]";
    QGuiApplication::clipboard()->setText(QString::fromStdString(list));
    QTest::mouseClick(window->Modify->Button4, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 4);
    EXPECT_EQ(UndoTip(), "Undo Paste 2 Objects (Ctrl+Z)");
    const int steps = window->Document->UndoStack().count();
    dialogs.Messages.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("{\"class\": \"TNoSuchInfo\"}"));
    QTest::mouseClick(window->Modify->Button4, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 4);
    EXPECT_EQ(window->Document->UndoStack().count(), steps);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("nothing was pasted"), std::string::npos);
    EXPECT_TRUE(dialogs.Errors.empty());
}

} // namespace
