// Integer text, file dialog filters and default extensions.
#include "document/Convert.h"
#include "EditorTestSupport.h"
#include "editor/Dialogs.h"
#include "mapdata/Errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

std::string ConversionError(const std::string& text) {
    try {
        tv::StrToInt(text);
    } catch (const tv::EError& error) {
        return error.what();
    }
    return "no error";
}

TEST(StrToIntTest, ReadsSignedDecimalAndDollarHexadecimal) {
    EXPECT_EQ(tv::StrToInt("0"), 0);
    EXPECT_EQ(tv::StrToInt("-5"), -5);
    EXPECT_EQ(tv::StrToInt("+600"), 600);
    EXPECT_EQ(tv::StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(tv::StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(tv::StrToInt("$ff"), 255);
    EXPECT_EQ(tv::StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(static_cast<uint32_t>(tv::StrToInt("$80FFFFFF")), 0x80FFFFFFu);
    EXPECT_EQ(tv::StrToInt("-$10"), -16);
}

TEST(StrToIntTest, RejectsEverythingElseWithTheTextInTheMessage) {
    EXPECT_EQ(ConversionError("abc"), "'abc' is not a valid integer value");
    for (const char* bad : {"", "-", "$", "12x", " 5", "5 ", "1.5", "0x10", "2147483648",
                            "-2147483649", "$100000000", "99999999999999999999"})
        EXPECT_NE(ConversionError(bad), "no error") << bad;
}

TEST(FileFilterTest, PipeFiltersBecomeQtFilters) {
    EXPECT_EQ(tv::QtFileFilter("Torvanikian Maps(*.tvm)|*.tvm|All Files(*.*)|*.*"),
              "Torvanikian Maps (*.tvm);;All Files (*)");
    EXPECT_EQ(tv::QtFileFilter("All Files(*jpg;*.bmp;*.png;*.tga)|*jpg;*.bmp;*.png;*.tga|"
                               "JPEG Image(*.jpg)|*.jpg"),
              "All Files (*jpg *.bmp *.png *.tga);;JPEG Image (*.jpg)");
    EXPECT_EQ(tv::QtFileFilter("Plain|*.txt"), "Plain (*.txt)");
    EXPECT_EQ(tv::QtFileFilter(""), "");
}

TEST(FileFilterTest, TheDefaultExtensionIsAddedOnlyToNamesWithoutOne) {
    EXPECT_EQ(tv::AddDefaultExtension("/maps/level1", "tvm"), "/maps/level1.tvm");
    EXPECT_EQ(tv::AddDefaultExtension("/maps/level1.map", "tvm"), "/maps/level1.map");
    EXPECT_EQ(tv::AddDefaultExtension("/maps.old/level1", "tvm"), "/maps.old/level1.tvm");
    EXPECT_EQ(tv::AddDefaultExtension("/maps/level1", ""), "/maps/level1");
}

TEST(FileDialogTest, ExecuteAsksTheSeamAndAddsTheDefaultExtension) {
    tvtest::FakeDialogs dialogs;
    tv::ScopedDialogs scope(dialogs);
    tv::TFileDialog dialog(nullptr, "OpenMD", tv::TFileDialog::TKind::Open,
                           "MIDI file(*.mid)|*.mid", "mid");
    dialog.InitialDir = "/nowhere/Data\\Music";
    dialogs.FileAnswers = {std::string("/nowhere/Data/Music/theme"), std::nullopt};
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/nowhere/Data/Music/theme.mid");
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_FALSE(dialogs.FileRequests[0].Save);
    EXPECT_EQ(dialogs.FileRequests[0].InitialDir, "/nowhere/Data/Music");
    EXPECT_EQ(dialogs.FileRequests[0].Filter, "MIDI file (*.mid)");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/nowhere/Data/Music/theme.mid");
}

} // namespace

// The real recovery question: a reflexive Enter restores, closing the box keeps the copy, and
// only the Delete button deletes it.
TEST(RecoveryQuestionTest, EnterRestoresAndEscapeKeepsTheCopy) {
    const auto answer = [](auto press) {
        QTimer::singleShot(0, [press] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            press(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        });
        return tv::TQtDialogs().AskRecovery("Restore the unsaved changes?");
    };
    EXPECT_EQ(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }),
              tv::TRecoveryChoice::Restore);
    EXPECT_EQ(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }),
              tv::TRecoveryChoice::Later);
    EXPECT_EQ(answer([](QMessageBox* box) {
                  for (QAbstractButton* button : box->buttons())
                      if (button->text() == QStringLiteral("Delete"))
                          button->click();
              }),
              tv::TRecoveryChoice::Delete);
}
