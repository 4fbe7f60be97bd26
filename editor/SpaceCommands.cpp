#include "editor/SpaceCommands.h"

#include "document/Placement.h"
#include "editor/Dialogs.h"
#include "editor/EditForm.h"
#include "mapdata/Notices.h"
#include "mapdata/Text.h"

namespace tv {

TSpaceCommands::TSpaceCommands(TEditF& window) : QObject(&window), window_(window) {}

int32_t TSpaceCommands::PointerWorldX() const {
    const TPoint p = window_.MousePos();
    const bool overView = window_.HasGraphics() && p.X >= 0 && p.X < TEditF::ScreenWidth &&
                          p.Y >= 0 && p.Y < TEditF::ScreenHeight;
    return AddSaturated(window_.WorldX, overView ? p.X : TEditF::ScreenWidth / 2);
}

void TSpaceCommands::InsertSpace() {
    if (window_.Playing() || !window_.CommitPendingEdits())
        return;
    const auto answer =
        Dialogs().AskSpace(TSpaceRequest{"Insert space", PointerWorldX(), kDefaultAmount});
    if (answer)
        window_.Document->InsertSpace(answer->X, answer->Amount);
}

void TSpaceCommands::RemoveSpace() {
    if (window_.Playing() || !window_.CommitPendingEdits())
        return;
    const auto answer =
        Dialogs().AskSpace(TSpaceRequest{"Remove space", PointerWorldX(), kDefaultAmount});
    if (!answer)
        return;
    const int inTheWay = window_.Document->RemoveSpace(answer->X, answer->Amount);
    if (inTheWay > 0)
        ShowMessageBox(Format("%d %s in the stretch from %d to %d: no space was removed.", inTheWay,
                              inTheWay == 1 ? "object lies" : "objects lie", answer->X,
                              int32_t(int64_t{answer->X} + answer->Amount)));
}

} // namespace tv
