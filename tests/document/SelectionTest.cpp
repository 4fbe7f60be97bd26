// The document's selection: what it holds, what the listeners are told, and how edits and
// their undo keep it to records of the map.
#include "document/MapDocument.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <gtest/gtest.h>

namespace {

using tv::TBaseInfo;
using tv::TMapDocument;

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = std::make_unique<TMapDocument>(
            nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
        document->NewMap();
        type.Name = "Crate";
        type.Width = 20;
        type.Height = 20;
        for (int i = 0; i < 4; ++i)
            records.push_back(document->PlaceObject(type, 100 * i, 50));
        document->AddListener([this](unsigned changes) {
            if (changes & tv::DocChange::Selection)
                ++told;
        });
    }

    std::vector<TBaseInfo*> Selection() const { return document->Selection(); }

    std::unique_ptr<TMapDocument> document;
    tv::TDecorInfo type;
    std::vector<TBaseInfo*> records;
    int told = 0;
};

TEST_F(SelectionTest, ChangesAreToldOnceAndTheFirstChosenIsPrimary) {
    auto* a = records[0];
    auto* b = records[1];
    auto* c = records[2];
    document->SelectAll({b, a, b, nullptr, c});
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{b, a, c})) << "each once, in order";
    EXPECT_EQ(document->Selected(), b);
    EXPECT_EQ(told, 1);

    document->SelectAll({b, a, c}); // the same selection again
    document->Select(b);
    EXPECT_EQ(told, 2);
    document->Select(b);
    EXPECT_EQ(told, 2) << "choosing what is chosen is no change";

    document->ToggleSelected(a);
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{b, a}));
    document->ToggleSelected(b);
    EXPECT_EQ(document->Selected(), a) << "the next one becomes primary";
    document->AddToSelection({c, a});
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{a, c}));
    EXPECT_EQ(told, 5);
    document->ClearSelection();
    EXPECT_EQ(document->Selected(), nullptr);
    EXPECT_EQ(told, 6);
}

TEST_F(SelectionTest, RecordsTakenOutLeaveTheSelectionAndUndoOfAChangeShowsWhatChanged) {
    auto* a = records[0];
    auto* b = records[1];
    auto* c = records[2];
    auto* d = records[3];

    // A paste undone takes its records out of the map and out of the selection.
    std::vector<std::unique_ptr<TBaseInfo>> pasted;
    pasted.push_back(tv::CloneInfo(*a));
    document->Paste(std::move(pasted), 500, 60);
    TBaseInfo* copy = document->Selected();
    ASSERT_NE(copy, a);
    document->AddToSelection({b, c});
    document->Undo();
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{b, c}));

    // Deleting takes the whole selection out; undo puts it back selected, in its order.
    document->SelectAll({d, c});
    document->DeleteSelected();
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(document->Map().Objects.Count(), 2);
    document->Undo();
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{d, c}));

    // Undoing a change of records already selected keeps the selection and its primary one;
    // undoing it with another selection selects the changed record.
    document->SelectAll({b, a});
    document->NudgeSelected(3, 0);
    document->Undo();
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{b, a}));
    const int32_t aLeft = a->Left;
    document->SelectAll({d});
    document->Redo();
    EXPECT_EQ(Selection(), (std::vector<TBaseInfo*>{b, a}));
    EXPECT_EQ(a->Left, aLeft + 3) << "the nudge moved every selected record";

    // A new map selects nothing.
    document->NewMap();
    EXPECT_TRUE(Selection().empty());
}

} // namespace

namespace {

std::vector<uint8_t> MapBytes(const tv::TMapDocument& document) {
    tv::TMemoryStream stream;
    document.Map().WriteToStream(stream, nullptr);
    return stream.Bytes();
}

// Duplicate copies the whole selection 16 units right and down in one step, selects the
// copies with the primary's copy first, and its undo gives the map's bytes back.
TEST_F(SelectionTest, DuplicateCopiesTheSelectionOffsetAndSelectsTheCopies) {
    document->SelectAll({records[2], records[0]});
    records[2]->Left = 2147483640; // far right: the copy stops at the end of the coordinates
    const std::vector<uint8_t> before = MapBytes(*document);
    const int steps = document->UndoStack().count();
    document->DuplicateSelected();
    EXPECT_EQ(document->UndoStack().count(), steps + 1);
    EXPECT_EQ(document->Map().Objects.Count(), 6);
    ASSERT_EQ(Selection().size(), 2u);
    const TBaseInfo* first = Selection()[0];
    const TBaseInfo* second = Selection()[1];
    EXPECT_TRUE(first != records[2] && second != records[0]);
    EXPECT_EQ(first->Left, 2147483647);
    EXPECT_EQ(first->Top, records[2]->Top + 16);
    EXPECT_EQ(second->Left, records[0]->Left + 16);
    EXPECT_EQ(second->Top, records[0]->Top + 16);
    EXPECT_EQ(document->UndoStack().undoText().toStdString(), "Duplicate 2 Objects");

    document->Undo();
    EXPECT_EQ(MapBytes(*document), before);
    EXPECT_TRUE(Selection().empty()) << "the copies left the map and the selection";
    document->Redo();
    EXPECT_EQ(document->Map().Objects.Count(), 6);
    EXPECT_EQ(Selection().size(), 2u);
}

} // namespace
