// Opening a map reports how far it got, and a Cancel at any point, while the file is read or
// while the view objects are made, leaves the map, its view objects and its undo steps as
// they were.
#include "TestSupport.h"
#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"

#include <gtest/gtest.h>

namespace {

// Goes on until it was asked a given number of times; remembers what it was told.
class StopAfter : public tv::IProgress {
public:
    explicit StopAfter(int reports) : left_(reports) {}
    bool Report(uint64_t done, uint64_t total) override {
        EXPECT_LE(done, total);
        EXPECT_GE(done * 1000 / total, last_) << "progress only goes forward";
        last_ = done * 1000 / total;
        ++Reports;
        return --left_ > 0;
    }
    int Reports = 0;

private:
    int left_;
    uint64_t last_ = 0;
};

std::vector<uint8_t> Saved(const tv::TMap& map) {
    tv::TMemoryStream stream;
    map.WriteToStream(stream, nullptr);
    return stream.Bytes();
}

TEST(LoadProgressTest, CancelWhileReadingOrMakingViewsKeepsTheMapOnScreen) {
    tvtest::TempDir dir;
    const std::string path = dir.file("many.tvm");
    {
        tv::TMap many;
        for (int i = 0; i < 20000; ++i) {
            auto record = std::make_unique<tv::TDecorInfo>();
            record->Name = "Rock";
            record->Left = i;
            many.Objects.Add(std::move(record));
        }
        many.SaveToFile(path, nullptr);
    }
    tv::TMapDocument document(nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document.NewMap();
    const QByteArray mine(R"({"class": "TEnemyInfo", "Name": "Mine"})");
    document.Paste(tv::ObjectsFromJson(mine), 10, 20);
    const std::vector<uint8_t> before = Saved(document.Map());

    // Reported while read and while made into views: stop at each report.
    StopAfter count(1000000);
    ASSERT_TRUE(document.LoadMap(path, &count));
    EXPECT_GE(count.Reports, 4);
    EXPECT_EQ(document.Map().Objects.Count(), 20000);
    document.Undo(); // nothing: a map just opened has no undo steps
    EXPECT_EQ(document.Map().Objects.Count(), 20000);

    for (int stop = 1; stop <= count.Reports; ++stop) {
        document.NewMap();
        document.Paste(tv::ObjectsFromJson(mine), 10, 20);
        ASSERT_EQ(Saved(document.Map()), before);
        StopAfter cancel(stop);
        EXPECT_THROW(document.LoadMap(path, &cancel), tv::ECancelled) << "stop " << stop;
        EXPECT_EQ(Saved(document.Map()), before) << "stop " << stop;
        std::vector<const tv::TBaseInfo*> shown;
        for (const auto& view : document.Scene().Views)
            if (!view->Dead)
                shown.push_back(view->Info);
        EXPECT_EQ(shown, std::vector<const tv::TBaseInfo*>{document.Map().Objects[0]}) << stop;
        EXPECT_EQ(document.UndoStack().count(), 1);
        EXPECT_TRUE(document.Modified());
    }
}

} // namespace

namespace {

std::vector<const tv::TBaseInfo*> ViewOrder(const tv::TMapDocument& document) {
    std::vector<const tv::TBaseInfo*> order;
    for (const auto& view : document.Scene().Views)
        if (!view->Dead)
            order.push_back(view->Info);
    return order;
}

// Within one layer the drawing order is the designer's: a drag, a property edit and their
// undo and redo keep a view object's place among the ones of equal Z.
TEST(ViewOrderTest, EditsAndTheirUndoKeepTheOrderWithinALayer) {
    tv::TMapDocument document(nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document.NewMap();
    document.Paste(tv::ObjectsFromJson(R"([{"class": "TDecorInfo", "Name": "a", "Z": 3},
        {"class": "TDecorInfo", "Name": "b", "Z": 3}, {"class": "TDecorInfo", "Name": "c",
        "Z": 3}])"),
                   10, 20);
    const std::vector<const tv::TBaseInfo*> before = ViewOrder(document);
    ASSERT_EQ(before.size(), 3u);
    tv::TBaseInfo* middle = const_cast<tv::TBaseInfo*>(before[1]);
    document.Select(middle);
    document.BeginDrag(300, 200);
    document.DragTo(310, 220);
    document.EndDrag();
    EXPECT_EQ(ViewOrder(document), before);
    document.SetObjectProperty("Width", "90");
    EXPECT_EQ(ViewOrder(document), before);
    document.Undo();
    document.Undo();
    EXPECT_EQ(ViewOrder(document), before);
    document.Redo();
    EXPECT_EQ(ViewOrder(document), before);
}

} // namespace
