#pragma once

// The undoable edits of a map, one small class each. A command finds its records by their
// place in the map's objects: the undo stack runs them strictly in order, so at each undo or
// redo the map is exactly as it was after or before the command, and every place is right.
// Records taken out of the map are owned by the command that took them.

#include "document/DocumentState.h"
#include "document/Properties.h"

#include <QUndoCommand>
#include <memory>
#include <vector>

namespace tv {

// Runs Redo and Undo so that nothing escapes into the undo stack: a failure (a view object
// whose texture cannot be loaded) is kept in the state and reported by the document once the
// stack is in step with the map again.
class TDocumentCommand : public QUndoCommand {
public:
    TDocumentCommand(TDocumentState& state, const std::string& text);
    void redo() final;
    void undo() final;

protected:
    virtual void Redo() = 0;
    virtual void Undo() = 0;
    TDocumentState& State() { return state_; }

private:
    TDocumentState& state_;
};

// Puts new records into the map by Z as AddObjectSorted does (placing, "Add", Undelete,
// Paste). The first time the view objects are made one after the other, stopping at the first
// that cannot be made (that record goes in without one, the records after it are dropped),
// then the records and view objects go in where one insertion after another would put them,
// in one pass over each list; later redos put the records back at their places in one pass.
class TInsertObjectsCommand : public TDocumentCommand {
public:
    enum class TSelect { Keep, All };

    TInsertObjectsCommand(TDocumentState& state, const std::string& text,
                          std::vector<std::unique_ptr<TBaseInfo>> records, TSelect select);
    // Undelete: the command takes the document's Undelete copies while it is done and gives
    // them back when it is undone.
    void TakesDeletedCopy() { takesDeleted_ = true; }
    // How many records went in (all, unless a view object failed the first time).
    size_t Count() const { return order_.size(); }

protected:
    void Redo() override;
    void Undo() override;

private:
    void FirstRedo();
    void SwapDeletedCopy();

    std::vector<std::unique_ptr<TBaseInfo>> owned_; // the records while out of the map
    std::vector<TBaseInfo*> order_;                 // the records in the order they went in
    std::vector<int> indexes_;                      // their places, ascending
    std::vector<TBaseInfo*> byIndex_;               // the records in the order of indexes_
    TSelect select_;
    bool done_ = false;
    bool takesDeleted_ = false;
    std::vector<std::unique_ptr<TBaseInfo>> deletedCopy_;
};

// Delete and Cut: takes records out of the map in one pass (their view objects go at the next
// frame), keeps copies of them for Undelete (replacing the previous ones) and takes them out of
// the selection. Undo puts them back at their places with new view objects, the previous
// Undelete copies back, and selects them in the order they were selected.
class TDeleteObjectsCommand : public TDocumentCommand {
public:
    // The records at these places of the map, in the order they were selected.
    TDeleteObjectsCommand(TDocumentState& state, const std::string& text, std::vector<int> places);

protected:
    void Redo() override;
    void Undo() override;

private:
    std::vector<int> indexes_;     // the places, ascending
    std::vector<size_t> selected_; // for each record in selection order, its place in indexes_
    std::vector<std::unique_ptr<TBaseInfo>> records_; // while out of the map, as indexes_
    std::vector<std::unique_ptr<TBaseInfo>> previousDeleted_;
};

// One record's stored fields before and after a change.
struct TRecordChange {
    int Index = 0;
    TRecordState Before;
    TRecordState After;
};

// Changes of records' fields (a property, the texture, the colour, a move); the records' view
// objects are made again in one pass (each in its place when its Z stays) and the changed
// records are selected. Nudges of the same records merge
// into one step.
class TChangeObjectsCommand : public TDocumentCommand {
public:
    static constexpr int kNudgeId = 1;

    // applied: the changes are already in the records (a drag); the first redo only notes
    // them.
    TChangeObjectsCommand(TDocumentState& state, const std::string& text,
                          std::vector<TRecordChange> changes, bool applied = false,
                          int mergeId = -1);
    // The changes move the records only (Left and Top): their view objects are moved, not
    // made again.
    void OnlyMoves() { onlyMoves_ = true; }
    int id() const override { return mergeId_; }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    void Redo() override;
    void Undo() override;

private:
    void Apply(bool after);
    void SelectChanged();

    std::vector<TRecordChange> changes_;
    bool applied_;
    int mergeId_;
    bool onlyMoves_ = false;
};

class TChangeMapVarsCommand : public TDocumentCommand {
public:
    TChangeMapVarsCommand(TDocumentState& state, const std::string& text, TMapVars before,
                          TMapVars after);

protected:
    void Redo() override;
    void Undo() override;

private:
    TMapVars before_;
    TMapVars after_;
};

} // namespace tv
