// The Modify page through the real window: the lists of the objects in view, the property
// grid typed into with the keyboard, the pickers, Delete and Undelete.
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"

#include "editor/EditorApp.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

using tv::TBaseInfo;
using tv::TValueListEditor;

namespace {

class ModifyTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        Picture("t/green.png", qRgb(0, 255, 0));
        Picture("t/sub/blue.png", qRgb(0, 0, 255));
        game.write("Data/Graphic/t/broken.png", tvtest::Bytes(32, 'x'));
        std::vector<std::unique_ptr<TBaseInfo>> records;
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Grunt", "t\\red.png", 32, 32, 1));
        records.push_back(tvtest::MakeRecord<tv::TDecorInfo>("Rock", "t\\red.png", 128, 128, 0));
        WriteCatalogue(records);
    }

    void StartOnModifyPage() {
        Start();
        window->Pages->setCurrentWidget(window->TabModify);
    }

    void Select(TBaseInfo* record) {
        window->Document->Select(record);
        window->Modify->ShowSelected();
    }

    // Puts the grid's cursor on a row and types over its value.
    void Type(const std::string& key, const QString& text) {
        ASSERT_TRUE(tvtest::TypeIntoRow(*window->Modify->ValMod, key, text)) << key;
    }
    void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    std::string Prop(const std::string& key) const {
        return window->Modify->ValMod->Value(window->Modify->ValMod->FindRow(key));
    }
};

TEST_F(ModifyTest, TheListsShowTheObjectsInViewOfTheChosenGroup) {
    StartOnModifyPage();
    TBaseInfo* near = Place("near", 100, 100, 50, 50);
    TBaseInfo* far = Place("far", 1000, 100, 50, 50);
    Place<tv::TEnemyInfo>("foe", 300, 100, 50, 50);
    TBaseInfo* foe2 = Place<tv::TEnemyInfo>("foe2", 500, 100, 50, 50);
    ASSERT_EQ(window->Modify->ComboMod->count(), 2);
    EXPECT_EQ(window->Modify->ComboMod->itemText(0), "Enemies") << "in the order of Objects";
    EXPECT_EQ(window->Modify->ComboMod->itemText(1), "Decors");
    EXPECT_EQ(window->Modify->ModGroup, "Enemies");
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"foe2", "foe"}));

    // The keyboard in the list selects as well.
    ClickRow(window->Modify->ListMod, 0);
    EXPECT_EQ(window->Selected(), foe2);
    EXPECT_EQ(Prop("Name"), "foe2");
    QTest::keyClick(window->Modify->ListMod, Qt::Key_Down);
    EXPECT_EQ(window->Selected()->Name, "foe");

    window->Modify->ComboMod->setCurrentIndex(1);
    emit window->Modify->ComboMod->activated(1);
    EXPECT_EQ(window->Modify->ModGroup, "Decors");
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"near"}))
        << "the one out of view is not listed";
    ClickRow(window->Modify->ListMod, 0);
    EXPECT_EQ(window->Selected(), near);

    // Scrolling lists what is in view now, in the same group, and the groups in view.
    QTest::mouseClick(window->XNext, Qt::LeftButton);
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"far"}));
    EXPECT_EQ(tvtest::Items(window->Modify->ComboMod), (std::vector<std::string>{"Decors"}));
    ClickRow(window->Modify->ListMod, 0);
    EXPECT_EQ(window->Selected(), far);
    // The chosen group gone from view, the first group in view is listed.
    Place<tv::TBossInfo>("king", 4500, 100, 50, 50);
    window->EdJump->setValue(4400);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    EXPECT_EQ(tvtest::Items(window->Modify->ComboMod), (std::vector<std::string>{"Bosses"}));
    EXPECT_EQ(window->Modify->ModGroup, "Bosses");
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"king"}));
    EXPECT_TRUE(dialogs.Errors.empty());
}

