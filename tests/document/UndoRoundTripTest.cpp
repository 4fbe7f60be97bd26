// The map document driven by hundreds of random edits of every kind on the demo map: undoing
// them all (whole rubber-band selections dragged, deleted and given a property among them) gives
// back the map byte for byte (every stored field of every record, in its place)
// with a view object for each record, and redoing them all gives the edited map again.
#include "TestSupport.h"
#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
#include "document/RecordJson.h"
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <tuple>

namespace {

using tv::TBaseInfo;
using tv::TMapDocument;

// Everything the document holds that an undo must put back.
struct TSnapshot {
    std::vector<uint8_t> Full;      // every field of every record, in map order
    std::vector<uint8_t> Reference; // the file as saved with the catalogue
    std::vector<std::tuple<int, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t>> Views;
    std::vector<uint8_t> Deleted;

    bool operator==(const TSnapshot&) const = default;
};

std::vector<uint8_t> Bytes(const tv::TMap& map, const tv::TObjMgr* catalogue) {
    tv::TMemoryStream stream;
    map.WriteToStream(stream, catalogue);
    return stream.Bytes();
}

TSnapshot Take(const TMapDocument& document) {
    TSnapshot shot;
    shot.Full = Bytes(document.Map(), nullptr);
    shot.Reference = Bytes(document.Map(), document.Catalogue());
    const tv::TBaseInfoList& objects = document.Map().Objects;
    int32_t previousZ = INT32_MIN;
    for (const auto& view : document.Scene().Views) {
        if (view->Dead)
            continue;
        EXPECT_LE(previousZ, view->Z) << "view objects stay in layer order";
        previousZ = view->Z;
        shot.Views.emplace_back(objects.IndexOf(view->Info), view->Z, view->Bounds.X,
                                view->Bounds.Y, view->Bounds.Width, view->Bounds.Height,
                                view->Color);
    }
    std::sort(shot.Views.begin(), shot.Views.end());
    tv::TMemoryStream deleted;
    for (const auto& record : document.DeletedGroup())
        record->WriteToStream(deleted);
    shot.Deleted = deleted.Bytes();
    return shot;
}

// A new map on a document with the demo game's catalogue. No device: view objects are made
// without textures, as in a host without graphics.
std::unique_ptr<TMapDocument> NewDemoDocument(tv::TObjMgr& catalogue) {
    tv::SetBaseFolder(TV_GAME_DIR "/");
    catalogue.LoadCatalogue();
    auto document = std::make_unique<TMapDocument>(
        &catalogue, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document->NewMap();
    return document;
}

class UndoRoundTripTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        document = NewDemoDocument(catalogue);
        ASSERT_TRUE(document->LoadMap(TV_GAME_DIR "/Data/Maps/green_hills.tvm"));
        document->RebuildViews();
        ASSERT_GT(document->Map().Objects.Count(), 20);
        random.seed(GetParam());
    }

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    int32_t Between(int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    }

    TBaseInfo* AnyRecord() {
        const tv::TBaseInfoList& objects = document->Map().Objects;
        return objects.Count() ? objects[Below(objects.Count())] : nullptr;
    }
    const TBaseInfo& AnyType() { return *catalogue.List[Below(catalogue.List.Count())]; }
    // Sometimes a few more records join the selection behind the primary one.
    void SelectAny() {
        document->Select(AnyRecord());
        for (int more = Below(3) == 0 ? Below(4) : 0; more > 0; --more)
            document->ToggleSelected(AnyRecord());
        if (!document->Selected())
            document->Select(AnyRecord());
    }

    // Undo, redo and deleting keep the selection to records of the map, each once.
    void ExpectSelectionInMap() {
        const std::vector<TBaseInfo*>& selection = document->Selection();
        std::set<const TBaseInfo*> seen;
        for (const TBaseInfo* record : selection) {
            ASSERT_GE(document->Map().Objects.IndexOf(record), 0) << "a selected record left";
            ASSERT_TRUE(seen.insert(record).second) << "a record selected twice";
        }
        ASSERT_EQ(document->Selected(), selection.empty() ? nullptr : selection.front());
    }

