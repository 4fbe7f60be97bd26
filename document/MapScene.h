#pragma once

// What the map view draws: one view object (TWrapper) per placed record, kept in ascending
// layer order, the selection frame, and the projection of the visible world rectangle. No
// widgets here: the editor's window and the command-line renderer draw through the same code.

#include "engine/D3DTypes.h"
#include "engine/DXObj.h"
#include "engine/Device.h"
#include "mapdata/Geometry.h"
#include "mapdata/Objects.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace tv {

class IProgress;
class TGroupStates;
class TTextureMgr;

// The view object of one placed record. Z is the record's Z when the view object was made
// and orders the view list; Info is the record (owned by the map); Dead marks a view object
// that is obsolete and goes, undrawn, at the start of the next frame.
class TWrapper : public TDXPanelEx {
public:
    using TDXPanelEx::TDXPanelEx;
    const char* ClassName() const override { return "TWrapper"; }

    int32_t Z = 0;
    TBaseInfo* Info = nullptr;
    bool Dead = false;
};

using TViewList = std::vector<std::unique_ptr<TWrapper>>;

inline constexpr int32_t kLogicalWidth = 800;
inline constexpr int32_t kLogicalHeight = 600;
inline constexpr uint32_t kViewClearColor = 0xFF000055u;
// Frame rate of the frame animation of collision-object kinds.
inline constexpr int32_t kViewAnimationFps = 8;
inline constexpr const char* kSelFrameTexture = "editor\\frame.png";
// The selection frame is drawn additively: the primary record's in white, the others' dimmer.
inline constexpr uint32_t kSelFrameColor = 0xFFFFFFFFu;
inline constexpr uint32_t kOtherSelFrameColor = 0xFF606060u;

// The visible world rectangle is (worldX, 0)-(worldX + 800, 600); touching edges do not
// count as overlap.
bool IsInView(const TBaseInfo& record, int32_t worldX);

// What a frame of the scene draws: the visible view objects in order, each with a
// fingerprint of its quad, colour, texture and blending and the world rectangle it covers,
// the projection and the selection frame. Equal shots give equal pictures, so a frame with
// nothing new to show need not be drawn; where shots differ only in some view objects, only
// their rectangles need drawing again (Damage).
struct TViewShot {
    const TWrapper* View = nullptr;
    uint64_t Look = 0;
    TRect Area;
    bool operator==(const TViewShot&) const = default;
};

struct TSceneShot {
    int32_t WorldX = 0;
    std::vector<TViewShot> Views;
    // The primary selected record's frame (when in view), and those of the others in view.
    std::optional<TRect> Selection;
    std::vector<TRect> Others;
    bool operator==(const TSceneShot&) const = default;
};

// The world rectangle in which two shots of the scene differ (empty when they are equal), or
// nothing when the whole picture may (another projection, view objects in another order).
std::optional<TRect> Damage(const TSceneShot& before, const TSceneShot& after);
// The same as at most `most` rectangles that do not meet (none when the shots are equal):
// two strips far apart are drawn again as two small rectangles, not as one that holds both.
std::optional<std::vector<TRect>> DamageAreas(const TSceneShot& before, const TSceneShot& after,
                                              size_t most);
// Rectangles that meet (touching included) become their union, until none meet; more than
// `most` left become one.
std::vector<TRect> MergeAreas(std::vector<TRect> areas, size_t most);

class TMapScene {
public:
    // Without a device (the view could not get one) view objects are still made and kept in
    // order, without textures, and drawing does nothing. textures may be null likewise.
    TMapScene(PD3DDevice device, TTextureMgr* textures);
    ~TMapScene();
    TMapScene(const TMapScene&) = delete;
    TMapScene& operator=(const TMapScene&) = delete;

    // Makes the selection frame: "editor\frame.png" from the texture cache, drawn additively.
    // Raises when the picture cannot be loaded.
    void CreateSelFrame();

    // The device states the view draws with: alpha blending, stage 0 modulating alpha with
    // linear filtering, no lighting, and the three transforms (projection for worldX).
    void SetupDeviceStates(int32_t worldX);
    // The projection of the world rectangle starting at worldX, handed to the device.
    void SetProjection(int32_t worldX);