// The list highlights the selection also after the map changed under it (a paste), and Delete
// in the list deletes the object picked there.
TEST_F(ModifyTest, TheObjectListFollowsAPasteAndTakesDelete) {
    StartOnModifyPage();
    Place<tv::TEnemyInfo>("foe", 300, 100, 50, 50);
    TBaseInfo* foe2 = Place<tv::TEnemyInfo>("foe2", 500, 100, 50, 50);
    ClickRow(window->Modify->ListMod, 1);
    ASSERT_EQ(window->Selected()->Name, "foe");
    std::vector<std::unique_ptr<TBaseInfo>> copy;
    copy.push_back(tv::CloneInfo(*foe2));
    copy.back()->Name = "pasted";
    window->Document->Paste(std::move(copy), 200, 300);
    ASSERT_EQ(window->Selected()->Name, "pasted");
    ASSERT_GE(window->Modify->ListMod->currentRow(), 0);
    EXPECT_EQ(window->Modify->ListMod->currentItem()->text(), "pasted");

    ClickRow(window->Modify->ListMod, 0);
    const tv::TText picked = window->Selected()->Name;
    QTest::keyClick(window->Modify->ListMod, Qt::Key_Delete);
    EXPECT_EQ(window->Map().Objects.Count(), 2);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(window->Document->Deleted()->Name, picked);
}

TEST_F(ModifyTest, WithAnEmptyCatalogueTheObjectListStaysEmpty) {
    WriteCatalogue({});
    StartOnModifyPage();
    Place("rock", 100, 100, 50, 50);
    EXPECT_EQ(window->Modify->ComboMod->count(), 1);
    EXPECT_EQ(window->Modify->ListMod->count(), 0);
}

TEST_F(ModifyTest, TheGridShowsTheThirteenPropertiesOfTheSelection) {
    StartOnModifyPage();
    auto crate = tvtest::MakeRecord<tv::TDecorInfo>("crate", "t\\red.png", 30, 40, -3);
    crate->Left = 10;
    crate->Top = 20;
    crate->Color = 0x00ABCDEF;
    crate->Speed = 1.5f;
    crate->FrameWidth = 5;
    crate->FrameHeight = 6;
    crate->Blend = tv::bl_add;
    TBaseInfo* record = PlaceCopy(*crate);
    Select(record);
    const char* keys[] = {"Name",        "Class",        "left",  "Top", "Texture",
                          "Width",       "Height",       "Color", "Z",   "Speed",
                          "Frame Width", "Frame Height", "Blend"};
    const QString point = QLocale::system().decimalPoint();
    const std::string values[] = {
        "crate", "TDecorInfo", "10",     "20", "t\\red.png",
        "30",    "40",         "ABCDEF", "-3", ("1" + point + "5000").toStdString(),
        "5",     "6",          "bl_add"};
    TValueListEditor* grid = window->Modify->ValMod;
    ASSERT_EQ(grid->RowCount(), 13);
    for (int row = 0; row < 13; ++row) {
        EXPECT_EQ(grid->Key(row), keys[row]);
        EXPECT_EQ(grid->Value(row), values[row]) << keys[row];
    }
    EXPECT_EQ(grid->EditStyle(4), TValueListEditor::TEditStyle::Ellipsis);
    EXPECT_EQ(grid->EditStyle(7), TValueListEditor::TEditStyle::Ellipsis);
    EXPECT_EQ(grid->EditStyle(12), TValueListEditor::TEditStyle::PickList);
    EXPECT_EQ(grid->EditStyle(0), TValueListEditor::TEditStyle::Simple);
    grid->MoveTo(12);
    ASSERT_EQ(grid->PickBox()->count(), 2);
    EXPECT_EQ(grid->PickBox()->itemText(0), "bl_normal");
    EXPECT_EQ(grid->PickBox()->itemText(1), "bl_add");

    window->Document->SetObjectColor(0xFFFFFFFF);
    EXPECT_EQ(Prop("Color"), "FFFFFFFF");

    // Nothing selected: the grid is empty.
    Select(nullptr);
    EXPECT_EQ(grid->RowCount(), 0);
}

