// Finding records by place through the document: picking through stacked records, groups
// locked or hidden for the session, records of a group in a rectangle, and the Add limit.
#include "document/MapDocument.h"
#include "mapdata/Errors.h"

#include <gtest/gtest.h>

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