    // Makes the view object of a record and inserts it by bisection: before the first view
    // object whose Z is greater than or equal to the record's. Raises "Error when loading
    // texture." (and makes nothing) when the record's texture cannot be loaded.
    TWrapper* CreateView(TBaseInfo* record);
    // Inserts a view object that was made by bisection, as CreateView does.
    TWrapper* InsertView(std::unique_ptr<TWrapper> view);
    // Makes the view objects of several records at once, in the order that one CreateView
    // after another would give them (among equal Z the later records first, before the view
    // objects already there), in one pass over the list. Records whose texture cannot be
    // loaded get none; they are returned.
    std::vector<const TBaseInfo*> CreateViews(const std::vector<TBaseInfo*>& records);
    // The first half of CreateViews: the view objects of records, in the order they take
    // among themselves, not yet in the list; failed gets the records whose texture cannot be
    // loaded. Tells progress how far it got (stopping raises ECancelled).
    TViewList MakeViews(const std::vector<TBaseInfo*>& records,
                        std::vector<const TBaseInfo*>& failed, IProgress* progress = nullptr);
    // The view objects of records in the order MakeViews gives them, up to the first record
    // whose view object cannot be made: made is how many records were looked at (that one
    // included) and failure its error, or null when every one was made.
    TViewList MakeViewsUntilFailure(const std::vector<TBaseInfo*>& records, size_t& looked,
                                    std::exception_ptr& failure);
    // The second half: puts view objects made by MakeViews into the list, in one pass.
    void MergeViews(TViewList made);
    // Loads changed pictures again (ReloadChangedTextures), marks every view object dead, then
    // makes one for each record as CreateViews does; the records whose view object could not
    // be made are returned.
    std::vector<const TBaseInfo*> RebuildViews(const TBaseInfoList& objects);
    // Replaces the live view object of the record (if any) by a new one at once; with its Z
    // unchanged it keeps its place among the view objects of equal Z. Nothing happens for no
    // record.
    void RefreshView(TBaseInfo* record);
    // Loads the textures whose picture files changed since they were loaded again, in place
    // (TTextureMgr::ReloadChanged; its listener hears of them).
    void ReloadChangedTextures();
    // After textures were loaded again in place: the frame strips of the view objects that
    // show them are set up again (the picture may have another size now).
    void TexturesReloaded(const std::vector<TDXTexture*>& textures);
    // RefreshView for several records (each once), in one pass over the list; a view object
    // whose Z changed, or a record that had none, goes in as one InsertView after another
    // would put it. The records whose view object could not be made lose theirs and are
    // returned.
    std::vector<const TBaseInfo*> RefreshViews(const std::vector<TBaseInfo*>& records);
    // For records whose Left and Top alone changed: puts their live view objects where the
    // records are now, as new ones would be (in one pass, nothing made again). The records
    // that have no live view object are returned.
    std::vector<TBaseInfo*> MoveViews(const std::vector<TBaseInfo*>& records);
    // Sets Dead on every view object of the record.
    void MarkDead(const TBaseInfo* record);
    // Sets Dead on every view object of these records, in one pass.
    void MarkDead(const std::vector<TBaseInfo*>& records);
    // Sets Dead on every view object.
    void MarkAllDead();
    // Backgrounds placed at Left < 20 are shown at the view's left edge, at their own Top.
    void PinBackgrounds(int32_t worldX);
    // Removes dead view objects, then processes and draws every live one in order, and
    // finally the selection frame over the selected record's current rectangle, if any.
    // View objects that lie wholly outside the visible world rectangle are neither processed
    // nor drawn (the device would clip every pixel of them anyway; an animation out of view
    // goes on from where it was when it comes into view). The same as Prepare, then Draw.
    void DrawObjects(const TBaseInfo* selected);
    // The same with a frame on every selected record in view (the first is the primary one:
    // its frame is drawn last, brighter than the others', and also when it is out of view).
    void DrawObjects(const std::vector<TBaseInfo*>& selection);
    // The first half of a frame: removes dead view objects and processes the live ones that
    // can be seen (animations step). True when a view object was removed or an animation
    // stepped.
    bool Prepare();
    // Milliseconds until the next step of an animation that can be seen (0: due now), or
    // nothing when none can be seen: until then a frame of the scene shows nothing new.
    std::optional<uint32_t> NextStepIn() const;
    // Grows with every change of the view objects other than an animation's step.
    uint64_t Version() const { return version_ + moves_; }
    // The second half: draws the view objects that can be seen, then the selection frame.
    void Draw(const TBaseInfo* selected);
    void Draw(const std::vector<TBaseInfo*>& selection);
    // The selection frame's picture in a colour over a world rectangle given as left, top,
    // width and height (nothing without the picture).
    void DrawFrame(const TRect& area, uint32_t color);
    // What Draw would draw now (see TSceneShot).
    TSceneShot Shot(const TBaseInfo* selected) const;
    TSceneShot Shot(const std::vector<TBaseInfo*>& selection) const;