TEST_F(ModifyTest, TypedValuesAreClampedAppliedAndShownAgain) {
    StartOnModifyPage();
    TBaseInfo* record = Place("crate", 10, 20, 30, 40);
    Select(record);

    Type("left", "9999");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Left, 5000);
    EXPECT_EQ(Prop("left"), "5000");
    EXPECT_EQ(ViewOf(record)->Bounds.X, 5000) << "the view object is made anew";
    Type("left", "-5");
    Key(Qt::Key_Down);
    EXPECT_EQ(record->Left, 0);
    EXPECT_EQ(window->Modify->ValMod->CurrentKey(), "Top");
    Type("Top", "650");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Top, 600);
    Type("Width", "0");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Width, 0);
    Type("Width", "60000");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Width, 5000);
    Type("Height", "-1");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Height, 0);
    Type("Z", "-100");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Z, -100);
    EXPECT_EQ(ViewOf(record)->Z, -100);

    // Empty numbers change nothing; an empty name is a name.
    Type("Top", "");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Top, 600);
    EXPECT_EQ(Prop("Top"), "600");
    Type("Name", "");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Name, "");

    // Read-only rows come back.
    Type("Class", "TBossInfo");
    Key(Qt::Key_Return);
    EXPECT_EQ(Prop("Class"), "TDecorInfo");
    Type("Frame Width", "77");
    Key(Qt::Key_Return);
    EXPECT_EQ(Prop("Frame Width"), "0");
    EXPECT_EQ(record->FrameWidth, 0);
    Type("Frame Height", "77");
    Key(Qt::Key_Up);
    EXPECT_EQ(Prop("Frame Height"), "0");
    Type("Texture", "typed.png");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Texture, "t\\red.png");

    // Speed in the user's notation, kept as a 32-bit float.
    const QString point = QLocale::system().decimalPoint();
    Type("Speed", "2" + point + "25");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Speed, 2.25f);
    EXPECT_EQ(Prop("Speed"), ("2" + point + "2500").toStdString());
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(ModifyTest, ColourAndBlendTextsAreReadAndBadTextsLeaveTheRecordAlone) {
    StartOnModifyPage();
    TBaseInfo* record = Place("crate", 10, 20, 30, 40);
    record->Speed = 0.5f;
    Select(record);

    Type("Color", "ff0000");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Color, 0x00FF0000u) << "no alpha given: fully transparent";
    EXPECT_EQ(Prop("Color"), "FF0000");
    Type("Color", "80FFFFFF");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Color, 0x80FFFFFFu);
    EXPECT_EQ(ViewOf(record)->Color, 0x80FFFFFFu);

    Type("Blend", "BL_ADD");
    Key(Qt::Key_Return);
    EXPECT_EQ(record->Blend, tv::bl_add);
    EXPECT_EQ(Prop("Blend"), "bl_add");
    EXPECT_EQ(ViewOf(record)->Blend, tv::bl_add);
    EXPECT_TRUE(dialogs.Errors.empty());

    const struct {
        const char* Key;
        const char* Text;
        const char* Error;
    } refused[] = {
        {"Color", "red", "'$red' is not a valid integer value."},
        {"left", "12px", "'12px' is not a valid integer value."},
        {"Z", "99999999999", "'99999999999' is not a valid integer value."},
        {"Speed", "fast", "'fast' is not a valid floating point value."},
        {"Speed", "1e300", "'1e300' is not a valid floating point value."},
        {"Blend", "glow", "'glow' is not a valid blend mode: use bl_normal or bl_add."},
    };
    for (const auto& entry : refused) {
        dialogs.Errors.clear();
        Type(entry.Key, QString::fromUtf8(entry.Text));
        Key(Qt::Key_Return);
        EXPECT_EQ(dialogs.ErrorTexts(), (std::vector<std::string>{entry.Error})) << entry.Text;
        EXPECT_EQ(Prop(entry.Key), entry.Text) << "the grid keeps the typed text";
        Key(Qt::Key_Escape);
    }
    EXPECT_EQ(record->Color, 0x80FFFFFFu);
    EXPECT_EQ(record->Left, 10);
    EXPECT_EQ(record->Z, 0);
    EXPECT_EQ(record->Speed, 0.5f);
    EXPECT_EQ(record->Blend, tv::bl_add);

    // With the selection gone, a validation only empties the grid.
    window->Document->Select(nullptr);
    window->Modify->ValModValidate(1, 0, "Name", "ghost");
    EXPECT_EQ(window->Modify->ValMod->RowCount(), 0);
    EXPECT_EQ(record->Name, "crate");
}

