// The main window's map view: device set-up, the frame, the view objects, scrolling and the
// mouse in the view.
#include "document/Convert.h"
#include "editor/AddNewPage.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/MapView.h"
#include "editor/MapViewController.h"
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

constexpr uint32_t kFrameRateColor = D3DCOLOR_ARGB(200, 255, 255, 50);
constexpr TRect kFrameRateRect{10, 0, 100, 20};
// The selection frame is drawn additively; the rubber band in amber.
constexpr uint32_t kBandColor = 0xFFFFB030u;
constexpr const char* kCursorPicture = "cursors\\cursor.png";
constexpr uint32_t kCursorColorKey = 0xFF000000u;
constexpr uint32_t kCursorColor = 0xB4FFFFFFu;
// While the device is lost nothing can be drawn; the frame routine waits this long so that
// the idle loop does not spin a processor core until the view can be drawn again.
constexpr unsigned long kLostDevicePauseMs = 10;
// About one display refresh.
constexpr uint32_t kStepGroupingMs = 16;
// A frame draws at most this many rectangles that changed (more become one).
constexpr size_t kMostDamageAreas = 4;

} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

void TEditF::BuildView() {
    ViewHost = std::make_unique<TMapViewHost>(View);
    ViewControl = std::make_unique<TMapViewController>(*this);
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
    // Every view object is processed as in any frame; the picture is drawn only when it would
    // differ from the one on screen, and then only where it differs.
    const bool stepped = Scene().Prepare();
    const TFrameKey key = FrameKey();
    if (key.Band != PresentedKey.Band)
        InvalidatePicture();
    if (PicturePresented && !stepped && key == PresentedKey) {
        RestFrames();
        return;
    }
    const TSceneShot shot = Scene().Shot(Document->Selection());
    const int32_t frameRate = key.FrameRate;
    PresentedKey = key;
    if (PicturePresented && shot == PresentedShot && frameRate == PresentedFrameRate) {
        RestFrames();
        return;
    }
    // Each rectangle that differs is drawn as a whole frame would draw it.
    for (const TRect& damage : PictureDamage(shot, frameRate)) {
        Device->SetClipRect(&damage);
        DrawScene();
    }
    Device->SetClipRect(nullptr);
    PicturePresented = Device->Present() == D3D_OK;
    PresentedShot = shot;
    PresentedFrameRate = frameRate;
    // A picture that did not reach the screen is tried again at the next pass.
    if (PicturePresented)
        RestFrames();
}

void TEditF::RestFrames() {
    if (!Timer || Playing())
        return;
    std::optional<uint32_t> next = Scene().NextStepIn();
    // Strips due within a display refresh of the first step in the same frame, and from then
    // on together (a step restarts a strip's time), as they did when every refresh made a
    // frame: one frame for all of them, not one each.
    if (next)
        *next += kStepGroupingMs;
    Timer->Rest(next);
}

void TEditF::WakeFrames() {
    if (Timer)
        Timer->Wake();
}

TEditF::TFrameKey TEditF::FrameKey() const {
    TFrameKey key;
    key.SceneVersion = Scene().Version();
    key.WorldX = Scene().ProjectedWorldX();
    key.Selected = Selected();
    key.FrameRate = Timer ? Timer->FrameRate() : 0;
    if (const TBaseInfo* selected = Selected())
        key.Selection = TRect{selected->Left, selected->Top, selected->Width, selected->Height};
    key.Band = ViewControl->Band();
    return key;
}

std::vector<TRect> TEditF::PictureDamage(const TSceneShot& shot, int32_t frameRate) const {
    const QSize size = Device->BackBufferSize();
    const int width = size.width();
    const int height = size.height();
    const TRect whole{0, 0, width, height};
    const std::optional<std::vector<TRect>> world =
        PicturePresented ? DamageAreas(PresentedShot, shot, kMostDamageAreas)
                         : std::optional<std::vector<TRect>>{};
    if (!world)
        return {whole};
    // World units to back-buffer pixels, widened by a pixel for the filtering at the edges.
    const auto toX = [&](int64_t x) {
        return static_cast<int32_t>(
            std::clamp<int64_t>((x - WorldX) * width / ScreenWidth, -1, width));
    };
    const auto toY = [&](int64_t y) {
        return static_cast<int32_t>(std::clamp<int64_t>(y * height / ScreenHeight, -1, height));
    };
    std::vector<TRect> damage;
    for (const TRect& area : *world)
        if (area.Right > area.Left)
            damage.push_back(TRect{toX(area.Left) - 1, toY(area.Top) - 1, toX(area.Right) + 2,
                                   toY(area.Bottom) + 2});
    if (frameRate != PresentedFrameRate)
        damage.push_back(kFrameRateRect);
    return MergeAreas(std::move(damage), kMostDamageAreas);
}

void TEditF::DrawScene() {
    Device->Clear(0, nullptr, D3DCLEAR_TARGET, kViewClearColor, 1.0f, 0);
    Device->BeginScene();
    Scene().Draw(Document->Selection());
    DrawBand();
    DrawFrameRate();
    Device->EndScene();
}

void TEditF::DrawObjects() {
    Scene().DrawObjects(Document->Selection());
}

void TEditF::DrawBand() {
    TDXPanelEx* frame = Scene().SelFrame.get();
    const std::optional<TRect> band = ViewControl->Band();
    if (!frame || !band)
        return;
    const uint32_t color = frame->Color;
    frame->SetColor(kBandColor);
    frame->SetSize(SaturateToInt32(int64_t{band->Right} - band->Left),
                   SaturateToInt32(int64_t{band->Bottom} - band->Top));
    frame->SetPosition(band->Left, band->Top);
    frame->Draw();
    frame->SetColor(color);
}

void TEditF::DrawFrameRate() {
    if (!InfoFont)
        return;
    const std::string text = Format("FPS: %d", Timer ? Timer->FrameRate() : 0);
    InfoFont->DrawTextA(text, -1, kFrameRateRect, DT_TOP | DT_LEFT, kFrameRateColor);
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
