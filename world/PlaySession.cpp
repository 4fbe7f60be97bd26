#include "world/PlaySession.h"
#include "mapdata/Geometry.h"

#include "engine/Random.h"
#include "mapdata/Map.h"
#include "mapdata/Objects.h"
#include "world/Actors.h"
#include "world/KeyRecorder.h"
#include "world/PlayOverlay.h"

#include <cmath>
#include <limits>

namespace tv {

namespace {

std::unique_ptr<TMap> CopyMap(const TMap& map) {
    auto copy = std::make_unique<TMap>();
    copy->MapName = map.MapName;
    copy->FileName = map.FileName;
    copy->MaxWorldX = map.MaxWorldX;
    copy->MaxWorldY = map.MaxWorldY;
    copy->Ground = map.Ground;
    copy->Sky = map.Sky;
    copy->ThemeMusic = map.ThemeMusic;
    copy->Objects.Reserve(map.Objects.Count());
    for (int i = 0; i < map.Objects.Count(); ++i)
        copy->Objects.Add(CloneInfo(*map.Objects[i]));
    return copy;
}

void PlaceAt(TBaseObj& object, int32_t x) {
    object.SetPosition(x, object.GetPosition().Y);
    object.StartX = x;
}

// Scrolls the world to the start and puts the first player where the start says.
void ApplyStart(TGameWorld& world, const TPlayStart& start) {
    if (start.ScrollX != 0)
        for (TBaseObj* object : world.Objects)
            if (!dynamic_cast<TBackGround*>(object))
                PlaceAt(*object, SaturateToInt32(int64_t{object->GetPosition().X} - start.ScrollX));
    if (start.PlayerLeft)
        if (TPlayer* player = world.Player())
            PlaceAt(*player, SaturateToInt32(int64_t{*start.PlayerLeft} - start.ScrollX));
}

// Game time per update as asked for, when it is a time.
double StepMs(double ms) {
    return std::isfinite(ms) && ms >= 0.0 ? ms : kGameUpdateMs;
}

} // namespace

TPlaySession::TPlaySession(const TMap& map, PD3DDevice device, TPlaySettings settings)
    : start_(CopyMap(map)), device_(std::move(device)), settings_(std::move(settings)) {
    Build();
}

TPlaySession::~TPlaySession() {
    // The objects go while the clock they were made under is still there.
    ScopedClock use(clock_);
    world_.reset();
}

void TPlaySession::Restart() {
    Build();
}

void TPlaySession::Build() {
    ScopedClock use(clock_);
    world_.reset();
    clock_.Set(kPlayClockStart);
    updates_ = 0;
    pendingMs_ = 0.0;
    died_ = false;
    if (settings_.Seed)
        RandSeed(*settings_.Seed);
    world_ = std::make_unique<TGameWorld>();
    BuildWorldFromMap(*world_, *start_, device_);
    ApplyStart(*world_, settings_.Start);
    enemiesAtStart_ = 0;
    bossesAtStart_ = 0;
    for (const TBaseObj* object : world_->Objects) {
        enemiesAtStart_ += dynamic_cast<const TEnemy*>(object) ? 1 : 0;
        bossesAtStart_ += dynamic_cast<const TBoss*>(object) ? 1 : 0;
    }
    recorder_.reset();
    if (recording_ && world_->Player())
        recorder_ = std::make_unique<TKeyRecorder>(*world_->Player());
}

void TPlaySession::RecordKeys() {
    recording_ = true;
    if (!recorder_ && updates_ == 0 && world_->Player())
        recorder_ = std::make_unique<TKeyRecorder>(*world_->Player());
}

int TPlaySession::Advance(double elapsedMs) {
    if (settings_.PauseOnDeath && died_) {
        pendingMs_ = 0.0;
        return 0;
    }
    if (std::isfinite(elapsedMs) && elapsedMs > 0.0)
        pendingMs_ += elapsedMs;
    const double pace = Pace();
    int ran = 0;
    while (pendingMs_ >= pace && ran < kMaxUpdatesPerAdvance) {
        pendingMs_ -= pace;
        RunUpdate();
        ++ran;
        if (settings_.PauseOnDeath && died_) {
            pendingMs_ = 0.0;
            break;
        }
    }
    // A backlog beyond the updates run is dropped.
    if (pendingMs_ >= pace)
        pendingMs_ = 0.0;
    return ran;
}

void TPlaySession::RunUpdate() {
    ScopedClock use(clock_);
    ++updates_;
    const double offset =
        std::fmod(std::nearbyint(static_cast<double>(updates_) * StepMs(settings_.MsPerUpdate)),
                  4294967296.0);
    clock_.Set(kPlayClockStart + static_cast<uint32_t>(offset));
    if (BeforeUpdate)
        BeforeUpdate(updates_);
    if (recorder_)
        recorder_->Take(updates_);
    world_->MakeCurrent();
    world_->RunPass();
    if (recorder_)
        recorder_->Release();
    // The session keeps the death; the world's flag is cleared for the next one.
    if (world_->PlayerDied) {
        died_ = true;
        world_->PlayerDied = false;
    }
}

void TPlaySession::DrawFrame() {
    if (!device_)
        return;
    ScopedClock use(clock_);
    world_->Device = device_;
    world_->DrawFrame([this] {
        if (!settings_.Overlay)
            return;
        if (!overlay_)
            overlay_ = std::make_unique<TPlayOverlay>(device_);
        overlay_->Draw(Status());
    });
}

TPlayStatus TPlaySession::Status() const {
    TPlayStatus status;
    if (const TPlayer* player = world_->Player()) {
        status.HasPlayer = true;
        status.HitPoints = player->HitPoints;
        status.MaxHitPoints = player->MaxHitPoints;
        status.ExperiencePoints = player->ExperiencePoints;
    }
    status.Died = died_;
    status.Message = world_->Message;
    status.PreviousMessage = world_->PreviousMessage;
    status.Updates = updates_;
    return status;
}

double TPlaySession::Pace() const {
    const double ms = StepMs(settings_.MsPerUpdate);
    return ms > 0.0 ? ms : kGameUpdateMs;
}

} // namespace tv
