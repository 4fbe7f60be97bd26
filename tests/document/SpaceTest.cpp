// Inserting and removing space on the demo map, and a removal refused for objects in the way.
#include "document/MapDocument.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(const tv::TMap& map) {
    tv::TMemoryStream stream;
    map.WriteToStream(stream, nullptr);
    return stream.Bytes();
}

class SpaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv::SetBaseFolder(TV_GAME_DIR "/");
        catalogue.LoadCatalogue();
        document = std::make_unique<tv::TMapDocument>(
            &catalogue, std::make_unique<tv::TMapScene>(nullptr, nullptr));
        document->NewMap();
        ASSERT_TRUE(document->LoadMap(TV_GAME_DIR "/Data/Maps/green_hills.tvm"));
        document->RebuildViews();
    }

    // The Left of every record, in map order.
    std::vector<int32_t> Lefts() const {
        std::vector<int32_t> lefts;
        for (const tv::TBaseInfo* record : document->Map().Objects)
            lefts.push_back(record->Left);
        return lefts;
    }

    tv::TObjMgr catalogue;
    std::unique_ptr<tv::TMapDocument> document;
};

TEST_F(SpaceTest, InsertThenRemoveGivesTheSameBytesAndEachIsOneUndoStep) {
    const std::vector<uint8_t> original = Bytes(document->Map());
    const std::vector<int32_t> before = Lefts();
    const int32_t maxWorldX = document->Map().MaxWorldX;
    const int32_t x = 1500;

    document->InsertSpace(x, 640);
    EXPECT_EQ(document->Map().MaxWorldX, maxWorldX + 640);
    const std::vector<int32_t> inserted = Lefts();
    int moved = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(inserted[i], before[i] >= x ? before[i] + 640 : before[i]) << i;
        moved += before[i] >= x;
    }
    ASSERT_GT(moved, 0);
    ASSERT_LT(moved, int(before.size()));
    EXPECT_EQ(document->UndoStack().count(), 1);

    // The stretch is empty now, so it can go again.
    EXPECT_EQ(document->RemoveSpace(x, 640), 0);
    EXPECT_EQ(Bytes(document->Map()), original);
    EXPECT_EQ(document->UndoStack().count(), 2);

    document->Undo();
    EXPECT_EQ(Lefts(), inserted);
    document->Undo();
    EXPECT_EQ(Bytes(document->Map()), original);
    EXPECT_FALSE(document->Modified());
}

TEST_F(SpaceTest, RemovingAStretchWithObjectsInItIsRefusedWithTheirCount) {
    const std::vector<uint8_t> original = Bytes(document->Map());
    const std::vector<int32_t> lefts = Lefts();
    // The stretch starts at an object and reaches past the next two left edges.
    std::vector<int32_t> sorted = lefts;
    std::sort(sorted.begin(), sorted.end());
    const int32_t x = sorted[sorted.size() / 2];
    const int32_t amount = 300;
    const int inTheWay = int(std::count_if(
        lefts.begin(), lefts.end(), [&](int32_t left) { return left >= x && left < x + amount; }));
    ASSERT_GT(inTheWay, 0);
    EXPECT_EQ(document->RemoveSpace(x, amount), inTheWay);
    EXPECT_EQ(Bytes(document->Map()), original);
    EXPECT_EQ(document->UndoStack().count(), 0);
}

} // namespace
