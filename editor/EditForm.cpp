#include "editor/EditForm.h"

#include "document/Convert.h"
#include "document/Properties.h"
#include "document/Recovery.h"
#include "editor/AboutDlg.h"
#include "editor/EditorApp.h"
#include "editor/Glyphs.h"
#include "editor/MapView.h"
#include "editor/OverviewStrip.h"
#include "editor/PlaytestsPanel.h"
#include "editor/ProgressDialog.h"
#include "editor/RecentMenu.h"
#include "editor/SnapControls.h"
#include "editor/SpaceCommands.h"
#include "editor/SpinEdit.h"
#include "editor/StatusLine.h"
#include "engine/DXCursor.h"
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

const QColor kFormColor(0, 105, 210);

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

void PaintWindow(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int x, int y) {
    auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(geometry);
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& geometry) {
    auto* button = Named(new QPushButton(QString::fromUtf8(caption), parent), name);
    button->setGeometry(geometry);
    return button;
}

// A spin edit without limits: the widest range the box can hold.
QSpinBox* MakeSpin(QWidget* parent, const char* name, int value, const QRect& geometry) {
    auto* spin = Named(new TSpinEdit(parent), name);
    spin->setRange(INT_MIN, INT_MAX);
    spin->setSingleStep(1);
    spin->setValue(value);
    spin->setGeometry(geometry);
    return spin;
}

