// The "Map Vars" page: the map's variables in a grid; the theme music is chosen from a file.
#include "editor/MapVarsPage.h"

#include "document/Properties.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/FormControls.h"
#include "editor/ValueListEditor.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

namespace tv {

TMapVarsPage::TMapVarsPage(TEditF& window, QWidget* tab) : QObject(tab), window_(window) {
    Build(tab);
    Connect();
}

void TMapVarsPage::Build(QWidget* tab) {
    ValMap = MakeGrid(tab, "ValMap", QRect(4, 4, 327, 320), 15);
    ValMap->SetColumnWidths(150, 165);
}

void TMapVarsPage::Connect() {
    ValMap->OnValidate = [this](int column, int row, const std::string& key,
                                const std::string& value) {
        ValMapValidate(column, row, key, value);
    };
    ValMap->OnKeyDown = [this](int key) { ValMapKeyDown(key); };
    connect(ValMap, &TValueListEditor::editButtonClicked, this,
            Guarded([this] { ValMapEditButtonClick(); }));
}

void TMapVarsPage::Disconnect() {
    ValMap->OnValidate = nullptr;
    ValMap->OnKeyDown = nullptr;
    QObject::disconnect(ValMap, nullptr, this, nullptr);
}

void TMapVarsPage::FillMapVars() {
    ValMap->SetRows(MapVarRows(MapVarsOf(window_.Map())));
}

void TMapVarsPage::ValMapValidate(int /*column*/, int /*row*/, const std::string& key,
                                  const std::string& value) {
    window_.Document->SetMapVar(key, value);
}

void TMapVarsPage::ValMapKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    ValMapValidate(ValMap->Col(), ValMap->Row(), ValMap->CurrentKey(), ValMap->CurrentValue());
}

void TMapVarsPage::ValMapEditButtonClick() {
    if (!TextEquals(ValMap->CurrentKey(), kVarThemeMusic))
        return;
    window_.OpenMD->InitialDir = BaseFolder() + "Data\\Music";
    if (!window_.OpenMD->Execute())
        return;
    window_.Document->SetThemeMusic(
        RelativeDataPath(BaseFolder() + "Data\\Music\\", window_.OpenMD->FileName));
}

} // namespace tv
