#include "document/MapDocument.h"

#include "document/MapCommands.h"
#include "document/ObjectClipboard.h"
#include "document/ReferenceForm.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QFileInfo>
#include <QMimeData>
#include <algorithm>
#include <filesystem>
#include <optional>

namespace tv {

namespace {

std::string AbsolutePath(const std::string& nativePath) {
    return QFileInfo(QString::fromStdString(nativePath)).absoluteFilePath().toStdString();
}

// Two paths name the same file (links and different spellings included).
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error) && !error;
}

std::string Named(const char* verb, const TBaseInfo& record) {
    return std::string(verb) + " " + record.Name.str();
}

std::string CountedText(const std::string& verb, size_t count, const TBaseInfo& first) {
    if (count == 1)
        return Named(verb.c_str(), first);
    return Format("%s %zu Objects", verb.c_str(), count);
}

// One of several stages of a task, reported as that share of the whole.
class TProgressStage : public IProgress {
public:
    TProgressStage(IProgress* whole, uint64_t stage, uint64_t stages)
        : whole_(whole), stage_(stage), stages_(stages) {}
    bool Report(uint64_t done, uint64_t total) override {
        constexpr uint64_t kSteps = 1000;
        const uint64_t part = total ? std::min(done, total) * kSteps / total : kSteps;
        return !whole_ || whole_->Report(stage_ * kSteps + part, stages_ * kSteps);
    }

private:
    IProgress* whole_;
    uint64_t stage_;
    uint64_t stages_;
};

// Writes nothing anywhere: what a record's writer would refuse shows without a file.
class TDiscardStream : public TStream {
public:
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t count) override {
        size_ += count;
        return count;
    }
    uint64_t Size() const override { return size_; }
    uint64_t Position() const override { return size_; }
    void SetPosition(uint64_t) override {}

private:
    uint64_t size_ = 0;
};

// Raises ETextTooLong for a record with a text no map file can keep.
void CheckWritable(const TBaseInfo& record) {
    TDiscardStream stream;
    record.WriteToStream(stream);
}

// Why records cannot be pasted (too many at once, a text a map file cannot keep); empty when
// they can.
std::string PasteRefusal(const std::vector<std::unique_ptr<TBaseInfo>>& records) {
    if (records.size() > static_cast<size_t>(kMaxAddCount))
        return Format("%zu objects cannot be pasted: at most %d objects are pasted at once. "
                      "Nothing was pasted.",
                      records.size(), kMaxAddCount);
    for (size_t i = 0; i < records.size(); ++i) {
        try {
            CheckWritable(*records[i]);
        } catch (const ETextTooLong& e) {
            return e.WithObject(EntryLabel("object", static_cast<int>(i), records[i]->Name))
                       .Detail() +
                   ": a map file cannot keep it. Nothing was pasted.";
        }
    }
    return {};
}

// Moves pasted records so that the first one's top-left corner is at (left, top) and the
// others keep where they lay to it; far moves stop at the ends of the coordinates.
void MovePasted(std::vector<std::unique_ptr<TBaseInfo>>& records, int32_t left, int32_t top) {
    const int64_t dx = int64_t{left} - records.front()->Left;
    const int64_t dy = int64_t{top} - records.front()->Top;
    for (auto& record : records) {
        record->Left = SaturateToInt32(record->Left + dx);
        record->Top = SaturateToInt32(record->Top + dy);
    }
}

// The notice for a typed value with a text no map file can keep.
std::string TypedTextNotice(const ETextTooLong& e) {
    return e.Detail() + ": a map file cannot keep it. The value was not taken.";
}

std::vector<TBaseInfo*> WithAdded(std::vector<TBaseInfo*> records, TBaseInfo* record) {
    records.push_back(record);
    return records;
}

} // namespace

TMapDocument::TMapDocument(const TObjMgr* catalogue, std::unique_ptr<TMapScene> scene)
    : catalogue_(catalogue) {
    state_.Scene = std::move(scene);
    if (state_.Scene)
        state_.Scene->SetGroupStates(&groups_);
}

TMapDocument::~TMapDocument() {
    // Commands may hold records; they go before the map.
    undoStack_.clear();
}

void TMapDocument::AddListener(TListener listener) {
    listeners_.push_back(std::move(listener));
}

