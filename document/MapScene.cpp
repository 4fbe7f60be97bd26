#include "document/MapScene.h"

#include "document/Picking.h"
#include "engine/Clock.h"
#include "engine/D3DXMath.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numeric>
#include <unordered_set>

namespace tv {

namespace {

// Texture tag of a map object's own texture.
constexpr int32_t kWorldTextureTag = 3;

// A 64-bit fingerprint of the bytes given, eight at a time (FNV-1a's steps on words).
class TFingerprint {
public:
    void AddBytes(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            uint64_t word;
            std::memcpy(&word, bytes + i, 8);
            Mix(word);
        }
        uint64_t rest = 0;
        std::memcpy(&rest, bytes + i, size - i);
        Mix(rest ^ (uint64_t{size} << 56));
    }
    template <class T> void Add(const T& value) { AddBytes(&value, sizeof value); }
    uint64_t Value() const { return value_; }

private:
    void Mix(uint64_t word) {
        value_ = (value_ ^ word) * 0x100000001B3ull;
        value_ ^= value_ >> 29;
    }

    uint64_t value_ = 0xCBF29CE484222325ull;
};

bool IsIdentity(const D3DMATRIX& m) {
    return std::memcmp(&m, &IdentityMatrix, sizeof m) == 0;
}

} // namespace

bool IsInView(const TBaseInfo& record, int32_t worldX) {
    const int64_t left = record.Left;
    const int64_t top = record.Top;
    const int64_t right = left + record.Width;
    const int64_t bottom = top + record.Height;
    const int64_t viewLeft = worldX;
    const int64_t viewRight = viewLeft + kLogicalWidth;
    return left < viewRight && viewLeft < right && top < kLogicalHeight && 0 < bottom;
}

TMapScene::TMapScene(PD3DDevice device, TTextureMgr* textures)
    : WorldMatrix(IdentityMatrix), ViewMatrix(IdentityMatrix), ProjMatrix(IdentityMatrix),
      device_(std::move(device)), textures_(textures) {}

TMapScene::~TMapScene() {
    Views.clear();
    SelFrame.reset();
}

void TMapScene::CreateSelFrame() {
    SelFrame.reset();
    TDXTexture* texture = textures_ ? textures_->GetTexture(kSelFrameTexture, 0) : nullptr;
    SelFrame = std::make_unique<TDXPanelEx>(device_, TDXBounds{10, 10, 64, 64}, 0xFFFFFFFFu,
                                            texture, std::string(), true, nullptr);
    SelFrame->Blend = bl_add;
}

void TMapScene::SetupDeviceStates(int32_t worldX) {
    if (!device_)
        return;
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
    device_->SetRenderState(D3DRS_ZENABLE, 1);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_COLORVERTEX, 1);
    WorldMatrix = IdentityMatrix;
    ViewMatrix = IdentityMatrix;
    SetProjection(worldX);
    device_->SetTransform(D3DTS_WORLD, &WorldMatrix);
    device_->SetTransform(D3DTS_VIEW, &ViewMatrix);
}

void TMapScene::SetProjection(int32_t worldX) {
    D3DXMatrixOrthoOffCenterLH(&ProjMatrix, static_cast<float>(worldX),
                               static_cast<float>(int64_t{worldX} + kLogicalWidth),
                               static_cast<float>(kLogicalHeight), 0.0f, -10.0f, 10.0f);
    projectedWorldX_ = worldX;
    if (device_)
        device_->SetTransform(D3DTS_PROJECTION, &ProjMatrix);
}

std::unique_ptr<TWrapper> TMapScene::MakeView(TBaseInfo* record) {
    // The texture first: when it cannot be loaded nothing is made.
    TDXTexture* texture =
        textures_ ? textures_->GetTexture(record->Texture.str(), kWorldTextureTag) : nullptr;
    auto view = std::make_unique<TWrapper>(
        device_, TDXBounds{record->Left, record->Top, record->Width, record->Height}, record->Color,
        texture, std::string(), true, nullptr);
    view->Z = record->Z;
    view->Info = record;
    view->Blend = static_cast<TDXBlend>(record->Blend);
    if (const auto* colObj = dynamic_cast<const TColObjInfo*>(record))
        view->SetAnimation(colObj->FrameWidth, colObj->FrameHeight, kViewAnimationFps,
                           colObj->Animated != 0);
    return view;
}

