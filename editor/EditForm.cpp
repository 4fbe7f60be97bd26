#include "editor/EditForm.h"
#include "editor/MapViewFrames.h"

#include "document/Convert.h"
#include "document/Properties.h"
#include "document/Recovery.h"
#include "editor/AboutDlg.h"
#include "editor/AddNewPage.h"
#include "editor/EditorApp.h"
#include "editor/FormControls.h"
#include "editor/Glyphs.h"
#include "editor/GroupToggles.h"
#include "editor/MapVarsPage.h"
#include "editor/MapView.h"
#include "editor/MapViewController.h"
#include "editor/ModifyPage.h"
#include "editor/OverviewStrip.h"
#include "editor/PlaytestsPanel.h"
#include "editor/ProgressDialog.h"
#include "editor/RecentMenu.h"
#include "editor/SnapControls.h"
#include "editor/SpaceCommands.h"
#include "editor/SpinEdit.h"
#include "editor/StatusLine.h"
#include "engine/DXCursor.h"
#include "engine/EngineSession.h"
#include "engine/FrameTimer.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "engine/Random.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"
#include "world/PlaySession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <climits>

namespace tv {

namespace {

constexpr const char* kMapFilter = "Torvanikian Maps(*.tvm)|*.tvm|All Files(*.*)|*.*";
constexpr const char* kPictureFilter =
    "All Files(*jpg;*.bmp;*.png;*.tga)|*jpg;*.bmp;*.png;*.tga|JPEG Image(*.jpg)|*.jpg|"
    "Windows Bitmap(*.bmp)|*.bmp|Portable Network Graphic(*.png)|*.png|"
    "Truevision Targa(*.tga)|*.tga";
constexpr const char* kMusicFilter =
    "MIDI file(*.mid)|*.mid|MP3 file(*.mp3)|*.mp3|All Files(*.*)|*.*";

// "MS Sans Serif" 8 points bold where it exists, else the closest sans font at hand.
QFont FormFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    font.setBold(true);
    return font;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, TGlyph glyph, int x,
                             const char* hint) {
    auto* button = Named(new QToolButton(parent), name);
    button->setIcon(ToolGlyph(glyph));
    button->setIconSize(QSize(20, 20));
    button->setGeometry(x, 3, 26, 26);
    button->setToolTip(QString::fromUtf8(hint));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TEditF::TEditF(QWidget* parent) : TEditF(ParentFolder(ProgramFolder()) + "/", parent) {}

TEditF::TEditF(const std::string& baseFolder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EditF"));
    // The window opens at its fixed layout's size and may be enlarged or maximised: the view
    // grows, the pages keep their width.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    setMinimumSize(ClientWidth, ClientHeight + NavigationHeight);
    resize(ClientWidth, ClientHeight + NavigationHeight);
    PaintWindow(this, kFormColor);
    setFont(FormFont());
    SetApplicationTitle(EditorTitle);
    setWindowTitle(QString::fromLatin1(EditorTitle));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(ClientWidth / 2, (ClientHeight + NavigationHeight) / 2));
    }
    BuildControls();
    ConnectHandlers();
    BuildView();
    FormCreate(baseFolder);
}

TEditF::~TEditF() {
    FormDestroy();
}

// ---------------------------------------------------------------------------------------------
// Layout

