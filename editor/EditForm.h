#pragma once

#include "document/MapDocument.h"
#include "editor/Dialogs.h"
#include "editor/ValueListEditor.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"

#include <QFont>
#include <QWidget>
#include <memory>
#include <optional>
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
class QTimer;
class QToolButton;

namespace tv {

class TAddNewPage;
class TCustomDXTimer;
class TMapVarsPage;
class TModifyPage;
class TD3DXFont;
class TD3DXSprite;
class TDXTimer;
class TMapViewController;
class TMapViewFrames;
class TEngineSession;
class TMapViewHost;
class TWindowCloseWatch;
class TPlaySession;
class TRecentMenu;
class TPlaytestsPanel;
struct TPlaytest;
class TRecoveryStore;
class TOverviewStrip;
class TSnapControls;
class TStatusLine;
class TSpaceCommands;
class TViewScroller;
class TWindowCursorControl;

// The editor's main window: the map view on the left with its scrolling controls, the tool
// bar and the pages "Add New", "Modify" and "Map Vars" on the right. It owns the object
// catalogue and the map document; its handlers hand every edit to the document and refresh
// the pages from what the document says changed.
class TEditF : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScreenWidth = 800;
    static constexpr int ScreenHeight = 600;
    static constexpr int ClientWidth = 792;
    static constexpr int ClientHeight = 400;
    static constexpr int MaxMapWidth = 50000;
    // The view's size in the window as it opens.
    static constexpr int BaseViewWidth = 446;
    static constexpr int BaseViewHeight = 356;
    static constexpr int PagesWidth = 341;
    // The band under the scroll controls: the overview strip and the status line.
    static constexpr int OverviewHeight = 14;
    static constexpr int StatusHeight = 18;
    static constexpr int NavigationHeight = OverviewHeight + StatusHeight + 4;
    // How often a modified map is copied for recovery after a crash.
    static constexpr int RecoveryIntervalMs = 2 * 60 * 1000;

    // The base folder is the folder above the program's own.
    explicit TEditF(QWidget* parent = nullptr);
    // Starts on a given base folder (ending in a separator).
    explicit TEditF(const std::string& baseFolder, QWidget* parent = nullptr);
    ~TEditF() override;

    // --- window-level state ---
    std::unique_ptr<TObjMgr> ObjMgr;
    // The map being edited with its selection, Undelete copy, view objects and undo stack.
    std::unique_ptr<TMapDocument> Document;
    QFont TextFont;
    bool CloseAllowed = false;
    int32_t WorldX = 0;
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
    QToolButton* UndoBtn = nullptr;
    QToolButton* RedoBtn = nullptr;
    QToolButton* PlayBtn = nullptr;
    // Shows the Playtests panel (PlaytestsPanel.h).
    QToolButton* PlaytestsBtn = nullptr;
    TPlaytestsPanel* Playtests = nullptr;
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
    // The pages' controls and handlers.
    TAddNewPage* AddNew = nullptr;
    TModifyPage* Modify = nullptr;
    TMapVarsPage* MapVars = nullptr;

    // Dialog components
    TFileDialog* OpenD = nullptr;
    TFileDialog* SaveD = nullptr;
    TFileDialog* OpenPD = nullptr;
    TColorDialog* ColorD = nullptr;
    TFileDialog* OpenMD = nullptr;

    // --- window ---
    // The map being edited (the document's).
    TMap& Map() const { return Document->Map(); }
    TBaseInfo* Selected() const { return Document->Selected(); }
    void RefreshAll();
    // "Torvanikian Map Editor - <file name>", with "*" after the name while the map has
    // unsaved changes.
    void UpdateTitle();
    void UpdateWorldX();
    // The "World X" caption alone (also after "Max World X" changed).
    void UpdateWorldXCaption();
    // The folder maps are opened from and saved to (data-style, no trailing separator).
    std::string MapFolder() const;

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
    // Save: writes the map into the map folder under its stored name (Save As when it has
    // none) and asks before replacing another file there. True when the map was written;
    // false when the designer declined; a failure raises.
    bool SaveMapToItsFile();
    // Save As: asks before replacing an existing file. True when the map was written.
    bool SaveMapAs();
    // Asks before a save replaces a file that is read-only for this user; true to go on.
    static bool MayReplaceReadOnly(const std::string& path);
    // Before the map is set aside (New, Open, Exit, closing): asks "Save changes to ...?"
    // when it has unsaved changes. True when it may go: saved, discarded, or nothing to save.
    bool AskToSaveChanges();
    // Opens a map given on the command line; a failure is shown and the untitled map stays.
    void OpenAtStart(const std::string& path);
    // Open of a path, with a progress dialog when it takes long.
    void OpenWithProgress(const std::string& path);

    // --- recovery copies ---
    std::unique_ptr<TRecoveryStore> Recovery;
    QTimer* RecoveryTimer = nullptr;
    // Keeps a recovery copy of the modified map in a folder (every RecoveryIntervalMs); a
    // Save, New, Open or a clean exit removes it.
    void StartRecovery(const std::string& folder);
    // Offers, newest first, the copies that editors which ended without a clean exit left.
    void OfferRecovery();
    // Writes the copy now when the map has unsaved changes that no copy holds yet.
    void WriteRecoveryCopy();

    // --- edit commands and keys (EditFormEdit.cpp) ---
    // Undo and redo of the last edit (UndoBtn, RedoBtn, Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y).
    void UndoClick();
    void RedoClick();
    // Escape (and Ctrl with a right click on empty space in the view): nothing is selected
    // any more, so a left click moves nothing.
    void ClearSelection();
    // The arrow keys: the selected object moves by a few world units.
    void NudgeSelected(int dx, int dy);
    // Home and End: the view jumps to the start or the end of the world.
    void XHomeClick();
    void XEndClick();