void TMapDocument::ClearListeners() {
    listeners_.clear();
}

void TMapDocument::Notify() {
    const unsigned changes = std::exchange(state_.Changes, 0u);
    if (changes & (DocChange::Map | DocChange::Objects | DocChange::Object))
        records_.Invalidate();
    std::exception_ptr failure = std::exchange(state_.Failure, nullptr);
    if (changes != 0)
        for (const TListener& listener : listeners_)
            listener(changes);
    if (failure)
        std::rethrow_exception(failure);
}

void TMapDocument::Push(std::unique_ptr<TDocumentCommand> command) {
    // A drag still going on becomes its own step first: the command was made for the records
    // as they are now, and the drag's places stay right under it.
    FinishDrag();
    loadedViews_ = false; // the views made while loading are no longer all there is
    // The command's redo keeps every failure to itself, so the stack takes it over in any case.
    undoStack_.push(command.release());
    Notify();
}

void TMapDocument::ForgetMap() {
    loadedViews_ = false;
    loadedFailures_.clear();
    undoStack_.clear();
    state_.Selection.clear();
    groups_.Clear();
    dragging_ = false;
    dragged_.clear();
    state_.Scene->MarkAllDead();
}

void TMapDocument::NewMap() {
    ForgetMap();
    state_.Map = std::make_unique<TMap>();
    sourcePath_.clear();
    undoStack_.setClean();
    state_.Touch(DocChange::Map);
    Notify();
}

bool TMapDocument::LoadMap(const std::string& path, IProgress* progress) {
    // The file is read into a map of its own and its view objects are made apart; both are
    // taken over only when everything was read, so a failure or a Cancel leaves the map and
    // everything that points into it as it was.
    TMap loaded;
    TProgressStage reading(progress, 0, 2);
    TProgressStage viewing(progress, 1, 2);
    TMapReadOptions options;
    options.Progress = &reading;
    if (!loaded.LoadFromFile(path, catalogue_, options)) {
        state_.Touch(DocChange::Map);
        Notify();
        return false;
    }
    // Pictures changed on disk since they were loaded show in the map opened.
    state_.Scene->ReloadChangedTextures();
    std::vector<const TBaseInfo*> failed;
    TViewList views = state_.Scene->MakeViews(
        std::vector<TBaseInfo*>(loaded.Objects.begin(), loaded.Objects.end()), failed, &viewing);
    ForgetMap();
    state_.Map->Swap(loaded);
    state_.Scene->MergeViews(std::move(views));
    sourcePath_ = AbsolutePath(NativePath(path));
    loadedViews_ = true;
    loadedFailures_ = std::move(failed);
    undoStack_.setClean();
    state_.Touch(DocChange::Map);
    Notify();
    return true;
}

bool TMapDocument::RestoreRecovery(const std::string& copyPath, const std::string& sourcePath) {
    const bool loaded = state_.Map->LoadFromFile(copyPath, nullptr);
    if (loaded) {
        ForgetMap();
        sourcePath_ = sourcePath;
        undoStack_.resetClean();
    }
    state_.Touch(DocChange::Map);
    Notify();
    return loaded;
}

void TMapDocument::SaveMap(const std::string& path) {
    state_.Map->SaveToFile(path, catalogue_);
    sourcePath_ = AbsolutePath(path);
    undoStack_.setClean();
    const std::string notice = ReferenceLossNotice(ReferenceLosses(*state_.Map, catalogue_));
    if (!notice.empty())
        ShowMessageBox(notice);
}

bool TMapDocument::WouldReplaceAnotherFile(const std::string& path) const {
    return FileExists(path) && !SameFile(path, sourcePath_);
}

void TMapDocument::RebuildViews() {
    records_.Invalidate();
    std::vector<const TBaseInfo*> failed;
    if (std::exchange(loadedViews_, false))
        failed = std::move(loadedFailures_);
    else
        failed = state_.Scene->RebuildViews(state_.Map->Objects);
    loadedFailures_.clear();
    if (!failed.empty())
        throw EError(TextureFailureText(failed));
}

// ---------------------------------------------------------------------------------------------
// The selection