TEST_F(ModifyTest, ARaisedLayerComesOnTopInTheNextFrame) {
    StartOnModifyPage();
    TBaseInfo* lower = Place("lower", 100, 100, 200, 200, 0, "t\\green.png");
    Place("upper", 100, 100, 200, 200, 3, "t\\red.png");
    // Red and green of the pixel at the centre (the selection frame adds blue).
    auto centre = [&] {
        window->DoFrame(nullptr, 1);
        const QRgb p =
            window->Device->ReadBackBuffer().pixel(200 * kViewWidth / 800, 200 * kViewHeight / 600);
        return std::make_pair(qRed(p), qGreen(p));
    };
    EXPECT_EQ(centre(), std::make_pair(255, 0));
    Select(lower);
    Type("Z", "5");
    Key(Qt::Key_Return);
    EXPECT_EQ(centre(), std::make_pair(0, 255));
    EXPECT_EQ(window->Map().Objects[0], lower) << "the record keeps its place in Objects";
}

TEST_F(ModifyTest, DeleteKeepsOneCopyForUndeleteWhichAlsoWorksInANewMap) {
    StartOnModifyPage();
    // Nothing selected, nothing deleted: both buttons do nothing.
    QTest::mouseClick(window->Modify->Button1, Qt::LeftButton);
    QTest::mouseClick(window->Modify->Button6, Qt::LeftButton);

    TBaseInfo* first = Place("first", 100, 100, 50, 50);
    auto enemy = tvtest::MakeRecord<tv::TEnemyInfo>("second", "t\\red.png", 60, 70, 2);
    enemy->Left = 300;
    enemy->Top = 150;
    enemy->Color = 0x80112233;
    enemy->Speed = 3.5f;
    enemy->Blend = tv::bl_add;
    enemy->HitPoints = 42;
    TBaseInfo* second = PlaceCopy(*enemy);

    Select(first);
    QTest::mouseClick(window->Modify->Button1, Qt::LeftButton);
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_EQ(window->Modify->ValMod->RowCount(), 0);
    EXPECT_EQ(Objects(), (std::vector<TBaseInfo*>{second}));
    EXPECT_EQ(window->Modify->ComboMod->count(), 1) << "the lists no longer show it";
    size_t dead = 0;
    for (const auto& view : window->Views())
        dead += view->Dead ? 1 : 0;
    EXPECT_EQ(dead, 1u);
    window->DoFrame(nullptr, 1);
    EXPECT_EQ(window->Views().size(), 1u);

    Select(second);
    QTest::mouseClick(window->Modify->Button1, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 0);

    QTest::mouseClick(window->Modify->Button6, Qt::LeftButton);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    const auto* restored = dynamic_cast<const tv::TEnemyInfo*>(window->Map().Objects[0]);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->Name, "second");
    EXPECT_EQ(restored->Left, 300);
    EXPECT_EQ(restored->Top, 150);
    EXPECT_EQ(restored->Width, 60);
    EXPECT_EQ(restored->Z, 2);
    EXPECT_EQ(restored->Color, 0x80112233u);
    EXPECT_EQ(restored->Speed, 3.5f);
    EXPECT_EQ(restored->Blend, tv::bl_add);
    EXPECT_EQ(restored->HitPoints, 42);
    EXPECT_EQ(restored->Group, "Enemies");
    EXPECT_EQ(window->Selected(), nullptr);
    EXPECT_NE(ViewOf(restored), nullptr);
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"second"}));

    QTest::mouseClick(window->Modify->Button6, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 1) << "only once";

    // The copy survives New.
    Select(window->Map().Objects[0]);
    QTest::mouseClick(window->Modify->Button1, Qt::LeftButton);
    QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 0);
    QTest::mouseClick(window->Modify->Button6, Qt::LeftButton);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(window->Map().Objects[0]->Name, "second");
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(ModifyTest, TheColourDialogChangesTheColourAndKeepsTheAlpha) {
    StartOnModifyPage();
    auto crate = tvtest::MakeRecord<tv::TDecorInfo>("crate", "t\\red.png", 30, 40, 0);
    crate->Left = 10;
    crate->Top = 20;
    crate->Color = 0x80FF0000;
    TBaseInfo* record = PlaceCopy(*crate);
    Select(record);
    ASSERT_TRUE(window->Modify->ValMod->MoveTo(window->Modify->ValMod->FindRow("Color")));
    dialogs.ColorAnswers = {std::nullopt, 0x0000FF};
    QTest::mouseClick(window->Modify->ValMod->EllipsisButton(), Qt::LeftButton);
    EXPECT_EQ(record->Color, 0x80FF0000u) << "cancelled";
    QTest::mouseClick(window->Modify->ValMod->EllipsisButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.ColorRequests.size(), 2u);
    EXPECT_EQ(dialogs.ColorRequests[0], 0xFF0000u);
    EXPECT_EQ(record->Color, 0x800000FFu);
    EXPECT_EQ(Prop("Color"), "800000FF");
    EXPECT_EQ(ViewOf(record)->Color, 0x800000FFu);
    EXPECT_TRUE(dialogs.FileRequests.empty());
}

