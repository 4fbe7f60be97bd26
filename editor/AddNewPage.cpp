// The "Add New" page: browsing the catalogue, the preview of the chosen type, and placing
// copies of it by a click in the view or many at once with "Add".
#include "editor/AddNewPage.h"

#include "editor/EditForm.h"
#include "editor/FormControls.h"
#include "editor/ValueListEditor.h"

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
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
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

TAddNewPage::TAddNewPage(TEditF& window, QWidget* tab) : QObject(tab), window_(window) {
    Build(tab);
    Connect();
}

void TAddNewPage::Build(QWidget* tab) {
    Label1 = MakeLabel(tab, "Label1", "Select Obj Group:", 4, 4);
    ComboObj = Named(new QComboBox(tab), "ComboObj");
    ComboObj->setEditable(false);
    ComboObj->setGeometry(4, 20, 150, 22);
    Label2 = MakeLabel(tab, "Label2", "Select Obj >>:", 4, 46);
    ListObj = Named(new QListWidget(tab), "ListObj");
    ListObj->setGeometry(4, 62, 150, 148);

    // Shown in place of the type list when the catalogue could not be read.
    NoCatalogueLabel = Named(new QLabel(tab), "NoCatalogueLabel");
    NoCatalogueLabel->setGeometry(4, 62, 150, 148);
    NoCatalogueLabel->setWordWrap(true);
    NoCatalogueLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NoCatalogueLabel->setMargin(4);
    NoCatalogueLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    NoCatalogueLabel->setAutoFillBackground(true);
    QPalette alarm = NoCatalogueLabel->palette();
    alarm.setColor(QPalette::Window, Qt::white);
    alarm.setColor(QPalette::WindowText, QColor(200, 0, 0));
    NoCatalogueLabel->setPalette(alarm);
    NoCatalogueLabel->hide();

    Panel1 = MakePanel(tab, "Panel1", QRect(160, 4, 171, 20));
    Label3 = MakeLabel(Panel1, "Label3", "Object Preview:", 4, 3);
    Prev = MakeGrid(tab, "Prev", QRect(160, 26, 171, 76), 14);
    Prev->SetColumnWidths(52, 115);
    Prev->SetEditing(false);
    Imgprev = Named(new QLabel(tab), "Imgprev");
    Imgprev->setGeometry(198, 106, 96, 105);
    Imgprev->setScaledContents(true);

    Panel2 = MakePanel(tab, "Panel2", QRect(4, 216, 327, 108));
    Label6 = MakeLabel(Panel2, "Label6", "Add More:", 6, 4);
    Label7 = MakeLabel(Panel2, "Label7", "Count:", 6, 26);
    Label9 = MakeLabel(Panel2, "Label9", "Add More:", 60, 25);
    SpinCount = MakeSpin(Panel2, "SpinCount", 5, QRect(58, 22, 90, 20));
    Label8 = MakeLabel(Panel2, "Label8", "Start X:", 6, 48);
    SpinSX = MakeSpin(Panel2, "SpinSX", 100, QRect(58, 44, 90, 20));
    Label10 = MakeLabel(Panel2, "Label10", "End X:", 6, 70);
    SpinEX = MakeSpin(Panel2, "SpinEX", 1000, QRect(58, 66, 90, 20));
    Label11 = MakeLabel(Panel2, "Label11", "Start Y:", 164, 48);
    SpinSY = MakeSpin(Panel2, "SpinSY", 200, QRect(226, 44, 90, 20));
    Label12 = MakeLabel(Panel2, "Label12", "End Y:", 164, 70);
    SpinEY = MakeSpin(Panel2, "SpinEY", 400, QRect(226, 66, 90, 20));
    CheckRX = Named(new QCheckBox(QStringLiteral("Rand X"), Panel2), "CheckRX");
    CheckRX->setGeometry(58, 88, 90, 17);
    CheckRX->setChecked(true);
    CheckRY = Named(new QCheckBox(QStringLiteral("Rand Y"), Panel2), "CheckRY");
    CheckRY->setGeometry(226, 88, 90, 17);
    CheckRY->setChecked(true);
    for (QCheckBox* box : {CheckRX, CheckRY}) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        box->setPalette(palette);
    }
    Button5 = MakeButton(Panel2, "Button5", "Add", QRect(226, 18, 90, 24));
}