TValueListEditor* MakeGrid(QWidget* parent, const char* name, const QRect& geometry,
                           int rowHeight) {
    auto* grid = Named(new TValueListEditor(parent), name);
    grid->SetTitles(QStringLiteral("Variable"), QStringLiteral("Value"));
    grid->SetDefaultRowHeight(rowHeight);
    grid->setGeometry(geometry);
    return grid;
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
    BuildAddPage();
    BuildModifyPage();
    BuildVarsPage();
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
    ListMod->resize(ListMod->width(), 60 + taller / 3);
    ValMod->setGeometry(ValMod->x(), 110 + taller / 3, ValMod->width(), 214 + taller - taller / 3);
    ValMap->resize(ValMap->width(), 320 + taller);
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

void TEditF::BuildAddPage() {
    Label1 = MakeLabel(TabAdd, "Label1", "Select Obj Group:", 4, 4);
    ComboObj = Named(new QComboBox(TabAdd), "ComboObj");
    ComboObj->setEditable(false);
    ComboObj->setGeometry(4, 20, 150, 22);
    Label2 = MakeLabel(TabAdd, "Label2", "Select Obj >>:", 4, 46);
    ListObj = Named(new QListWidget(TabAdd), "ListObj");
    ListObj->setGeometry(4, 62, 150, 148);

    // Shown in place of the type list when the catalogue could not be read.
    NoCatalogueLabel = Named(new QLabel(TabAdd), "NoCatalogueLabel");
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

    Panel1 = MakePanel(TabAdd, "Panel1", QRect(160, 4, 171, 20));
    Label3 = MakeLabel(Panel1, "Label3", "Object Preview:", 4, 3);
    Prev = MakeGrid(TabAdd, "Prev", QRect(160, 26, 171, 76), 14);
    Prev->SetColumnWidths(52, 115);
    Prev->SetEditing(false);
    Imgprev = Named(new QLabel(TabAdd), "Imgprev");
    Imgprev->setGeometry(198, 106, 96, 105);
    Imgprev->setScaledContents(true);

    Panel2 = MakePanel(TabAdd, "Panel2", QRect(4, 216, 327, 108));
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

void TEditF::BuildModifyPage() {
    Label4 = MakeLabel(TabModify, "Label4", "Select Object From List:", 4, 4);
    ComboMod = Named(new QComboBox(TabModify), "ComboMod");
    ComboMod->setEditable(false);
    ComboMod->setGeometry(4, 20, 160, 22);
    ListMod = Named(new QListWidget(TabModify), "ListMod");
    ListMod->setGeometry(4, 46, 160, 60);
    Label5 = MakeLabel(TabModify, "Label5", "Select Object By RMB:", 172, 4);
    Button1 = MakeButton(TabModify, "Button1", "Delete", QRect(172, 20, 77, 24));
    Button6 = MakeButton(TabModify, "Button6", "Undelete", QRect(253, 20, 77, 24));
    Button2 = MakeButton(TabModify, "Button2", "Copy", QRect(172, 52, 50, 24));
    Button3 = MakeButton(TabModify, "Button3", "Cut", QRect(226, 52, 50, 24));
    Button4 = MakeButton(TabModify, "Button4", "Paste", QRect(280, 52, 50, 24));
    ValMod = MakeGrid(TabModify, "ValMod", QRect(4, 110, 327, 214), 15);
    ValMod->SetColumnWidths(150, 165);
}

void TEditF::BuildVarsPage() {
    ValMap = MakeGrid(Tabvars, "ValMap", QRect(4, 4, 327, 320), 15);
    ValMap->SetColumnWidths(150, 165);
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

    connect(ComboObj, &QComboBox::activated, this, Guarded([this](int) { ComboObjSelect(); }));
    connect(Pages, &QTabWidget::currentChanged, this,
            Guarded([this](int index) { PagesChange(index); }));

    ValMap->OnValidate = [this](int column, int row, const std::string& key,
                                const std::string& value) {
        ValMapValidate(column, row, key, value);
    };
    ValMap->OnKeyDown = [this](int key) { ValMapKeyDown(key); };
    connect(ValMap, &TValueListEditor::editButtonClicked, this,
            Guarded([this] { ValMapEditButtonClick(); }));
    ConnectAddNewPage();
    ConnectModifyPage();
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
    ShowCatalogueState();

    FillObjGroups();
    AddGroup = ComboObj->currentText().toStdString();
    FillObjList();

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
    Overview->MapChanged(Map());
}

void TEditF::FormDestroy() {
    // A game being played goes before the device it draws on.
    Play.reset();
    EndPlayResources();
    // The grids must not hand edits to a window that is going away.
    ValMap->OnValidate = nullptr;
    ValMap->OnKeyDown = nullptr;
    DisconnectPages();
    if (Timer) {
        Timer->Finalize();
        Timer->OnTimer = nullptr;
    }
    if (RecoveryTimer)
        RecoveryTimer->stop();
    // The view objects and the selection frame (their textures belong to the cache); the
    // device cursor refers to the view's window, so it goes with the window.
    if (Document) {
        Document->ClearListeners();
        QObject::disconnect(&Document->UndoStack(), nullptr, this, nullptr);
        Document->ReleaseScene();
    }
    DXCursor.reset();
    ReleaseGraphicsDevice();
    ObjMgr.reset();
    TextureMgr.reset();
    // The map, its undo steps and the Undelete copy.
    Document.reset();
    // The window's own references to the device.
    InfoFont.reset();
    Sprite.reset();
    EngineDevice.reset();
    Device.reset();
    D3D.reset();
}

void TEditF::ShowCatalogueState() {
    const bool failed = !CatalogueError.empty();
    NoCatalogueLabel->setText(failed ? QStringLiteral("No object catalogue: ") +
                                           ToQString(ErrorBoxText(CatalogueError)) +
                                           QStringLiteral("\n\nAdding objects is off.")
                                     : QString());
    NoCatalogueLabel->setVisible(failed);
    ListObj->setVisible(!failed);
    ComboObj->setEnabled(!failed);
    Panel2->setEnabled(!failed);
}

void TEditF::RefreshAll() {
    Document->EndDrag();
    Document->Select(nullptr);
    FillMapVars();
    RefreshModify();
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
    if (changes & (DocChange::Map | DocChange::Objects | DocChange::Object | DocChange::MapVars))
        Overview->MapChanged(Map());
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
        FillMapVars();
        UpdateWorldXCaption();
    }
    if (changes & DocChange::Objects) {
        RefreshModify();
        // The refilled list would otherwise highlight whatever entry now has the old row
        // (a changed selection is shown below).
        if (Selected() && !(changes & DocChange::Selection))
            ShowSelectionInLists();
    } else if (changes & DocChange::Object)
        FillProperties();
    // Whoever changed the selection (the view, the lists, an undo step), the grid and the
    // lists show it.
    if (changes & DocChange::Selection) {
        ShowSelected();
        ShowSelectionInLists();
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

// ---------------------------------------------------------------------------------------------
// Add New page

void TEditF::FillObjGroups() {
    ComboObj->clear();
    std::vector<std::string> groups;
    for (const TBaseInfo* record : ObjMgr->List) {
        if (!TextInList(record->Group, groups)) {
            groups.push_back(record->Group.str());
            ComboObj->addItem(ToQString(record->Group));
        }
    }
    ComboObj->setCurrentIndex(ComboObj->count() > 0 ? 0 : -1);
}

void TEditF::FillObjList() {
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
    for (const TBaseInfo* record : ObjMgr->List) {
        if (!TextEquals(record->Group, AddGroup))
            continue;
        if (record == NewType)
            placed = ListObj->count();
        ListObj->addItem(ToQString(record->Name));
    }
    const QSignalBlocker blocker(ListObj);
    ListObj->setCurrentRow(placed);
}

void TEditF::ComboObjSelect() {
    AddGroup = ComboObj->currentText().toStdString();
    FillObjList();
}

// ---------------------------------------------------------------------------------------------
// Map Vars page

void TEditF::FillMapVars() {
    ValMap->SetRows(MapVarRows(MapVarsOf(Map())));
}

void TEditF::ValMapValidate(int /*column*/, int /*row*/, const std::string& key,
                            const std::string& value) {
    Document->SetMapVar(key, value);
}

void TEditF::ValMapKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    ValMapValidate(ValMap->Col(), ValMap->Row(), ValMap->CurrentKey(), ValMap->CurrentValue());
}

void TEditF::ValMapEditButtonClick() {
    if (!TextEquals(ValMap->CurrentKey(), kVarThemeMusic))
        return;
    OpenMD->InitialDir = BaseFolder() + "Data\\Music";
    if (!OpenMD->Execute())
        return;
    Document->SetThemeMusic(RelativeDataPath(BaseFolder() + "Data\\Music\\", OpenMD->FileName));
}

void TEditF::PagesChange(int index) {
    if (Pages->widget(index) == Tabvars)
        FillMapVars();
}

} // namespace tv