bool TMapDocument::IsSelected(const TBaseInfo* record) const {
    const std::vector<TBaseInfo*>& selection = state_.Selection;
    return record && std::find(selection.begin(), selection.end(), record) != selection.end();
}

void TMapDocument::Select(TBaseInfo* record) {
    state_.Select(record);
    Notify();
}

void TMapDocument::SelectAll(const std::vector<TBaseInfo*>& records) {
    state_.SelectAll(records);
    Notify();
}

void TMapDocument::AddToSelection(const std::vector<TBaseInfo*>& records) {
    std::vector<TBaseInfo*> selection = state_.Selection;
    selection.insert(selection.end(), records.begin(), records.end());
    SelectAll(selection);
}

void TMapDocument::ToggleSelected(TBaseInfo* record) {
    if (!record)
        return;
    if (IsSelected(record))
        state_.Forget(record);
    else
        state_.SelectAll(WithAdded(state_.Selection, record));
    Notify();
}

void TMapDocument::ClearSelection() {
    Select(nullptr);
}

TBaseInfo* TMapDocument::ObjectAt(int64_t x, int64_t y, const TBaseInfo* below) const {
    const TBaseInfoList& objects = state_.Map->Objects;
    return tv::ObjectAt(objects, records_.Near(objects, x, x), groups_, x, y, below);
}

std::vector<TBaseInfo*> TMapDocument::ObjectsIn(const TRect& rect, std::string_view group) const {
    const TBaseInfoList& objects = state_.Map->Objects;
    // An inverted rectangle overlaps only records that hold its whole span, Left included.
    const int64_t last = rect.Left < rect.Right ? int64_t{rect.Right} - 1 : rect.Left;
    return tv::ObjectsIn(objects, records_.Near(objects, rect.Left, last), rect, group);
}

std::vector<TBaseInfo*> TMapDocument::PickableIn(const TRect& rect, std::string_view group) const {
    std::vector<TBaseInfo*> found = ObjectsIn(rect, group);
    std::erase_if(found, [this](const TBaseInfo* record) { return !groups_.Pickable(*record); });
    return found;
}

void TMapDocument::SetGroupLocked(std::string_view group, bool locked) {
    groups_.SetLocked(group, locked);
    DropUnpickableFromSelection();
    state_.Touch(DocChange::Groups);
    Notify();
}

void TMapDocument::SetGroupHidden(std::string_view group, bool hidden) {
    groups_.SetHidden(group, hidden);
    DropUnpickableFromSelection();
    state_.Touch(DocChange::Groups);
    Notify();
}

void TMapDocument::DropUnpickableFromSelection() {
    std::vector<TBaseInfo*> kept;
    for (TBaseInfo* record : state_.Selection)
        if (groups_.Pickable(*record))
            kept.push_back(record);
    state_.SelectAll(kept);
}

// ---------------------------------------------------------------------------------------------
// Adding

TBaseInfo* TMapDocument::PlaceObject(const TBaseInfo& type, int32_t left, int32_t top) {
    std::vector<std::unique_ptr<TBaseInfo>> records;
    records.push_back(CloneInfo(type));
    TBaseInfo* record = records.back().get();
    record->Left = left;
    record->Top = top;
    Push(std::make_unique<TInsertObjectsCommand>(state_, Named("Place", type), std::move(records),
                                                 TInsertObjectsCommand::TSelect::Keep));
    return record;
}

int TMapDocument::AddCopies(const TBaseInfo& type, int32_t count, const TPlacement& placement) {
    if (count > kMaxAddCount)
        throw EError(AddCountTooLargeText(count));
    TPlacedCopies placed = PlaceCopies(type, count, placement, state_.Map->Objects);
    if (placed.Copies.empty()) {
        // Nothing to add; the pages still show the map as it is.
        state_.Touch(DocChange::Objects);
        Notify();
        return placed.NotPlaced;
    }
    const size_t made = placed.Copies.size();
    Push(std::make_unique<TInsertObjectsCommand>(
        state_, made == 1 ? Named("Add", type) : Format("Add %zu %s", made, type.Name.c_str()),
        std::move(placed.Copies), TInsertObjectsCommand::TSelect::Keep));
    return placed.NotPlaced;
}