    // --- playing the map in the view (EditFormPlay.cpp) ---
    // F5 and the Play button: plays a copy of the map, or stops; fromView (Shift+F5) starts
    // with the first player at the left side of the view.
    void PlayClick(bool fromView = false);
    void StopPlay();
    // R after the player died: the same start again.
    void RestartPlay();
    // Replays a playtest in the view as play does (F5 or Escape stops it); it ends at its
    // last update.
    void ReplayInView(const TPlaytest& playtest);
    // S after the player died: stops, then "Save playtest...".
    void SavePlaytestFromPlay();
    bool Playing() const;
    // The game being played, or none.
    std::unique_ptr<TPlaySession> Play;

    // --- map view (the device set-up, the frame, the view objects, scrolling, the mouse) ---
    TDXTimer* Timer = nullptr;
    PD3DDevice Device;
    // The device, the texture cache and the device cursor (the engine's objects).
    std::unique_ptr<TEngineSession> Engine;
    std::shared_ptr<TD3DXFont> InfoFont;
    std::shared_ptr<TD3DXSprite> Sprite;
    // What fills the View panel: the device's window, or the notice that there is no device.
    std::unique_ptr<TMapViewHost> ViewHost;
    // The mouse in the view: placing, picking, dragging, the rubber band.
    std::unique_ptr<TMapViewController> ViewControl;
    // Draws the whole picture again after a dialog or a menu over the view closes.
    std::unique_ptr<TWindowCloseWatch> WindowCloseWatch;
    std::unique_ptr<TWindowTarget> ViewTarget;
    // The view objects, the selection frame and the matrices (the document's).
    TMapScene& Scene() const { return Document->Scene(); }
    // The view objects in ascending Z.
    TViewList& Views() const { return Scene().Views; }
    // False when the view has no graphics device: nothing is drawn and the mouse in the
    // view does nothing; the view says so.
    bool HasGraphics() const;
    void InitGraphics();
    void SetupRenderState();
    void ResetDevice();
    void SetProjection();
    // Draws and presents only when the picture would differ from the one presented last,
    // and only where it differs; then lets the frame timer rest until something can change
    // the picture (RestFrames).
    void DoFrame(TCustomDXTimer* sender, int lagCount);
    // The frame timer rests until the next step of an animation in view, or, with none,
    // until WakeFrames (at the latest for its once-a-second frame-rate measurement).
    void RestFrames();
    // Something may change the picture (the document, a scroll, the mouse in the view, an
    // expose, a resize): the next idle pass makes a frame.
    void WakeFrames();
    // Draws the whole picture into the back buffer (no present).
    void DrawScene();
    // The picture must be drawn again at the next frame whatever it shows (the window was
    // exposed, the device reset).
    void InvalidatePicture();
    // What is drawn while editing, and when.
    std::unique_ptr<TMapViewFrames> Frames;
    // Makes the view object of a record (raises "Error when loading texture." and makes
    // nothing when its texture cannot be loaded).
    TWrapper* CreateView(TBaseInfo* record);
    void RebuildViews();
    // Replaces the view object of Selected.
    void RefreshSelectedView();
    bool IsInView(const TBaseInfo* record) const;
    void PinBackgrounds();
    // The mouse in logical screen units (800 x 600 over the view); (0, 0) without a device.
    TPoint MousePos() const;
    void XPrevClick();
    void XNextClick();
    void XJumpClick();
    // Scrolls to a world x (clamped to the world) as the scroll buttons do.
    void ScrollTo(int32_t worldX);

    // --- navigation and snapping (SnapControls, ViewScroller, SpaceCommands) ---
    TSnapControls* Snap = nullptr;
    TViewScroller* Scroller = nullptr;
    TSpaceCommands* Space = nullptr;
    TOverviewStrip* Overview = nullptr;
    TStatusLine* Status = nullptr;
    // The Open button's right-click menu of the maps opened or saved last.
    TRecentMenu* Recent = nullptr;

    // The view's size in a window of this client size: the size it opens with until the
    // largest 4:3 rectangle beside the pages and above the scroll controls is larger both ways.
    static QSize ViewSizeFor(const QSize& client);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void BuildToolBar();
    // Places the view, its scroll controls, the tool bar and the pages for the window's size.
    void LayOutControls();
    void ConnectHandlers();
    void FormCreate(const std::string& baseFolder);
    void FormDestroy();
    void ShowCatalogueState();
    void ConnectEditCommands();
    void SetPlayControls(bool playing);
    void EndPlayResources();
    // One frame of play: the updates the elapsed time covers, then the game's picture.
    void PlayFrame();
    void ConnectUndoStack();
    void UpdateUndoButtons();
    void FormActivate();
    void BuildView();
    // Refreshes the pages, the view and the title from what the document says changed.
    void DocumentChanged(unsigned changes);

    std::unique_ptr<TWindowCursorControl> CursorControl;
    // The edit shortcuts, which rest while the map is played, and R (restart after a death).
    std::vector<QAction*> EditActions;
    QAction* RestartAction = nullptr;
    // S after the player died: stops and offers "Save playtest...".
    QAction* SavePlaytestAction = nullptr;
    QAction* StopAction = nullptr;
    // A replay's last update (0 for a play).
    uint64_t ReplayEnd = 0;
    // The host clock at the last play frame.
    uint32_t PlayClockMs = 0;
    // The recovery copy holds the map as it is now.
    bool recoveryCurrent_ = false;
    // A failure to write the copy was shown (once, until a copy is written again).
    bool recoveryFailureShown_ = false;
};

} // namespace tv
