// The "Modify" page: choosing a placed object from the lists of the objects in view, its
// property grid, the texture and colour pickers, Delete, Undelete, Copy, Cut and Paste.
#include "editor/EditForm.h"
#include "editor/StatusLine.h"

#include <algorithm>

#include "document/ObjectClipboard.h"
#include "document/Placement.h"
#include "document/Properties.h"
#include "document/ReferenceForm.h"
#include "editor/EditorApp.h"
#include "editor/ListKeys.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>

namespace tv {

void TEditF::ConnectModifyPage() {
    connect(ComboMod, &QComboBox::activated, this, Guarded([this] { ComboModSelect(); }));
    connect(ListMod, &QListWidget::itemClicked, this, Guarded([this] { ListModClick(); }));
    new TListKeys(ListMod);
    connect(ListMod, &QListWidget::currentRowChanged, this, Guarded([this] {
                if (TListKeys::ChangedByKey(ListMod))
                    ListModClick();
            }));
    ValMod->OnValidate = [this](int column, int row, const std::string& key,
                                const std::string& value) {
        ValModValidate(column, row, key, value);
    };
    ValMod->OnKeyDown = [this](int key) { ValModKeyDown(key); };
    connect(ValMod, &TValueListEditor::editButtonClicked, this,
            Guarded([this] { ValModEditButtonClick(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Button6, &QPushButton::clicked, this, Guarded([this] { Button6Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guarded([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, Guarded([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, Guarded([this] { Button4Click(); }));
}

void TEditF::DisconnectPages() {
    // Nothing the page controls do while they are taken down reaches the window any more.
    ValMod->OnValidate = nullptr;
    ValMod->OnKeyDown = nullptr;
    for (QObject* control :
         std::initializer_list<QObject*>{ListObj, Button5, ComboMod, ListMod, ValMod, Button1,
                                         Button6, Button2, Button3, Button4})
        QObject::disconnect(control, nullptr, this, nullptr);
}

// ---------------------------------------------------------------------------------------------
// The lists of the objects in view

void TEditF::FillModGroups() {
    const QSignalBlocker blocker(ComboMod);
    ComboMod->clear();
    std::vector<std::string> groups;
    for (const TBaseInfo* record : Document->ObjectsIn(ViewRect(WorldX), {})) {
        if (!TextInList(record->Group, groups)) {
            groups.push_back(record->Group.str());
            ComboMod->addItem(ToQString(record->Group));
        }
    }
    ComboMod->setCurrentIndex(ComboMod->count() > 0 ? 0 : -1);
}

void TEditF::FillModList() {
    const QSignalBlocker blocker(ListMod);
    const int highlighted = ListMod->currentRow();
    ListMod->clear();
    if (ComboObj->count() == 0)
        return;
    if (ModGroup.empty() && ComboMod->count() > 0) {
        ModGroup = ComboMod->itemText(0).toStdString();
        const QSignalBlocker comboBlocker(ComboMod);
        ComboMod->setCurrentIndex(0);
    }
    if (ModGroup.empty())
        return;
    for (const TBaseInfo* record : Document->ObjectsIn(ViewRect(WorldX), ModGroup))
        ListMod->addItem(ToQString(record->Name));
    if (highlighted < ListMod->count())
        ListMod->setCurrentRow(highlighted);
}

void TEditF::ComboModSelect() {
    ModGroup = ComboMod->currentText().toStdString();
    FillModList();
}

void TEditF::ListModClick() {
    SelectFromModList();
}

void TEditF::SelectFromModList() {
    const int wanted = ListMod->currentRow();
    if (wanted < 0)
        return;
    const std::vector<TBaseInfo*> listed = Document->ObjectsIn(ViewRect(WorldX), ModGroup);
    if (wanted < static_cast<int>(listed.size()))
        Document->Select(listed[static_cast<size_t>(wanted)]);
}

void TEditF::ShowSelectionInLists() {
    const QSignalBlocker listBlocker(ListMod);
    const TBaseInfo* selected = Selected();
    if (!selected || !IsInView(selected)) {
        ListMod->setCurrentRow(-1);
        return;
    }
    // The list is filled again only for another group: a pick in the list keeps its entries.
    for (int group = 0; group < ComboMod->count() && !TextEquals(ModGroup, selected->Group);
         ++group) {
        if (TextEquals(ComboMod->itemText(group).toStdString(), selected->Group)) {
            const QSignalBlocker comboBlocker(ComboMod);
            ComboMod->setCurrentIndex(group);
            ComboModSelect();
            break;
        }
    }
    // The entry of the selected record among the listed ones (as SelectFromModList counts).
    const std::vector<TBaseInfo*> listed = Document->ObjectsIn(ViewRect(WorldX), ModGroup);
    const auto found = std::find(listed.begin(), listed.end(), selected);
    ListMod->setCurrentRow(found == listed.end() ? -1 : static_cast<int>(found - listed.begin()));
}

// ---------------------------------------------------------------------------------------------
// The property grid

void TEditF::ShowSelected() {
    ValMod->ClearRows();
    if (Selected())
        FillProperties();
}

void TEditF::FillProperties() {
    Status->ShowSelection(Selected());
    if (!Selected()) {
        ValMod->ClearRows();
        return;
    }
    std::vector<TPropertyRow> rows = ObjectRows(*Selected());
    // Values of an object stored by reference show as the catalogue's.
    if (const TBaseInfo* prototype = ReferencePrototype(*Selected(), ObjMgr.get()))
        MarkCatalogueRows(rows, *prototype);
    ValMod->SetRows(rows);
}

void TEditF::RefreshModify() {
    FillModGroups();
    ComboModSelect();
    FillProperties();
}

// The document applies the value, remakes the view object and tells DocumentChanged, which
// shows the record again (clamped values and reverted read-only rows included).
void TEditF::ValModValidate(int /*column*/, int /*row*/, const std::string& key,
                            const std::string& value) {
    if (!Selected()) {
        FillProperties();
        return;
    }
    Document->SetObjectProperty(key, value);
}

void TEditF::ValModKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    ValModValidate(ValMod->Col(), ValMod->Row(), ValMod->CurrentKey(), ValMod->CurrentValue());
}

void TEditF::ValModEditButtonClick() {
    if (!Selected())
        return;
    if (TextEquals(ValMod->CurrentKey(), kPropTexture)) {
        OpenPD->InitialDir = BaseFolder() + "Data\\Graphic";
        if (OpenPD->Execute())
            Document->SetObjectTexture(
                RelativeDataPath(BaseFolder() + "Data\\Graphic\\", OpenPD->FileName));
    }
    if (Selected() && TextEquals(ValMod->CurrentKey(), kPropColor)) {
        // Only the colour is chosen; the alpha stays as it was.
        const uint32_t alpha = Selected()->Color & 0xFF000000u;
        ColorD->Color = Selected()->Color & 0x00FFFFFFu;
        if (ColorD->Execute())
            Document->SetObjectColor(alpha | (ColorD->Color & 0x00FFFFFFu));
    }
}

// ---------------------------------------------------------------------------------------------
// Delete, Undelete, Copy, Cut and Paste (the document tells DocumentChanged, which refreshes
// the page)

void TEditF::Button1Click() {
    Document->DeleteSelected();
}

void TEditF::Button6Click() {
    Document->Undelete();
}

void TEditF::Button2Click() {
    if (Selected())
        QGuiApplication::clipboard()->setMimeData(ObjectsMimeData({Selected()}).release());
}

void TEditF::Button3Click() {
    if (!Selected())
        return;
    Button2Click();
    Document->CutSelected();
}

void TEditF::Button4Click() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    std::vector<std::unique_ptr<TBaseInfo>> records;
    try {
        if (!data)
            throw EError("The clipboard is empty");
        records = ObjectsFromMimeData(*data, Document->Catalogue());
    } catch (const EError& error) {
        ShowMessageBox(std::string(error.what()) + ": nothing was pasted.");
        return;
    }
    const TPoint at = PastePoint(*records.front());
    Document->Paste(std::move(records), at.X, at.Y);
}

TPoint TEditF::PastePoint(const TBaseInfo& first) const {
    const TPoint p = MousePos();
    if (HasGraphics() && p.X >= 0 && p.X < ScreenWidth && p.Y >= 0 && p.Y < ScreenHeight)
        return TPoint{AddSaturated(WorldX, p.X), p.Y};
    return TPoint{AddSaturated(WorldX, ScreenWidth / 2 - first.Width / 2),
                  ScreenHeight / 2 - first.Height / 2};
}

} // namespace tv