void TMapDocument::Undelete() {
    if (state_.Deleted.empty())
        return;
    std::vector<std::unique_ptr<TBaseInfo>> records;
    records.reserve(state_.Deleted.size());
    for (const auto& record : state_.Deleted)
        records.push_back(CloneInfo(*record));
    const std::string text = CountedText("Undelete", records.size(), *records.front());
    auto command = std::make_unique<TInsertObjectsCommand>(state_, text, std::move(records),
                                                           TInsertObjectsCommand::TSelect::Keep);
    command->TakesDeletedCopy();
    Push(std::move(command));
}

void TMapDocument::Paste(std::vector<std::unique_ptr<TBaseInfo>> records, int32_t left,
                         int32_t top) {
    if (records.empty())
        return;
    const std::string refusal = PasteRefusal(records);
    if (!refusal.empty()) {
        ShowMessageBox(refusal);
        return;
    }
    MovePasted(records, left, top);
    const std::string text = CountedText("Paste", records.size(), *records.front());
    Push(std::make_unique<TInsertObjectsCommand>(state_, text, std::move(records),
                                                 TInsertObjectsCommand::TSelect::All));
}

void TMapDocument::DuplicateSelected() {
    if (state_.Selection.empty())
        return;
    std::vector<std::unique_ptr<TBaseInfo>> copies;
    copies.reserve(state_.Selection.size());
    for (const TBaseInfo* record : state_.Selection) {
        copies.push_back(CloneInfo(*record));
        copies.back()->Left = SaturateToInt32(int64_t{record->Left} + kDuplicateOffset);
        copies.back()->Top = SaturateToInt32(int64_t{record->Top} + kDuplicateOffset);
    }
    const std::string refusal = PasteRefusal(copies);
    if (!refusal.empty()) {
        ShowMessageBox(refusal);
        return;
    }
    const std::string text = CountedText("Duplicate", copies.size(), *copies.front());
    Push(std::make_unique<TInsertObjectsCommand>(state_, text, std::move(copies),
                                                 TInsertObjectsCommand::TSelect::All));
}

// ---------------------------------------------------------------------------------------------
// Changing records

bool TMapDocument::ChangeSelected(const std::string& verb,
                                  const std::function<void(TBaseInfo&)>& change, int mergeId) {
    const std::vector<TBaseInfo*> records = state_.Selection;
    if (records.empty())
        return false;
    // The change is tried on copies of them all first, so a value that cannot be read for one
    // of them changes none.
    std::vector<TRecordState> before;
    std::vector<TRecordState> after;
    before.reserve(records.size());
    after.reserve(records.size());
    for (const TBaseInfo* record : records) {
        std::unique_ptr<TBaseInfo> changed = CloneInfo(*record);
        change(*changed);
        try {
            after.emplace_back(*changed);
        } catch (const ETextTooLong& e) {
            // A value no map file can keep is not taken; the pages show the stored one again.
            state_.Touch(DocChange::Object);
            Notify();
            ShowMessageBox(TypedTextNotice(e.WithObject("\"" + MessageName(record->Name) + "\"")));
            return false;
        }
        before.emplace_back(*record);
    }
    std::vector<TBaseInfo*> changed;
    std::vector<TRecordChange> changes;
    for (size_t i = 0; i < records.size(); ++i) {
        if (before[i] == after[i])
            continue;
        changed.push_back(records[i]);
        changes.push_back(TRecordChange{0, std::move(before[i]), std::move(after[i])});
    }
    if (changes.empty()) {
        // Nothing to undo, but the records are shown again as an edit would show them.
        state_.Touch(DocChange::Object);
        state_.RefreshViews(records);
        Notify();
        return false;
    }
    const std::vector<int> places = state_.PlacesOf(changed);
    for (size_t i = 0; i < changes.size(); ++i)
        changes[i].Index = places[i];
    Push(std::make_unique<TChangeObjectsCommand>(
        state_, CountedText(verb, records.size(), *records.front()), std::move(changes), false,
        mergeId));
    return true;
}

void TMapDocument::TellOfReferenceEdit(std::string_view row) {
    if (referenceEditTold_ || !IsCatalogueRow(row))
        return;
    for (const TBaseInfo* record : state_.Selection) {
        if (ReferencePrototype(*record, catalogue_)) {
            referenceEditTold_ = true;
            ShowMessageBox(ReferenceEditNotice(*record, row));
            return;
        }
    }
}