void TEditF::BuildControls() {
    View = Named(new QWidget(this), "View");
    View->setGeometry(5, 5, BaseViewWidth, BaseViewHeight);
    View->setFocusPolicy(Qt::ClickFocus);
    PaintWindow(View, kFormColor);

    XPanel = Named(new QLabel(QStringLiteral("World X:"), this), "XPanel");
    XPanel->setGeometry(5, 369, 196, 21);
    XPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    XPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    XPanel->setIndent(4);
    QPalette white = XPanel->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    XPanel->setPalette(white);

    XPrev = MakeButton(this, "XPrev", "<<", QRect(206, 367, 40, 25));
    XNext = MakeButton(this, "XNext", ">>", QRect(249, 367, 40, 25));
    EdJump = Named(new TSpinEdit(this), "EdJump");
    EdJump->setRange(0, 100000);
    EdJump->setSingleStep(200);
    EdJump->setValue(0);
    EdJump->setGeometry(294, 369, 86, 21);
    XJump = MakeButton(this, "XJump", "Jump", QRect(385, 367, 66, 25));
    Overview = new TOverviewStrip(this);
    Overview->OnScroll = Guarded([this](int32_t worldX) {
        if (!Playing())
            ScrollTo(worldX);
    });
    Status = new TStatusLine(this);

    BuildToolBar();

    Pages = Named(new QTabWidget(this), "Pages");
    Pages->setGeometry(449, 40, 341, 356);
    TabAdd = Named(new QWidget, "TabAdd");
    TabModify = Named(new QWidget, "TabModify");
    Tabvars = Named(new QWidget, "Tabvars");
    TabSheet4 = Named(new QWidget, "TabSheet4");
    for (QWidget* page : {TabAdd, TabModify, Tabvars, TabSheet4})
        PaintWindow(page, kFormColor);
    Pages->addTab(TabAdd, QStringLiteral("Add New"));
    Pages->addTab(TabModify, QStringLiteral("Modify"));
    Pages->addTab(Tabvars, QStringLiteral("Map Vars"));
    Pages->addTab(TabSheet4, QStringLiteral("TabSheet4"));
    AddNew = new TAddNewPage(*this, TabAdd);
    Modify = new TModifyPage(*this, TabModify);
    MapVars = new TMapVarsPage(*this, Tabvars);
    Pages->setCurrentWidget(TabModify);

    OpenD = new TFileDialog(this, "OpenD", TFileDialog::TKind::Open, kMapFilter, "tvm");
    SaveD = new TFileDialog(this, "SaveD", TFileDialog::TKind::Save, kMapFilter, "tvm");
    OpenPD = new TFileDialog(this, "OpenPD", TFileDialog::TKind::Open, kPictureFilter, "");
    ColorD = new TColorDialog(this, "ColorD");
    OpenMD = new TFileDialog(this, "OpenMD", TFileDialog::TKind::Open, kMusicFilter, "mid");
}

QSize TEditF::ViewSizeFor(const QSize& client) {
    // Beside the pages (and their 2-pixel margin) and above the row of scroll controls.
    const int width = client.width() - 5 - PagesWidth;
    const int height = client.height() - (ClientHeight - BaseViewHeight);
    const QSize fit =
        width * 3 <= height * 4 ? QSize(width, width * 3 / 4) : QSize(height * 4 / 3, height);
    if (fit.width() >= BaseViewWidth && fit.height() >= BaseViewHeight)
        return fit;
    return QSize(BaseViewWidth, BaseViewHeight);
}

void TEditF::LayOutControls() {
    // The view and its controls take the window less the band under them; the view is
    // centred in the room beside the pages.
    const QSize view = ViewSizeFor(size() - QSize(0, NavigationHeight));
    const int room = width() - PagesWidth - 2 - 2 - 5;
    const int viewLeft = MaxOf(5, 5 + (room - view.width()) / 2);
    View->setGeometry(viewLeft, 5, view.width(), view.height());
    // The scroll controls stay under the view, the tool bar and the pages at the right edge.
    const int down = view.height() - BaseViewHeight;
    XPanel->move(5, 369 + down);
    XPrev->move(206, 367 + down);
    XNext->move(249, 367 + down);
    EdJump->move(294, 369 + down);
    XJump->move(385, 367 + down);
    Overview->setGeometry(viewLeft, 396 + down, view.width(), OverviewHeight);
    Status->setGeometry(5, 396 + down + OverviewHeight + 2, MaxOf(view.width(), 446), StatusHeight);
    const int right = width() - PagesWidth - 2;
    Panelus->move(right, 5);
    const int pagesHeight = height() - 44;
    Pages->setGeometry(right, 40, PagesWidth, pagesHeight);
    // The grids take the pages' extra height.
    const int taller = pagesHeight - BaseViewHeight;
    // On the Modify page the object list takes a third of it, the grid the rest.
    Modify->LayOut(taller);
    MapVars->ValMap->resize(MapVars->ValMap->width(), 320 + taller);
}

void TEditF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (Pages)
        LayOutControls();
    WakeFrames(); // the view's device takes its new size at the next frame
}

