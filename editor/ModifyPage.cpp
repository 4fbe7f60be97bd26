// The "Modify" page: choosing a placed object from the lists of the objects in view, its
// property grid, the texture and colour pickers, Delete, Undelete, Copy, Cut and Paste.
#include "editor/ModifyPage.h"

#include "editor/AddNewPage.h"
#include "editor/EditForm.h"
#include "editor/FormControls.h"
#include "editor/StatusLine.h"

#include <algorithm>
#include <climits>

#include "document/ObjectClipboard.h"
#include "document/Placement.h"
#include "document/Properties.h"
#include "document/ReferenceForm.h"
#include "editor/EditorApp.h"
#include "editor/GroupToggles.h"
#include "editor/ListKeys.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>

namespace tv {

TModifyPage::TModifyPage(TEditF& window, QWidget* tab) : QObject(tab), window_(window) {
    Build(tab);
    Connect();
}

void TModifyPage::Build(QWidget* tab) {
    Label4 = MakeLabel(tab, "Label4", "Select Object From List:", 4, 4);
    ComboMod = Named(new QComboBox(tab), "ComboMod");
    ComboMod->setEditable(false);
    ComboMod->setGeometry(4, 20, 160, 22);
    FindMod = Named(new QLineEdit(tab), "FindMod");
    FindMod->setGeometry(4, 46, 160, 20);
    FindMod->setPlaceholderText(QStringLiteral("Find by name"));
    FindMod->setClearButtonEnabled(true);
    FindMod->setToolTip(QStringLiteral("Lists the objects of the whole map whose names hold "
                                       "this text; Enter selects them all"));
    ListMod = Named(new QListWidget(tab), "ListMod");
    ListMod->setGeometry(4, 68, 160, 48);
    Label5 = MakeLabel(tab, "Label5", "Select Object By RMB:", 172, 4);
    Button1 = MakeButton(tab, "Button1", "Delete", QRect(172, 20, 77, 24));
    Button6 = MakeButton(tab, "Button6", "Undelete", QRect(253, 20, 77, 24));
    Button2 = MakeButton(tab, "Button2", "Copy", QRect(172, 52, 50, 24));
    Button3 = MakeButton(tab, "Button3", "Cut", QRect(226, 52, 50, 24));
    Button4 = MakeButton(tab, "Button4", "Paste", QRect(280, 52, 50, 24));
    Groups = new TGroupToggles(tab);
    Groups->move(172, 80);
    ValMod = MakeGrid(tab, "ValMod", QRect(4, 120, 327, 204), 15);
    ValMod->SetColumnWidths(150, 165);
}

void TModifyPage::Connect() {
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
    connect(FindMod, &QLineEdit::textChanged, this, Guarded([this] { FillModList(); }));
    connect(FindMod, &QLineEdit::returnPressed, this, Guarded([this] { SelectFound(); }));
    Groups->OnHidden = [this](const std::string& group, bool hidden) {
        RunGuarded([&] { window_.Document->SetGroupHidden(group, hidden); });
    };
    Groups->OnLocked = [this](const std::string& group, bool locked) {
        RunGuarded([&] { window_.Document->SetGroupLocked(group, locked); });
    };
}

void TModifyPage::Disconnect() {
    ValMod->OnValidate = nullptr;
    ValMod->OnKeyDown = nullptr;
    Groups->OnHidden = nullptr;
    Groups->OnLocked = nullptr;
    for (QObject* control : std::initializer_list<QObject*>{
             ComboMod, FindMod, ListMod, ValMod, Button1, Button6, Button2, Button3, Button4})
        QObject::disconnect(control, nullptr, this, nullptr);
}

// ---------------------------------------------------------------------------------------------
// The lists of the objects in view

void TModifyPage::FillModGroups() {
    const QSignalBlocker blocker(ComboMod);
    ComboMod->clear();
    std::vector<std::string> groups;
    for (const TBaseInfo* record : window_.Document->ObjectsIn(ViewRect(window_.WorldX), {})) {
        if (!TextInList(record->Group, groups)) {
            groups.push_back(record->Group.str());
            ComboMod->addItem(ToQString(record->Group));
        }
    }
    ComboMod->setCurrentIndex(ComboMod->count() > 0 ? 0 : -1);
}

void TModifyPage::FillModList() {
    const QSignalBlocker blocker(ListMod);
    const int highlighted = ListMod->currentRow();
    ListMod->clear();
    listed_.clear();
    if (Finding()) {
        FillFound();
        return;
    }
    if (window_.AddNew->ComboObj->count() == 0)
        return;
    if (ModGroup.empty() && ComboMod->count() > 0) {
        ModGroup = ComboMod->itemText(0).toStdString();
        const QSignalBlocker comboBlocker(ComboMod);
        ComboMod->setCurrentIndex(0);
    }
    if (ModGroup.empty())
        return;
    listed_ = window_.Document->ObjectsIn(ViewRect(window_.WorldX), ModGroup);
    for (const TBaseInfo* record : listed_)
        ListMod->addItem(ToQString(record->Name));
    if (highlighted < ListMod->count())
        ListMod->setCurrentRow(highlighted);
}

bool TModifyPage::Finding() const {
    return !FindMod->text().trimmed().isEmpty();
}

std::vector<TBaseInfo*> TModifyPage::Found() const {
    const std::string wanted = FoldedKey(FindMod->text().trimmed().toStdString());
    std::vector<TBaseInfo*> found;
    for (TBaseInfo* record : window_.Map().Objects)
        if (FoldedKey(record->Name.str()).find(wanted) != std::string::npos)
            found.push_back(record);
    return found;
}

void TModifyPage::FillFound() {
    const std::vector<TBaseInfo*> found = Found();
    const size_t shown = std::min(found.size(), kMaxFoundListed);
    listed_.assign(found.begin(), found.begin() + static_cast<ptrdiff_t>(shown));
    for (const TBaseInfo* record : listed_)
        ListMod->addItem(
            ToQString(Format("%s (%d, %d)", record->Name.c_str(), record->Left, record->Top)));
    if (found.size() > shown) {
        auto* more = new QListWidgetItem(ToQString(
            Format("... %d more (Enter selects all)", static_cast<int>(found.size() - shown))));
        more->setFlags(Qt::NoItemFlags);
        ListMod->addItem(more);
    }
    ShowSelectionInLists();
}

void TModifyPage::SelectFound() {
    std::vector<TBaseInfo*> pickable;
    for (TBaseInfo* record : Found())
        if (window_.Document->Groups().Pickable(*record))
            pickable.push_back(record);
    window_.Document->SelectAll(pickable);
}

void TModifyPage::SelectAllOfGroup(bool allGroups) {
    if (!allGroups && ModGroup.empty())
        return;
    // The whole world, not only the view: "all torches of the cave" lie beyond it.
    constexpr TRect world{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    window_.Document->SelectAll(window_.Document->PickableIn(world, allGroups ? "" : ModGroup));
}

void TModifyPage::ComboModSelect() {
    ModGroup = ComboMod->currentText().toStdString();
    FillModList();
}

void TModifyPage::ListModClick() {
    SelectFromModList();
}

void TModifyPage::SelectFromModList() {
    const int wanted = ListMod->currentRow();
    if (wanted < 0 || wanted >= static_cast<int>(listed_.size()))
        return;
    TBaseInfo* record = listed_[static_cast<size_t>(wanted)];
    // A found object may lie anywhere in the world: the view goes to it first.
    if (Finding() && !window_.IsInView(record))
        window_.ScrollTo(SaturateToInt32(int64_t{record->Left} -
                                         (TEditF::ScreenWidth - int64_t{record->Width}) / 2));
    if (window_.Document->Groups().Pickable(*record))
        window_.Document->Select(record);
}

void TModifyPage::ShowSelectionInLists() {
    const QSignalBlocker listBlocker(ListMod);
    const TBaseInfo* selected = window_.Selected();
    if (Finding() || !selected || !window_.IsInView(selected)) {
        const auto found = std::find(listed_.begin(), listed_.end(), selected);
        ListMod->setCurrentRow(
            !selected || found == listed_.end() ? -1 : static_cast<int>(found - listed_.begin()));
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
    const auto found = std::find(listed_.begin(), listed_.end(), selected);
    ListMod->setCurrentRow(found == listed_.end() ? -1 : static_cast<int>(found - listed_.begin()));
}

// ---------------------------------------------------------------------------------------------
// The property grid

void TModifyPage::ShowSelected() {
    ValMod->ClearRows();
    if (window_.Selected())
        FillProperties();
}

void TModifyPage::FillProperties() {
    window_.Status->ShowSelection(window_.Selected());
    if (!window_.Selected()) {
        ValMod->ClearRows();
        return;
    }
    // Several objects show the rows they share, empty where their values differ.
    ValMod->SetRows(window_.Document->SelectionRows());
}

void TModifyPage::RefreshModify() {
    FillModGroups();
    ComboModSelect();
    FillProperties();
}

// The document applies the value, remakes the view object and tells DocumentChanged, which
// shows the record again (clamped values and reverted read-only rows included).
void TModifyPage::ViewMoved() {
    FillProperties();
    FillModGroups();
    const int group = ComboMod->findText(ToQString(ModGroup), Qt::MatchFixedString);
    if (group >= 0) {
        const QSignalBlocker blocker(ComboMod);
        ComboMod->setCurrentIndex(group);
    } else {
        ModGroup.clear();
    }
    FillModList();
}

void TModifyPage::LayOut(int taller) {
    // The object list takes a third of the extra height, the grid the rest.
    ListMod->resize(ListMod->width(), 48 + taller / 3);
    ValMod->setGeometry(ValMod->x(), 120 + taller / 3, ValMod->width(), 204 + taller - taller / 3);
}

void TModifyPage::ValModValidate(int /*column*/, int /*row*/, const std::string& key,
                                 const std::string& value) {
    if (!window_.Selected()) {
        FillProperties();
        return;
    }
    window_.Document->SetObjectProperty(key, value);
}

void TModifyPage::ValModKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    ValModValidate(ValMod->Col(), ValMod->Row(), ValMod->CurrentKey(), ValMod->CurrentValue());
}

void TModifyPage::ValModEditButtonClick() {
    if (!window_.Selected())
        return;
    if (TextEquals(ValMod->CurrentKey(), kPropTexture)) {
        window_.OpenPD->InitialDir = BaseFolder() + "Data\\Graphic";
        if (window_.OpenPD->Execute())
            window_.Document->SetObjectTexture(
                RelativeDataPath(BaseFolder() + "Data\\Graphic\\", window_.OpenPD->FileName));
    }
    if (window_.Selected() && TextEquals(ValMod->CurrentKey(), kPropColor)) {
        // Only the colour is chosen; each object keeps its alpha.
        window_.ColorD->Color = window_.Selected()->Color & 0x00FFFFFFu;
        if (window_.ColorD->Execute())
            window_.Document->SetObjectRgb(window_.ColorD->Color & 0x00FFFFFFu);
    }
}

// ---------------------------------------------------------------------------------------------
// Delete, Undelete, Copy, Cut and Paste (the document tells DocumentChanged, which refreshes
// the page)

void TModifyPage::Button1Click() {
    window_.Document->DeleteSelected();
}

void TModifyPage::Button6Click() {
    window_.Document->Undelete();
}

void TModifyPage::Button2Click() {
    if (std::unique_ptr<QMimeData> data = window_.Document->SelectionMimeData())
        QGuiApplication::clipboard()->setMimeData(data.release());
}

void TModifyPage::Button3Click() {
    if (!window_.Selected())
        return;
    Button2Click();
    window_.Document->CutSelected();
}

void TModifyPage::Button4Click() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    std::vector<std::unique_ptr<TBaseInfo>> records;
    try {
        if (!data)
            throw EError("The clipboard is empty");
        records = ObjectsFromMimeData(*data, window_.Document->Catalogue());
    } catch (const EError& error) {
        ShowMessageBox(std::string(error.what()) + ": nothing was pasted.");
        return;
    }
    const TPoint at = PastePoint(*records.front());
    window_.Document->Paste(std::move(records), at.X, at.Y);
}

TPoint TModifyPage::PastePoint(const TBaseInfo& first) const {
    const TPoint p = window_.MousePos();
    if (window_.HasGraphics() && p.X >= 0 && p.X < TEditF::ScreenWidth && p.Y >= 0 &&
        p.Y < TEditF::ScreenHeight)
        return TPoint{AddSaturated(window_.WorldX, p.X), p.Y};
    return TPoint{AddSaturated(window_.WorldX, TEditF::ScreenWidth / 2 - first.Width / 2),
                  TEditF::ScreenHeight / 2 - first.Height / 2};
}

} // namespace tv
