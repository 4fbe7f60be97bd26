// Edits of the whole selection: a drag, Delete and Undelete, Cut and Paste through the
// clipboard's form, and a typed property. Each is one undo step whose undo gives the map's bytes
// back, with the view objects in their order and the selection left on records of the map.
// Groups hidden or locked in the session are neither drawn nor written.
#include "TestSupport.h"
#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"

#include <QMimeData>
#include <gtest/gtest.h>

namespace {

using tv::TBaseInfo;
using tv::TMapDocument;

std::vector<uint8_t> MapBytes(const TMapDocument& document) {
    tv::TMemoryStream stream;
    document.Map().WriteToStream(stream, nullptr);
    return stream.Bytes();
}

class GroupEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = std::make_unique<TMapDocument>(
            nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
        document->NewMap();
        document->Map().MaxWorldX = 5000;
        // Two layers of decorations (equal Z within each, so the view order is the
        // designer's), an enemy and a background, all on the first screen.
        for (int i = 0; i < 6; ++i)
            decors.push_back(Place<tv::TDecorInfo>("Rock " + std::to_string(i), 40 + 60 * i,
                                                   100 + 10 * i, i % 2 ? 5 : 2));
        enemy = Place<tv::TEnemyInfo>("Slime", 300, 300, 5);
        sky = Place<tv::TBackGroundInfo>("Sky", 0, 0, 0);
    }

    template <class T>
    TBaseInfo* Place(const std::string& name, int32_t left, int32_t top, int32_t z) {
        T type;
        type.Name = name;
        type.Width = 30 + left % 7;
        type.Height = 20;
        type.Z = z;
        return document->PlaceObject(type, left, top);
    }

    // The records of the live view objects in drawing order, and where each is drawn.
    std::vector<std::tuple<const TBaseInfo*, int32_t, int32_t>> Views() const {
        std::vector<std::tuple<const TBaseInfo*, int32_t, int32_t>> views;
        for (const auto& view : document->Scene().Views)
            if (!view->Dead)
                views.emplace_back(view->Info, view->Bounds.X, view->Bounds.Y);
        return views;
    }

    void ExpectSelectionInMap() const {
        for (const TBaseInfo* record : document->Selection())
            EXPECT_GE(document->Map().Objects.IndexOf(record), 0) << "a selected record left";
    }

    int Steps() const { return document->UndoStack().count(); }
    std::string UndoText() const { return document->UndoStack().undoText().toStdString(); }

    std::unique_ptr<TMapDocument> document;
    std::vector<TBaseInfo*> decors;
    TBaseInfo* enemy = nullptr;
    TBaseInfo* sky = nullptr;
};

TEST_F(GroupEditTest, ADragMovesTheSelectionButLockedGroupsByThePrimarysAmountInOneStep) {
    const std::vector<uint8_t> before = MapBytes(*document);
    const auto viewsBefore = Views();
    // The enemy's group is locked, yet the selection may hold it (chosen in the Modify list).
    document->SetGroupLocked("Enemies", true);
    document->SelectAll({decors[3], decors[0], decors[5]});
    document->AddToSelection({enemy});
    std::vector<std::pair<int32_t, int32_t>> start;
    for (const TBaseInfo* record : document->Selection())
        start.emplace_back(record->Left, record->Top);

    // The primary's corner goes to the point, as for a single record.
    document->BeginDrag(500, 150);
    document->DragTo(100, 590);
    document->DragTo(530, 140);
    document->EndDrag();
    ASSERT_EQ(Steps(), 9); // eight placements and the drag
    EXPECT_EQ(UndoText(), "Move 3 Objects");
    const int32_t dx = 530 - start[0].first;
    const int32_t dy = 140 - start[0].second;
    for (size_t i = 0; i < 3; ++i) {
        const TBaseInfo* record = document->Selection()[i];
        EXPECT_EQ(record->Left, start[i].first + dx);
        EXPECT_EQ(record->Top, start[i].second + dy);
    }
    EXPECT_EQ(enemy->Left, start[3].first) << "a locked group is never moved";
    for (const auto& [record, x, y] : Views())
        EXPECT_TRUE(x == record->Left && y == record->Top) << "views follow their records";

    document->Undo();
    EXPECT_EQ(MapBytes(*document), before);
    EXPECT_EQ(Views(), viewsBefore) << "each view object in its place within its layer";
    document->Redo();
    EXPECT_EQ(decors[0]->Left, start[1].first + dx);
    EXPECT_EQ(Views().size(), viewsBefore.size());
    ExpectSelectionInMap();

    // A locked primary stays, and the others still follow the point.
    document->SelectAll({enemy, decors[1]});
    const int32_t left = decors[1]->Left;
    document->BeginDrag(enemy->Left + 7, enemy->Top);
    document->EndDrag();
    EXPECT_EQ(enemy->Left, start[3].first);
    EXPECT_EQ(decors[1]->Left, left + 7);
    EXPECT_EQ(UndoText(), "Move Rock 1");

    // An edit while the drag goes on ends it first: two steps, undone one by one.
    const std::vector<uint8_t> beforeBoth = MapBytes(*document);
    document->Select(decors[2]);
    document->BeginDrag(900, 10);
    document->SetObjectProperty(tv::kPropWidth, "5");
    EXPECT_FALSE(document->Dragging());
    document->Undo();
    EXPECT_EQ(decors[2]->Left, 900);
    document->Undo();
    EXPECT_EQ(MapBytes(*document), beforeBoth);
}

