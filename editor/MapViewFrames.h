#pragma once

// The frames of the map view while editing: a frame draws the picture only when it would
// differ from the one presented last, and only where it differs (the scene's shots), then
// lets the frame timer rest until the next animation step in view or until something wakes
// it. It draws the scene with the selection's frames, the rubber band and the frame rate.
// While the scene stays as it is, the pictures drawn are kept on the device, and a frame that
// comes back to one of them (animations going round) copies it back instead of drawing.

#include "document/KeptPictures.h"
#include "document/MapScene.h"
#include "mapdata/Geometry.h"

#include <optional>
#include <vector>

namespace tv {

class TBaseInfo;
class TEditF;

class TMapViewFrames {
public:
    explicit TMapViewFrames(TEditF& window);

    // One frame of the view (the device is there and usable, nothing is played).
    void Frame();
    // The frame timer rests until the next step of an animation in view, or, with none,
    // until it is woken (at the latest for its once-a-second frame-rate measurement).
    void Rest();
    // The picture must be drawn again whole at the next frame (and none kept is shown).
    void Invalidate() {
        PicturePresented = false;
        Kept.Clear();
    }
    // Draws the whole picture into the back buffer (no present).
    void DrawScene();
    void DrawObjects();
    void DrawFrameRate();
    // The rubber band while one is drawn.
    void DrawBand();
    // The parts of the back buffer (pixels, rectangles that do not meet) that differ between
    // the picture on screen and the one shot now; the whole of it when nothing was presented
    // yet or all may differ; none when nothing differs.
    std::vector<TRect> PictureDamage(const TSceneShot& shot, int32_t frameRate) const;

private:
    // What decides whether a frame can differ from the one before without looking at every
    // view object: the scene's version, the projection, the selection and the frame rate.
    struct TFrameKey {
        uint64_t SceneVersion = 0;
        int32_t WorldX = 0;
        const TBaseInfo* Selected = nullptr;
        TRect Selection;
        int32_t FrameRate = 0;
        // The rubber band, which the scene's shot does not hold: when it changes the whole
        // picture is drawn again.
        std::optional<TRect> Band;
        bool operator==(const TFrameKey&) const = default;
    };
    TFrameKey FrameKey() const;
    // Equal keys but for the frame rate: the kept pictures may show the scene.
    static bool SameScene(const TFrameKey& a, const TFrameKey& b);
    // Keeps the picture just drawn (shot, frameRate) for the frames to come.
    void KeepPicture(const TSceneShot& shot, int32_t frameRate);

    TEditF& window_;
    // The picture presented last, and whether it is still on screen.
    TFrameKey PresentedKey;
    TSceneShot PresentedShot;
    int32_t PresentedFrameRate = 0;
    bool PicturePresented = false;
    // The pictures kept on the device, all of the scene of KeptKey.
    TKeptPictures Kept;
    TFrameKey KeptKey;
};

} // namespace tv
