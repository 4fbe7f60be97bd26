// What keeps a designer's work from being lost through the real window: the modified mark and
// the save question, values a map file cannot keep, the selection in the lists, the window
// growing, and recovery copies.
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"

#include "document/Recovery.h"
#include "editor/EditorApp.h"
#include "mapdata/ObjMgr.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

using tv::TBaseInfo;
using tv::TSaveChoice;
using tvtest::Bytes;

namespace {

class DesignerWorkTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        std::vector<std::unique_ptr<TBaseInfo>> records;
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Grunt", "t\\red.png", 32, 32, 1));
        records.push_back(tvtest::MakeRecord<tv::TDecorInfo>("Rock", "t\\red.png", 128, 128, 0));
        WriteCatalogue(records);
        Start();
        window->Pages->setCurrentWidget(window->TabModify);
    }

    TBaseInfo* PlaceType(const char* type, int left, int top) {
        return window->Document->PlaceObject(*window->ObjMgr->FindByName(type), left, top);
    }
    void Select(TBaseInfo* record) {
        window->Document->Select(record);
        window->Modify->ShowSelected();
    }
    // Every stored value of every object (the full form, whatever the catalogue holds).
    Bytes MapBytes() const {
        tv::TMemoryStream stream;
        window->Map().WriteToStream(stream, nullptr);
        return stream.Bytes();
    }
    // What saving writes (objects of the catalogue by reference).
    Bytes SavedBytes() const {
        tv::TMemoryStream stream;
        window->Map().WriteToStream(stream, window->ObjMgr.get());
        return stream.Bytes();
    }
    void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void Keys(int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); }
    std::string MapFile(const std::string& name) const { return game.file("Data/Maps/" + name); }
    std::string Title() const { return window->windowTitle().toStdString(); }
};

