// The main window started on a small game folder, driven through real events; every dialog
// and box is answered by the fake dialogs.
#include "editor/AddNewPage.h"
#include "editor/MapVarsPage.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"
#include "TestSupport.h"
#include "editor/AboutDlg.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "mapdata/Paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using tv::TEditF;
using tvtest::ByteWriter;

namespace {

void BaseRecord(ByteWriter& w, const std::string& name, int width, int height, int z) {
    w.shortString(name).i32(0).i32(0).shortString("editor\\obj.png");
    w.i32(width).i32(height).i32(z).i32(-1).f32(0.0f).i32(0).i32(0).u8(0);
}

void Enemy(ByteWriter& w, const std::string& name) {
    w.shortString("TEnemyInfo");
    BaseRecord(w, name, 128, 64, 1);
    w.u8(0).u8(1);
    for (int i = 0; i < 7; ++i)
        w.shortString("");
    w.i32(6).i32(150);
}

void Decor(ByteWriter& w, const std::string& name) {
    w.shortString("TDecorInfo");
    BaseRecord(w, name, 128, 128, 0);
    w.u8(0).u8(0);
}

void Background(ByteWriter& w, const std::string& name) {
    w.shortString("TBackGroundInfo");
    BaseRecord(w, name, 800, 600, -10);
}

// Groups in catalogue order: Enemies, Decors, Enemies, BackGrounds.
tvtest::Bytes DemoCatalogue() {
    ByteWriter w;
    w.zeros(40).i32(4);
    Enemy(w, "Grunt");
    Decor(w, "Rock");
    Enemy(w, "Spitter");
    Background(w, "Sky");
    return w.bytes();
}

using tvtest::Items;

class EditFormTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        game.write("data/obj/objects.tvd", DemoCatalogue());
        QDir().mkpath(QString::fromStdString(game.file("Data/Music/boss")));
    }

    void ChooseGroup(int index) {
        window->AddNew->ComboObj->setCurrentIndex(index);
        emit window->AddNew->ComboObj->activated(index);
    }

    // Puts the cursor of the Map Vars grid on a row and types over its value.
    void TypeVar(const std::string& key, const QString& text) {
        window->Pages->setCurrentWidget(window->Tabvars);
        ASSERT_TRUE(tvtest::TypeIntoRow(*window->MapVars->ValMap, key, text)) << key;
    }
    void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    std::string Var(const std::string& key) const {
        return window->MapVars->ValMap->Value(window->MapVars->ValMap->FindRow(key));
    }

    void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::string MapFile(const std::string& name) const { return game.file("Data/Maps/" + name); }
};

TEST_F(EditFormTest, StartsWithTheCatalogueListedAndAnUntitledMap) {
    Start();
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - untitled.tvm");
    EXPECT_EQ(tv::ApplicationTitle(), "Torvanikian Map Editor - untitled.tvm");
    EXPECT_EQ(tv::BaseFolder(), game.path());
    EXPECT_EQ(window->size(), QSize(792, 436));
    EXPECT_EQ(window->Pages->currentWidget(), window->TabModify);
    EXPECT_EQ(window->WorldX, 0);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(window->AddNew->NewType, nullptr);
    EXPECT_FALSE(window->CloseAllowed);
    EXPECT_EQ(window->XPanel->text(), "World X:  0 / 5000");

    EXPECT_EQ(Items(window->AddNew->ComboObj),
              (std::vector<std::string>{"Enemies", "Decors", "BackGrounds"}));
    EXPECT_EQ(window->AddNew->ComboObj->currentIndex(), 0);
    EXPECT_EQ(window->AddNew->AddGroup, "Enemies");
    EXPECT_EQ(Items(window->AddNew->ListObj), (std::vector<std::string>{"Grunt", "Spitter"}));
    EXPECT_FALSE(window->AddNew->NoCatalogueLabel->isVisible());

    tv::TValueListEditor* vars = window->MapVars->ValMap;
    ASSERT_EQ(vars->RowCount(), 5);
    const char* keys[] = {"Name", "Max World X", "Ground", "Sky", "Theme Music"};
    const char* values[] = {"Meanwhile Unknown Map", "5000", "20", "20", ""};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(vars->Key(r), keys[r]);
        EXPECT_EQ(vars->Value(r), values[r]);
    }
    EXPECT_EQ(vars->EditStyle(4), tv::TValueListEditor::TEditStyle::Ellipsis);
    EXPECT_EQ(vars->horizontalHeaderItem(0)->text(), "Variable");
}