TEST_F(ModifyTest, TheTexturePickerStoresAPathRelativeToTheGraphicFolder) {
    StartOnModifyPage();
    TBaseInfo* record = Place("crate", 10, 20, 30, 40);
    Select(record);
    ASSERT_TRUE(window->Modify->ValMod->MoveTo(window->Modify->ValMod->FindRow("Texture")));
    const std::string graphic = game.path() + "Data/Graphic/";
    dialogs.FileAnswers = {std::nullopt, graphic + "t/sub/blue.png", graphic + "t/broken.png"};
    QTest::mouseClick(window->Modify->ValMod->EllipsisButton(), Qt::LeftButton);
    EXPECT_EQ(record->Texture, "t\\red.png") << "cancelled";
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_FALSE(dialogs.FileRequests[0].Save);
    EXPECT_EQ(dialogs.FileRequests[0].InitialDir, game.path() + "Data/Graphic");
    EXPECT_EQ(dialogs.FileRequests[0].Filter,
              "All Files (*jpg *.bmp *.png *.tga);;JPEG Image (*.jpg);;Windows Bitmap (*.bmp);;"
              "Portable Network Graphic (*.png);;Truevision Targa (*.tga)");

    QTest::mouseClick(window->Modify->ValMod->EllipsisButton(), Qt::LeftButton);
    EXPECT_EQ(record->Texture, "t\\sub\\blue.png");
    EXPECT_EQ(Prop("Texture"), "t\\sub\\blue.png");
    ASSERT_NE(ViewOf(record), nullptr);
    ASSERT_NE(ViewOf(record)->Texture, nullptr);
    EXPECT_EQ(ViewOf(record)->Texture->Name, "t\\sub\\blue.png");
    EXPECT_TRUE(dialogs.Errors.empty());

    // A picture that cannot be loaded: the name is taken, the record stays, its view object
    // goes until a loadable texture is chosen.
    QTest::mouseClick(window->Modify->ValMod->EllipsisButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs.ErrorTexts(), (std::vector<std::string>{"Error when loading texture."}));
    EXPECT_EQ(record->Texture, "t\\broken.png");
    EXPECT_EQ(Prop("Texture"), "t\\broken.png");
    EXPECT_EQ(Objects(), (std::vector<TBaseInfo*>{record}));
    EXPECT_EQ(ViewOf(record), nullptr);

    // Other edits still apply to the record, with the error shown once each.
    Type("left", "70");
    Key(Qt::Key_Down);
    EXPECT_EQ(record->Left, 70);
    EXPECT_EQ(dialogs.Errors.size(), 2u);
    EXPECT_EQ(window->Modify->ValMod->CurrentKey(), "left")
        << "the failed refresh holds the cursor";
    Key(Qt::Key_Down);
    EXPECT_EQ(window->Modify->ValMod->CurrentKey(), "Top");
    EXPECT_EQ(dialogs.Errors.size(), 2u);
}

TEST_F(ModifyTest, SavingAppliesAPropertyStillBeingTyped) {
    StartOnModifyPage();
    Select(Place("crate", 10, 20, 30, 40));
    Type("Name", "Typed Crate");
    dialogs.FileAnswers = {game.file("Data/Maps/typed")};
    QTest::mouseClick(window->SaveBtn, Qt::LeftButton);
    tv::TMap saved;
    ASSERT_TRUE(saved.LoadFromFile(game.file("Data/Maps/typed.tvm"), window->ObjMgr.get()));
    ASSERT_EQ(saved.Objects.Count(), 1);
    EXPECT_EQ(saved.Objects[0]->Name, "Typed Crate");
    EXPECT_TRUE(dialogs.Errors.empty());
}

} // namespace