    // A rubber band: every record of a group (or of all) overlapping a rectangle; some kinds
    // of edit then work on them all.
    void SelectRubberBand() {
        static const char* const groups[] = {"", "Decors", "Enemies", "BackGrounds"};
        const int32_t left = Between(0, 5000);
        const int32_t top = Between(0, 500);
        const tv::TRect rect{left, top, left + Between(1, 2000), top + Between(1, 400)};
        document->SelectAll(document->ObjectsIn(rect, groups[Below(4)]));
    }

    std::string PropertyValue(const std::string& key) {
        if (key == tv::kPropName)
            return Below(2) ? AnyType().Name.str() : "Renamed " + std::to_string(Below(100));
        if (key == tv::kPropColor)
            return tv::Format("%X", static_cast<uint32_t>(random()));
        if (key == tv::kPropSpeed)
            return std::to_string(Below(50)) + ".5";
        if (key == tv::kPropBlend)
            return Below(2) ? "bl_add" : "BL_NORMAL";
        if (Below(10) == 0)
            return Below(2) ? "" : "not a number";
        return std::to_string(Between(-100, 6000));
    }

    // One random edit; returns false when it was refused (a value that cannot be read).
    void RandomEdit(int kind) {
        tv::TPlacement placement{Between(0, 4000), Between(0, 500), Between(0, 5000),
                                 Between(0, 600),  Below(2) == 0,   Below(2) == 0};
        switch (kind) {
        case 0:
            document->PlaceObject(AnyType(), Between(0, 5000), Between(0, 600));
            break;
        case 1:
            document->AddCopies(AnyType(), Between(1, 12), placement);
            break;
        case 2: {
            SelectAny();
            const std::vector<tv::TPropertyRow> rows = tv::ObjectRows(*document->Selected());
            const std::string key = rows[static_cast<size_t>(Below(int(rows.size())))].Key;
            try {
                document->SetObjectProperty(key, PropertyValue(key));
            } catch (const tv::EError&) {
                // A value that cannot be read changes nothing.
            }
            break;
        }
        case 3:
            SelectAny();
            document->SetObjectTexture(AnyType().Texture.str());
            break;
        case 4:
            SelectAny();
            document->SetObjectColor(static_cast<uint32_t>(random()));
            break;
        case 5: {
            SelectAny();
            document->BeginDrag(Between(0, 5000), Between(0, 600));
            for (int i = Below(4); i > 0; --i)
                document->DragTo(Between(-50, 5000), Between(-50, 650));
            document->EndDrag();
            break;
        }
        case 6:
            SelectAny();
            for (int i = Between(1, 5); i > 0; --i)
                document->NudgeSelected(Between(-10, 10), Between(-10, 10));
            break;
        case 7: {
            const char* keys[] = {tv::kVarName, tv::kVarMaxWorldX, tv::kVarGround, tv::kVarSky};
            const char* key = keys[Below(4)];
            document->SetMapVar(key, key == tv::kVarName ? "Map " + std::to_string(Below(9))
                                                         : std::to_string(Between(0, 60000)));
            break;
        }
        case 8:
            document->SetThemeMusic("theme" + std::to_string(Below(5)) + ".mid");
            break;
        case 9:
            SelectAny();
            document->DeleteSelected();
            break;
        case 10:
            document->Undelete();
            break;
        case 11:
            SelectAny();
            document->CutSelected();
            break;
        case 12: {
            std::vector<const TBaseInfo*> copied;
            for (int i = Between(1, 3); i > 0; --i)
                if (const TBaseInfo* record = AnyRecord())
                    copied.push_back(record);
            document->Paste(tv::ObjectsFromJson(QByteArray::fromStdString(tv::ObjectsJson(copied))),
                            Between(0, 5000), Between(0, 600));
            break;
        }
        case 13:
            document->InsertSpace(Between(0, 6000), Between(1, 900));
            break;
        case 14:
            document->RemoveSpace(Between(0, 6000), Between(1, 300));
            break;
        case 15:
            document->DuplicateSelected();
            break;
        case 16: {
            SelectRubberBand();
            document->BeginDrag(Between(0, 5000), Between(0, 600));
            for (int i = Below(4); i > 0; --i)
                document->DragTo(Between(-50, 5000), Between(-50, 650));
            document->EndDrag();
            break;
        }
        case 17:
            SelectRubberBand();
            document->DeleteSelected();
            if (Below(2))
                document->Undelete();
            break;
        case 18: {
            SelectRubberBand();
            const std::vector<tv::TPropertyRow> rows = document->SelectionRows();
            if (rows.empty() || Below(4) == 0) {
                document->SetObjectRgb(static_cast<uint32_t>(random()));
                break;
            }
            const std::string key = rows[static_cast<size_t>(Below(int(rows.size())))].Key;
            try {
                document->SetObjectProperty(key, PropertyValue(key));
            } catch (const tv::EError&) {
                // A value that cannot be read changes none of them.
            }
            break;
        }
        case 19: {
            // Not an edit, but it decides what drags and nudges may move.
            static const char* const groups[] = {"Decors", "Enemies", "BackGrounds", "Misc"};
            document->SetGroupLocked(groups[Below(4)], Below(2) == 0);
            break;
        }
        case 20:
            document->Undo();
            break;
        default:
            document->Redo();
            break;
        }
    }

