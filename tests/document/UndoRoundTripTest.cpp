// The map document driven by hundreds of random edits of every kind on the demo map: undoing
// them all gives back the map byte for byte (every stored field of every record, in its place)
// with a view object for each record, and redoing them all gives the edited map again.
#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
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
    if (const TBaseInfo* deleted = document.Deleted()) {
        tv::TMemoryStream stream;
        deleted->WriteToStream(stream);
        shot.Deleted = stream.Bytes();
    }
    return shot;
}

class UndoRoundTripTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        tv::SetBaseFolder(TV_GAME_DIR "/");
        catalogue.LoadCatalogue();
        // No device: view objects are made without textures, as in a host without graphics.
        document = std::make_unique<TMapDocument>(
            &catalogue, std::make_unique<tv::TMapScene>(nullptr, nullptr));
        document->NewMap();
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
    std::vector<int> kinds(15, 0);
    for (int step = 0; step < 300; ++step) {
        const int kind = Below(15);
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

} // namespace
