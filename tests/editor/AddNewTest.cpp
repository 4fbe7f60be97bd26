// The Add New page through the real window: the preview, placing by a click in the view and
// placing many copies with "Add".
#include "editor/AddNewPage.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"

#include "engine/Random.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

using tv::TBaseInfo;

namespace {

class AddNewTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Picture("t/red.png", qRgb(255, 0, 0));
        Picture("t/grunt.png", qRgb(0, 200, 0), 8, 6);
        std::vector<std::unique_ptr<TBaseInfo>> records;
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Grunt", "t\\grunt.png", 32, 32, 1));
        records.push_back(tvtest::MakeRecord<tv::TDecorInfo>("Rock", "t\\red.png", 128, 128, 0));
        records.push_back(tvtest::MakeRecord<tv::TEnemyInfo>("Spitter", "t\\red.png", 40, 20, 1));
        records.push_back(
            tvtest::MakeRecord<tv::TBackGroundInfo>("Sky", "t\\red.png", 800, 600, -10));
        auto fog = tvtest::MakeRecord<tv::TDecorInfo>("Fog", "", 64, 64, 2);
        fog->ProjectilesPass = 1;
        records.push_back(std::move(fog));
        records.push_back(tvtest::MakeRecord<tv::TDecorInfo>("Ghost", "t\\missing.png", 10, 10, 0));
        records[2]->Left = 7;
        records[2]->Top = -3;
        WriteCatalogue(records);
    }

    void StartOnAddPage() {
        Start();
        window->Pages->setCurrentWidget(window->TabAdd);
    }

    void ChooseGroup(const QString& group) {
        const int index = window->AddNew->ComboObj->findText(group);
        ASSERT_GE(index, 0);
        window->AddNew->ComboObj->setCurrentIndex(index);
        emit window->AddNew->ComboObj->activated(index);
    }

    // Clicks a type of the current group.
    void ChooseType(const QString& name) {
        const auto found = window->AddNew->ListObj->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        ClickRow(window->AddNew->ListObj, window->AddNew->ListObj->row(found.front()));
    }

    void AddMore(int count, int sx, int ex, bool randX, int sy, int ey, bool randY) {
        window->AddNew->SpinCount->setValue(count);
        window->AddNew->SpinSX->setValue(sx);
        window->AddNew->SpinEX->setValue(ex);
        window->AddNew->SpinSY->setValue(sy);
        window->AddNew->SpinEY->setValue(ey);
        window->AddNew->CheckRX->setChecked(randX);
        window->AddNew->CheckRY->setChecked(randY);
        QTest::mouseClick(window->AddNew->Button5, Qt::LeftButton);
    }

    std::string PrevValue(const std::string& key) const {
        return window->AddNew->Prev->Value(window->AddNew->Prev->FindRow(key));
    }
};

TEST_F(AddNewTest, ClickingATypeChoosesItAndShowsItsPreview) {
    StartOnAddPage();
    EXPECT_EQ(window->AddNew->ComboObj->count(), 3);
    ChooseType("Spitter");
    ASSERT_EQ(window->AddNew->NewType, window->ObjMgr->FindByName("Spitter"));
    ASSERT_EQ(window->AddNew->Prev->RowCount(), 4);
    EXPECT_EQ(window->AddNew->Prev->Key(0), "Name:");
    EXPECT_EQ(window->AddNew->Prev->Key(1), "Class:");
    EXPECT_EQ(window->AddNew->Prev->Key(2), "Bounds:");
    EXPECT_EQ(window->AddNew->Prev->Key(3), "Texture:");
    EXPECT_EQ(PrevValue("Name:"), "Spitter");
    EXPECT_EQ(PrevValue("Class:"), "TEnemyInfo");
    EXPECT_EQ(PrevValue("Bounds:"), "L:7;T:-3;W:40;H:20");
    EXPECT_EQ(PrevValue("Texture:"), "t\\red.png");
    ASSERT_FALSE(window->AddNew->Imgprev->pixmap().isNull());

    // The picture is the type's texture.
    ChooseType("Grunt");
    const QImage picture = window->AddNew->Imgprev->pixmap().toImage();
    EXPECT_EQ(picture.size(), QSize(8, 6));
    EXPECT_EQ(picture.pixel(4, 3) & 0xFFFFFFu, qRgb(0, 200, 0) & 0xFFFFFFu);

    // A type without a texture shows no picture.
    ChooseGroup("Decors");
    ChooseType("Fog");
    EXPECT_TRUE(window->AddNew->Imgprev->pixmap().isNull());
    EXPECT_EQ(PrevValue("Name:"), "Fog");
    EXPECT_EQ(PrevValue("Texture:"), "");
    EXPECT_TRUE(dialogs.Errors.empty());

    // A texture that cannot be loaded: the type is taken, the preview stays as it was.
    ChooseType("Ghost");
    EXPECT_EQ(dialogs.ErrorTexts(), (std::vector<std::string>{"Error when loading texture."}));
    EXPECT_EQ(window->AddNew->NewType, window->ObjMgr->FindByName("Ghost"));
    EXPECT_EQ(PrevValue("Name:"), "Fog");
}

