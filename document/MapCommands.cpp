#include "document/MapCommands.h"

#include "mapdata/Errors.h"

#include <QString>
#include <algorithm>
#include <numeric>
#include <unordered_set>

namespace tv {

TDocumentCommand::TDocumentCommand(TDocumentState& state, const std::string& text)
    : QUndoCommand(QString::fromStdString(text)), state_(state) {}

void TDocumentCommand::redo() {
    try {
        Redo();
    } catch (...) {
        state_.Fail(std::current_exception());
    }
}

void TDocumentCommand::undo() {
    try {
        Undo();
    } catch (...) {
        state_.Fail(std::current_exception());
    }
}

// ---------------------------------------------------------------------------------------------

TInsertObjectsCommand::TInsertObjectsCommand(TDocumentState& state, const std::string& text,
                                             std::vector<std::unique_ptr<TBaseInfo>> records,
                                             TSelect select)
    : TDocumentCommand(state, text), owned_(std::move(records)), select_(select) {}

void TInsertObjectsCommand::SwapDeletedCopy() {
    if (takesDeleted_)
        std::swap(deletedCopy_, State().Deleted);
}

void TInsertObjectsCommand::FirstRedo() {
    TDocumentState& state = State();
    done_ = true;
    // An Undelete copy goes first: a view object that cannot be made must not leave a second
    // copy behind for another Undelete.
    SwapDeletedCopy();
    std::vector<std::unique_ptr<TBaseInfo>> records = std::move(owned_);
    owned_.clear();
    // The view objects first, then everything in one pass over each list. As with one
    // insertion after another, the record whose view object cannot be made goes in without
    // one and the records after it are dropped.
    std::vector<TBaseInfo*> raw;
    raw.reserve(records.size());
    for (const auto& record : records)
        raw.push_back(record.get());
    size_t looked = 0;
    std::exception_ptr failure;
    TViewList views = state.Scene->MakeViewsUntilFailure(raw, looked, failure);
    records.resize(looked);
    raw.resize(looked);
    order_ = std::move(raw);
    TMap::TPlaces places = state.Map->AddObjectsSorted(std::move(records));
    indexes_ = std::move(places.Indexes);
    byIndex_ = std::move(places.Records);
    state.Scene->MergeViews(std::move(views));
    state.Touch(DocChange::Objects);
    if (failure)
        state.Fail(failure);
}

void TInsertObjectsCommand::Redo() {
    TDocumentState& state = State();
    if (!done_) {
        FirstRedo();
    } else {
        SwapDeletedCopy();
        state.Map->Objects.InsertAt(indexes_, byIndex_);
        for (auto& record : owned_)
            (void)record.release(); // the map owns them again
        owned_.clear();
        state.Touch(DocChange::Objects);
        state.CreateViews(order_);
    }
    if (select_ == TSelect::All)
        state.SelectAll(order_);
}

void TInsertObjectsCommand::Undo() {
    TDocumentState& state = State();
    owned_ = state.Map->Objects.ExtractAt(indexes_);
    state.Scene->MarkDead(order_);
    state.Forget(order_);
    state.Touch(DocChange::Objects);
    SwapDeletedCopy();
}

// ---------------------------------------------------------------------------------------------

TDeleteObjectsCommand::TDeleteObjectsCommand(TDocumentState& state, const std::string& text,
                                             std::vector<int> places)
    : TDocumentCommand(state, text), indexes_(std::move(places)) {
    std::vector<size_t> order(indexes_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return indexes_[a] < indexes_[b]; });
    // order[k]: which selected record has the k-th smallest place.
    selected_.resize(order.size());
    for (size_t k = 0; k < order.size(); ++k)
        selected_[order[k]] = k;
    std::sort(indexes_.begin(), indexes_.end());
    if (std::adjacent_find(indexes_.begin(), indexes_.end()) != indexes_.end())
        throw EError("An object cannot be deleted twice in one step");
}