TWrapper* TMapScene::CreateView(TBaseInfo* record) {
    if (!record)
        return nullptr;
    return InsertView(MakeView(record));
}

TWrapper* TMapScene::InsertView(std::unique_ptr<TWrapper> view) {
    // Bisection: the new view object goes before the first one whose Z is not smaller.
    ptrdiff_t low = 0;
    ptrdiff_t high = static_cast<ptrdiff_t>(Views.size()) - 1;
    while (low <= high) {
        const ptrdiff_t mid = (low + high) / 2;
        if (int64_t{Views[static_cast<size_t>(mid)]->Z} - view->Z < 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    TWrapper* made = view.get();
    Views.insert(Views.begin() + low, std::move(view));
    Touch();
    return made;
}

std::vector<const TBaseInfo*> TMapScene::CreateViews(const std::vector<TBaseInfo*>& records) {
    std::vector<const TBaseInfo*> failed;
    MergeViews(MakeViews(records, failed));
    return failed;
}

TViewList TMapScene::MakeViews(const std::vector<TBaseInfo*>& records,
                               std::vector<const TBaseInfo*>& failed, IProgress* progress) {
    constexpr size_t kViewsPerReport = 4096;
    TViewList made;
    made.reserve(records.size());
    for (TBaseInfo* record : records) {
        if (record) {
            try {
                made.push_back(MakeView(record));
            } catch (const EError&) {
                failed.push_back(record);
            }
        }
        if (progress && (made.size() + failed.size()) % kViewsPerReport == 0 &&
            !progress->Report(made.size() + failed.size(), records.size()))
            throw ECancelled();
    }
    OrderAsInserted(made);
    return made;
}

TViewList TMapScene::MakeViewsUntilFailure(const std::vector<TBaseInfo*>& records, size_t& looked,
                                           std::exception_ptr& failure) {
    TViewList made;
    made.reserve(records.size());
    failure = nullptr;
    for (looked = 0; looked < records.size() && !failure;) {
        TBaseInfo* record = records[looked++];
        try {
            made.push_back(MakeView(record));
        } catch (const EError&) {
            failure = std::current_exception();
        }
    }
    OrderAsInserted(made);
    return made;
}

void TMapScene::OrderAsInserted(TViewList& made) {
    // One insertion after another puts each view object before every one of equal or greater
    // Z already there: among equal Z the later ones come first.
    std::reverse(made.begin(), made.end());
    std::stable_sort(made.begin(), made.end(),
                     [](const auto& a, const auto& b) { return a->Z < b->Z; });
}

void TMapScene::MergeViews(TViewList made) {
    // The new ones go before the ones of equal Z already there.
    TViewList merged;
    merged.reserve(Views.size() + made.size());
    auto old = Views.begin();
    for (auto& view : made) {
        while (old != Views.end() && (*old)->Z < view->Z)
            merged.push_back(std::move(*old++));
        merged.push_back(std::move(view));
    }
    std::move(old, Views.end(), std::back_inserter(merged));
    Views = std::move(merged);
    Touch();
}

void TMapScene::MarkAllDead() {
    mayHaveDead_ = true;
    for (const auto& view : Views)
        view->Dead = true;
}

std::vector<const TBaseInfo*> TMapScene::RebuildViews(const TBaseInfoList& objects) {
    ReloadChangedTextures();
    MarkAllDead();
    return CreateViews(std::vector<TBaseInfo*>(objects.begin(), objects.end()));
}

void TMapScene::ReloadChangedTextures() {
    if (textures_)
        textures_->ReloadChanged();
}

void TMapScene::TexturesReloaded(const std::vector<TDXTexture*>& textures) {
    bool changed = false;
    for (const auto& view : Views) {
        if (view->Dead ||
            std::find(textures.begin(), textures.end(), view->Texture) == textures.end())
            continue;
        changed = true;
        if (const auto* colObj = dynamic_cast<const TColObjInfo*>(view->Info))
            view->SetAnimation(colObj->FrameWidth, colObj->FrameHeight, kViewAnimationFps,
                               colObj->Animated != 0);
    }
    if (changed)
        Touch();
}

void TMapScene::RefreshView(TBaseInfo* record) {
    if (!record)
        return;
    const auto it = std::find_if(Views.begin(), Views.end(), [record](const auto& view) {
        return !view->Dead && view->Info == record;
    });
    if (it == Views.end()) {
        CreateView(record);
        return;
    }
    std::unique_ptr<TWrapper> view;
    try {
        view = MakeView(record);
    } catch (...) {
        Views.erase(it);
        Touch();
        throw;
    }
    // In its own layer a view object keeps its place among the ones of equal Z, so an edit
    // and its undo draw the map in the same order as before.
    if (view->Z == (*it)->Z) {
        *it = std::move(view);
        Touch();
        return;
    }
    Views.erase(it);
    InsertView(std::move(view));
}

std::vector<const TBaseInfo*> TMapScene::RefreshViews(const std::vector<TBaseInfo*>& records) {
    constexpr size_t kNone = SIZE_MAX;
    // Each record's first live view object, as RefreshView finds it.
    std::unordered_map<const TBaseInfo*, size_t> places;
    places.reserve(records.size());
    for (const TBaseInfo* record : records)
        if (record)
            places.emplace(record, kNone);
    for (size_t at = 0; at < Views.size(); ++at) {
        const TWrapper& view = *Views[at];
        if (view.Dead)
            continue;
        const auto found = places.find(view.Info);
        if (found != places.end() && found->second == kNone)
            found->second = at;
    }
    std::vector<const TBaseInfo*> failed;
    TViewList moved; // in record order, as the insertions would come
    bool taken = false;
    std::unordered_set<const TBaseInfo*> done;
    done.reserve(places.size());
    for (TBaseInfo* record : records) {
        if (!record || !done.insert(record).second)
            continue;
        const size_t at = places.at(record);
        std::unique_ptr<TWrapper> view;
        try {
            view = MakeView(record);
        } catch (const EError&) {
            failed.push_back(record);
            if (at != kNone) {
                Views[at].reset();
                taken = true;
            }
            continue;
        }
        if (at != kNone && view->Z == Views[at]->Z) {
            Views[at] = std::move(view); // its place among the ones of equal Z
            continue;
        }
        if (at != kNone) {
            Views[at].reset();
            taken = true;
        }
        moved.push_back(std::move(view));
    }
    if (taken)
        std::erase_if(Views, [](const auto& view) { return !view; });
    if (moved.empty()) {
        Touch();
        return failed;
    }
    OrderAsInserted(moved);
    MergeViews(std::move(moved));
    return failed;
}

std::vector<TBaseInfo*> TMapScene::MoveViews(const std::vector<TBaseInfo*>& records) {
    std::unordered_map<const TBaseInfo*, bool> moved; // whether a view object was found
    moved.reserve(records.size());
    for (const TBaseInfo* record : records)
        if (record)
            moved.emplace(record, false);
    for (const auto& view : Views) {
        if (view->Dead)
            continue;
        const auto found = moved.find(view->Info);
        if (found == moved.end() || found->second)
            continue;
        found->second = true;
        view->SetPosition(view->Info->Left, view->Info->Top);
    }
    Touch();
    std::vector<TBaseInfo*> missing;
    for (TBaseInfo* record : records)
        if (record && !moved.at(record))
            missing.push_back(record);
    return missing;
}

void TMapScene::MarkDead(const TBaseInfo* record) {
    mayHaveDead_ = true;
    for (const auto& view : Views)
        if (view->Info == record)
            view->Dead = true;
}

void TMapScene::MarkDead(const std::vector<TBaseInfo*>& records) {
    mayHaveDead_ = true;
    const std::unordered_set<const TBaseInfo*> gone(records.begin(), records.end());
    for (const auto& view : Views)
        if (gone.count(view->Info))
            view->Dead = true;
}

bool TMapScene::Pinned(const TWrapper& view) {
    return !view.Dead && view.Info && view.Info->Left < 20 &&
           dynamic_cast<const TBackGroundInfo*>(view.Info);
}

void TMapScene::PinBackgrounds(int32_t worldX) {
    // Only the pinned ones move; they are always looked at, so the index stays as it is.
    Index();
    for (TWrapper* view : pinned_) {
        if (!Pinned(*view))
            continue;
        const TPoint before = view->GetPosition();
        view->SetPosition(worldX, view->Info->Top);
        if (!(view->GetPosition() == before))
            ++moves_;
    }
}

namespace {

// The world rectangle a view object's quad covers, rounded outwards.
// The index of where view objects are: columns of world x this wide; a view object that
// spans more columns than kMaxColumnsPerView is kept apart and always looked at.
constexpr int64_t kColumnWidth = 512;
constexpr int64_t kMaxColumnsPerView = 64;

int64_t ColumnOf(int64_t x) {
    return x >= 0 ? x / kColumnWidth : -((-x + kColumnWidth - 1) / kColumnWidth);
}

TRect Covered(const TWrapper& view) {
    const TDXVertex& a = view.Vertices[0];
    const TDXVertex& b = view.Vertices[3];
    const double cx = view.Translation.m[3][0];
    const double cy = view.Translation.m[3][1];
    const auto clamp = [](double v) {
        return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
    };
    return TRect{
        clamp(std::floor(cx + std::min(a.X, b.X))), clamp(std::floor(cy + std::min(a.Y, b.Y))),
        clamp(std::ceil(cx + std::max(a.X, b.X))), clamp(std::ceil(cy + std::max(a.Y, b.Y)))};
}

} // namespace

bool TMapScene::Visible(const TWrapper& view) const {
    if (!CullOutside)
        return true;
    // The quad's corners lie at (-w/2, -h/2) and (w/2, h/2) about its translation.
    const TDXVertex& a = view.Vertices[0];
    const TDXVertex& b = view.Vertices[3];
    const double cx = view.Translation.m[3][0];
    const double cy = view.Translation.m[3][1];
    const double viewLeft = projectedWorldX_;
    const double viewRight = viewLeft + kLogicalWidth;
    // Touching counts as visible: only quads that surely cover no pixel are skipped.
    if (cx + std::max(a.X, b.X) >= viewLeft && cx + std::min(a.X, b.X) <= viewRight &&
        cy + std::max(a.Y, b.Y) >= 0.0 && cy + std::min(a.Y, b.Y) <= kLogicalHeight)
        return true;
    // Only plain quads (no rotation or scaling, which view objects never get) are judged by
    // their rectangle; any other is drawn.
    return !IsIdentity(view.Rotation) || !IsIdentity(view.Scaling);
}

bool TMapScene::InHiddenGroup(const TWrapper& view) const {
    return groups_ && view.Info && groups_->Hidden(view.Info->Group.view());
}

void TMapScene::DrawObjects(const TBaseInfo* selected) {
    Prepare();
    Draw(selected);
}

void TMapScene::DrawObjects(const std::vector<TBaseInfo*>& selection) {
    Prepare();
    Draw(selection);
}

bool TMapScene::Prepare() {
    bool changed = false;
    if (std::exchange(mayHaveDead_, false) &&
        std::erase_if(Views, [](const auto& view) { return view->Dead; }) > 0) {
        Touch();
        changed = true;
    }
    // Only animated view objects change when processed, and only the ones that can be seen
    // are: one out of view goes on from its frame when it comes into view again.
    for (const uint32_t at : Candidates()) {
        TWrapper& view = *Views[at];
        if (!view.Animating || view.Dead || !Visible(view))
            continue;
        const int32_t frame = view.Frame;
        view.Process();
        changed = changed || view.Frame != frame;
    }
    return changed;
}

std::optional<uint32_t> TMapScene::NextStepIn() const {
    std::optional<uint32_t> soonest;
    const uint32_t now = GetTickCount();
    for (const uint32_t at : Candidates()) {
        const TWrapper& view = *Views[at];
        if (!view.Animating || view.FPS <= 0 || view.Dead || !view.Visible || !Visible(view))
            continue;
        // A strip steps once more than 1000 / FPS milliseconds passed since its last step.
        const auto period = static_cast<uint32_t>(std::floor(1000.0 / view.FPS)) + 1;
        const uint32_t elapsed = now - view.AnimTick;
        const uint32_t wait = elapsed >= period ? 0 : period - elapsed;
        soonest = soonest ? std::min(*soonest, wait) : wait;
    }
    return soonest;
}

void TMapScene::Draw(const TBaseInfo* selected) {
    DrawViews();
    DrawFrames(selected, {});
}

void TMapScene::Draw(const std::vector<TBaseInfo*>& selection) {
    DrawViews();
    if (!selection.empty())
        DrawFrames(selection.front(), std::span<TBaseInfo* const>(selection).subspan(1));
}

void TMapScene::DrawViews() {
    LastDrawn = 0;
    for (const uint32_t at : Candidates()) {
        TWrapper& view = *Views[at];
        if (!view.Dead && Visible(view) && !InHiddenGroup(view)) {
            view.Draw();
            ++LastDrawn;
        }
    }
}

void TMapScene::DrawFrames(const TBaseInfo* primary, std::span<TBaseInfo* const> others) {
    if (!primary || !SelFrame)
        return;
    const auto draw = [this](const TBaseInfo& record, uint32_t color) {
        DrawFrame(TRect{record.Left, record.Top, record.Width, record.Height}, color);
    };
    for (const TBaseInfo* record : others)
        if (IsInView(*record, projectedWorldX_))
            draw(*record, kOtherSelFrameColor);
    draw(*primary, kSelFrameColor);
}

void TMapScene::DrawFrame(const TRect& area, uint32_t color) {
    if (!SelFrame)
        return;
    if (SelFrame->Color != color)
        SelFrame->SetColor(color);
    SelFrame->SetSize(area.Right, area.Bottom);
    SelFrame->SetPosition(area.Left, area.Top);
    SelFrame->Draw();
}

void TMapScene::Index() const {
    if (indexed_ == version_)
        return;
    columns_.clear();
    wide_.clear();
    pinned_.clear();
    for (uint32_t at = 0; at < Views.size(); ++at) {
        const TWrapper& view = *Views[at];
        if (Pinned(view)) {
            pinned_.push_back(Views[at].get());
            wide_.push_back(at);
            continue;
        }
        const TRect area = Covered(view);
        const int64_t first = ColumnOf(area.Left);
        const int64_t last = ColumnOf(std::max<int64_t>(area.Left, int64_t{area.Right} - 1));
        if (last - first >= kMaxColumnsPerView || !IsIdentity(view.Rotation) ||
            !IsIdentity(view.Scaling)) {
            wide_.push_back(at);
            continue;
        }
        for (int64_t column = first; column <= last; ++column)
            columns_[column].push_back(at);
    }
    indexed_ = version_;
}

const std::vector<uint32_t>& TMapScene::Candidates() const {
    Index();
    if (!CullOutside) {
        candidates_.resize(Views.size());
        std::iota(candidates_.begin(), candidates_.end(), 0u);
        candidatesFor_ = 0; // made again at every call
        return candidates_;
    }
    if (candidatesFor_ == version_ && candidatesWorldX_ == projectedWorldX_)
        return candidates_;
    candidates_ = wide_;
    const int64_t last = ColumnOf(int64_t{projectedWorldX_} + kLogicalWidth);
    for (int64_t column = ColumnOf(projectedWorldX_); column <= last; ++column) {
        const auto found = columns_.find(column);
        if (found != columns_.end())
            candidates_.insert(candidates_.end(), found->second.begin(), found->second.end());
    }
    std::sort(candidates_.begin(), candidates_.end());
    candidates_.erase(std::unique(candidates_.begin(), candidates_.end()), candidates_.end());
    candidatesFor_ = version_;
    candidatesWorldX_ = projectedWorldX_;
    return candidates_;
}

namespace {

TRect FrameOf(const TBaseInfo& record) {
    return TRect{record.Left, record.Top, static_cast<int32_t>(int64_t{record.Left} + record.Width),
                 static_cast<int32_t>(int64_t{record.Top} + record.Height)};
}

} // namespace

TSceneShot TMapScene::Shot(const TBaseInfo* selected) const {
    return ShotOf(selected, {});
}

TSceneShot TMapScene::Shot(const std::vector<TBaseInfo*>& selection) const {
    if (selection.empty())
        return ShotOf(nullptr, {});
    return ShotOf(selection.front(), std::span<TBaseInfo* const>(selection).subspan(1));
}

TSceneShot TMapScene::ShotOf(const TBaseInfo* primary, std::span<TBaseInfo* const> others) const {
    TSceneShot shot;
    shot.WorldX = projectedWorldX_;
    for (const uint32_t at : Candidates()) {
        const auto& view = Views[at];
        if (view->Dead || !view->Visible || !Visible(*view) || InHiddenGroup(*view))
            continue;
        TFingerprint look;
        look.Add(view->Texture ? view->Texture->Texture.get() : nullptr);
        look.Add(view->Blend);
        look.AddBytes(view->Vertices, sizeof view->Vertices);
        look.AddBytes(&view->Translation, sizeof view->Translation);
        shot.Views.push_back(TViewShot{view.get(), look.Value(), Covered(*view)});
    }
    if (!primary || !SelFrame)
        return shot;
    if (IsInView(*primary, projectedWorldX_))
        shot.Selection = FrameOf(*primary);
    for (const TBaseInfo* record : others)
        if (IsInView(*record, projectedWorldX_))
            shot.Others.push_back(FrameOf(*record));
    return shot;
}

namespace {

TRect Union(const TRect& a, const TRect& b) {
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

bool Meet(const TRect& a, const TRect& b) {
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

} // namespace

std::vector<TRect> MergeAreas(std::vector<TRect> areas, size_t most) {
    // Each area takes in every merged one it meets, looking again from the start after each
    // (its union may meet one already passed), so the merged ones never meet each other. A
    // frame of a screen full of animated sprites brings thousands of areas: this costs the
    // areas times the merged ones, where trying all pairs again after every merge cost the
    // cube of the areas.
    std::vector<TRect> merged;
    for (TRect area : areas) {
        for (size_t i = 0; i < merged.size();) {
            if (!Meet(area, merged[i])) {
                ++i;
                continue;
            }
            area = Union(area, merged[i]);
            merged[i] = merged.back();
            merged.pop_back();
            i = 0;
        }
        merged.push_back(area);
    }
    if (merged.size() > most) {
        TRect all = merged.front();
        for (const TRect& area : merged)
            all = Union(all, area);
        merged.assign(1, all);
    }
    return merged;
}

std::optional<std::vector<TRect>> DamageAreas(const TSceneShot& before, const TSceneShot& after,
                                              size_t most) {
    if (before.WorldX != after.WorldX || before.Views.size() != after.Views.size())
        return std::nullopt;
    std::vector<TRect> areas;
    for (size_t i = 0; i < after.Views.size(); ++i) {
        const TViewShot& a = before.Views[i];
        const TViewShot& b = after.Views[i];
        if (a.View != b.View)
            return std::nullopt;
        if (a.Look != b.Look || !(a.Area == b.Area)) {
            areas.push_back(a.Area);
            areas.push_back(b.Area);
        }
    }
    if (before.Selection != after.Selection) {
        if (before.Selection)
            areas.push_back(*before.Selection);
        if (after.Selection)
            areas.push_back(*after.Selection);
    }
    if (before.Others != after.Others) {
        for (const TRect& frame : before.Others)
            areas.push_back(frame);
        for (const TRect& frame : after.Others)
            areas.push_back(frame);
    }
    return MergeAreas(std::move(areas), most);
}

std::optional<TRect> Damage(const TSceneShot& before, const TSceneShot& after) {
    const std::optional<std::vector<TRect>> areas = DamageAreas(before, after, 1);
    if (!areas)
        return std::nullopt;
    return areas->empty() ? TRect{0, 0, 0, 0} : areas->front();
}

} // namespace tv
