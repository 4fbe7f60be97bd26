// The "Add New" page: browsing the catalogue, the preview of the chosen type, and placing
// copies of it by a click in the view or many at once with "Add".
#include "editor/EditForm.h"

#include "editor/Convert.h"
#include "editor/EditorApp.h"
#include "editor/ListKeys.h"
#include "engine/GraphicResources.h"
#include "engine/Random.h"
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
#include <climits>
#include <vector>

namespace tv {

namespace {

int32_t Saturate(int64_t value) {
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t AddSaturated(int32_t a, int64_t b) {
    return Saturate(int64_t{a} + b);
}

// A spin edit's value is its text read as an integer; a text that is not one reads 0.
int32_t SpinValue(const QSpinBox* spin) {
    try {
        return StrToInt(spin->cleanText().toStdString());
    } catch (const EError&) {
        return 0;
    }
}

// Where the copies of one "Add" may go: a start and a range on each axis, each drawn at
// random or fixed at the start.
struct TPlacement {
    int32_t StartX = 0;
    int32_t StartY = 0;
    int RangeX = 0;
    int RangeY = 0;
    bool RandX = false;
    bool RandY = false;
    // The rectangles of the solid decorations (ProjectilesPass 0) entities must stay out of.
    std::vector<TRect> Solid;

    // Whether another draw can give another candidate.
    bool Varies() const { return (RandX && RangeX > 1) || (RandY && RangeY > 1); }
};

// |b - a|, as far as Random can take it.
int RangeOf(int32_t a, int32_t b) {
    const int64_t range = int64_t{b} - int64_t{a};
    const int64_t magnitude = range < 0 ? -range : range;
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

// x is drawn before y.
TRect DrawCandidate(const TPlacement& placement, const TBaseInfo& record) {
    const int32_t x = placement.RandX ? AddSaturated(placement.StartX, Random(placement.RangeX))
                                      : placement.StartX;
    const int32_t y = placement.RandY ? AddSaturated(placement.StartY, Random(placement.RangeY))
                                      : placement.StartY;
    return TRect{x, y, AddSaturated(x, record.Width), AddSaturated(y, record.Height)};
}

bool IsFree(const TPlacement& placement, const TRect& rect) {
    for (const TRect& solid : placement.Solid)
        if (RectsOverlap(rect, solid))
            return false;
    return true;
}

// Draws new candidates until rect overlaps no solid decoration. Gives up after
// TEditF::MaxPlaceAttempts candidates (the first one included), or after the first when no
// draw could give another; false then.
bool FindFreePlace(const TPlacement& placement, const TBaseInfo& record, TRect& rect) {
    const int attempts = placement.Varies() ? TEditF::MaxPlaceAttempts : 1;
    for (int attempt = 1;; ++attempt) {
        if (IsFree(placement, rect))
            return true;
        if (attempt >= attempts)
            return false;
        rect = DrawCandidate(placement, record);
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
    TBaseInfo* record = CurrentMap->AddObjectSorted(CloneInfo(*NewType));
    record->Left = AddSaturated(WorldX, p.X);
    record->Top = p.Y;
    CreateView(record);
    RefreshModify();
}

void TEditF::Button5Click() {
    if (!NewType)
        return;
    const int32_t count = SpinValue(SpinCount);
    TPlacement placement;
    placement.StartX = SpinValue(SpinSX);
    placement.StartY = SpinValue(SpinSY);
    placement.RangeX = RangeOf(placement.StartX, SpinValue(SpinEX));
    placement.RangeY = RangeOf(placement.StartY, SpinValue(SpinEY));
    placement.RandX = CheckRX->isChecked();
    placement.RandY = CheckRY->isChecked();
    if (count == 0)
        return;
    if (count > MaxAddCount) {
        ShowMessageBox(Format("A count of %d is too large: at most %d objects are added at once.",
                              count, MaxAddCount));
        return;
    }

    // Entities stay out of solid decorations. The copies are entities themselves, so the
    // decorations to avoid do not change while they are placed.
    const bool avoidSolid = dynamic_cast<const TEntityInfo*>(NewType) != nullptr;
    if (avoidSolid) {
        for (const TBaseInfo* other : CurrentMap->Objects) {
            const auto* decor = dynamic_cast<const TDecorInfo*>(other);
            if (decor && decor->ProjectilesPass == 0)
                placement.Solid.push_back(TRect{decor->Left, decor->Top,
                                                AddSaturated(decor->Left, decor->Width),
                                                AddSaturated(decor->Top, decor->Height)});
        }
    }

    int notPlaced = 0;
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<TBaseInfo> copy = CloneInfo(*NewType);
        TRect rect = DrawCandidate(placement, *copy);
        if (avoidSolid && !FindFreePlace(placement, *copy, rect)) {
            ++notPlaced;
            continue;
        }
        copy->Left = rect.Left;
        copy->Top = rect.Top;
        CreateView(CurrentMap->AddObjectSorted(std::move(copy)));
    }
    RefreshModify();
    if (notPlaced > 0)
        ShowMessageBox(Format("%d of %d objects could not be placed: no free place outside solid "
                              "decorations was found in the given range.",
                              notPlaced, count));
}

} // namespace tv
