// The main window's map view: device set-up, the frame routine (the drawing itself is
// TMapViewFrames'), the view objects and scrolling.
#include "document/Convert.h"
#include "editor/AddNewPage.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/MapView.h"
#include "editor/MapViewController.h"
#include "editor/MapViewFrames.h"
#include "editor/ModifyPage.h"
#include "editor/OverviewStrip.h"
#include "editor/SnapControls.h"
#include "editor/StatusLine.h"
#include "editor/ViewScroller.h"
#include "engine/D3DXFont.h"
#include "engine/DXCursor.h"
#include "engine/EngineSession.h"
#include "engine/FrameTimer.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Text.h"
#include "world/PlaySession.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <algorithm>

namespace tv {

namespace {

constexpr const char* kCursorPicture = "cursors\\cursor.png";
constexpr uint32_t kCursorColorKey = 0xFF000000u;
constexpr uint32_t kCursorColor = 0xB4FFFFFFu;
// While the device is lost nothing can be drawn; the frame routine waits this long so that
// the idle loop does not spin a processor core until the view can be drawn again.
constexpr unsigned long kLostDevicePauseMs = 10;

} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

void TEditF::BuildView() {
    ViewHost = std::make_unique<TMapViewHost>(View);
    ViewControl = std::make_unique<TMapViewController>(*this);
    Frames = std::make_unique<TMapViewFrames>(*this);
    TMapViewWindow* window = ViewHost->Window();
    window->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        WakeFrames();
        RunGuarded([&] { ViewControl->MouseDown(button, modifiers); });
    };
    window->OnMouseMove = [this](Qt::MouseButtons buttons) {
        WakeFrames();
        RunGuarded([&] { ViewControl->MouseMove(buttons); });
    };
    window->OnMouseUp = [this](Qt::MouseButton button) {
        WakeFrames();
        RunGuarded([&] { ViewControl->MouseUp(button); });
    };
    window->OnExposed = [this] { InvalidatePicture(); };
    Scroller = new TViewScroller(*this);
    window->OnWheel = [this](QPoint angleDelta, Qt::KeyboardModifiers modifiers) {
        WakeFrames();
        RunGuarded([&] { Scroller->Wheel(angleDelta, modifiers); });
    };
    WindowCloseWatch = std::make_unique<TWindowCloseWatch>(this, [this] { InvalidatePicture(); });
    connect(XPrev, &QPushButton::clicked, this, Guarded([this] { XPrevClick(); }));
    connect(XNext, &QPushButton::clicked, this, Guarded([this] { XNextClick(); }));
    connect(XJump, &QPushButton::clicked, this, Guarded([this] { XJumpClick(); }));
}

void TEditF::InitGraphics() {
    TMapViewWindow* window = ViewHost->Window();
    ViewTarget = std::make_unique<TWindowTarget>(window);
    Engine = std::make_unique<TEngineSession>(
        [&] { return MakeViewDevice(ViewTarget.get(), View->width(), View->height()); });
    Device = Engine->Device();

    // Without a device the view objects are kept without textures: nothing would show them.
    // The map document keeps the view objects with the map they show; its map comes next.
    Document = std::make_unique<TMapDocument>(
        ObjMgr.get(), std::make_unique<TMapScene>(Device, Engine->Textures()));
    // Whatever the document changed may show in the view.
    Document->AddListener([this](unsigned) { WakeFrames(); });
    ViewHost->ShowDevice(Device != nullptr);
    if (!Device)
        return;
    // Pictures edited while the editor runs show at once.
    TextureMgr->SetReloadListener([this](const std::vector<TDXTexture*>& reloaded) {
        Scene().TexturesReloaded(reloaded);
        InvalidatePicture();
    });
    TextureMgr->WatchFiles();

    // The pointer picture. A missing file gives no picture and no message; one that cannot
    // be read is reported and the cursor goes on without a picture.
    PD3DTexture cursorTexture;
    RunGuarded([&] {
        LoadGraphicTexture(Device, kCursorPicture, D3DX_FILTER_NONE, kCursorColorKey,
                           D3DFMT_UNKNOWN, cursorTexture);
    });
    auto panel = std::make_unique<TGuiObj>(Device, "Cursor,", TDXBounds{0, 0, 48, 48}, kCursorColor,
                                           nullptr, std::string(), true, cursorTexture);
    CursorControl = std::make_unique<TWindowCursorControl>(window);
    Engine->InstallCursor(std::make_unique<TDXCursor>(CursorControl.get(), std::move(panel),
                                                      TPoint{ScreenWidth, ScreenHeight}));
    window->setCursor(Qt::CrossCursor);

    // A frame picture that cannot be loaded is reported; the view then has no selection frame.
    RunGuarded([&] { Scene().CreateSelFrame(); });
    SetupRenderState();
}

