#pragma once

// The "Modify" page: the lists of the objects in view by group, the property grid of the
// selection, the texture and colour pickers, Delete, Undelete, Copy, Cut and Paste.

#include "mapdata/Geometry.h"

#include <QObject>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace tv {

class TBaseInfo;
class TEditF;
class TGroupToggles;
class TValueListEditor;

class TModifyPage : public QObject {
public:
    TModifyPage(TEditF& window, QWidget* tab);

    QLabel* Label4 = nullptr;
    QComboBox* ComboMod = nullptr;
    // Filters the list to the objects of the whole map whose names hold its text (letter
    // case ignored), listed with their position.
    QLineEdit* FindMod = nullptr;
    QListWidget* ListMod = nullptr;
    QLabel* Label5 = nullptr;
    TValueListEditor* ValMod = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    // Lock and hide by group.
    TGroupToggles* Groups = nullptr;
    // The find list shows at most this many entries; Enter still selects every match.
    static constexpr size_t kMaxFoundListed = 2000;

    // The group the list shows.
    std::string ModGroup;

    void FillModGroups();
    void FillModList();
    void ComboModSelect();
    void ListModClick();
    // Selects the listed object; a found one elsewhere in the world is scrolled to first.
    void SelectFromModList();
    // Ctrl+A: every pickable object of the group the page shows, in the whole map (of every
    // group with allGroups, Ctrl+Shift+A).
    void SelectAllOfGroup(bool allGroups);
    // Enter in the find field: every pickable object whose name matches.
    void SelectFound();
    bool Finding() const;
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
    // The objects whose names hold the find field's text, in map order.
    std::vector<TBaseInfo*> Found() const;
    void FillFound();

    // The objects the list shows, entry by entry.
    std::vector<TBaseInfo*> listed_;

    TEditF& window_;
};

} // namespace tv