TEST_F(DesignerWorkTest, UnsavedChangesAreMarkedAndAskedAboutBeforeTheMapIsSetAside) {
    // A map named on the command line that cannot be read leaves the untitled map.
    window->OpenAtStart(MapFile("missing.tvm"));
    ASSERT_EQ(dialogs.ErrorTexts().size(), 1u);
    EXPECT_EQ(dialogs.ErrorTexts()[0].rfind("Cannot open file", 0), 0u);
    dialogs.Errors.clear();
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm");
    PlaceType("Grunt", 100, 100);
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm*");
    window->UndoClick();
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm") << "back where it was saved";
    window->RedoClick();
    const Bytes before = MapBytes();

    // Cancel (the fake's answer) on New, Open, Exit and the close box changes nothing; the
    // question comes before the open dialog and instead of the exit menu.
    Click(window->SpeedButton1);
    Click(window->SpeedButton2);
    window->Exit1->trigger();
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.Questions, std::vector<std::string>(4, "Save changes to untitled.tvm?"));
    EXPECT_TRUE(dialogs.FileRequests.empty());
    EXPECT_FALSE(window->PopExit->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(MapBytes(), before);

    // Save whose Save As is cancelled, and a Save that fails, keep the map and the editor.
    const QString maps = QString::fromStdString(game.file("Data/Maps"));
    QDir(maps).removeRecursively();
    dialogs.SaveAnswers = {TSaveChoice::Save, TSaveChoice::Save, TSaveChoice::Save};
    dialogs.FileAnswers = {std::nullopt, MapFile("level"), MapFile("level")};
    Click(window->SpeedButton1);
    Click(window->SpeedButton1);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(dialogs.ErrorTexts().size(), 2u);
    EXPECT_EQ(dialogs.ErrorTexts()[0].rfind("Cannot create file", 0), 0u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(MapBytes(), before);
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm*");

    // Discard really discards.
    QDir().mkpath(maps);
    dialogs.SaveAnswers = {TSaveChoice::Discard};
    Click(window->SpeedButton1);
    EXPECT_EQ(window->Map().Objects.Count(), 0);
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm");
    EXPECT_TRUE(QDir(maps).isEmpty());

    // Saved at the close question, the window closes and the file holds the edit.
    PlaceType("Rock", 300, 200);
    dialogs.SaveAnswers = {TSaveChoice::Save};
    dialogs.FileAnswers = {MapFile("kept")};
    EXPECT_TRUE(window->close());
    tv::TMap kept;
    ASSERT_TRUE(kept.LoadFromFile(MapFile("kept.tvm"), window->ObjMgr.get()));
    ASSERT_EQ(kept.Objects.Count(), 1);
    EXPECT_EQ(kept.Objects[0]->Left, 300);
}

TEST_F(DesignerWorkTest, ValuesTheFileTakesFromTheCatalogueAreShownSoAndNamedAtSave) {
    TBaseInfo* first = PlaceType("Grunt", 100, 100);
    TBaseInfo* second = PlaceType("Grunt", 200, 100);
    TBaseInfo* moved = PlaceType("Grunt", 300, 100);
    TBaseInfo* boulder = PlaceType("Rock", 400, 100);
    Select(boulder);
    window->Document->SetObjectProperty("Name", "Boulder");

    // The grid greys the rows the file does not keep for a reference object, with the reason.
    Select(first);
    tv::TValueListEditor& grid = *window->Modify->ValMod;
    for (const char* kept : {"Name", "left", "Top"})
        EXPECT_EQ(grid.Note(grid.FindRow(kept)), "") << kept;
    for (const char* catalogue : {"Class", "Texture", "Width", "Z", "Color", "Blend"}) {
        const int row = grid.FindRow(catalogue);
        EXPECT_NE(grid.Note(row).find("Rename the object to keep its own values"),
                  std::string::npos)
            << catalogue;
        EXPECT_EQ(grid.item(row, 1)->toolTip().toStdString(), grid.Note(row));
        EXPECT_EQ(grid.item(row, 1)->foreground().color(),
                  QColor::fromRgba(tv::TValueListEditor::NotedTextColor));
    }
    Select(boulder);
    EXPECT_EQ(grid.Note(grid.FindRow("Width")), "") << "stored in full";

    // The first such edit says so; later ones, moves and full-form objects do not.
    Select(first);
    ASSERT_TRUE(tvtest::TypeIntoRow(grid, "Width", "64"));
    Keys(Qt::Key_Return);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("so its Width comes back from the catalogue"),
              std::string::npos);
    Select(second);
    window->Document->SetObjectProperty("Z", "7");
    Select(moved);
    window->Document->SetObjectProperty("left", "350");
    Select(boulder);
    window->Document->SetObjectProperty("Width", "99");
    EXPECT_EQ(dialogs.Messages.size(), 1u);

    // Save names exactly the objects whose values the file drops; the file is as ever.
    dialogs.FileAnswers = {MapFile("refs")};
    Click(window->SaveBtn);
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    const std::string notice = dialogs.Messages[1];
    EXPECT_EQ(notice.substr(notice.find('\n')),
              "\n\"Grunt\" at 200, 100: Z\n\"Grunt\" at 100, 100: Width");
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("refs.tvm")), SavedBytes());
    tv::TMap saved;
    ASSERT_TRUE(saved.LoadFromFile(MapFile("refs.tvm"), window->ObjMgr.get()));
    ASSERT_EQ(saved.Objects.Count(), 4);
    EXPECT_EQ(saved.Objects[0]->Width, 99) << "Boulder, stored in full";
    EXPECT_EQ(saved.Objects[3]->Width, 32) << "the catalogue's";
    EXPECT_EQ(window->Map().Objects[3]->Width, 64) << "the editor keeps what it shows";
}