TEST_F(EditFormTest, EveryControlIsThereWithItsCaptionAndDefaults) {
    Start();
    for (const char* name :
         {"View",    "XPanel",       "XPrev",        "XNext",     "XJump",     "EdJump",
          "Panelus", "SpeedButton1", "SpeedButton2", "SaveBtn",   "SaveAsBtn", "SpeedButton3",
          "BtnHelp", "PopHelp",      "PopExit",      "Pages",     "TabAdd",    "TabModify",
          "Tabvars", "TabSheet4",    "Label1",       "ComboObj",  "Label2",    "ListObj",
          "Panel2",  "Label6",       "Label7",       "SpinCount", "Label8",    "SpinSX",
          "Label10", "SpinEX",       "Label11",      "SpinSY",    "Label12",   "SpinEY",
          "Label9",  "CheckRX",      "CheckRY",      "Button5",   "Panel1",    "Label3",
          "Prev",    "Imgprev",      "Label4",       "ComboMod",  "ListMod",   "Label5",
          "ValMod",  "Button1",      "Button6",      "Button2",   "Button3",   "Button4",
          "ValMap"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    for (const char* name : {"OpenD", "SaveD", "OpenPD", "ColorD", "OpenMD"})
        EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;

    EXPECT_EQ(window->View->geometry(), QRect(5, 5, 446, 356));
    EXPECT_EQ(window->Pages->size(), QSize(341, 356 + TEditF::NavigationHeight));
    EXPECT_EQ(window->AddNew->Imgprev->size(), QSize(96, 105));
    EXPECT_EQ(window->XPanel->size(), QSize(196, 21));
    QStringList tabs;
    for (int i = 0; i < window->Pages->count(); ++i)
        tabs << window->Pages->tabText(i);
    EXPECT_EQ(tabs, QStringList({"Add New", "Modify", "Map Vars", "TabSheet4"}));

    EXPECT_EQ(window->AddNew->SpinCount->value(), 5);
    EXPECT_EQ(window->AddNew->SpinSX->value(), 100);
    EXPECT_EQ(window->AddNew->SpinEX->value(), 1000);
    EXPECT_EQ(window->AddNew->SpinSY->value(), 200);
    EXPECT_EQ(window->AddNew->SpinEY->value(), 400);
    EXPECT_LT(window->AddNew->SpinSX->minimum(), -1000000);
    EXPECT_GT(window->AddNew->SpinSX->maximum(), 1000000);
    EXPECT_EQ(window->EdJump->minimum(), 0);
    EXPECT_EQ(window->EdJump->maximum(), 100000);
    EXPECT_EQ(window->EdJump->singleStep(), 200);
    EXPECT_TRUE(window->AddNew->CheckRX->isChecked());
    EXPECT_TRUE(window->AddNew->CheckRY->isChecked());
    EXPECT_EQ(window->Modify->Button1->text(), "Delete");
    EXPECT_EQ(window->Modify->Button6->text(), "Undelete");
    EXPECT_EQ(window->AddNew->Button5->text(), "Add");
    EXPECT_FALSE(window->AddNew->Prev->Editing());

    const QList<QAction*> help = window->PopHelp->actions();
    ASSERT_EQ(help.size(), 3);
    EXPECT_EQ(help[0]->text(), "Editor Help");
    EXPECT_TRUE(help[1]->isSeparator());
    EXPECT_EQ(help[2]->text(), "About");
    EXPECT_FALSE(help[2]->isEnabled());
    const QList<QAction*> exits = window->PopExit->actions();
    ASSERT_EQ(exits.size(), 2);
    EXPECT_EQ(exits[0]->text(), "Save And Exit");
    EXPECT_EQ(exits[1]->text(), "Exit");
}

TEST_F(EditFormTest, AGroupsListHighlightsNoTypeUntilOneIsChosen) {
    Start();
    window->AddNew->ListObj->setCurrentRow(1);
    ChooseGroup(1);
    EXPECT_EQ(window->AddNew->AddGroup, "Decors");
    EXPECT_EQ(Items(window->AddNew->ListObj), (std::vector<std::string>{"Rock"}));
    EXPECT_EQ(window->AddNew->ListObj->currentRow(), -1);

    window->AddNew->ListObj->setCurrentRow(0);
    ChooseGroup(0);
    EXPECT_EQ(Items(window->AddNew->ListObj), (std::vector<std::string>{"Grunt", "Spitter"}));
    EXPECT_EQ(window->AddNew->ListObj->currentRow(), -1) << "a highlight alone chooses no type";
    EXPECT_EQ(window->AddNew->NewType, nullptr);
}

TEST_F(EditFormTest, AMissingCatalogueIsReportedAndTheEditorRunsWithoutOne) {
    QFile::remove(QString::fromStdString(game.file("data/obj/objects.tvd")));
    Start();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].Title, "Torvanikian Map Editor");
    EXPECT_EQ(dialogs.Errors[0].Text.rfind("Cannot open file ", 0), 0u) << dialogs.Errors[0].Text;
    EXPECT_NE(dialogs.Errors[0].Text.find("objects.tvd."), std::string::npos);
    EXPECT_EQ(window->ObjMgr->Count(), 0);
    EXPECT_EQ(window->AddNew->ComboObj->count(), 0);
    EXPECT_EQ(window->AddNew->AddGroup, "");
    window->Pages->setCurrentWidget(window->TabAdd);
    ASSERT_TRUE(window->AddNew->NoCatalogueLabel->isVisible());
    EXPECT_FALSE(window->AddNew->ListObj->isVisible());
    EXPECT_TRUE(window->AddNew->NoCatalogueLabel->text().startsWith(
        "No object catalogue: Cannot open file"));
    EXPECT_FALSE(window->AddNew->Panel2->isEnabled());

    // The rest of the editor works: the title, the map variables, saving.
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - untitled.tvm");
    dialogs.FileAnswers = {MapFile("nocat")};
    Click(window->SaveBtn);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(MapFile("nocat.tvm"))));
    EXPECT_EQ(dialogs.Errors.size(), 1u);
}