void TDeleteObjectsCommand::Redo() {
    TDocumentState& state = State();
    records_ = state.Map->Objects.ExtractAt(indexes_);
    std::vector<TBaseInfo*> raw;
    raw.reserve(records_.size());
    for (const auto& record : records_)
        raw.push_back(record.get());
    state.Scene->MarkDead(raw);
    std::vector<std::unique_ptr<TBaseInfo>> copies;
    copies.reserve(selected_.size());
    for (const size_t k : selected_)
        copies.push_back(CloneInfo(*records_[k]));
    previousDeleted_ = std::exchange(state.Deleted, std::move(copies));
    state.Forget(raw);
    state.Touch(DocChange::Objects);
}

void TDeleteObjectsCommand::Undo() {
    TDocumentState& state = State();
    std::vector<TBaseInfo*> raw;
    raw.reserve(records_.size());
    for (const auto& record : records_)
        raw.push_back(record.get());
    state.Map->Objects.InsertAt(indexes_, raw);
    for (auto& record : records_)
        (void)record.release(); // the map owns them again
    records_.clear();
    state.Deleted = std::move(previousDeleted_);
    previousDeleted_.clear();
    state.Touch(DocChange::Objects);
    std::vector<TBaseInfo*> selection;
    selection.reserve(selected_.size());
    for (const size_t k : selected_)
        selection.push_back(raw[k]);
    state.SelectAll(selection);
    state.CreateViews(raw);
}

// ---------------------------------------------------------------------------------------------

TChangeObjectsCommand::TChangeObjectsCommand(TDocumentState& state, const std::string& text,
                                             std::vector<TRecordChange> changes, bool applied,
                                             int mergeId)
    : TDocumentCommand(state, text), changes_(std::move(changes)), applied_(applied),
      mergeId_(mergeId) {}

bool TChangeObjectsCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const TChangeObjectsCommand*>(other);
    if (!next || next->mergeId_ != mergeId_ || next->changes_.size() != changes_.size())
        return false;
    for (size_t i = 0; i < changes_.size(); ++i)
        if (next->changes_[i].Index != changes_[i].Index)
            return false;
    for (size_t i = 0; i < changes_.size(); ++i)
        changes_[i].After = next->changes_[i].After;
    return true;
}

void TChangeObjectsCommand::Apply(bool after) {
    TDocumentState& state = State();
    std::vector<TBaseInfo*> changed;
    changed.reserve(changes_.size());
    for (const TRecordChange& change : changes_) {
        TBaseInfo& record = state.RecordAt(change.Index);
        (after ? change.After : change.Before).ApplyTo(record);
        changed.push_back(&record);
    }
    if (!changed.empty())
        state.Touch(DocChange::Object);
    if (onlyMoves_)
        state.MoveViews(changed);
    else
        state.RefreshViews(changed);
    SelectChanged();
}

// The changed records are selected, so the designer sees what undo and redo changed; a
// selection that holds them all stays as it is (with its primary record).
void TChangeObjectsCommand::SelectChanged() {
    TDocumentState& state = State();
    if (changes_.empty())
        return;
    std::vector<TBaseInfo*> changed;
    changed.reserve(changes_.size());
    for (const TRecordChange& change : changes_)
        changed.push_back(&state.RecordAt(change.Index));
    const std::unordered_set<const TBaseInfo*> selected(state.Selection.begin(),
                                                        state.Selection.end());
    const bool allSelected = std::all_of(changed.begin(), changed.end(), [&](TBaseInfo* record) {
        return selected.count(record) != 0;
    });
    if (!allSelected)
        state.SelectAll(changed);
}

void TChangeObjectsCommand::Redo() {
    if (applied_) {
        // The first time the change is already there (a drag moved the record as it went).
        applied_ = false;
        State().Touch(DocChange::Object);
        return;
    }
    Apply(true);
}

void TChangeObjectsCommand::Undo() {
    Apply(false);
}

// ---------------------------------------------------------------------------------------------

TChangeMapVarsCommand::TChangeMapVarsCommand(TDocumentState& state, const std::string& text,
                                             TMapVars before, TMapVars after)
    : TDocumentCommand(state, text), before_(std::move(before)), after_(std::move(after)) {}

void TChangeMapVarsCommand::Redo() {
    SetMapVars(*State().Map, after_);
    State().Touch(DocChange::MapVars);
}

void TChangeMapVarsCommand::Undo() {
    SetMapVars(*State().Map, before_);
    State().Touch(DocChange::MapVars);
}

} // namespace tv