TEST_F(GroupEditTest, DeleteCutUndeleteAndPasteActOnTheWholeSelectionEachInOneStep) {
    const std::vector<uint8_t> before = MapBytes(*document);
    document->SelectAll({decors[4], enemy, decors[1]});
    document->DeleteSelected();
    EXPECT_EQ(document->Map().Objects.Count(), 5);
    EXPECT_TRUE(document->Selection().empty());
    EXPECT_EQ(UndoText(), "Delete 3 Objects");
    ASSERT_EQ(document->DeletedGroup().size(), 3u);
    EXPECT_EQ(document->Deleted()->Name, "Rock 4") << "the primary one first";
    EXPECT_EQ(document->DeletedGroup()[1]->Name, "Slime");
    const std::vector<uint8_t> deleted = MapBytes(*document);

    document->Undo();
    EXPECT_EQ(MapBytes(*document), before);
    EXPECT_EQ(document->Selection(), (std::vector<TBaseInfo*>{decors[4], enemy, decors[1]}));
    EXPECT_EQ(Views().size(), 8u);
    document->Redo();
    EXPECT_EQ(MapBytes(*document), deleted);

    // Undelete puts the whole group back in one step; its undo leaves the group for the next.
    document->Undelete();
    EXPECT_EQ(document->Map().Objects.Count(), 8);
    EXPECT_EQ(UndoText(), "Undelete 3 Objects");
    EXPECT_TRUE(document->DeletedGroup().empty());
    document->Undo();
    EXPECT_EQ(MapBytes(*document), deleted);
    EXPECT_EQ(document->DeletedGroup().size(), 3u);
    document->Undo();
    ASSERT_EQ(MapBytes(*document), before);

    // Cut and Paste through the clipboard's form: a list, pasted as all of its objects.
    document->SelectAll({decors[2], sky});
    const std::unique_ptr<QMimeData> clip = document->SelectionMimeData();
    ASSERT_TRUE(clip);
    document->CutSelected();
    EXPECT_EQ(UndoText(), "Cut 2 Objects");
    const std::vector<uint8_t> cut = MapBytes(*document);
    std::vector<std::unique_ptr<TBaseInfo>> records = tv::ObjectsFromMimeData(*clip);
    ASSERT_EQ(records.size(), 2u);
    const int32_t skyLeft = records[1]->Left - records[0]->Left;
    document->Paste(std::move(records), 1000, 30);
    ASSERT_EQ(document->Selection().size(), 2u);
    EXPECT_EQ(document->Selected()->Name, "Rock 2");
    EXPECT_EQ(document->Selection()[1]->Left, 1000 + skyLeft) << "as they lay to each other";
    document->Undo();
    EXPECT_EQ(MapBytes(*document), cut);
    document->Undo();
    EXPECT_EQ(MapBytes(*document), before);
    ExpectSelectionInMap();
    document->ClearSelection();
    EXPECT_EQ(document->SelectionMimeData(), nullptr);
}