TEST_F(EditFormTest, ABrokenCatalogueLeavesNoHalfCatalogueBehind) {
    tvtest::Bytes bytes = DemoCatalogue();
    bytes.resize(bytes.size() - 10);
    game.write("data/obj/objects.tvd", bytes);
    Start();
    ASSERT_EQ(dialogs.ErrorTexts(),
              (std::vector<std::string>{"Stream read error\nin " +
                                        game.file("data/obj/objects.tvd") + ", entry 3."}));
    EXPECT_EQ(window->ObjMgr->Count(), 0);
    EXPECT_EQ(window->AddNew->ComboObj->count(), 0);
    EXPECT_FALSE(window->AddNew->NoCatalogueLabel->isHidden());
}

TEST_F(EditFormTest, MapVarsAreClampedAndAppliedWhenACellIsLeftOrEnterIsPressed) {
    Start();
    tv::TMap& map = window->Map();

    TypeVar("Max World X", "60000");
    Key(Qt::Key_Down);
    EXPECT_EQ(map.MaxWorldX, 50000);
    EXPECT_EQ(Var("Max World X"), "50000");

    TypeVar("Sky", "-5");
    Key(Qt::Key_Return);
    EXPECT_EQ(map.Sky, 0);
    EXPECT_EQ(Var("Sky"), "0");

    TypeVar("Ground", "");
    EXPECT_EQ(Var("Ground"), "");
    Key(Qt::Key_Return);
    EXPECT_EQ(map.Ground, 20);
    EXPECT_EQ(Var("Ground"), "20");

    TypeVar("Name", "");
    window->EdJump->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(map.MapName, "");
    EXPECT_EQ(Var("Name"), "");

    TypeVar("Theme Music", "typed.mid");
    Key(Qt::Key_Return);
    EXPECT_EQ(map.ThemeMusic, "");
    EXPECT_EQ(Var("Theme Music"), "");

    TypeVar("Ground", "$20");
    Key(Qt::Key_Up);
    EXPECT_EQ(map.Ground, 32);
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_EQ(window->XPanel->text(), "World X:  0 / 50000") << "the caption follows the map";

    // Showing the page refills it from the map.
    map.Sky = 77;
    window->Pages->setCurrentWidget(window->TabModify);
    EXPECT_EQ(Var("Sky"), "0");
    window->Pages->setCurrentWidget(window->Tabvars);
    EXPECT_EQ(Var("Sky"), "77");
}