std::vector<TPropertyRow> TMapDocument::SelectionRows() const {
    std::vector<TPropertyRow> shared;
    bool first = true;
    for (const TBaseInfo* record : state_.Selection) {
        std::vector<TPropertyRow> rows = ObjectRows(*record);
        // Values of an object stored by reference show as the catalogue's.
        if (const TBaseInfo* prototype = ReferencePrototype(*record, catalogue_))
            MarkCatalogueRows(rows, *prototype);
        if (std::exchange(first, false))
            shared = std::move(rows);
        else
            KeepSharedRows(shared, rows);
    }
    return shared;
}

void TMapDocument::SetObjectProperty(const std::string& key, const std::string& value) {
    const int32_t maxWorldX = state_.Map->MaxWorldX;
    if (ChangeSelected("Set " + key + " of", [&](TBaseInfo& record) {
            ApplyObjectProperty(record, key, value, maxWorldX);
        }))
        TellOfReferenceEdit(key);
}

void TMapDocument::SetObjectTexture(const std::string& texture) {
    if (ChangeSelected("Set Texture of", [&](TBaseInfo& record) { record.Texture = texture; }))
        TellOfReferenceEdit(kPropTexture);
}

void TMapDocument::SetObjectColor(uint32_t color) {
    if (ChangeSelected("Set Color of", [&](TBaseInfo& record) { record.Color = color; }))
        TellOfReferenceEdit(kPropColor);
}

void TMapDocument::SetObjectRgb(uint32_t rgb) {
    if (ChangeSelected("Set Color of", [&](TBaseInfo& record) {
            record.Color = (record.Color & 0xFF000000u) | (rgb & 0x00FFFFFFu);
        }))
        TellOfReferenceEdit(kPropColor);
}

std::vector<TBaseInfo*> TMapDocument::MovableSelection() const {
    std::vector<TBaseInfo*> movable;
    movable.reserve(state_.Selection.size());
    for (TBaseInfo* record : state_.Selection)
        if (!groups_.Locked(record->Group.view()))
            movable.push_back(record);
    return movable;
}

void TMapDocument::NudgeSelected(int32_t dx, int32_t dy) {
    const std::vector<TBaseInfo*> records = MovableSelection();
    if (records.empty())
        return;
    // Every record moves by the same amount, each kept within the world.
    const int32_t maxWorldX = state_.Map->MaxWorldX;
    const std::vector<int> places = state_.PlacesOf(records);
    std::vector<TRecordChange> changes;
    changes.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        TBaseInfo* record = records[i];
        TRecordState before(*record);
        const int32_t left = record->Left;
        const int32_t top = record->Top;
        record->Left = Clamp(AddSaturated(left, dx), 0, maxWorldX);
        record->Top = Clamp(AddSaturated(top, dy), 0, kScreenHeight);
        TRecordState after(*record);
        record->Left = left;
        record->Top = top;
        if (!(before == after))
            changes.push_back(TRecordChange{places[i], std::move(before), std::move(after)});
    }
    if (changes.empty()) {
        // Against the edge of the world: nothing to undo, the records are shown again.
        state_.Touch(DocChange::Object);
        Notify();
        return;
    }
    const std::string text = CountedText("Move", records.size(), *records.front());
    auto command = std::make_unique<TChangeObjectsCommand>(state_, text, std::move(changes), false,
                                                           TChangeObjectsCommand::kNudgeId);
    command->OnlyMoves();
    Push(std::move(command));
}

void TMapDocument::BeginDrag(int32_t left, int32_t top) {
    const TBaseInfo* primary = state_.Selected();
    if (!primary)
        return;
    FinishDrag();
    dragLeft_ = primary->Left;
    dragTop_ = primary->Top;
    const std::vector<TBaseInfo*> records = MovableSelection();
    const std::vector<int> places = state_.PlacesOf(records);
    dragged_.clear();
    dragged_.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        dragged_.push_back(TDragged{records[i], places[i], records[i]->Left, records[i]->Top,
                                    TRecordState(*records[i])});
    dragging_ = true;
    DragTo(left, top);
}

