#pragma once

#include "document/MapScene.h"
#include "editor/Dialogs.h"
#include "editor/ValueListEditor.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"

#include <QFont>
#include <QWidget>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace tv {

class TCustomDXTimer;
class TD3DXFont;
class TD3DXSprite;
class TDXTimer;
class TMapViewHost;
class TWindowCursorControl;

// The editor's main window: the map view on the left with its scrolling controls, the tool
// bar and the pages "Add New", "Modify" and "Map Vars" on the right. It owns the object
// catalogue and the map being edited; every change goes to CurrentMap at once.
class TEditF : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScreenWidth = 800;
    static constexpr int ScreenHeight = 600;
    static constexpr int ClientWidth = 792;
    static constexpr int ClientHeight = 400;
    static constexpr int MaxMapWidth = 50000;

    // The base folder is the folder above the program's own.
    explicit TEditF(QWidget* parent = nullptr);
    // Starts on a given base folder (ending in a separator).
    explicit TEditF(const std::string& baseFolder, QWidget* parent = nullptr);
    ~TEditF() override;

    // --- window-level state ---
    std::unique_ptr<TObjMgr> ObjMgr;
    std::unique_ptr<TMap> CurrentMap;
    QFont TextFont;
    bool CloseAllowed = false;
    std::string AddGroup;
    std::string ModGroup;
    TBaseInfo* Selected = nullptr;
    TBaseInfo* NewType = nullptr;
    int32_t WorldX = 0;
    std::unique_ptr<TBaseInfo> Deleted;
    bool Dragging = false;
    // The failure that left the editor without a catalogue; empty when it was read.
    std::string CatalogueError;

    // --- controls ---
    QWidget* View = nullptr;
    QLabel* XPanel = nullptr;
    QPushButton* XPrev = nullptr;
    QPushButton* XNext = nullptr;
    QPushButton* XJump = nullptr;
    QSpinBox* EdJump = nullptr;

    QFrame* Panelus = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SaveBtn = nullptr;
    QToolButton* SaveAsBtn = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* BtnHelp = nullptr;
    QMenu* PopHelp = nullptr;
    QAction* EditorHelp1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* PopExit = nullptr;
    QAction* SaveAndExit1 = nullptr;
    QAction* Exit1 = nullptr;

    QTabWidget* Pages = nullptr;
    QWidget* TabAdd = nullptr;
    QWidget* TabModify = nullptr;
    QWidget* Tabvars = nullptr;
    QWidget* TabSheet4 = nullptr;

    // Add New page
    QLabel* Label1 = nullptr;
    QComboBox* ComboObj = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListObj = nullptr;
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

    // Modify page
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

    // Map Vars page
    TValueListEditor* ValMap = nullptr;

    // Dialog components
    TFileDialog* OpenD = nullptr;
    TFileDialog* SaveD = nullptr;
    TFileDialog* OpenPD = nullptr;
    TColorDialog* ColorD = nullptr;
    TFileDialog* OpenMD = nullptr;

    // --- window ---
    void RefreshAll();
    void UpdateTitle();
    void UpdateWorldX();
    // The folder maps are opened from and saved to (data-style, no trailing separator).
    std::string MapFolder() const;

    // --- Add New page ---
    void FillObjGroups();
    void FillObjList();
    void ComboObjSelect();
    // Placing objects (EditFormAddNew.cpp).
    void ListObjClick();
    void ShowPreview();
    void AddAtCursor();
    void Button5Click();
    // "Add" places at most this many copies at once; a larger count is refused.
    static constexpr int MaxAddCount = 10000;
    // Candidate places an entity copy of "Add" gets before it is given up.
    static constexpr int MaxPlaceAttempts = 10000;

    // --- Modify page (EditFormModify.cpp) ---
    void FillModGroups();
    void FillModList();
    void ComboModSelect();
    void ListModClick();
    void SelectFromModList();
    void ShowSelected();
    void FillProperties();
    void RefreshModify();
    void ValModValidate(int column, int row, const std::string& key, const std::string& value);
    void ValModKeyDown(int key);
    void ValModEditButtonClick();
    void Button1Click();
    void Button6Click();

    // --- Map Vars page ---
    void FillMapVars();
    void ValMapValidate(int column, int row, const std::string& key, const std::string& value);
    void ValMapKeyDown(int key);
    void ValMapEditButtonClick();
    void PagesChange(int index);

    // --- map file commands ---
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SaveBtnClick();
    void SaveAsBtnClick();
    void SpeedButton3Click();
    void PopExitPopup();
    void SaveAndExit1Click();
    void Exit1Click();
    void FormCloseQuery(bool& canClose);
    void BtnHelpClick();
    void About1Click();
    // Applies a value typed into a grid and not yet applied; false when it did not apply.
    bool CommitPendingEdits();

    // --- map view (the device set-up, the frame, the view objects, scrolling, the mouse) ---
    TDXTimer* Timer = nullptr;
    PD3DDevice Device;
    PD3DObject D3D;
    std::shared_ptr<TD3DXFont> InfoFont;
    std::shared_ptr<TD3DXSprite> Sprite;
    // The view objects, the selection frame and the matrices; made by InitGraphics.
    std::unique_ptr<TMapScene> Scene;
    // What fills the View panel: the device's window, or the notice that there is no device.
    std::unique_ptr<TMapViewHost> ViewHost;
    std::unique_ptr<TWindowTarget> ViewTarget;
    // The view objects in ascending Z (Scene->Views).
    TViewList& Views();
    // False when the view has no graphics device: nothing is drawn and the mouse in the
    // view does nothing; the view says so.
    bool HasGraphics() const;
    void InitGraphics();
    void SetupRenderState();
    void ResetDevice();
    void SetProjection();
    void DoFrame(TCustomDXTimer* sender, int lagCount);
    void DrawObjects();
    void DrawFrameRate();
    // Makes the view object of a record (raises "Error when loading texture." and makes
    // nothing when its texture cannot be loaded).
    TWrapper* CreateView(TBaseInfo* record);
    void RebuildViews();
    // Replaces the view object of Selected.
    void RefreshSelectedView();
    // Sets Dead on the view objects of a record; they go at the next frame.
    void MarkViewsDead(const TBaseInfo* record);
    bool IsInView(const TBaseInfo* record) const;
    void PinBackgrounds();
    // The mouse in logical screen units (800 x 600 over the view); (0, 0) without a device.
    TPoint MousePos() const;
    void XPrevClick();
    void XNextClick();
    void XJumpClick();
    void ViewMouseDown(Qt::MouseButton button);
    void ViewMouseMove(Qt::MouseButtons buttons);
    void ViewMouseUp(Qt::MouseButton button);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void BuildAddPage();
    void BuildModifyPage();
    void BuildVarsPage();
    void BuildToolBar();
    void ConnectHandlers();
    void FormCreate(const std::string& baseFolder);
    void FormDestroy();
    void ShowCatalogueState();
    // The page handlers of Add New and Modify (EditFormAddNew.cpp, EditFormModify.cpp).
    void ConnectAddNewPage();
    void ConnectModifyPage();
    void DisconnectPages();
    void FormActivate();
    void BuildView();

    std::unique_ptr<TWindowCursorControl> CursorControl;
};

} // namespace tv