TEST_F(EditFormTest, TextThatIsNoIntegerShowsTheErrorBoxAndLeavesTheMapAlone) {
    Start();
    TypeVar("Max World X", "abc");
    Key(Qt::Key_Return);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].Title, "Torvanikian Map Editor - untitled.tvm");
    EXPECT_EQ(dialogs.Errors[0].Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(window->Map().MaxWorldX, 5000);
    EXPECT_EQ(Var("Max World X"), "abc") << "the grid is not refilled";
    // Leaving the row tries again and is refused again; Escape gives the old value back.
    Key(Qt::Key_Down);
    EXPECT_EQ(dialogs.Errors.size(), 2u);
    EXPECT_EQ(window->MapVars->ValMap->CurrentKey(), "Max World X");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Var("Max World X"), "5000");
}

TEST_F(EditFormTest, ThemeMusicIsPickedRelativeToTheMusicFolder) {
    Start();
    TypeVar("Theme Music", "");
    Key(Qt::Key_Escape);
    const std::string music = game.path() + "Data/Music/";
    dialogs.FileAnswers = {music + "theme.mid", music + "boss/fight.mid",
                           game.path() + "Data/Sound/loop.mp3", music + "plain", std::nullopt};
    const char* expected[] = {"theme.mid", "boss\\fight.mid", "..\\Sound\\loop.mp3", "plain.mid",
                              "plain.mid"};
    for (const char* stored : expected) {
        Click(window->MapVars->ValMap->EllipsisButton());
        EXPECT_EQ(window->Map().ThemeMusic, stored);
        EXPECT_EQ(Var("Theme Music"), stored);
    }
    ASSERT_EQ(dialogs.FileRequests.size(), 5u);
    EXPECT_FALSE(dialogs.FileRequests[0].Save);
    EXPECT_EQ(dialogs.FileRequests[0].InitialDir, game.path() + "Data/Music");
    EXPECT_EQ(dialogs.FileRequests[0].Filter, "MIDI file (*.mid);;MP3 file (*.mp3);;All Files (*)");

    // The button of any other row does nothing (a key typed in a row outside the grid's
    // rows cannot have a button, so call the handler directly).
    window->MapVars->ValMap->MoveTo(0);
    window->MapVars->ValMapEditButtonClick();
    EXPECT_EQ(dialogs.FileRequests.size(), 5u);
}

TEST_F(EditFormTest, SaveOnANewMapAsksForANameAndCancellingWritesNothing) {
    Start();
    Click(window->SaveBtn);
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.FileRequests[0].Save);
    EXPECT_EQ(dialogs.FileRequests[0].InitialDir, game.path() + "Data/Maps");
    EXPECT_EQ(dialogs.FileRequests[0].Filter, "Torvanikian Maps (*.tvm);;All Files (*)");
    EXPECT_TRUE(QDir(QString::fromStdString(game.file("Data/Maps")))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - untitled.tvm");
}

