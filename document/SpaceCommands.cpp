#include "document/SpaceCommands.h"

#include "document/MapDocument.h"
#include "mapdata/Geometry.h"

namespace tv {

TShiftSpaceCommand::TShiftSpaceCommand(TDocumentState& state, const std::string& text,
                                       std::vector<TLeftShift> shifts, int32_t maxWorldXBefore,
                                       int32_t maxWorldXAfter)
    : TDocumentCommand(state, text), shifts_(std::move(shifts)), maxBefore_(maxWorldXBefore),
      maxAfter_(maxWorldXAfter) {}

void TShiftSpaceCommand::Apply(bool after) {
    TDocumentState& state = State();
    state.Map->MaxWorldX = after ? maxAfter_ : maxBefore_;
    state.Touch(DocChange::MapVars);
    for (const TLeftShift& shift : shifts_) {
        TBaseInfo& record = state.RecordAt(shift.Index);
        record.Left = after ? shift.After : shift.Before;
        state.Touch(DocChange::Object);
        state.RefreshView(&record);
    }
}

void TShiftSpaceCommand::Redo() {
    Apply(true);
}

void TShiftSpaceCommand::Undo() {
    Apply(false);
}

// ---------------------------------------------------------------------------------------------
// The document's side (members of TMapDocument kept beside their command)

namespace {

// Every record whose Left is at or right of x, moved by dx.
std::vector<TLeftShift> ShiftsFrom(const TBaseInfoList& objects, int32_t x, int32_t dx) {
    std::vector<TLeftShift> shifts;
    for (int i = 0; i < objects.Count(); ++i) {
        const int32_t left = objects[i]->Left;
        if (left >= x)
            shifts.push_back(TLeftShift{i, left, SaturateToInt32(int64_t{left} + dx)});
    }
    return shifts;
}

} // namespace

void TMapDocument::InsertSpace(int32_t x, int32_t amount) {
    if (amount <= 0)
        return;
    EndDrag();
    const int32_t maxBefore = state_.Map->MaxWorldX;
    const int32_t maxAfter = SaturateToInt32(int64_t{maxBefore} + amount);
    Push(std::make_unique<TShiftSpaceCommand>(
        state_, "Insert Space", ShiftsFrom(state_.Map->Objects, x, amount), maxBefore, maxAfter));
}

int TMapDocument::ObjectsInStretch(int32_t x, int32_t amount) const {
    const int64_t end = int64_t{x} + amount;
    int count = 0;
    for (const TBaseInfo* record : state_.Map->Objects)
        count += record->Left >= x && record->Left < end;
    return count;
}

int TMapDocument::RemoveSpace(int32_t x, int32_t amount) {
    if (amount <= 0)
        return 0;
    if (const int inTheWay = ObjectsInStretch(x, amount))
        return inTheWay;
    EndDrag();
    const int32_t maxBefore = state_.Map->MaxWorldX;
    const int32_t maxAfter = MaxOf(0, SaturateToInt32(int64_t{maxBefore} - amount));
    Push(std::make_unique<TShiftSpaceCommand>(
        state_, "Remove Space",
        ShiftsFrom(state_.Map->Objects, SaturateToInt32(int64_t{x} + amount), -amount), maxBefore,
        maxAfter));
    return 0;
}

} // namespace tv