void TEditF::BuildToolBar() {
    Panelus = MakePanel(this, "Panelus", QRect(449, 5, 341, 32));
    SpeedButton1 = MakeSpeedButton(Panelus, "SpeedButton1", TGlyph::New, 4, "New map");
    SpeedButton2 = MakeSpeedButton(Panelus, "SpeedButton2", TGlyph::Open, 32, "Open map");
    SaveBtn = MakeSpeedButton(Panelus, "SaveBtn", TGlyph::Save, 60, "Save map");
    SaveAsBtn = MakeSpeedButton(Panelus, "SaveAsBtn", TGlyph::SaveAs, 88, "Save map as");
    SpeedButton3 = MakeSpeedButton(Panelus, "SpeedButton3", TGlyph::Exit, 116, "Exit");
    UndoBtn = MakeSpeedButton(Panelus, "UndoBtn", TGlyph::Undo, 150, "Undo (Ctrl+Z)");
    RedoBtn = MakeSpeedButton(Panelus, "RedoBtn", TGlyph::Redo, 178, "Redo (Ctrl+Y)");
    PlayBtn = MakeSpeedButton(Panelus, "PlayBtn", TGlyph::Play, 212, "Play (F5)");
    PlayBtn->setCheckable(true);
    PlaytestsBtn = MakeSpeedButton(Panelus, "PlaytestsBtn", TGlyph::Play, 240, "Playtests");
    PlaytestsBtn->setText(QStringLiteral("T"));
    PlaytestsBtn->setIcon(QIcon());
    BtnHelp = MakeSpeedButton(Panelus, "BtnHelp", TGlyph::Help, 341 - 30, "Help");
    Snap = new TSnapControls(Panelus, 242);
    Space = new TSpaceCommands(*this);
    Recent = new TRecentMenu(*this);
    SpeedButton2->setToolTip(QStringLiteral("Open map (right click: recent maps)"));

    PopHelp = Named(new QMenu(this), "PopHelp");
    EditorHelp1 = PopHelp->addAction(QStringLiteral("Editor Help"));
    EditorHelp1->setObjectName(QStringLiteral("EditorHelp1"));
    PopHelp->addSeparator();
    About1 = PopHelp->addAction(QStringLiteral("About"));
    About1->setObjectName(QStringLiteral("About1"));
    About1->setEnabled(false);

    PopExit = Named(new QMenu(this), "PopExit");
    SaveAndExit1 = PopExit->addAction(QStringLiteral("Save And Exit"));
    SaveAndExit1->setObjectName(QStringLiteral("SaveAndExit1"));
    Exit1 = PopExit->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    for (QMenu* menu : {PopHelp, PopExit}) {
        QFont plain = menu->font();
        plain.setBold(false);
        menu->setFont(plain);
    }
    SpeedButton3->setContextMenuPolicy(Qt::CustomContextMenu);
    SpeedButton2->setContextMenuPolicy(Qt::CustomContextMenu);
    BtnHelp->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TEditF::ConnectHandlers() {
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
    connect(SaveBtn, &QToolButton::clicked, this, Guarded([this] { SaveBtnClick(); }));
    connect(SaveAsBtn, &QToolButton::clicked, this, Guarded([this] { SaveAsBtnClick(); }));
    connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));
    connect(SpeedButton3, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& pos) { PopExit->popup(SpeedButton3->mapToGlobal(pos)); }));
    connect(SpeedButton2, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& pos) {
                Recent->Menu()->popup(SpeedButton2->mapToGlobal(pos));
            }));
    connect(BtnHelp, &QToolButton::clicked, this, Guarded([this] { BtnHelpClick(); }));
    connect(BtnHelp, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& pos) { PopHelp->popup(BtnHelp->mapToGlobal(pos)); }));
    connect(About1, &QAction::triggered, this, Guarded([this] { About1Click(); }));
    connect(PopExit, &QMenu::aboutToShow, this, Guarded([this] { PopExitPopup(); }));
    connect(SaveAndExit1, &QAction::triggered, this, Guarded([this] { SaveAndExit1Click(); }));
    connect(Exit1, &QAction::triggered, this, Guarded([this] { Exit1Click(); }));

    connect(Pages, &QTabWidget::currentChanged, this,
            Guarded([this](int index) { PagesChange(index); }));

    ConnectEditCommands();
    Playtests = new TPlaytestsPanel(*this);
    connect(PlaytestsBtn, &QToolButton::clicked, this, Guarded([this] {
                Playtests->Refresh();
                Playtests->show();
                Playtests->raise();
            }));
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TEditF::FormCreate(const std::string& baseFolder) {
    // Random placement differs from session to session.
    Randomize();
    SetBaseFolder(baseFolder);

    // A catalogue that cannot be read does not stop the editor: the failure is shown in the
    // general error box, the editor runs on with an empty catalogue, and the Add New page says
    // that adding objects is off. Maps still open and save; entries stored by reference to the
    // catalogue cannot be resolved, so maps that hold them fail to load with an error and the
    // map on screen stays as it was.
    ObjMgr = std::make_unique<TObjMgr>();
    try {
        ObjMgr->LoadCatalogue();
    } catch (const std::exception& error) {
        CatalogueError = error.what();
        ObjMgr = std::make_unique<TObjMgr>();
        ShowErrorBox(CatalogueError);
    }
    AddNew->ShowCatalogueState(CatalogueError);
    AddNew->FillObjGroups();
    AddNew->ComboObjSelect();

    Timer = new TDXTimer(this);
    Timer->SetInterval(0);
    Timer->OnTimer = [this](TCustomDXTimer* sender, int lagCount) {
        RunGuarded([&] { DoFrame(sender, lagCount); });
    };

    TextFont = QFont(QStringLiteral("Arial"), 9, QFont::Bold);
    InstallKeyStateFilter();
    InitGraphics();
    ConnectUndoStack();
    connect(&Document->UndoStack(), &QUndoStack::cleanChanged, this, [this] { UpdateTitle(); });

    Document->NewMap();
    UpdateTitle();
    Views().clear();
    Scene().Touch();
    RefreshAll();
    Document->AddListener([this](unsigned changes) { DocumentChanged(changes); });
    Snap->OnChanged = [this] { Status->ShowSnap(Snap->Grid()); };
    Overview->MapChanged(Map(), Document->Groups());
}