TEST_F(EditFormTest, SaveAsAddsTheExtensionAndSaveWritesIntoTheMapFolder) {
    Start();
    dialogs.FileAnswers = {MapFile("level1")};
    Click(window->SaveAsBtn);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(MapFile("level1.tvm"))));
    EXPECT_EQ(window->Map().FileName, "level1.tvm");
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - level1.tvm");

    // A map opened from elsewhere is saved into the map folder under its stored name.
    QDir().mkpath(QString::fromStdString(game.file("elsewhere")));
    QFile::rename(QString::fromStdString(MapFile("level1.tvm")),
                  QString::fromStdString(game.file("elsewhere/level1.tvm")));
    dialogs.FileAnswers = {game.file("elsewhere/level1")};
    Click(window->SpeedButton2);
    EXPECT_EQ(dialogs.FileRequests.back().InitialDir, game.path() + "Data/Maps");
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - level1.tvm");
    window->Document->SetMapVar("Name", "Changed");
    // Another map of that name in the map folder is replaced only when the designer says so.
    tv::TMap other;
    other.MapName = "Other";
    other.SaveToFile(MapFile("level1.tvm"), nullptr);
    const tvtest::Bytes otherBytes = tvtest::ReadFileBytes(MapFile("level1.tvm"));
    const size_t asked = dialogs.FileRequests.size();
    Click(window->SaveBtn);
    EXPECT_EQ(dialogs.FileRequests.size(), asked) << "a named map is saved without a dialog";
    ASSERT_EQ(dialogs.Questions.size(), 1u);
    EXPECT_EQ(dialogs.Questions[0], MapFile("level1.tvm") +
                                        " already exists and is not the file this map was "
                                        "opened from or last saved to. Replace it?");
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("level1.tvm")), otherBytes);
    dialogs.YesNoAnswers = {true};
    Click(window->SaveBtn);
    tv::TMap saved;
    ASSERT_TRUE(saved.LoadFromFile(MapFile("level1.tvm"), window->ObjMgr.get()));
    EXPECT_EQ(saved.MapName, "Changed");
    tv::TMap untouched;
    ASSERT_TRUE(untouched.LoadFromFile(game.file("elsewhere/level1.tvm"), window->ObjMgr.get()));
    EXPECT_EQ(untouched.MapName, "Meanwhile Unknown Map");
    // Now the file is the map's own: saving again asks nothing.
    Click(window->SaveBtn);
    EXPECT_EQ(dialogs.Questions.size(), 2u);

    // Save As asks before replacing any existing file; No writes nothing and goes back to the
    // dialog, where Cancel keeps the name.
    dialogs.FileAnswers = {MapFile("other.tvm"), std::nullopt};
    other.SaveToFile(MapFile("other.tvm"), nullptr);
    const tvtest::Bytes existing = tvtest::ReadFileBytes(MapFile("other.tvm"));
    const size_t before = dialogs.FileRequests.size();
    Click(window->SaveAsBtn);
    ASSERT_EQ(dialogs.Questions.size(), 3u);
    EXPECT_EQ(dialogs.Questions[2], MapFile("other.tvm") + " already exists. Replace it?");
    EXPECT_EQ(dialogs.FileRequests.size(), before + 2) << "No went back to the dialog";
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("other.tvm")), existing);
    EXPECT_EQ(window->Map().FileName, "level1.tvm");

    // The map's own file made read-only is replaced only when the designer says so.
    ASSERT_TRUE(QFile::setPermissions(QString::fromStdString(MapFile("level1.tvm")),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const tvtest::Bytes readOnly = tvtest::ReadFileBytes(MapFile("level1.tvm"));
    window->Document->SetMapVar("Name", "Changed again");
    Click(window->SaveBtn);
    ASSERT_EQ(dialogs.Questions.size(), 4u);
    EXPECT_EQ(dialogs.Questions[3], MapFile("level1.tvm") + " is read-only. Replace it?");
    EXPECT_EQ(tvtest::ReadFileBytes(MapFile("level1.tvm")), readOnly);
    dialogs.YesNoAnswers = {true};
    Click(window->SaveBtn);
    EXPECT_NE(tvtest::ReadFileBytes(MapFile("level1.tvm")), readOnly);

    // A stored name that is not a bare file name (in a map file opened) never leads out of the
    // map folder: Save asks for a name as for an untitled map.
    for (const char* stored : {"..\\..\\PWNED.tvm", "sub/x.tvm", "c:x.tvm", ".."}) {
        tv::TMap hostile;
        hostile.FileName = stored;
        tv::TMemoryStream bytes;
        hostile.WriteToStream(bytes, nullptr);
        game.write("Data/Maps/hostile.tvm", bytes.Bytes());
        dialogs.FileAnswers = {MapFile("hostile.tvm")};
        Click(window->SpeedButton2);
        ASSERT_EQ(window->Map().FileName, stored);
        const size_t requests = dialogs.FileRequests.size();
        dialogs.FileAnswers = {std::nullopt};
        Click(window->SaveBtn);
        EXPECT_EQ(dialogs.FileRequests.size(), requests + 1) << stored;
        EXPECT_TRUE(dialogs.FileRequests.back().Save);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(game.file("PWNED.tvm"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(game.path() + "../PWNED.tvm")));
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(EditFormTest, SavingAppliesAValueStillBeingTyped) {
    Start();
    TypeVar("Name", "Typed Name");
    dialogs.FileAnswers = {MapFile("typed")};
    Click(window->SaveBtn);
    tv::TMap saved;
    ASSERT_TRUE(saved.LoadFromFile(MapFile("typed.tvm"), nullptr));
    EXPECT_EQ(saved.MapName, "Typed Name");

    // A value that does not apply stops the command before anything is written.
    TypeVar("Sky", "high");
    window->SaveAndExit1->trigger();
    EXPECT_EQ(dialogs.ErrorTexts(),
              (std::vector<std::string>{"'high' is not a valid integer value."}));
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(saved.LoadFromFile(MapFile("typed.tvm"), nullptr));
    EXPECT_EQ(saved.Sky, 20);
}

TEST_F(EditFormTest, OpenRefreshesThePagesAndANonMapKeepsTheMap) {
    tv::TMap stored;
    stored.MapName = "Stored Map";
    stored.MaxWorldX = 7000;
    stored.SaveToFile(MapFile("stored.tvm"), nullptr);
    game.write("Data/Maps/junk.tvm", tvtest::Bytes(64, 'x'));
    Start();

    dialogs.FileAnswers = {MapFile("stored.tvm")};
    Click(window->SpeedButton2);
    EXPECT_EQ(window->Map().MapName, "Stored Map");
    EXPECT_EQ(Var("Name"), "Stored Map");
    EXPECT_EQ(window->XPanel->text(), "World X:  0 / 7000");
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - stored.tvm");

    dialogs.FileAnswers = {MapFile("junk.tvm")};
    Click(window->SpeedButton2);
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"Not valid TV Map file!"}));
    EXPECT_EQ(window->Map().MapName, "Stored Map");
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - stored.tvm");
    EXPECT_TRUE(dialogs.Errors.empty());

    // A name that does not exist fails in the error box; the map stays.
    dialogs.FileAnswers = {MapFile("missing")};
    Click(window->SpeedButton2);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].Text.rfind("Cannot open file ", 0), 0u) << dialogs.Errors[0].Text;
    EXPECT_NE(dialogs.Errors[0].Text.find("missing.tvm"), std::string::npos);
    EXPECT_EQ(window->Map().MapName, "Stored Map");

    // New starts over with the defaults.
    Click(window->SpeedButton1);
    EXPECT_EQ(window->Map().MapName, "Meanwhile Unknown Map");
    EXPECT_EQ(Var("Max World X"), "5000");
    EXPECT_EQ(window->windowTitle(), "Torvanikian Map Editor - untitled.tvm");
}

