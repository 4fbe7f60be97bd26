// Finding records by place through the document: picking through stacked records, groups
// locked or hidden for the session, records of a group in a rectangle, and the Add limit.
#include "document/MapDocument.h"
#include "mapdata/Errors.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using tv::TBaseInfo;
using tv::TMapDocument;

class PickingTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = std::make_unique<TMapDocument>(
            nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
        document->NewMap();
    }

    template <class T>
    TBaseInfo* Place(int32_t left, int32_t top, int32_t width, int32_t height, int32_t z) {
        T type;
        type.Name = "Thing";
        type.Width = width;
        type.Height = height;
        type.Z = z;
        return document->PlaceObject(type, left, top);
    }

    std::unique_ptr<TMapDocument> document;
};

TEST_F(PickingTest, RepeatedPicksGoDownThroughStackedRecordsSkippingLockedAndHiddenGroups) {
    TBaseInfo* sky = Place<tv::TBackGroundInfo>(0, 0, 800, 600, 0);
    TBaseInfo* rock = Place<tv::TDecorInfo>(100, 100, 50, 50, 5);
    TBaseInfo* slime = Place<tv::TEnemyInfo>(110, 110, 20, 20, 9);

    EXPECT_EQ(document->ObjectAt(115, 115), slime) << "the one drawn on top";
    EXPECT_EQ(document->ObjectAt(115, 115, slime), rock);
    EXPECT_EQ(document->ObjectAt(115, 115, rock), sky);
    EXPECT_EQ(document->ObjectAt(115, 115, sky), slime) << "after the lowest, the top again";
    EXPECT_EQ(document->ObjectAt(400, 400, slime), sky) << "a record not under the point";
    EXPECT_EQ(document->ObjectAt(130, 130), rock) << "right and bottom edges are outside";

    document->SelectAll({slime, sky, rock});
    document->SetGroupLocked("backgrounds", true);
    EXPECT_EQ(document->Selection(), (std::vector<TBaseInfo*>{slime, rock}));
    EXPECT_EQ(document->ObjectAt(400, 400), nullptr) << "the sky no longer takes every click";
    document->SetGroupHidden("ENEMIES", true);
    EXPECT_EQ(document->Selection(), (std::vector<TBaseInfo*>{rock}));
    EXPECT_EQ(document->ObjectAt(115, 115), rock);
    EXPECT_EQ(document->ObjectAt(115, 115, rock), rock) << "the only one left to cycle";
    EXPECT_TRUE(document->Groups().Locked("BackGrounds"));

    // The lists still name locked and hidden records; the rectangle is tested without
    // overflow at the far end of the coordinates.
    TBaseInfo* far = Place<tv::TDecorInfo>(INT32_MAX - 5, 0, INT32_MAX, 10, 1);
    EXPECT_EQ(document->ObjectsIn(tv::TRect{0, 0, 120, 120}, {}),
              (std::vector<TBaseInfo*>{sky, rock, slime}));
    EXPECT_EQ(document->ObjectsIn(tv::TRect{0, 0, 120, 120}, "decors"),
              (std::vector<TBaseInfo*>{rock}));
    EXPECT_EQ(document->ObjectsIn(tv::TRect{INT32_MAX - 1, 0, INT32_MAX, 5}, {}),
              (std::vector<TBaseInfo*>{far}));
    EXPECT_EQ(document->ObjectAt(int64_t{INT32_MAX} + 100, 5), far);

    document->NewMap();
    EXPECT_FALSE(document->Groups().Locked("BackGrounds"));
    EXPECT_FALSE(document->Groups().Hidden("Enemies"));
}

