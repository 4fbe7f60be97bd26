#pragma once

// The "Modify" page: the lists of the objects in view by group, the property grid of the
// selection, the texture and colour pickers, Delete, Undelete, Copy, Cut and Paste.

#include "mapdata/Geometry.h"

#include <QObject>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace tv {

class TBaseInfo;
class TEditF;
class TValueListEditor;

class TModifyPage : public QObject {
public:
    TModifyPage(TEditF& window, QWidget* tab);

    QLabel* Label4 = nullptr;
    QComboBox* ComboMod = nullptr;
    QListWidget* ListMod = nullptr;
    QLabel* Label5 = nullptr;
    TValueListEditor* ValMod = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;

    // The group the list shows.
    std::string ModGroup;

    void FillModGroups();
    void FillModList();
    void ComboModSelect();
    void ListModClick();
    void SelectFromModList();
    // The lists show the selected object (its group and its entry), or no entry when nothing
    // in view is selected.
    void ShowSelectionInLists();
    void ShowSelected();
    void FillProperties();
    void RefreshModify();
    // After a scroll: the groups follow the objects now in view; the chosen one stays while
    // it is there.
    void ViewMoved();
    // The pages' extra height over their base height goes to the list and the grid.
    void LayOut(int taller);
    void ValModValidate(int column, int row, const std::string& key, const std::string& value);
    void ValModKeyDown(int key);
    void ValModEditButtonClick();
    // Delete, Undelete, Copy, Cut and Paste (through the system clipboard).
    void Button1Click();
    void Button6Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Disconnect();

private:
    void Build(QWidget* tab);
    void Connect();
    // The world point a paste puts the first object's top-left corner at: the mouse when it is
    // over the view, else the view's centre less half the object.
    TPoint PastePoint(const TBaseInfo& first) const;

    TEditF& window_;
};

} // namespace tv