TEST_F(DesignerWorkTest, TheListsShowARightClickSelectionAndCtrlRightClickClearsIt) {
    TBaseInfo* grunt = PlaceType("Grunt", 100, 100);
    PlaceType("Grunt", 500, 100);
    TBaseInfo* rock = PlaceType("Rock", 300, 300);
    const auto rightClick = [&](int x, int y, Qt::KeyboardModifiers modifiers = {}) {
        PointAt(x, y);
        QTest::mouseClick(window->ViewHost->Window(), Qt::RightButton, modifiers, QPoint(1, 1));
    };
    const auto listed = [&] {
        const QList<QListWidgetItem*> items = window->Modify->ListMod->selectedItems();
        return window->Modify->ComboMod->currentText().toStdString() + ": " +
               (items.size() == 1 ? items[0]->text().toStdString() : std::string("-"));
    };

    rightClick(320, 320);
    EXPECT_EQ(window->Selected(), rock);
    EXPECT_EQ(listed(), "Decors: Rock");
    rightClick(110, 110);
    EXPECT_EQ(window->Selected(), grunt);
    EXPECT_EQ(listed(), "Enemies: Grunt");
    EXPECT_EQ(window->Modify->ListMod->currentRow(), 1) << "the second Grunt in the map's order";

    Keys(Qt::Key_Escape);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(listed(), "Enemies: -");

    // Without Ctrl empty space keeps the selection; with Ctrl it clears it, and a left click
    // then moves nothing.
    rightClick(110, 110);
    rightClick(700, 550);
    EXPECT_EQ(window->Selected(), grunt);
    rightClick(700, 550, Qt::ControlModifier);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(listed(), "Enemies: -");
    ClickView(Qt::LeftButton);
    EXPECT_EQ(grunt->Left, 100);
    EXPECT_EQ(grunt->Top, 100);
}

TEST_F(DesignerWorkTest, TheViewGrowsWithTheWindowKeeping4To3AndTheDeviceFollows) {
    using tv::TEditF;
    EXPECT_EQ(window->minimumSize(), QSize(792, 436));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    // Until a 4:3 view would be larger both ways the view keeps the size it opens with.
    EXPECT_EQ(TEditF::ViewSizeFor(QSize(792, 400)), QSize(446, 356));
    EXPECT_EQ(TEditF::ViewSizeFor(QSize(800, 400)), QSize(446, 356));
    EXPECT_EQ(TEditF::ViewSizeFor(QSize(830, 400)), QSize(474, 356));
    EXPECT_EQ(TEditF::ViewSizeFor(QSize(830, 420)), QSize(484, 363));
    EXPECT_EQ(TEditF::ViewSizeFor(QSize(2000, 800)), QSize(1008, 756));

    window->resize(1200, 800);
    const QSize view(854, 640);
    QTRY_COMPARE(window->View->size(), view);
    EXPECT_EQ(window->Pages->geometry(), QRect(1200 - 343, 40, 341, 756));
    EXPECT_EQ(window->Modify->ListMod->height(), 48 + 400 / 3);
    EXPECT_EQ(window->Modify->ValMod->height(), 204 + 400 - 400 / 3);
    EXPECT_EQ(window->XPanel->y(), 5 + 640 + 8);
    QTRY_COMPARE(window->ViewHost->Window()->size(), view);
    window->DoFrame(nullptr, 1);
    EXPECT_EQ(window->Device->ReadBackBuffer().size(), view);

    // The mouse maps onto the whole logical screen of the larger view.
    const QPoint centre = window->ViewHost->Window()->mapToGlobal(QPoint(427, 320));
    cursor = tv::TPoint{centre.x(), centre.y()};
    EXPECT_EQ(window->MousePos().X, 400);
    EXPECT_EQ(window->MousePos().Y, 300);
}