void TAddNewPage::Connect() {
    connect(ComboObj, &QComboBox::activated, this, Guarded([this](int) { ComboObjSelect(); }));
    connect(ListObj, &QListWidget::itemClicked, this, Guarded([this] { ListObjClick(); }));
    new TListKeys(ListObj);
    connect(ListObj, &QListWidget::currentRowChanged, this, Guarded([this] {
                if (TListKeys::ChangedByKey(ListObj))
                    ListObjClick();
            }));
    connect(Button5, &QPushButton::clicked, this, Guarded([this] { Button5Click(); }));
}

void TAddNewPage::Disconnect() {
    for (QObject* control : std::initializer_list<QObject*>{ComboObj, ListObj, Button5})
        QObject::disconnect(control, nullptr, this, nullptr);
}

void TAddNewPage::ShowCatalogueState(const std::string& catalogueError) {
    const bool failed = !catalogueError.empty();
    NoCatalogueLabel->setText(failed ? QStringLiteral("No object catalogue: ") +
                                           ToQString(ErrorBoxText(catalogueError)) +
                                           QStringLiteral("\n\nAdding objects is off.")
                                     : QString());
    NoCatalogueLabel->setVisible(failed);
    ListObj->setVisible(!failed);
    ComboObj->setEnabled(!failed);
    Panel2->setEnabled(!failed);
}

void TAddNewPage::FillObjGroups() {
    ComboObj->clear();
    std::vector<std::string> groups;
    for (const TBaseInfo* record : window_.ObjMgr->List) {
        if (!TextInList(record->Group, groups)) {
            groups.push_back(record->Group.str());
            ComboObj->addItem(ToQString(record->Group));
        }
    }
    ComboObj->setCurrentIndex(ComboObj->count() > 0 ? 0 : -1);
}

void TAddNewPage::FillObjList() {
    ListObj->clear();
    if (AddGroup.empty() && ComboObj->count() > 0) {
        AddGroup = ComboObj->itemText(0).toStdString();
        ComboObj->setCurrentIndex(0);
    }
    if (AddGroup.empty())
        return;
    // The highlight shows the type a click or "Add" places, when this group lists it: a
    // highlight on another row would show a type that is not the one placed.
    int placed = -1;
    for (const TBaseInfo* record : window_.ObjMgr->List) {
        if (!TextEquals(record->Group, AddGroup))
            continue;
        if (record == NewType)
            placed = ListObj->count();
        ListObj->addItem(ToQString(record->Name));
    }
    const QSignalBlocker blocker(ListObj);
    ListObj->setCurrentRow(placed);
}

void TAddNewPage::ComboObjSelect() {
    AddGroup = ComboObj->currentText().toStdString();
    FillObjList();
}

void TAddNewPage::ListObjClick() {
    ShowPreview();
}

void TAddNewPage::ShowPreview() {
    const int index = ListObj->currentRow();
    if (index < 0)
        return;
    TBaseInfo* type = window_.ObjMgr->FindByName(ListObj->item(index)->text().toStdString());
    if (!type)
        return;
    NewType = type;

    // Without a graphics device there is no texture to show; the values still are.
    if (NewType->Texture.empty() || !window_.HasGraphics() || !TextureMgr) {
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

void TAddNewPage::Button5Click() {
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
    const int notPlaced = window_.Document->AddCopies(*NewType, count, placement);
    if (notPlaced > 0)
        ShowMessageBox(Format("%d of %d objects could not be placed: no free place outside solid "
                              "decorations was found in the given range.",
                              notPlaced, count));
}

} // namespace tv