TEST_F(GroupEditTest, APropertyGoesToEverySelectedRecordInOneStepOrToNone) {
    tvtest::MessageBoxRecorder notices;
    document->SelectAll({decors[1], decors[3], enemy});
    // The rows they share; values that differ show empty.
    const std::vector<tv::TPropertyRow> rows = document->SelectionRows();
    ASSERT_EQ(rows.size(), tv::ObjectRows(*enemy).size());
    const auto value = [&](const char* key) {
        for (const tv::TPropertyRow& row : rows)
            if (row.Key == key)
                return row.Value;
        return std::string("no such row");
    };
    EXPECT_EQ(value(tv::kPropClass), "") << "decorations and an enemy";
    EXPECT_EQ(value(tv::kPropZ), "5");
    EXPECT_EQ(value(tv::kPropLeft), "");
    EXPECT_EQ(value(tv::kPropHeight), "20");
    document->Select(decors[1]);
    EXPECT_EQ(document->SelectionRows()[0].Value, "Rock 1") << "one record: its own rows";
    document->SelectAll({decors[1], decors[3], enemy});

    const std::vector<uint8_t> before = MapBytes(*document);
    const int steps = Steps();
    EXPECT_THROW(document->SetObjectProperty(tv::kPropWidth, "wide"), tv::EError);
    document->SetObjectProperty(tv::kPropName, std::string(2 * 1024 * 1024, 'x'));
    EXPECT_EQ(notices.messages().size(), 1u);
    EXPECT_EQ(Steps(), steps) << "refused for all of them";
    EXPECT_EQ(MapBytes(*document), before);

    document->SetObjectProperty(tv::kPropWidth, "77");
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(UndoText(), "Set Width of 3 Objects");
    for (const TBaseInfo* record : document->Selection())
        EXPECT_EQ(record->Width, 77);
    EXPECT_EQ(decors[0]->Width, 30 + 40 % 7) << "a record not selected keeps its value";
    const std::vector<uint8_t> wide = MapBytes(*document);
    document->SetObjectRgb(0x123456);
    EXPECT_EQ(enemy->Color & 0x00FFFFFFu, 0x123456u);
    document->Undo();
    EXPECT_EQ(MapBytes(*document), wide);
    document->Undo();
    EXPECT_EQ(MapBytes(*document), before);
    EXPECT_EQ(document->Selection().size(), 3u);
}

TEST_F(GroupEditTest, EverySelectedRecordInViewHasAFrameAndAChangeOfThemIsRedrawn) {
    tv::TMapScene& scene = document->Scene();
    scene.CreateSelFrame();
    const auto frame = [](const TBaseInfo& record) {
        return tv::TRect{record.Left, record.Top, record.Left + record.Width,
                         record.Top + record.Height};
    };
    decors[5]->Left = 3000; // out of view
    document->SelectAll({decors[2], decors[5], enemy});
    const tv::TSceneShot shot = scene.Shot(document->Selection());
    EXPECT_EQ(shot.Selection, frame(*decors[2]));
    EXPECT_EQ(shot.Others, std::vector<tv::TRect>{frame(*enemy)});
    EXPECT_EQ(scene.Shot(decors[2]).Others.size(), 0u) << "the primary alone";

    // Another secondary record: the picture changes where both frames are.
    document->SelectAll({decors[2], decors[0]});
    const std::optional<tv::TRect> damage = tv::Damage(shot, scene.Shot(document->Selection()));
    ASSERT_TRUE(damage);
    EXPECT_EQ(damage->Left, decors[0]->Left);
    EXPECT_EQ(damage->Right, enemy->Left + enemy->Width);
}

TEST_F(GroupEditTest, HiddenGroupsAreNotDrawnAndNoGroupStateIsWrittenOrKept) {
    tvtest::TempDir plain;
    tvtest::TempDir grouped;
    const auto shown = [&] {
        std::vector<const TBaseInfo*> records;
        for (const tv::TViewShot& view : document->Scene().Shot(nullptr).Views)
            records.push_back(view.View->Info);
        return records;
    };
    ASSERT_EQ(shown().size(), 8u);
    document->SaveMap(plain.file("map.tvm"));

    document->SetGroupHidden("enemies", true);
    document->SetGroupLocked("Decors", true);
    EXPECT_EQ(shown().size(), 7u);
    for (const TBaseInfo* record : shown())
        EXPECT_NE(record, enemy);
    const tv::TRect screen{0, 0, 800, 600};
    EXPECT_EQ(document->PickableIn(screen, {}), std::vector<TBaseInfo*>{sky})
        << "a rubber band takes neither locked nor hidden groups";
    EXPECT_EQ(document->ObjectsIn(screen, {}).size(), 8u);
    // A scene of the same records drawn for a file knows nothing of the editor's groups.
    tv::TMapScene render(nullptr, nullptr);
    render.CreateViews({document->Map().Objects.begin(), document->Map().Objects.end()});
    EXPECT_EQ(render.Shot(nullptr).Views.size(), 8u);

    document->SaveMap(grouped.file("map.tvm"));
    EXPECT_EQ(grouped.read("map.tvm"), plain.read("map.tvm"));
    ASSERT_TRUE(document->LoadMap(grouped.file("map.tvm")));
    document->RebuildViews();
    EXPECT_FALSE(document->Groups().Hidden("Enemies"));
    EXPECT_FALSE(document->Groups().Locked("Decors"));
    EXPECT_EQ(shown().size(), 8u);
}

} // namespace