void TEditF::SetupRenderState() {
    if (!Device)
        return;
    InfoFont.reset();
    D3DXCreateFont(Device, TextFont, &InfoFont);
    Sprite.reset();
    D3DXCreateSprite(Device, &Sprite);
    Scene().SetupDeviceStates(WorldX);
}

void TEditF::ResetDevice() {
    Device->Reset(&PresentParams);
    SetupRenderState();
}

void TEditF::SetProjection() {
    Scene().SetProjection(WorldX);
    WakeFrames();
}

bool TEditF::HasGraphics() const {
    return Device != nullptr;
}

void TEditF::FormActivate() {
    // Without a device there is nothing to draw, so the frame timer stays off.
    if (Timer && HasGraphics())
        Timer->Initialize();
    // A game paused in the background goes on from where it was.
    PlayClockMs = GetTickCount();
}

bool TEditF::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        RunGuarded([this] { FormActivate(); });
    return QWidget::event(event);
}

// ---------------------------------------------------------------------------------------------
// Frame

void TEditF::DoFrame(TCustomDXTimer* /*sender*/, int /*lagCount*/) {
    if (!Device)
        return;
    const HRESULT r = Device->TestCooperativeLevel();
    if (r == D3DERR_DEVICELOST) {
        if (Timer && Timer->Running())
            Timer->Rest(kLostDevicePauseMs);
        else
            QThread::msleep(kLostDevicePauseMs);
        return;
    }
    if (r == D3DERR_DEVICENOTRESET) {
        ResetDevice();
        InvalidatePicture();
    }
    if (Playing()) {
        PlayFrame();
        return;
    }
    Frames->Frame();
}

void TEditF::RestFrames() {
    Frames->Rest();
}

void TEditF::WakeFrames() {
    if (Timer)
        Timer->Wake();
}

void TEditF::InvalidatePicture() {
    if (Frames)
        Frames->Invalidate();
    WakeFrames();
}

void TEditF::DrawScene() {
    Frames->DrawScene();
}

// ---------------------------------------------------------------------------------------------
// View objects

TWrapper* TEditF::CreateView(TBaseInfo* record) {
    return Scene().CreateView(record);
}

void TEditF::RebuildViews() {
    Document->RebuildViews();
}

void TEditF::RefreshSelectedView() {
    Scene().RefreshView(Selected());
}

bool TEditF::IsInView(const TBaseInfo* record) const {
    return record && tv::IsInView(*record, WorldX);
}

void TEditF::PinBackgrounds() {
    Scene().PinBackgrounds(WorldX);
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void TEditF::UpdateWorldXCaption() {
    XPanel->setText(QString::fromStdString(Format("World X:  %d / %d", WorldX, Map().MaxWorldX)));
}

void TEditF::UpdateWorldX() {
    WakeFrames();
    UpdateWorldXCaption();
    Overview->ViewMoved(WorldX);
    Modify->ViewMoved();
    PinBackgrounds();
}

void TEditF::XPrevClick() {
    if (Playing())
        return;
    WorldX = MaxOf(0, SaturateToInt32(int64_t{WorldX} - ScreenWidth));
    SetProjection();
    UpdateWorldX();
}

void TEditF::XNextClick() {
    if (Playing())
        return;
    WorldX = MinOf(Map().MaxWorldX, SaturateToInt32(int64_t{WorldX} + ScreenWidth));
    SetProjection();
    UpdateWorldX();
}

void TEditF::XJumpClick() {
    if (Playing())
        return;
    if (EdJump->cleanText().trimmed().isEmpty())
        EdJump->setValue(0);
    // The value is the text read as an integer; a text that is not one reads as the minimum.
    int32_t value = EdJump->minimum();
    try {
        value = StrToInt(EdJump->cleanText().trimmed().toStdString());
    } catch (const EError&) {
        value = EdJump->minimum();
    }
    value = MaxOf(EdJump->minimum(), MinOf(value, EdJump->maximum()));
    WorldX = MaxOf(0, MinOf(value, Map().MaxWorldX));
    SetProjection();
    UpdateWorldX();
}

// ---------------------------------------------------------------------------------------------
// Mouse

TPoint TEditF::MousePos() const {
    return DXCursor ? DXCursor->MousePos() : TPoint{};
}

} // namespace tv
