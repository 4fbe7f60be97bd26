// Playing the map in the view: F5 (or the Play button) plays a copy of the map as placed,
// Shift+F5 from the left side of the view; F5 again or Escape stops, R restarts after a death.
// While playing, the pages, the file and edit commands and the scroll controls rest, and every
// other key goes to the game through the key-state table.
#include "editor/EditForm.h"
#include "editor/MapViewFrames.h"

#include "editor/EditorApp.h"
#include "editor/PlaytestsPanel.h"
#include "engine/Clock.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "engine/Random.h"
#include "engine/Sound.h"
#include "mapdata/Notices.h"
#include "world/BaseObj.h"
#include "world/Equipment.h"
#include "world/PlaySession.h"
#include "world/Playtest.h"

#include <algorithm>

#include <QAction>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

namespace tv {

namespace {

// How far right of the view's left edge Shift+F5 puts the player.
constexpr int32_t kPlayerStartOffset = 40;

} // namespace

bool TEditF::Playing() const {
    return Play != nullptr;
}

void TEditF::PlayClick(bool fromView) {
    if (Playing()) {
        StopPlay();
        return;
    }
    if (!HasGraphics() || !CommitPendingEdits())
        return;
    Document->EndDrag();
    RegisterWorldClasses();
    TPlaySettings settings;
    settings.PauseOnDeath = true;
    if (fromView) {
        settings.Start.ScrollX = WorldX;
        settings.Start.PlayerLeft = AddSaturated(WorldX, kPlayerStartOffset);
    }
    // Weapons and armour come from the game folder's tables; without them nobody carries a
    // weapon, as in the game.
    LoadEquipmentFile();
    CreateSampleBank();
    // Each play has a seed of its own, kept with its recording for a playtest.
    settings.Seed = static_cast<uint32_t>(RandomEngine()());
    auto play = std::make_unique<TPlaySession>(Map(), Device, settings);
    play->RecordKeys();
    if (!play->Status().HasPlayer) {
        play.reset();
        EndPlayResources();
        ShowMessageBox("This map has no player to play with.");
        return;
    }
    Play = std::move(play);
    PlayClockMs = GetTickCount();
    ResetKeyState();
    SetPlayControls(true);
}

void TEditF::ReplayInView(const TPlaytest& playtest) {
    if (Playing() || !HasGraphics() || !CommitPendingEdits())
        return;
    Document->EndDrag();
    RegisterWorldClasses();
    TPlaySettings settings;
    settings.Start = playtest.Header.Start;
    settings.Seed = playtest.Header.Seed.value_or(1);
    LoadEquipmentFile();
    CreateSampleBank();
    auto play = std::make_unique<TPlaySession>(Map(), Device, settings);
    if (!play->Status().HasPlayer) {
        play.reset();
        EndPlayResources();
        ShowMessageBox("This map has no player to play with.");
        return;
    }
    auto script = std::make_shared<TKeyScript>(playtest.Keys, play->World().Player());
    play->BeforeUpdate = [script](uint64_t update) { script->Apply(update); };
    Play = std::move(play);
    ReplayEnd = playtest.Header.Updates.value_or(playtest.Expect.Updates);
    PlayClockMs = GetTickCount();
    ResetKeyState();
    SetPlayControls(true);
}

void TEditF::StopPlay() {
    if (!Playing())
        return;
    if (ReplayEnd == 0)
        Playtests->KeepRecording(*Play);
    ReplayEnd = 0;
    Play.reset();
    EndPlayResources();
    ResetKeyState();
    SetPlayControls(false);
    // The game drew with states and a projection of its own.
    SetupRenderState();
    InvalidatePicture();
}

void TEditF::RestartPlay() {
    if (Playing() && Play->Status().Died) {
        Play->Restart();
        PlayClockMs = GetTickCount();
    }
}

void TEditF::SavePlaytestFromPlay() {
    // A replay is no new recording.
    if (!Playing() || !Play->Status().Died || ReplayEnd != 0)
        return;
    StopPlay();
    Playtests->SaveRecording();
}

void TEditF::EndPlayResources() {
    DestroySampleBank();
    ClearEquipment();
}

void TEditF::SetPlayControls(bool playing) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             Pages, SpeedButton1, SpeedButton2, SaveBtn, SaveAsBtn, XPrev, XNext, XJump, EdJump})
        control->setEnabled(!playing);
    for (QAction* action : EditActions)
        action->setEnabled(!playing);
    RestartAction->setEnabled(false);
    SavePlaytestAction->setEnabled(false);
    StopAction->setEnabled(playing);
    if (playing) {
        UndoBtn->setEnabled(false);
        RedoBtn->setEnabled(false);
        // The keys go to the game, not to a field edited before.
        View->setFocus(Qt::OtherFocusReason);
    } else {
        UpdateUndoButtons();
    }
    PlayBtn->setChecked(playing);
    PlayBtn->setToolTip(playing ? QStringLiteral("Stop (F5 or Esc)") : QStringLiteral("Play (F5)"));
    WakeFrames(); // a game draws on every pass
}

void TEditF::PlayFrame() {
    // The game runs on the time that passed since the last frame, at its own fixed rate.
    const uint32_t now = GetTickCount();
    const uint32_t elapsed = now - PlayClockMs;
    PlayClockMs = now;
    try {
        // A replay runs no update beyond its last one.
        const double remaining =
            ReplayEnd == 0 ? elapsed
                           : static_cast<double>(ReplayEnd - std::min(ReplayEnd, Play->Updates())) *
                                 kGameUpdateMs;
        Play->Advance(std::min<double>(elapsed, remaining));
        Play->DrawFrame();
    } catch (...) {
        // A world that fails (a sound or picture that cannot be loaded) ends the play; the
        // error is shown once.
        StopPlay();
        throw;
    }
    RestartAction->setEnabled(Play->Status().Died);
    SavePlaytestAction->setEnabled(Play->Status().Died);
}

} // namespace tv
