#pragma once

// Making room in a level and taking it away again: every record from a world x on moves along,
// and Max World X grows or shrinks with it, as one undo step.

#include "document/MapCommands.h"

#include <cstdint>
#include <vector>

namespace tv {

// One record's Left before and after a shift of space.
struct TLeftShift {
    int Index = 0;
    int32_t Before = 0;
    int32_t After = 0;
};

class TShiftSpaceCommand : public TDocumentCommand {
public:
    TShiftSpaceCommand(TDocumentState& state, const std::string& text,
                       std::vector<TLeftShift> shifts, int32_t maxWorldXBefore,
                       int32_t maxWorldXAfter);

protected:
    void Redo() override;
    void Undo() override;

private:
    void Apply(bool after);

    std::vector<TLeftShift> shifts_;
    int32_t maxBefore_;
    int32_t maxAfter_;
};

} // namespace tv
