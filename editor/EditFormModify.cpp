// The "Modify" page: choosing a placed object from the lists of the objects in view, its
// property grid, the texture and colour pickers, Delete and Undelete.
#include "editor/EditForm.h"

#include "editor/Convert.h"
#include "editor/EditorApp.h"
#include "editor/ListKeys.h"
#include "engine/DXObj.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QComboBox>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <array>
#include <cfloat>
#include <cmath>

namespace tv {

namespace {

// The rows of the property grid, in the order they are first written.
constexpr const char* kPropName = "Name";
constexpr const char* kPropClass = "Class";
constexpr const char* kPropLeft = "left";
constexpr const char* kPropTop = "Top";
constexpr const char* kPropTexture = "Texture";
constexpr const char* kPropWidth = "Width";
constexpr const char* kPropHeight = "Height";
constexpr const char* kPropColor = "Color";
constexpr const char* kPropZ = "Z";
constexpr const char* kPropSpeed = "Speed";
constexpr const char* kPropFrameWidth = "Frame Width";
constexpr const char* kPropFrameHeight = "Frame Height";
constexpr const char* kPropBlend = "Blend";

// The names of TDXBlend, lowest value first.
constexpr std::array<const char*, 2> kBlendNames = {"bl_normal", "bl_add"};
static_assert(bl_normal == 0 && bl_add == 1);

// Speeds are shown and read with the user's decimal separator and no digit grouping.
QLocale SpeedLocale() {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

std::string SpeedText(float speed) {
    return SpeedLocale().toString(static_cast<double>(speed), 'f', 4).toStdString();
}

// A speed must fit the record's 32-bit float.
float StrToSpeed(const std::string& text) {
    bool ok = false;
    const double value = SpeedLocale().toDouble(ToQString(text), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
        throw EError("'" + text + "' is not a valid floating point value");
    return static_cast<float>(value);
}

std::string BlendText(uint8_t blend) {
    return blend < kBlendNames.size() ? kBlendNames[blend] : Format("%d", blend);
}

// Only the named values are taken: the byte holds nothing else the view could draw with.
uint8_t StrToBlend(const std::string& text) {
    for (size_t value = 0; value < kBlendNames.size(); ++value)
        if (TextEquals(text, kBlendNames[value]))
            return static_cast<uint8_t>(value);
    throw EError("'" + text + "' is not a valid blend mode: use bl_normal or bl_add");
}

} // namespace

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
}

void TEditF::DisconnectPages() {
    // Nothing the page controls do while they are taken down reaches the window any more.
    ValMod->OnValidate = nullptr;
    ValMod->OnKeyDown = nullptr;
    for (QObject* control : std::initializer_list<QObject*>{ListObj, Button5, ComboMod, ListMod,
                                                            ValMod, Button1, Button6})
        QObject::disconnect(control, nullptr, this, nullptr);
}

// ---------------------------------------------------------------------------------------------
// The lists of the objects in view

void TEditF::FillModGroups() {
    const QSignalBlocker blocker(ComboMod);
    ComboMod->clear();
    std::vector<std::string> groups;
    for (const TBaseInfo* record : CurrentMap->Objects) {
        if (IsInView(record) && !TextInList(record->Group, groups)) {
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
    for (const TBaseInfo* record : CurrentMap->Objects)
        if (IsInView(record) && TextEquals(record->Group, ModGroup))
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
    int index = 0;
    for (TBaseInfo* record : CurrentMap->Objects) {
        if (!IsInView(record) || !TextEquals(record->Group, ModGroup))
            continue;
        if (index++ == wanted) {
            Selected = record;
            break;
        }
    }
    ShowSelected();
}

// ---------------------------------------------------------------------------------------------
// The property grid

void TEditF::ShowSelected() {
    ValMod->ClearRows();
    if (Selected)
        FillProperties();
}

void TEditF::FillProperties() {
    if (!Selected) {
        ValMod->ClearRows();
        return;
    }
    const TBaseInfo& r = *Selected;
    ValMod->SetValue(kPropName, r.Name);
    ValMod->SetValue(kPropClass, r.ClassName());
    ValMod->SetValue(kPropLeft, Format("%d", r.Left));
    ValMod->SetValue(kPropTop, Format("%d", r.Top));
    ValMod->SetValue(kPropTexture, r.Texture);
    ValMod->SetEditStyle(kPropTexture, TValueListEditor::TEditStyle::Ellipsis);
    ValMod->SetValue(kPropWidth, Format("%d", r.Width));
    ValMod->SetValue(kPropHeight, Format("%d", r.Height));
    ValMod->SetValue(kPropColor, Format("%X", r.Color));
    ValMod->SetEditStyle(kPropColor, TValueListEditor::TEditStyle::Ellipsis);
    ValMod->SetValue(kPropZ, Format("%d", r.Z));
    ValMod->SetValue(kPropSpeed, SpeedText(r.Speed));
    ValMod->SetValue(kPropFrameWidth, Format("%d", r.FrameWidth));
    ValMod->SetValue(kPropFrameHeight, Format("%d", r.FrameHeight));
    ValMod->SetValue(kPropBlend, BlendText(r.Blend));
    ValMod->SetEditStyle(kPropBlend, TValueListEditor::TEditStyle::PickList);
    ValMod->SetPickList(kPropBlend,
                        std::vector<std::string>(kBlendNames.begin(), kBlendNames.end()));
}

void TEditF::RefreshModify() {
    FillModGroups();
    ComboModSelect();
    FillProperties();
}

void TEditF::ValModValidate(int /*column*/, int /*row*/, const std::string& key,
                            const std::string& value) {
    if (!Selected) {
        FillProperties();
        return;
    }
    TBaseInfo& r = *Selected;
    const int32_t maxWorldX = CurrentMap->MaxWorldX;
    // Numbers are taken only from a text that is there; a failed conversion raises before
    // anything changes.
    const bool given = !value.empty();
    if (TextEquals(key, kPropName))
        r.Name = value;
    else if (TextEquals(key, kPropLeft)) {
        if (given)
            r.Left = Clamp(StrToInt(value), 0, maxWorldX);
    } else if (TextEquals(key, kPropTop)) {
        if (given)
            r.Top = Clamp(StrToInt(value), 0, ScreenHeight);
    } else if (TextEquals(key, kPropWidth)) {
        if (given)
            r.Width = Clamp(StrToInt(value), 0, maxWorldX);
    } else if (TextEquals(key, kPropHeight)) {
        if (given)
            r.Height = Clamp(StrToInt(value), 0, ScreenHeight);
    } else if (TextEquals(key, kPropColor)) {
        if (given)
            r.Color = static_cast<uint32_t>(StrToInt("$" + value));
    } else if (TextEquals(key, kPropZ)) {
        if (given)
            r.Z = StrToInt(value);
    } else if (TextEquals(key, kPropSpeed)) {
        if (given)
            r.Speed = StrToSpeed(value);
    } else if (TextEquals(key, kPropBlend)) {
        r.Blend = StrToBlend(value);
    }
    // The grid shows the record as it now is also when its view object cannot be made, so
    // the designer is not held in the row by a texture that does not load.
    try {
        RefreshSelectedView();
    } catch (...) {
        FillProperties();
        throw;
    }
    FillProperties();
}

void TEditF::ValModKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    ValModValidate(ValMod->Col(), ValMod->Row(), ValMod->CurrentKey(), ValMod->CurrentValue());
}

void TEditF::ValModEditButtonClick() {
    if (!Selected)
        return;
    if (TextEquals(ValMod->CurrentKey(), kPropTexture)) {
        OpenPD->InitialDir = BaseFolder() + "Data\\Graphic";
        if (OpenPD->Execute()) {
            Selected->Texture =
                RelativeDataPath(BaseFolder() + "Data\\Graphic\\", OpenPD->FileName);
            FillProperties();
            RefreshSelectedView();
        }
    }
    if (Selected && TextEquals(ValMod->CurrentKey(), kPropColor)) {
        // Only the colour is chosen; the alpha stays as it was.
        const uint32_t alpha = Selected->Color & 0xFF000000u;
        ColorD->Color = Selected->Color & 0x00FFFFFFu;
        if (ColorD->Execute()) {
            Selected->Color = alpha | (ColorD->Color & 0x00FFFFFFu);
            FillProperties();
            RefreshSelectedView();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Delete and Undelete

void TEditF::Button1Click() {
    if (!Selected)
        return;
    std::unique_ptr<TBaseInfo> record = CurrentMap->Objects.Extract(Selected);
    MarkViewsDead(Selected);
    if (record)
        Deleted = CloneInfo(*record);
    record.reset();
    Selected = nullptr;
    RefreshModify();
}

void TEditF::Button6Click() {
    if (!Deleted)
        return;
    TBaseInfo* record = CurrentMap->AddObjectSorted(CloneInfo(*Deleted));
    // The copy is in the map now: a view object that cannot be made must not leave a second
    // copy behind for another Undelete.
    Deleted.reset();
    CreateView(record);
    RefreshModify();
}

} // namespace tv
