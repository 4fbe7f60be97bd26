#include "editor/MapViewFrames.h"

#include "editor/EditForm.h"
#include "editor/MapViewController.h"
#include "engine/D3DXFont.h"
#include "engine/FrameTimer.h"
#include "engine/Graphics.h"
#include "mapdata/Text.h"

#include <algorithm>

namespace tv {

namespace {

constexpr uint32_t kFrameRateColor = D3DCOLOR_ARGB(200, 255, 255, 50);
constexpr TRect kFrameRateRect{10, 0, 100, 20};
// The selection frame is drawn additively; the rubber band in amber.
constexpr uint32_t kBandColor = 0xFFFFB030u;
// About one display refresh.
constexpr uint32_t kStepGroupingMs = 16;
// A frame draws at most this many rectangles that changed (more become one).
constexpr size_t kMostDamageAreas = 4;

} // namespace

TMapViewFrames::TMapViewFrames(TEditF& window) : window_(window) {}

void TMapViewFrames::Frame() {
    // Every view object is processed as in any frame; the picture is drawn only when it would
    // differ from the one on screen, and then only where it differs.
    const bool stepped = window_.Scene().Prepare();
    const TFrameKey key = FrameKey();
    if (key.Band != PresentedKey.Band)
        Invalidate();
    if (!SameScene(key, KeptKey)) {
        Kept.Clear();
        KeptKey = key;
    }
    if (PicturePresented && !stepped && key == PresentedKey) {
        Rest();
        return;
    }
    const TSceneShot shot = window_.Scene().Shot(window_.Document->Selection());
    const int32_t frameRate = key.FrameRate;
    PresentedKey = key;
    if (PicturePresented && shot == PresentedShot && frameRate == PresentedFrameRate) {
        Rest();
        return;
    }
    // A kept picture of this shot is copied back, and only its frame-rate text drawn again
    // when that differs; otherwise each rectangle that differs is drawn as a whole frame would
    // draw it.
    std::vector<TRect> damage;
    const TKeptPictures::TKept* kept = Kept.Find(shot);
    if (kept && window_.Device->RestorePicture(kept->Slot) == D3D_OK) {
        if (kept->FrameRate != frameRate)
            damage.push_back(kFrameRateRect);
    } else {
        if (kept)
            Kept.Clear(); // the device forgot them (a new back buffer)
        damage = PictureDamage(shot, frameRate);
    }
    for (const TRect& area : damage) {
        window_.Device->SetClipRect(&area);
        DrawScene();
    }
    window_.Device->SetClipRect(nullptr);
    if (!damage.empty())
        KeepPicture(shot, frameRate);
    PicturePresented = window_.Device->Present() == D3D_OK;
    PresentedShot = shot;
    PresentedFrameRate = frameRate;
    // A picture that did not reach the screen is tried again at the next pass.
    if (PicturePresented)
        Rest();
}

void TMapViewFrames::Rest() {
    if (!window_.Timer || window_.Playing())
        return;
    std::optional<uint32_t> next = window_.Scene().NextStepIn();
    // Strips due within a display refresh of the first step in the same frame, and from then
    // on together (a step restarts a strip's time), as they did when every refresh made a
    // frame: one frame for all of them, not one each.
    if (next)
        *next += kStepGroupingMs;
    window_.Timer->Rest(next);
}

TMapViewFrames::TFrameKey TMapViewFrames::FrameKey() const {
    TFrameKey key;
    key.SceneVersion = window_.Scene().Version();
    key.WorldX = window_.Scene().ProjectedWorldX();
    key.Selected = window_.Selected();
    key.FrameRate = window_.Timer ? window_.Timer->FrameRate() : 0;
    if (const TBaseInfo* selected = window_.Selected())
        key.Selection = TRect{selected->Left, selected->Top, selected->Width, selected->Height};
    key.Band = window_.ViewControl->Band();
    return key;
}

bool TMapViewFrames::SameScene(const TFrameKey& a, const TFrameKey& b) {
    TFrameKey c = b;
    c.FrameRate = a.FrameRate;
    return a == c;
}

void TMapViewFrames::KeepPicture(const TSceneShot& shot, int32_t frameRate) {
    const QSize size = window_.Device->BackBufferSize();
    Kept.SetSlots(TKeptPictures::SlotsFor(size.width(), size.height()));
    const std::optional<uint32_t> slot = Kept.Place(shot, frameRate);
    if (slot && window_.Device->KeepPicture(*slot) != D3D_OK)
        Kept.Clear();
}

std::vector<TRect> TMapViewFrames::PictureDamage(const TSceneShot& shot, int32_t frameRate) const {
    const QSize size = window_.Device->BackBufferSize();
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
            std::clamp<int64_t>((x - window_.WorldX) * width / TEditF::ScreenWidth, -1, width));
    };
    const auto toY = [&](int64_t y) {
        return static_cast<int32_t>(
            std::clamp<int64_t>(y * height / TEditF::ScreenHeight, -1, height));
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

void TMapViewFrames::DrawScene() {
    window_.Device->Clear(0, nullptr, D3DCLEAR_TARGET, kViewClearColor, 1.0f, 0);
    window_.Device->BeginScene();
    window_.Scene().Draw(window_.Document->Selection());
    DrawBand();
    DrawFrameRate();
    window_.Device->EndScene();
}

void TMapViewFrames::DrawObjects() {
    window_.Scene().DrawObjects(window_.Document->Selection());
}

void TMapViewFrames::DrawBand() {
    if (const std::optional<TRect> band = window_.ViewControl->Band())
        window_.Scene().DrawFrame(TRect{band->Left, band->Top,
                                        SaturateToInt32(int64_t{band->Right} - band->Left),
                                        SaturateToInt32(int64_t{band->Bottom} - band->Top)},
                                  kBandColor);
}

void TMapViewFrames::DrawFrameRate() {
    if (!window_.InfoFont)
        return;
    const std::string text = Format("FPS: %d", window_.Timer ? window_.Timer->FrameRate() : 0);
    window_.InfoFont->DrawTextA(text, -1, kFrameRateRect, DT_TOP | DT_LEFT, kFrameRateColor);
}

} // namespace tv