    tv::TObjMgr catalogue;
    std::unique_ptr<TMapDocument> document;
    std::mt19937 random;
};

TEST_P(UndoRoundTripTest, UndoingEveryEditRestoresTheMapAndRedoingRestoresTheEdits) {
    const TSnapshot before = Take(*document);
    std::vector<int> kinds(22, 0);
    for (int step = 0; step < 400; ++step) {
        const int kind = Below(22);
        ++kinds[static_cast<size_t>(kind)];
        RandomEdit(kind);
        ExpectSelectionInMap();
    }
    for (int count : kinds)
        ASSERT_GT(count, 0) << "every kind of edit is tried";
    const TSnapshot after = Take(*document);
    ASSERT_NE(before, after);

    // Edits undone at the end wait on the stack; the edited map is the one at its index.
    QUndoStack& stack = document->UndoStack();
    const int edited = stack.index();
    ASSERT_GT(edited, 50);
    while (stack.canUndo())
        document->Undo();
    ExpectSelectionInMap();
    EXPECT_TRUE(Take(*document) == before);
    EXPECT_FALSE(document->Modified());

    while (stack.index() < edited)
        document->Redo();
    EXPECT_TRUE(Take(*document) == after);
    EXPECT_TRUE(document->Modified());
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoRoundTripTest, ::testing::Values(1u, 2u, 3u));

std::vector<uint8_t> RecordBytes(const TBaseInfo& record) {
    tv::TMemoryStream stream;
    record.WriteToStream(stream);
    return stream.Bytes();
}

std::unique_ptr<TBaseInfo> Rock(int32_t left, int32_t z) {
    auto record = std::make_unique<tv::TDecorInfo>();
    record->Name = "Rock";
    record->Left = left;
    record->Z = z;
    return record;
}

// Pastes and typed values on a new map with the demo catalogue.
class DocumentEditTest : public ::testing::Test {
protected:
    void SetUp() override { document = NewDemoDocument(catalogue); }
    void Paste(const std::string& json, int32_t left, int32_t top) {
        document->Paste(tv::ObjectsFromJson(QByteArray::fromStdString(json), &catalogue), left,
                        top);
    }
    // The records in map order; the records of the live view objects in their order.
    std::vector<const TBaseInfo*> Records() const {
        const tv::TBaseInfoList& objects = document->Map().Objects;
        return {objects.begin(), objects.end()};
    }
    std::vector<const TBaseInfo*> Shown() const {
        std::vector<const TBaseInfo*> shown;
        for (const auto& view : document->Scene().Views)
            if (!view->Dead)
                shown.push_back(view->Info);
        return shown;
    }