void TEditF::FormDestroy() {
    // A game being played goes before the device it draws on.
    Play.reset();
    EndPlayResources();
    // The grids must not hand edits to a window that is going away.
    AddNew->Disconnect();
    Modify->Disconnect();
    MapVars->Disconnect();
    if (Timer) {
        Timer->Finalize();
        Timer->OnTimer = nullptr;
    }
    if (RecoveryTimer)
        RecoveryTimer->stop();
    // The view objects and the selection frame (their textures belong to the cache).
    if (Document) {
        Document->ClearListeners();
        QObject::disconnect(&Document->UndoStack(), nullptr, this, nullptr);
        Document->ReleaseScene();
    }
    ObjMgr.reset();
    // The map, its undo steps and the Undelete copy.
    Document.reset();
    // The window's own references to the device.
    InfoFont.reset();
    Sprite.reset();
    Device.reset();
    // The device cursor (it refers to the view's window, so it goes with the window), the
    // texture cache and the device.
    Engine.reset();
}

void TEditF::RefreshAll() {
    Document->EndDrag();
    Document->Select(nullptr);
    MapVars->FillMapVars();
    Modify->RefreshModify();
    // A texture that cannot be loaded does not hide the rest of the map: every other record
    // gets its view object, the pages follow the map, and then one error names the textures.
    std::exception_ptr viewFailure;
    try {
        RebuildViews();
    } catch (const EError&) {
        viewFailure = std::current_exception();
    }
    UpdateWorldX();
    if (viewFailure)
        std::rethrow_exception(viewFailure);
}

void TEditF::UpdateTitle() {
    SetApplicationTitle(std::string(EditorTitle) + " - " + Map().FileName +
                        (Document->Modified() ? "*" : ""));
    setWindowTitle(ToQString(ApplicationTitle()));
    Status->ShowFile(Map().FileName, Document->SourcePath());
    Recent->Note(Document->SourcePath());
}

void TEditF::DocumentChanged(unsigned changes) {
    if (changes & (DocChange::Map | DocChange::Objects | DocChange::Object | DocChange::MapVars |
                   DocChange::Groups))
        Overview->MapChanged(Map(), Document->Groups());
    if (changes & (DocChange::Groups | DocChange::Map))
        Modify->Groups->Show(Document->Groups());
    if (changes & DocChange::Map) {
        // New and Open: everything follows the map, and the title names it, also when some
        // of its textures could not be loaded.
        try {
            RefreshAll();
        } catch (...) {
            UpdateTitle();
            throw;
        }
        UpdateTitle();
        return;
    }
    if (changes & DocChange::MapVars) {
        MapVars->FillMapVars();
        UpdateWorldXCaption();
    }
    if (changes & DocChange::Objects) {
        Modify->RefreshModify();
        // The refilled list would otherwise highlight whatever entry now has the old row
        // (a changed selection is shown below).
        if (Selected() && !(changes & DocChange::Selection))
            Modify->ShowSelectionInLists();
    } else if (changes & DocChange::Object)
        Modify->FillProperties();
    // Whoever changed the selection (the view, the lists, an undo step), the grid and the
    // lists show it.
    if (changes & DocChange::Selection) {
        Modify->ShowSelected();
        Modify->ShowSelectionInLists();
    }
}

std::string TEditF::MapFolder() const {
    return BaseFolder() + "Data\\Maps";
}

// The About item is disabled in the layout; the box still works when it is shown.
void TEditF::About1Click() {
    if (AboutForm)
        AboutForm->exec();
}

void TEditF::BtnHelpClick() {
    PopHelp->popup(QCursor::pos() - QPoint(0, 7));
}

void TEditF::PagesChange(int index) {
    if (Pages->widget(index) == Tabvars)
        MapVars->FillMapVars();
}

} // namespace tv