TEST_F(EditFormTest, ClosingGoesThroughTheExitMenu) {
    Start();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->PopExit->isVisible());
    EXPECT_FALSE(window->CloseAllowed);
    QTest::keyClick(window->PopExit, Qt::Key_Escape);
    EXPECT_FALSE(window->PopExit->isVisible());
    EXPECT_TRUE(window->isVisible());

    Click(window->SpeedButton3);
    ASSERT_TRUE(window->PopExit->isVisible());
    window->Exit1->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.FileRequests.empty()) << "Exit does not save";
}

TEST_F(EditFormTest, TheMenusOpenNextToThePointer) {
    Start();
    QCursor::setPos(500, 300);
    QTRY_COMPARE(QCursor::pos(), QPoint(500, 300));
    Click(window->BtnHelp);
    ASSERT_TRUE(window->PopHelp->isVisible());
    EXPECT_EQ(window->PopHelp->pos(), QPoint(500, 293));
    window->PopHelp->hide();
    Click(window->SpeedButton3);
    ASSERT_TRUE(window->PopExit->isVisible());
    EXPECT_EQ(window->PopExit->pos(), QPoint(480, 293));
    window->PopExit->hide();
    window->close();
    ASSERT_TRUE(window->PopExit->isVisible());
    EXPECT_EQ(window->PopExit->pos(), QPoint(500, 300));
    window->PopExit->hide();
}

TEST_F(EditFormTest, SaveAndExitClosesOnlyOnceTheMapWasSaved) {
    Start();
    // Save As cancelled, then a save that fails: the editor stays, and the next close request
    // shows the exit menu again.
    window->SaveAndExit1->trigger();
    EXPECT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_TRUE(window->isVisible());
    const QString maps = QString::fromStdString(game.file("Data/Maps"));
    QDir(maps).removeRecursively();
    dialogs.FileAnswers = {MapFile("level")};
    window->SaveAndExit1->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].Text.rfind("Cannot create file", 0), 0u) << dialogs.Errors[0].Text;
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->CloseAllowed);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->PopExit->isVisible());
    window->PopExit->hide();

    QDir().mkpath(maps);
    dialogs.FileAnswers = {MapFile("level")};
    window->SaveAndExit1->trigger();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(MapFile("level.tvm"))));
    EXPECT_FALSE(window->isVisible());
}

} // namespace

TEST_F(EditFormTest, TheDisabledAboutItemStillOpensTheBoxModally) {
    Start();
    EXPECT_FALSE(window->About1->isEnabled());
    tv::TAboutForm about(window.get());
    bool shown = false;
    QTimer::singleShot(0, window.get(), [&] {
        shown = about.isVisible() && about.isModal();
        QTest::mouseClick(about.OKbtn, Qt::LeftButton, {}, QPoint(85, 15));
    });
    QTimer::singleShot(5000, &about, [&] { about.done(0); }); // keeps a broken box from hanging
    window->About1Click();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about.isVisible());
}