void TMapDocument::DragTo(int32_t left, int32_t top) {
    if (!dragging_)
        return;
    // The primary record's corner goes to the point; every record moves as far as it did.
    const int64_t dx = int64_t{left} - dragLeft_;
    const int64_t dy = int64_t{top} - dragTop_;
    std::vector<TBaseInfo*> moved;
    moved.reserve(dragged_.size());
    for (const TDragged& dragged : dragged_) {
        TBaseInfo& record = *dragged.Record;
        const int32_t newLeft = SaturateToInt32(dragged.Left + dx);
        const int32_t newTop = SaturateToInt32(dragged.Top + dy);
        if (record.Left == newLeft && record.Top == newTop)
            continue;
        record.Left = newLeft;
        record.Top = newTop;
        moved.push_back(&record);
    }
    if (!moved.empty())
        state_.Scene->MoveViews(moved);
}

void TMapDocument::EndDrag() {
    if (!dragging_)
        return;
    FinishDrag();
    // A drag that moved nothing: the pages show the records as they are.
    state_.Touch(DocChange::Object);
    Notify();
}

void TMapDocument::FinishDrag() {
    if (!dragging_)
        return;
    dragging_ = false;
    std::vector<TRecordChange> changes;
    const TBaseInfo* first = nullptr;
    for (TDragged& dragged : dragged_) {
        TRecordState after(*dragged.Record);
        if (after == dragged.Before)
            continue;
        if (!first)
            first = dragged.Record;
        changes.push_back(
            TRecordChange{dragged.Index, std::move(dragged.Before), std::move(after)});
    }
    dragged_.clear();
    if (changes.empty())
        return;
    const std::string text = CountedText("Move", changes.size(), *first);
    loadedViews_ = false;
    // Already applied: the redo the stack runs now only notes the change.
    auto command = std::make_unique<TChangeObjectsCommand>(state_, text, std::move(changes), true);
    command->OnlyMoves();
    undoStack_.push(command.release());
}

// ---------------------------------------------------------------------------------------------
// Map variables

void TMapDocument::ChangeMapVars(const std::string& text, const TMapVars& after) {
    try {
        CheckStreamText(after.MapName, "MapName");
        CheckStreamText(after.ThemeMusic, "ThemeMusic");
    } catch (const ETextTooLong& e) {
        state_.Touch(DocChange::MapVars);
        Notify();
        ShowMessageBox(TypedTextNotice(e.WithObject("the map")));
        return;
    }
    const TMapVars before = MapVarsOf(*state_.Map);
    if (before == after) {
        state_.Touch(DocChange::MapVars);
        Notify();
        return;
    }
    Push(std::make_unique<TChangeMapVarsCommand>(state_, text, before, after));
}

void TMapDocument::SetMapVar(const std::string& key, const std::string& value) {
    TMapVars vars = MapVarsOf(*state_.Map);
    ApplyMapVar(vars, key, value);
    ChangeMapVars("Set " + key, vars);
}

void TMapDocument::SetThemeMusic(const std::string& music) {
    TMapVars vars = MapVarsOf(*state_.Map);
    vars.ThemeMusic = music;
    ChangeMapVars("Set Theme Music", vars);
}

// ---------------------------------------------------------------------------------------------
// Deleting, undo and redo

void TMapDocument::DeleteSelection(const char* verb) {
    const std::vector<TBaseInfo*> records = state_.Selection;
    if (records.empty())
        return;
    const std::string text = CountedText(verb, records.size(), *records.front());
    Push(std::make_unique<TDeleteObjectsCommand>(state_, text, state_.PlacesOf(records)));
}

void TMapDocument::DeleteSelected() {
    DeleteSelection("Delete");
}

void TMapDocument::CutSelected() {
    DeleteSelection("Cut");
}

std::unique_ptr<QMimeData> TMapDocument::SelectionMimeData() const {
    if (state_.Selection.empty())
        return nullptr;
    return ObjectsMimeData({state_.Selection.begin(), state_.Selection.end()});
}

void TMapDocument::Undo() {
    EndDrag();
    undoStack_.undo();
    Notify();
}

void TMapDocument::Redo() {
    EndDrag();
    undoStack_.redo();
    Notify();
}

} // namespace tv
