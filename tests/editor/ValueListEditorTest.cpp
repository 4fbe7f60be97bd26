// The key/value grid driven through real key, mouse and focus events.
#include "editor/ValueListEditor.h"
#include "EditorTestSupport.h"
#include "mapdata/Errors.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using tv::TValueListEditor;

namespace {

struct ValidateCall {
    int Row;
    std::string Key;
    std::string Value;
};

class ValueListEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&host);
        grid = new TValueListEditor(&host);
        grid->SetTitles("Variable", "Value");
        grid->SetDefaultRowHeight(15);
        grid->SetColumnWidths(150, 165);
        grid->setFixedSize(330, 200);
        other = new QLineEdit(&host);
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->SetValue("Name", "first");
        grid->SetValue("Count", "10");
        grid->SetValue("Music", "song.mid");
        grid->SetValue("Blend", "bl_normal");
        grid->SetEditStyle("Music", TValueListEditor::TEditStyle::Ellipsis);
        grid->SetEditStyle("Blend", TValueListEditor::TEditStyle::PickList);
        grid->SetPickList("Blend", {"bl_normal", "bl_add"});
        grid->OnValidate = [this](int column, int row, const std::string& key,
                                  const std::string& value) {
            EXPECT_EQ(column, 1);
            calls.push_back({row, key, value});
            if (rejectValue && value == *rejectValue)
                throw tv::EError("'" + value + "' is not a valid integer value");
        };
        ASSERT_TRUE(tvtest::ShowActive(host));
        grid->setFocus();
        QApplication::processEvents();
    }

    void Type(const QString& text) {
        QLineEdit* line = grid->EditLine();
        line->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    tvtest::FakeDialogs dialogs;
    tv::ScopedDialogs scope{dialogs};
    QWidget host;
    TValueListEditor* grid = nullptr;
    QLineEdit* other = nullptr;
    std::vector<ValidateCall> calls;
    std::optional<std::string> rejectValue;
};

TEST_F(ValueListEditorTest, RowsAreUpdatedInPlaceOrAppendedAndFoundWithoutRegardToCase) {
    EXPECT_EQ(grid->RowCount(), 4);
    grid->SetValue("NAME", "second");
    grid->SetValue("Extra", "x");
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->Key(0), "Name");
    EXPECT_EQ(grid->Value(0), "second");
    EXPECT_EQ(grid->FindRow("extra"), 4);
    EXPECT_EQ(grid->FindRow("missing"), -1);
    // The first row became current when it was added; its editor shows the new value.
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->EditLine()->text(), "second");
    EXPECT_TRUE(grid->EditLine()->hasFocus());
    EXPECT_FALSE(grid->Modified());

    grid->ClearRows();
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->Row(), -1);
    EXPECT_FALSE(grid->CellEditor()->isVisible());
    grid->AppendRow("a", "1");
    grid->AppendRow("a", "2");
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->EditLine()->text(), "1");
    EXPECT_TRUE(calls.empty());
}

TEST_F(ValueListEditorTest, LeavingAnEditedRowValidatesItOnceWithTheTypedText) {
    Key(Qt::Key_Down); // unedited: no validation
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(calls.empty());

    Type("42");
    EXPECT_EQ(grid->Value(1), "42");
    EXPECT_TRUE(grid->Modified());
    Key(Qt::Key_Up);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Row, 1);
    EXPECT_EQ(calls[0].Key, "Count");
    EXPECT_EQ(calls[0].Value, "42");
    EXPECT_EQ(grid->Row(), 0);

    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(calls.size(), 1u) << "a validated row is not validated again";
}

TEST_F(ValueListEditorTest, EscapePutsThePreviousTextBackWithoutValidation) {
    Type("changed");
    Key(Qt::Key_Escape);
    EXPECT_EQ(grid->Value(0), "first");
    EXPECT_EQ(grid->EditLine()->text(), "first");
    Key(Qt::Key_Down);
    other->setFocus();
    EXPECT_TRUE(calls.empty());
}

TEST_F(ValueListEditorTest, FocusLeavingTheGridValidatesTheEditedRow) {
    Type("renamed");
    other->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Key, "Name");
    EXPECT_EQ(calls[0].Value, "renamed");
    EXPECT_FALSE(grid->Modified());

    // Back in the grid, clicking a row moves there without validating the unedited one.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 0)).center());
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(grid->EditLine()->hasFocus());
}