    tv::TObjMgr catalogue;
    std::unique_ptr<TMapDocument> document;
};

TEST_F(DocumentEditTest, APastedCatalogueTypeTakesThePrototypesFieldsAsLoadingWould) {
    tvtest::TempDir dir;
    ASSERT_GT(catalogue.List.Count(), 0);
    for (int i = 0; i < catalogue.List.Count(); ++i) {
        const TBaseInfo& prototype = *catalogue.List[i];
        SCOPED_TRACE(prototype.Name.str());
        document->NewMap();
        Paste(tv::Format(R"({"class": "%s", "Name": %s, "Left": 5})", prototype.ClassName(),
                         tv::JsonString(prototype.Name).c_str()),
              100, 200);
        ASSERT_EQ(document->Map().Objects.Count(), 1);
        std::unique_ptr<TBaseInfo> expected = tv::CloneInfo(prototype);
        expected->Left = 100;
        expected->Top = 200;
        EXPECT_EQ(RecordBytes(*document->Map().Objects[0]), RecordBytes(*expected));

        // What is pasted is what the saved map gives back.
        document->SaveMap(dir.file("pasted.tvm"));
        ASSERT_TRUE(document->LoadMap(dir.file("pasted.tvm")));
        EXPECT_EQ(RecordBytes(*document->Map().Objects[0]), RecordBytes(*expected));
    }
    // A name no prototype has still starts from the class defaults.
    document->NewMap();
    Paste(R"({"class": "TDecorInfo", "Name": "Nobody's", "Width": 3})", 0, 0);
    auto defaults = std::make_unique<tv::TDecorInfo>();
    defaults->Name = "Nobody's";
    defaults->Width = 3;
    EXPECT_EQ(RecordBytes(*document->Map().Objects[0]), RecordBytes(*defaults));
}

TEST_F(DocumentEditTest, TextsNoMapFileCanKeepAreRefusedWithANoticeAndNoUndoStep) {
    tvtest::MessageBoxRecorder notices;
    const std::string huge(2 * 1024 * 1024, 'x');
    const std::string limit = " is a text of 2097152 bytes, over the limit of 1048576 bytes";
    Paste(R"({"class": "TDecorInfo", "Name": "Small"})", 10, 10);
    TBaseInfo* record = document->Map().Objects[0];
    document->Select(record);
    const std::vector<uint8_t> before = RecordBytes(*record);
    const int steps = document->UndoStack().count();

    document->SetObjectProperty(tv::kPropName, huge);
    document->SetMapVar(tv::kVarName, huge);
    document->SetThemeMusic(huge);
    Paste(R"([{"class": "TDecorInfo", "Name": "Fine"}, {"class": "TEnemyInfo", "Name": "E",
              "DieSound": ")" +
              huge + "\"}]",
          0, 0);
    EXPECT_EQ(
        notices.messages(),
        (std::vector<std::string>{
            "Name of \"Small\"" + limit + ": a map file cannot keep it. The value was not taken.",
            "MapName of the map" + limit + ": a map file cannot keep it. The value was not taken.",
            "ThemeMusic of the map" + limit +
                ": a map file cannot keep it. The value was not taken.",
            "DieSound of object 1 (\"E\")" + limit +
                ": a map file cannot keep it. Nothing was pasted."}));
    EXPECT_EQ(document->UndoStack().count(), steps);
    EXPECT_EQ(RecordBytes(*record), before);
    EXPECT_EQ(document->Map().MapName, tv::TMap().MapName);
    EXPECT_EQ(Records(), std::vector<const TBaseInfo*>{record});
}

TEST_F(DocumentEditTest, PasteGoesInInOnePassAsInsertsOneByOneWouldWithinItsBound) {
    tvtest::MessageBoxRecorder notices;
    // The same records pasted at once and placed one after another, into the same map.
    TMapDocument oneByOne(&catalogue, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    oneByOne.NewMap();
    std::mt19937 random(11);
    for (int i = 0; i < 200; ++i) {
        const int32_t z = static_cast<int32_t>(random() % 7);
        document->Map().AddObjectSorted(Rock(i, z));
        oneByOne.Map().AddObjectSorted(Rock(i, z));
    }
    document->RebuildViews();
    oneByOne.RebuildViews();
    std::vector<std::unique_ptr<TBaseInfo>> pasted;
    for (int i = 200; i < 700; ++i) {
        pasted.push_back(Rock(i, static_cast<int32_t>(random() % 9) - 1));
        oneByOne.PlaceObject(*pasted.back(), i, 0);
    }
    document->Paste(std::move(pasted), 200, 0);
    const auto lefts = [](const std::vector<const TBaseInfo*>& records) {
        std::vector<int32_t> out;
        for (const TBaseInfo* record : records)
            out.push_back(record->Left);
        return out;
    };
    const tv::TBaseInfoList& placed = oneByOne.Map().Objects;
    const std::vector<int32_t> order = lefts({placed.begin(), placed.end()});
    std::vector<const TBaseInfo*> placedViews;
    for (const auto& view : oneByOne.Scene().Views)
        if (!view->Dead)
            placedViews.push_back(view->Info);
    const std::vector<int32_t> viewOrder = lefts(placedViews);
    EXPECT_EQ(lefts(Records()), order);
    EXPECT_EQ(lefts(Shown()), viewOrder);
    EXPECT_EQ(document->Selected()->Left, 200) << "the first pasted is selected";
    document->Undo();
    EXPECT_EQ(document->Map().Objects.Count(), 200);
    document->Redo();
    EXPECT_EQ(lefts(Records()), order);
    EXPECT_EQ(lefts(Shown()), viewOrder);

    // Far moves stop at the ends of the coordinates instead of wrapping (and, under
    // UndefinedBehaviorSanitizer, instead of overflowing).
    document->NewMap();
    std::vector<std::unique_ptr<TBaseInfo>> far;
    far.push_back(Rock(INT32_MAX, 0));
    far.back()->Width = INT32_MAX;
    far.back()->Top = INT32_MIN;
    far.push_back(Rock(0, 0));
    far.back()->Top = INT32_MAX;
    const int32_t left = 400 - INT32_MAX / 2; // the middle of the view, as the editor asks
    document->Paste(std::move(far), left, 300);
    ASSERT_EQ(document->Map().Objects.Count(), 2);
    EXPECT_EQ(document->Selected()->Left, left);
    EXPECT_EQ(document->Selected()->Top, 300);
    const TBaseInfo* second = document->Map().Objects[0] == document->Selected()
                                  ? document->Map().Objects[1]
                                  : document->Map().Objects[0];
    EXPECT_EQ(second->Left, INT32_MIN);
    EXPECT_EQ(second->Top, INT32_MAX);

    // At most as many as "Add" places at once; more are refused and nothing changes.
    document->NewMap();
    for (const int count : {tv::kMaxAddCount + 1, tv::kMaxAddCount}) {
        std::vector<std::unique_ptr<TBaseInfo>> many;
        for (int i = 0; i < count; ++i)
            many.push_back(Rock(i, i % 3));
        document->Paste(std::move(many), 0, 0);
    }
    EXPECT_EQ(notices.messages(),
              std::vector<std::string>{"10001 objects cannot be pasted: at most 10000 objects are "
                                       "pasted at once. Nothing was pasted."});
    EXPECT_EQ(document->Map().Objects.Count(), tv::kMaxAddCount);
    EXPECT_EQ(document->UndoStack().count(), 1);
}

} // namespace