TEST_F(DesignerWorkTest, ARecoveryCopyKeepsTheModifiedMapAndRestoresItAfterACrash) {
    tvtest::TempDir state;
    const std::string folder = state.path() + "recovery";
    // A named map with a reference object; its file stays as it is.
    TBaseInfo* grunt = PlaceType("Grunt", 100, 100);
    dialogs.FileAnswers = {MapFile("level")};
    Click(window->SaveBtn);
    const Bytes file = tvtest::ReadFileBytes(MapFile("level.tvm"));

    window->StartRecovery(folder);
    EXPECT_EQ(window->RecoveryTimer->interval(), 2 * 60 * 1000);
    EXPECT_TRUE(window->RecoveryTimer->isActive());
    window->WriteRecoveryCopy();
    EXPECT_EQ(window->Recovery->CopyPath(), "") << "nothing to recover";

    // Edits, one of which only a copy in full form keeps; the timer writes the copy.
    Select(grunt);
    window->Document->SetObjectProperty("Width", "64");
    window->Document->SetMapVar("Sky", "33");
    const Bytes edited = MapBytes();
    const Bytes editedSave = SavedBytes();
    window->RecoveryTimer->setInterval(1);
    QTRY_VERIFY(!window->Recovery->CopyPath().empty() &&
                QFile::exists(QString::fromStdString(window->Recovery->CopyPath())));
    const std::string copy = window->Recovery->CopyPath();
    EXPECT_EQ(copy.rfind(folder + "/", 0), 0u);
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("level.tvm")), file) << "never over the map";

    // An editor that crashed leaves its copy behind with nobody holding its slot.
    const QString slot = QString::fromStdString(copy.substr(0, copy.size() - 4));
    for (const char* ext : {".tvm", ".json"})
        ASSERT_TRUE(QFile::copy(slot + ext, QString::fromStdString(state.path()) + "kept" + ext));
    const auto leaveCrashedCopy = [&] {
        for (const char* ext : {".tvm", ".json"})
            ASSERT_TRUE(QFile::copy(QString::fromStdString(state.path()) + "kept" + ext,
                                    QString::fromStdString(folder) + "/session-crashed" + ext));
    };
    leaveCrashedCopy();
    EXPECT_EQ(window->Recovery->Orphans().size(), 1u) << "this editor's own copy is not offered";
    window->RecoveryTimer->stop();
    window.reset();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(copy))) << "a clean exit removes it";

    // The next start offers it; restored, the map is the edited one and still modified.
    Start();
    window->StartRecovery(folder);
    // Closing the question keeps the copy for the next start.
    window->OfferRecovery();
    EXPECT_EQ(window->Recovery->Orphans().size(), 1u);
    EXPECT_EQ(Title(), "Torvanikian Map Editor - untitled.tvm");
    dialogs.RecoveryAnswers = {tv::TRecoveryChoice::Restore};
    window->OfferRecovery();
    ASSERT_FALSE(dialogs.Questions.empty());
    EXPECT_NE(dialogs.Questions.back().find("Restore the unsaved changes to level.tvm"),
              std::string::npos);
    EXPECT_EQ(MapBytes(), edited);
    EXPECT_EQ(Title(), "Torvanikian Map Editor - level.tvm*");
    EXPECT_TRUE(window->Recovery->Orphans().empty()) << "its own copy took over";
    const std::string ownCopy = window->Recovery->CopyPath();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(ownCopy)));

    // Save goes back to the file it came from, without a question, and the copy goes.
    const size_t asked = dialogs.Questions.size();
    Click(window->SaveBtn);
    EXPECT_EQ(dialogs.Questions.size(), asked);
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("level.tvm")), editedSave);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ownCopy)));

    // Only an explicit Delete deletes a copy; the map stays.
    leaveCrashedCopy();
    dialogs.RecoveryAnswers = {tv::TRecoveryChoice::Delete};
    window->OfferRecovery();
    EXPECT_TRUE(window->Recovery->Orphans().empty());
    EXPECT_EQ(Title(), "Torvanikian Map Editor - level.tvm");
    window.reset(); // while its slot's folder is there
}

} // namespace
