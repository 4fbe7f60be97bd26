#pragma once

// The "Add New" page: browsing the catalogue by group, the preview of the chosen type, and
// "Add" of many copies at once. A click in the view places the chosen type (NewType).

#include <QObject>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QWidget;

namespace tv {

class TBaseInfo;
class TEditF;
class TValueListEditor;

class TAddNewPage : public QObject {
public:
    // Builds the page's controls on the tab.
    TAddNewPage(TEditF& window, QWidget* tab);

    QLabel* Label1 = nullptr;
    QComboBox* ComboObj = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListObj = nullptr;
    // Shown in place of the type list when the catalogue could not be read.
    QLabel* NoCatalogueLabel = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QSpinBox* SpinCount = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label8 = nullptr;
    QSpinBox* SpinSX = nullptr;
    QLabel* Label10 = nullptr;
    QSpinBox* SpinEX = nullptr;
    QLabel* Label11 = nullptr;
    QSpinBox* SpinSY = nullptr;
    QLabel* Label12 = nullptr;
    QSpinBox* SpinEY = nullptr;
    QCheckBox* CheckRX = nullptr;
    QCheckBox* CheckRY = nullptr;
    QPushButton* Button5 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    TValueListEditor* Prev = nullptr;
    QLabel* Imgprev = nullptr;

    // The group the type list shows.
    std::string AddGroup;
    // The catalogue's type that a click in the view or "Add" places.
    TBaseInfo* NewType = nullptr;

    void FillObjGroups();
    void FillObjList();
    void ComboObjSelect();
    void ListObjClick();
    void ShowPreview();
    void Button5Click();
    // The type list, or in its place why there is no catalogue (empty: it was read).
    void ShowCatalogueState(const std::string& catalogueError);
    // Nothing the controls do while they are taken down reaches the page any more.
    void Disconnect();

private:
    void Build(QWidget* tab);
    void Connect();

    TEditF& window_;
};

} // namespace tv
