#include "document/MapDocument.h"

#include "document/MapCommands.h"
#include "document/ReferenceForm.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_map>

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

std::string CountedText(const char* verb, size_t count, const TBaseInfo& first) {
    if (count == 1)
        return Named(verb, first);
    return Format("%s %zu Objects", verb, count);
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
    dragStart_.clear();
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

int TMapDocument::SelectedIndex() const {
    return state_.Selected() ? state_.Map->Objects.IndexOf(state_.Selected()) : -1;
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
    if (!state_.Deleted)
        return;
    std::vector<std::unique_ptr<TBaseInfo>> records;
    records.push_back(CloneInfo(*state_.Deleted));
    auto command = std::make_unique<TInsertObjectsCommand>(state_, Named("Undelete", *records[0]),
                                                           std::move(records),
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

bool TMapDocument::ChangeSelected(const std::string& text,
                                  const std::function<void(TBaseInfo&)>& change, int mergeId) {
    TBaseInfo* record = state_.Selected();
    if (!record)
        return false;
    // The change is tried on a copy first, so a value that cannot be read changes nothing.
    std::unique_ptr<TBaseInfo> changed = CloneInfo(*record);
    change(*changed);
    TRecordState before(*record);
    std::optional<TRecordState> written;
    try {
        written.emplace(*changed);
    } catch (const ETextTooLong& e) {
        // A value no map file can keep is not taken; the pages show the stored one again.
        state_.Touch(DocChange::Object);
        Notify();
        ShowMessageBox(TypedTextNotice(e.WithObject("\"" + MessageName(record->Name) + "\"")));
        return false;
    }
    TRecordState after = std::move(*written);
    if (before == after) {
        // Nothing to undo, but the record is shown again as an edit would show it.
        state_.Touch(DocChange::Object);
        state_.RefreshView(record);
        Notify();
        return false;
    }
    std::vector<TRecordChange> changes;
    changes.push_back(TRecordChange{SelectedIndex(), std::move(before), std::move(after)});
    Push(std::make_unique<TChangeObjectsCommand>(state_, text, std::move(changes), false, mergeId));
    return true;
}

void TMapDocument::TellOfReferenceEdit(std::string_view row) {
    const TBaseInfo* record = state_.Selected();
    if (referenceEditTold_ || !record || !IsCatalogueRow(row) ||
        !ReferencePrototype(*record, catalogue_))
        return;
    referenceEditTold_ = true;
    ShowMessageBox(ReferenceEditNotice(*record, row));
}

void TMapDocument::SetObjectProperty(const std::string& key, const std::string& value) {
    const int32_t maxWorldX = state_.Map->MaxWorldX;
    const std::string name = state_.Selected() ? state_.Selected()->Name.str() : std::string();
    if (ChangeSelected("Set " + key + " of " + name, [&](TBaseInfo& record) {
            ApplyObjectProperty(record, key, value, maxWorldX);
        }))
        TellOfReferenceEdit(key);
}

void TMapDocument::SetObjectTexture(const std::string& texture) {
    if (state_.Selected() && ChangeSelected(Named("Set Texture of", *state_.Selected()),
                                            [&](TBaseInfo& record) { record.Texture = texture; }))
        TellOfReferenceEdit(kPropTexture);
}

void TMapDocument::SetObjectColor(uint32_t color) {
    if (state_.Selected() && ChangeSelected(Named("Set Color of", *state_.Selected()),
                                            [&](TBaseInfo& record) { record.Color = color; }))
        TellOfReferenceEdit(kPropColor);
}

void TMapDocument::NudgeSelected(int32_t dx, int32_t dy) {
    const std::vector<TBaseInfo*>& selection = state_.Selection;
    if (selection.empty())
        return;
    // Every selected record moves by the same amount, each kept within the world.
    const int32_t maxWorldX = state_.Map->MaxWorldX;
    std::unordered_map<const TBaseInfo*, int> places;
    const TBaseInfoList& objects = state_.Map->Objects;
    for (int i = 0; i < objects.Count(); ++i)
        places.emplace(objects[i], i);
    std::vector<TRecordChange> changes;
    changes.reserve(selection.size());
    for (TBaseInfo* record : selection) {
        TRecordState before(*record);
        const int32_t left = record->Left;
        const int32_t top = record->Top;
        record->Left = Clamp(AddSaturated(left, dx), 0, maxWorldX);
        record->Top = Clamp(AddSaturated(top, dy), 0, kScreenHeight);
        TRecordState after(*record);
        record->Left = left;
        record->Top = top;
        if (!(before == after))
            changes.push_back(
                TRecordChange{places.at(record), std::move(before), std::move(after)});
    }
    if (changes.empty()) {
        // Against the edge of the world: nothing to undo, the records are shown again.
        state_.Touch(DocChange::Object);
        Notify();
        return;
    }
    const std::string text = CountedText("Move", selection.size(), *selection.front());
    Push(std::make_unique<TChangeObjectsCommand>(state_, text, std::move(changes), false,
                                                 TChangeObjectsCommand::kNudgeId));
}

void TMapDocument::BeginDrag(int32_t left, int32_t top) {
    if (!state_.Selected())
        return;
    dragging_ = true;
    DragTo(left, top);
}

void TMapDocument::DragTo(int32_t left, int32_t top) {
    TBaseInfo* record = state_.Selected();
    if (!dragging_ || !record)
        return;
    dragStart_.try_emplace(SelectedIndex(), *record);
    record->Left = left;
    record->Top = top;
    state_.Scene->RefreshView(record);
}

void TMapDocument::EndDrag() {
    if (!dragging_)
        return;
    dragging_ = false;
    std::vector<TRecordChange> changes;
    for (auto& [index, before] : dragStart_) {
        TRecordState after(state_.RecordAt(index));
        if (!(after == before))
            changes.push_back(TRecordChange{index, std::move(before), std::move(after)});
    }
    dragStart_.clear();
    if (changes.empty()) {
        state_.Touch(DocChange::Object);
        Notify();
        return;
    }
    const std::string text = Named("Move", state_.RecordAt(changes.front().Index));
    Push(std::make_unique<TChangeObjectsCommand>(state_, text, std::move(changes), true));
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

void TMapDocument::DeleteSelected() {
    if (state_.Selected())
        Push(std::make_unique<TDeleteObjectCommand>(state_, Named("Delete", *state_.Selected()),
                                                    SelectedIndex()));
}

void TMapDocument::CutSelected() {
    if (state_.Selected())
        Push(std::make_unique<TDeleteObjectCommand>(state_, Named("Cut", *state_.Selected()),
                                                    SelectedIndex()));
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