    // View objects of the groups hidden here are neither drawn nor in shots; none (the
    // default, as for "tvmtool render") hides nothing. The states must outlive the scene's use.
    void SetGroupStates(const TGroupStates* groups) { groups_ = groups; }

    const PD3DDevice& Device() const { return device_; }
    // The world x of the projection the device has now.
    int32_t ProjectedWorldX() const { return projectedWorldX_; }

    TViewList Views;
    std::unique_ptr<TDXPanelEx> SelFrame;
    D3DMATRIX WorldMatrix;
    D3DMATRIX ViewMatrix;
    D3DMATRIX ProjMatrix;
    // How many view objects the last DrawObjects drew (tests and benchmarks).
    size_t LastDrawn = 0;
    // Whether view objects wholly outside the visible world rectangle are skipped; off only
    // to measure what the skipping saves (a frame routine that draws only what changed must
    // then be told to draw again).
    bool CullOutside = true;
    // Code that changes Views, moves a view object or sets Dead other than through the calls
    // above says so here, so the scene's index of where its view objects are is made again.
    void Touch() {
        ++version_;
        mayHaveDead_ = true;
    }

private:
    bool Visible(const TWrapper& view) const;
    bool InHiddenGroup(const TWrapper& view) const;
    void DrawViews();
    // The frames of the other selected records in view, then the primary one's on top.
    void DrawFrames(const TBaseInfo* primary, std::span<TBaseInfo* const> others);
    TSceneShot ShotOf(const TBaseInfo* primary, std::span<TBaseInfo* const> others) const;
    // A live background placed at Left < 20, which PinBackgrounds keeps at the view's edge.
    static bool Pinned(const TWrapper& view);
    // The places in Views of the view objects that may be seen at the current projection (a
    // superset of the visible ones), ascending; from an index made again after every change.
    const std::vector<uint32_t>& Candidates() const;
    void Index() const;
    // The view object of a record, not yet in the list (raises when its texture cannot be
    // loaded).
    std::unique_ptr<TWrapper> MakeView(TBaseInfo* record);
    // Orders view objects made for records in their order as one insertion after another
    // would put them among themselves.
    static void OrderAsInserted(TViewList& made);

    PD3DDevice device_;
    TTextureMgr* textures_;
    const TGroupStates* groups_ = nullptr;
    int32_t projectedWorldX_ = 0;

    // The index: view objects by column of world x (their quads' extent) and those too wide
    // for columns or pinned; version_ grows with every change of Views.
    uint64_t version_ = 1;
    // A view object may be Dead: the next Prepare looks for them.
    bool mayHaveDead_ = false;
    mutable uint64_t indexed_ = 0;
    mutable std::unordered_map<int64_t, std::vector<uint32_t>> columns_;
    mutable std::vector<uint32_t> wide_;
    // The pinned backgrounds, kept among the wide ones so that moving them needs no new
    // index; moves_ counts the pinnings that moved one.
    mutable std::vector<TWrapper*> pinned_;
    uint64_t moves_ = 0;
    mutable std::vector<uint32_t> candidates_;
    mutable uint64_t candidatesFor_ = 0;
    mutable int32_t candidatesWorldX_ = 0;
};

} // namespace tv
