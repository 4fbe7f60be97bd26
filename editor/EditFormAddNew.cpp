// The "Add New" page: browsing the catalogue, the preview of the chosen type, and placing
// copies of it by a click in the view or many at once with "Add".
#include "editor/EditForm.h"

#include "document/Convert.h"
#include "document/Placement.h"
#include "editor/EditorApp.h"
#include "editor/ListKeys.h"
#include "editor/SnapControls.h"
#include "engine/GraphicResources.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Notices.h"
#include "mapdata/Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>

namespace tv {

namespace {

// A spin edit's value is its text read as an integer; a text that is not one reads 0.
int32_t SpinValue(const QSpinBox* spin) {
    try {
        return StrToInt(spin->cleanText().toStdString());
    } catch (const EError&) {
        return 0;
    }
}

} // namespace

void TEditF::ConnectAddNewPage() {
    connect(ListObj, &QListWidget::itemClicked, this, Guarded([this] { ListObjClick(); }));
    new TListKeys(ListObj);
    connect(ListObj, &QListWidget::currentRowChanged, this, Guarded([this] {
                if (TListKeys::ChangedByKey(ListObj))
                    ListObjClick();
            }));
    connect(Button5, &QPushButton::clicked, this, Guarded([this] { Button5Click(); }));
}

void TEditF::ListObjClick() {
    ShowPreview();
}

void TEditF::ShowPreview() {
    const int index = ListObj->currentRow();
    if (index < 0)
        return;
    TBaseInfo* type = ObjMgr->FindByName(ListObj->item(index)->text().toStdString());
    if (!type)
        return;
    NewType = type;

    // Without a graphics device there is no texture to show; the values still are.
    if (NewType->Texture.empty() || !HasGraphics() || !TextureMgr) {
        Imgprev->clear();
    } else {
        TDXTexture* texture = TextureMgr->GetTexture(NewType->Texture.str(), 0);
        Imgprev->setPixmap(QPixmap::fromImage(TextureToBitmap(texture->Texture.get())));
    }

    Prev->ClearRows();
    Prev->AppendRow("Name:", NewType->Name);
    Prev->AppendRow("Class:", NewType->ClassName());
    Prev->AppendRow("Bounds:", Format("L:%d;T:%d;W:%d;H:%d", NewType->Left, NewType->Top,
                                      NewType->Width, NewType->Height));
    Prev->AppendRow("Texture:", NewType->Texture);
}

void TEditF::AddAtCursor() {
    if (!NewType)
        return;
    const TPoint p = MousePos();
    Document->PlaceObject(*NewType, Snap->Grid().Snap(AddSaturated(WorldX, p.X)),
                          Snap->Grid().Snap(p.Y));
}

void TEditF::Button5Click() {
    if (!NewType)
        return;
    const int32_t count = SpinValue(SpinCount);
    TPlacement placement;
    placement.StartX = SpinValue(SpinSX);
    placement.StartY = SpinValue(SpinSY);
    placement.EndX = SpinValue(SpinEX);
    placement.EndY = SpinValue(SpinEY);
    placement.RandX = CheckRX->isChecked();
    placement.RandY = CheckRY->isChecked();
    if (count == 0)
        return;
    if (count > kMaxAddCount) {
        ShowMessageBox(AddCountTooLargeText(count));
        return;
    }
    const int notPlaced = Document->AddCopies(*NewType, count, placement);
    if (notPlaced > 0)
        ShowMessageBox(Format("%d of %d objects could not be placed: no free place outside solid "
                              "decorations was found in the given range.",
                              notPlaced, count));
}

} // namespace tv