// The document finds records through an index of where they lie; whatever the edits did, it
// finds exactly what looking at every record finds, also for records and rectangles at the
// ends of the coordinates, inverted ones and records of no width.
TEST_F(PickingTest, TheIndexFindsWhatAWalkOverEveryRecordFinds) {
    std::mt19937 random(5);
    const auto pick = [&](std::initializer_list<int64_t> choices) {
        auto it = choices.begin();
        std::advance(it, std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random));
        return *it;
    };
    const auto coordinate = [&] {
        const int64_t near = std::uniform_int_distribution<int64_t>(-3000, 60000)(random);
        return static_cast<int32_t>(
            pick({near, near, near, near, INT32_MIN, INT32_MAX - 300, -1, 0, 511, 512}));
    };
    const auto width = [&] {
        const int64_t usual = std::uniform_int_distribution<int64_t>(1, 900)(random);
        return static_cast<int32_t>(pick({usual, usual, usual, 0, -40, 70000, INT32_MAX}));
    };
    const auto check = [&](int step, const TBaseInfo* edited = nullptr) {
        const tv::TBaseInfoList& objects = document->Map().Objects;
        for (int i = 0; i < 12; ++i) {
            // The first look is where the edited record is now.
            const int32_t left =
                i == 0 && edited && objects.IndexOf(edited) >= 0 ? edited->Left : coordinate();
            const int32_t right =
                pick({int64_t{left} + 800, int64_t{left} + 1, left, int64_t{left} - 30, INT32_MAX});
            const tv::TRect rect{left, coordinate() % 600, right, 600};
            const std::string group = pick({0, 1}) ? "" : "decors";
            ASSERT_EQ(document->ObjectsIn(rect, group), tv::ObjectsIn(objects, rect, group))
                << "step " << step << " rect " << rect.Left << ".." << rect.Right;
            const int64_t x = int64_t{coordinate()} + pick({0, 5, 800});
            const int64_t y = std::uniform_int_distribution<int64_t>(0, 600)(random);
            TBaseInfo* top = document->ObjectAt(x, y);
            ASSERT_EQ(top, tv::ObjectAt(objects, document->Groups(), x, y)) << "step " << step;
            ASSERT_EQ(document->ObjectAt(x, y, top),
                      tv::ObjectAt(objects, document->Groups(), x, y, top));
        }
    };
    for (int i = 0; i < 300; ++i) {
        if (i % 2)
            Place<tv::TDecorInfo>(coordinate(), 0, width(), 300, i % 7);
        else
            Place<tv::TEnemyInfo>(coordinate(), 100, width(), 300, i % 5);
    }
    check(0);
    for (int step = 1; step <= 150; ++step) {
        const tv::TBaseInfoList& objects = document->Map().Objects;
        TBaseInfo* record =
            objects[std::uniform_int_distribution<int>(0, objects.Count() - 1)(random)];
        document->Select(record);
        switch (step % 6) {
        case 0:
            document->SetObjectProperty(tv::kPropLeft, std::to_string(coordinate()));
            break;
        case 1:
            document->SetObjectProperty(tv::kPropWidth, std::to_string(width()));
            break;
        case 2:
            document->NudgeSelected(pick({-700, 3, 1500}), 0);
            break;
        case 3:
            document->DeleteSelected();
            break;
        case 4:
            document->Undo();
            break;
        default:
            // Changed behind the document's back, then told.
            record->Left = coordinate();
            document->RebuildViews();
            break;
        }
        check(step, record);
    }
}

TEST_F(PickingTest, AddRefusesMoreThanTheLimitAndAddsNothing) {
    tv::TDecorInfo type;
    type.Width = 1;
    type.Height = 1;
    tv::TPlacement placement{0, 0, 100, 100, true, true};
    EXPECT_THROW(document->AddCopies(type, tv::kMaxAddCount + 1, placement), tv::EError);
    EXPECT_EQ(document->Map().Objects.Count(), 0);
    EXPECT_FALSE(document->Modified());
    EXPECT_EQ(document->AddCopies(type, tv::kMaxAddCount, placement), 0);
    EXPECT_EQ(document->Map().Objects.Count(), tv::kMaxAddCount);
}

} // namespace