TEST_F(AddNewTest, TheHighlightShowsTheTypeToAddInEveryGroup) {
    StartOnAddPage();
    // A type is chosen with the mouse or the keyboard.
    ChooseType("Grunt");
    QTest::keyClick(window->AddNew->ListObj, Qt::Key_Down);
    ASSERT_NE(window->AddNew->NewType, nullptr);
    EXPECT_EQ(window->AddNew->NewType->Name, "Spitter");
    EXPECT_EQ(PrevValue("Name:"), "Spitter");
    ChooseGroup("Decors");
    EXPECT_EQ(window->AddNew->ListObj->currentRow(), -1)
        << "no decor is highlighted: none is placed";
    EXPECT_EQ(window->AddNew->NewType->Name, "Spitter");
    ChooseGroup("Enemies");
    EXPECT_EQ(window->AddNew->ListObj->currentRow(), 1) << "the highlight shows the type placed";
    EXPECT_EQ(PrevValue("Name:"), "Spitter");
    AddMore(2, 100, 100, false, 200, 200, false);
    ASSERT_EQ(window->Map().Objects.Count(), 2);
    for (const TBaseInfo* record : Objects())
        EXPECT_EQ(record->Name, "Spitter");
}

TEST_F(AddNewTest, ALeftClickInTheViewPlacesACopyUnderThePointer) {
    StartOnAddPage();
    // Nothing chosen yet: a click places nothing.
    PointAt(100, 100);
    ClickView(Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 0);

    ChooseType("Grunt");
    window->EdJump->setValue(1000);
    QTest::mouseClick(window->XJump, Qt::LeftButton);
    ASSERT_EQ(window->WorldX, 1000);
    const tv::TPoint p = PointAt(400, 300);
    ClickView(Qt::LeftButton);
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    TBaseInfo* placed = window->Map().Objects[0];
    EXPECT_NE(placed, window->AddNew->NewType) << "a copy, not the prototype";
    EXPECT_EQ(placed->Name, "Grunt");
    EXPECT_EQ(placed->Group, "Enemies");
    EXPECT_EQ(placed->Left, 1000 + p.X);
    EXPECT_EQ(placed->Top, p.Y);
    EXPECT_EQ(placed->Width, 32);
    EXPECT_EQ(window->AddNew->NewType->Left, 0) << "the catalogue does not change";
    EXPECT_EQ(window->Selected(), nullptr);
    ASSERT_NE(ViewOf(placed), nullptr);
    EXPECT_EQ(ViewOf(placed)->Bounds.X, 1000 + p.X);
    // The Modify page lists it at once.
    ASSERT_EQ(window->Modify->ComboMod->count(), 1);
    EXPECT_EQ(window->Modify->ComboMod->itemText(0), "Enemies");
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod), (std::vector<std::string>{"Grunt"}));

    // The next frame draws it there.
    window->DoFrame(nullptr, 1);
    const QImage frame = window->Device->ReadBackBuffer();
    const QPoint pixel((p.X + 16) * kViewWidth / 800, (p.Y + 16) * kViewHeight / 600);
    const QRgb shown = frame.pixel(pixel);
    EXPECT_NEAR(qGreen(shown), 200, 4);
    EXPECT_NEAR(qRed(shown), 0, 4);

    // On the Modify page a left click places nothing.
    window->Pages->setCurrentWidget(window->TabModify);
    ClickView(Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(AddNewTest, AddPlacesTheCountAtTheStartOrAtRandomWithinTheRanges) {
    StartOnAddPage();
    // "Add" without a chosen type does nothing.
    AddMore(3, 100, 1000, true, 200, 400, true);
    EXPECT_EQ(window->Map().Objects.Count(), 0);

    ChooseGroup("Decors");
    ChooseType("Rock");
    AddMore(3, 100, 1000, false, 200, 400, false);
    ASSERT_EQ(window->Map().Objects.Count(), 3);
    for (const TBaseInfo* record : Objects()) {
        EXPECT_EQ(record->Left, 100);
        EXPECT_EQ(record->Top, 200);
        EXPECT_NE(ViewOf(record), nullptr);
    }
    EXPECT_EQ(window->Views().size(), 3u);
    EXPECT_EQ(tvtest::Items(window->Modify->ListMod),
              (std::vector<std::string>{"Rock", "Rock", "Rock"}));

    // The random offset goes from the start towards the right whatever the end is, and a
    // range of 0 keeps the start.
    window->Document->NewMap();
    tv::RandSeed(11);
    AddMore(300, 1000, 100, true, 200, 200, true);
    ASSERT_EQ(window->Map().Objects.Count(), 300);
    int lowest = INT32_MAX;
    int highest = INT32_MIN;
    for (const TBaseInfo* record : Objects()) {
        lowest = std::min(lowest, record->Left);
        highest = std::max(highest, record->Left);
        EXPECT_EQ(record->Top, 200);
    }
    EXPECT_GE(lowest, 1000);
    EXPECT_LE(highest, 1899);
    EXPECT_LT(lowest, 1100) << "the draws spread over the range";
    EXPECT_GT(highest, 1800);

    // A count of 0, a negative count or a count that is no number adds nothing.
    for (int count : {0, -4}) {
        AddMore(count, 0, 0, false, 0, 0, false);
        EXPECT_EQ(window->Map().Objects.Count(), 300);
    }
    tvtest::EmptyByKeys(*window->AddNew->SpinCount);
    QTest::mouseClick(window->AddNew->Button5, Qt::LeftButton);
    EXPECT_EQ(window->Map().Objects.Count(), 300);
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(AddNewTest, ACountBeyondTheLimitIsRefusedWithANotice) {
    StartOnAddPage();
    ChooseType("Grunt");
    AddMore(tv::kMaxAddCount + 1, 0, 0, false, 0, 0, false);
    EXPECT_EQ(window->Map().Objects.Count(), 0);
    EXPECT_EQ(dialogs.Messages,
              (std::vector<std::string>{
                  "A count of 10001 is too large: at most 10000 objects are added at once."}));
}

TEST_F(AddNewTest, EntitiesStayOutOfSolidDecorationsButNotOutOfPassThroughOnes) {
    StartOnAddPage();
    // Solid over the left half of the range, pass-through over the right half.
    const TBaseInfo* solid = Place("wall", 0, 0, 400, 600);
    auto* mist = static_cast<tv::TDecorInfo*>(Place("mist", 400, 0, 400, 600));
    mist->ProjectilesPass = 1;
    ChooseType("Grunt");
    tv::RandSeed(5);
    AddMore(100, 0, 769, true, 0, 569, true);
    ASSERT_EQ(window->Map().Objects.Count(), 102);
    EXPECT_TRUE(dialogs.Messages.empty());
    int overMist = 0;
    for (const TBaseInfo* record : Objects()) {
        if (record->Name != "Grunt")
            continue;
        const tv::TRect rect{record->Left, record->Top, record->Left + record->Width,
                             record->Top + record->Height};
        EXPECT_FALSE(tv::RectsOverlap(rect, {solid->Left, solid->Top, 400, 600}))
            << record->Left << "," << record->Top;
        overMist += tv::RectsOverlap(rect, {400, 0, 800, 600}) ? 1 : 0;
    }
    EXPECT_EQ(overMist, 100);

    // Touching the solid edge is no overlap; other kinds are placed without a test.
    AddMore(1, 400, 400, false, 10, 10, false);
    EXPECT_EQ(window->Map().Objects.Count(), 103);
    ChooseGroup("Decors");
    ChooseType("Rock");
    AddMore(2, 50, 50, false, 50, 50, false);
    EXPECT_EQ(window->Map().Objects.Count(), 105);
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(AddNewTest, CopiesWithoutAFreePlaceAreLeftOutAndReportedOnce) {
    StartOnAddPage();
    ChooseType("Grunt");
    // A fixed place on a solid decoration: no draw can help.
    Place("wall", 0, 0, 10000, 600);
    AddMore(5, 100, 1000, false, 200, 400, false);
    EXPECT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(window->Views().size(), 1u);
    EXPECT_EQ(dialogs.Messages,
              (std::vector<std::string>{"5 of 5 objects could not be placed: no free place outside "
                                        "solid decorations was found in the given range."}));

    // The one free left edge of 10000 is found by some copies within the attempts and not by
    // others; the ones found are placed, the rest reported in one notice.
    window->Document->NewMap();
    dialogs.Messages.clear();
    Place("wall", 0, 0, 9999, 600);
    tv::RandSeed(3);
    AddMore(20, 0, 10000, true, 200, 400, false);
    const int placed = window->Map().Objects.Count() - 1;
    EXPECT_GT(placed, 0);
    EXPECT_LT(placed, 20);
    for (const TBaseInfo* record : Objects())
        if (record->Name == "Grunt") {
            EXPECT_EQ(record->Left, 9999);
            EXPECT_EQ(record->Top, 200);
        }
    EXPECT_EQ(dialogs.Messages,
              (std::vector<std::string>{tv::Format(
                  "%d of 20 objects could not be placed: no free place outside solid decorations "
                  "was found in the given range.",
                  20 - placed)}));
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(AddNewTest, ACopyWhoseTextureCannotBeLoadedStaysInTheMapAndStopsTheCommand) {
    StartOnAddPage();
    ChooseGroup("Decors");
    ChooseType("Ghost");
    dialogs.Errors.clear();
    AddMore(3, 100, 100, false, 100, 100, false);
    EXPECT_EQ(dialogs.ErrorTexts(), (std::vector<std::string>{"Error when loading texture."}));
    ASSERT_EQ(window->Map().Objects.Count(), 1);
    EXPECT_EQ(ViewOf(window->Map().Objects[0]), nullptr);

    PointAt(300, 300);
    ClickView(Qt::LeftButton);
    EXPECT_EQ(dialogs.ErrorTexts().size(), 2u);
    EXPECT_EQ(window->Map().Objects.Count(), 2);
    EXPECT_TRUE(window->Views().empty());
}

TEST_F(AddNewTest, WithoutAGraphicsDeviceTypesAreShownWithoutPictureAndStillAdded) {
    const tv::TScopedViewDeviceMaker failing([](tv::HWND, int, int) { return false; });
    window = std::make_unique<tv::TEditF>(game.path());
    ASSERT_TRUE(tvtest::ShowActive(*window));
    ASSERT_FALSE(window->HasGraphics());
    window->Pages->setCurrentWidget(window->TabAdd);
    ChooseType("Grunt");
    EXPECT_EQ(window->AddNew->NewType, window->ObjMgr->FindByName("Grunt"));
    EXPECT_TRUE(window->AddNew->Imgprev->pixmap().isNull());
    EXPECT_EQ(PrevValue("Bounds:"), "L:0;T:0;W:32;H:32");
    AddMore(2, 100, 100, false, 200, 200, false);
    EXPECT_EQ(window->Map().Objects.Count(), 2);
    EXPECT_EQ(window->Views().size(), 2u);
    EXPECT_TRUE(dialogs.Errors.empty());
}

} // namespace

namespace {

TEST_F(AddNewTest, EverySessionPlacesRandomCopiesElsewhere) {
    // The editor seeds the random generator from the clock when it starts.
    std::vector<std::vector<std::pair<int, int>>> sessions;
    for (int session = 0; session < 2; ++session) {
        tv::RandSeed(5489); // what a generator that is never seeded starts from
        StartOnAddPage();
        ChooseGroup("Decors");
        ChooseType("Rock");
        AddMore(5, 0, 4000, true, 0, 500, true);
        std::vector<std::pair<int, int>> places;
        for (const TBaseInfo* record : Objects())
            places.emplace_back(record->Left, record->Top);
        ASSERT_EQ(places.size(), 5u);
        sessions.push_back(places);
        window.reset();
    }
    EXPECT_NE(sessions[0], sessions[1]);
}

} // namespace