TEST_F(ValueListEditorTest, AFailedValidationIsShownAndKeepsTheCursorAndTheTypedText) {
    rejectValue = "abc";
    Key(Qt::Key_Down);
    Type("abc");
    Key(Qt::Key_Down);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Value(1), "abc");
    EXPECT_EQ(grid->EditLine()->text(), "abc");

    // A click on another row is refused the same way; Escape then lets the cursor go.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(3, 1)).center());
    EXPECT_EQ(dialogs.Errors.size(), 2u);
    EXPECT_EQ(grid->Row(), 1);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Value(1), "10");
    EXPECT_EQ(dialogs.Errors.size(), 2u);
}

TEST_F(ValueListEditorTest, EnterIsLeftToTheKeyHandler) {
    std::vector<int> keys;
    grid->OnKeyDown = [&](int key) {
        keys.push_back(key);
        if (key == Qt::Key_Return)
            grid->SetValue(grid->CurrentKey(), "validated:" + grid->CurrentValue());
    };
    Type("x");
    Key(Qt::Key_Return);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), Qt::Key_X);
    EXPECT_EQ(keys.back(), Qt::Key_Return);
    EXPECT_TRUE(calls.empty()) << "the grid does not validate on Enter by itself";
    // The handler's refill shows in the editor and counts as the row's text from now on.
    EXPECT_EQ(grid->EditLine()->text(), "validated:x");
    EXPECT_FALSE(grid->Modified());
    Key(Qt::Key_Escape);
    EXPECT_EQ(grid->Value(0), "validated:x");
}

TEST_F(ValueListEditorTest, EllipsisRowsOfferAButtonThatDoesNotTakeTheFocus) {
    int clicks = 0;
    QObject::connect(grid, &TValueListEditor::editButtonClicked, [&] { ++clicks; });
    EXPECT_FALSE(grid->EllipsisButton()->isVisible());
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    ASSERT_EQ(grid->CurrentKey(), "Music");
    ASSERT_TRUE(grid->EllipsisButton()->isVisible());
    Type("typed");
    QTest::mouseClick(grid->EllipsisButton(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(calls.empty()) << "pressing the button does not leave the cell";
    EXPECT_EQ(grid->Value(2), "typed");
}

TEST_F(ValueListEditorTest, PickListRowsOfferTheirValuesAndAcceptTypedText) {
    grid->MoveTo(3);
    QComboBox* box = grid->PickBox();
    ASSERT_TRUE(box->isVisible());
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(1), "bl_add");
    EXPECT_EQ(box->currentText(), "bl_normal");

    box->lineEdit()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "BL_ADD");
    EXPECT_EQ(grid->Value(3), "BL_ADD");
    Key(Qt::Key_Up);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Key, "Blend");
    EXPECT_EQ(calls[0].Value, "BL_ADD");

    // Choosing from the list counts as an edit as well.
    grid->MoveTo(3);
    box->setFocus();
    emit box->activated(0);
    EXPECT_EQ(grid->Value(3), "bl_normal");
    other->setFocus();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].Value, "bl_normal");
}

TEST_F(ValueListEditorTest, AValidationThatEmptiesTheGridEndsTheMoveQuietly) {
    grid->OnValidate = [this](int, int, const std::string&, const std::string&) {
        grid->ClearRows();
    };
    Type("gone");
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->Row(), -1);
    other->setFocus();
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST(ValueListEditorReadOnlyTest, AGridWithoutEditingShowsNoEditor) {
    QWidget host;
    auto* grid = new TValueListEditor(&host);
    grid->SetEditing(false);
    grid->AppendRow("Name:", "Enemy");
    grid->AppendRow("Class:", "TEnemyInfo");
    ASSERT_TRUE(tvtest::ShowActive(host));
    EXPECT_FALSE(grid->CellEditor()->isVisible());
    EXPECT_EQ(grid->Value(1), "TEnemyInfo");
    EXPECT_EQ(grid->item(0, 0)->background().color(),
              QColor::fromRgba(TValueListEditor::SkyBlueColor));
    EXPECT_EQ(grid->item(0, 1)->background().color(),
              QColor::fromRgba(TValueListEditor::CreamColor));
}

} // namespace
