#include "world/KeyRecorder.h"

#include "engine/KeyState.h"
#include "world/Actors.h"

#include <algorithm>

namespace tv {

TKeyRecorder::TKeyRecorder(const TPlayer& player)
    : roles_{{{"LEFT", player.KeyLeft},
              {"RIGHT", player.KeyRight},
              {"UP", player.KeyUp},
              {"DOWN", player.KeyDown},
              {"FIRE1", player.KeyFire1},
              {"FIRE2", player.KeyFire2}}} {}

void TKeyRecorder::Take(uint64_t update) {
    updates_ = update;
    for (Role& role : roles_) {
        const bool held = IsKeyDown(role.Code);
        const bool down = held || KeyPressPending(role.Code);
        role.Tapped = down && !held;
        if (down)
            SetKeyDown(role.Code, true);
        else
            ForgetKeyPress(role.Code);
        if (down && !role.Down)
            role.Since = update;
        if (!down && role.Down)
            closed_.push_back(TKeySpan{role.Name, role.Since, update - 1, 0});
        role.Down = down;
    }
}

void TKeyRecorder::Release() {
    for (Role& role : roles_)
        if (role.Tapped) {
            SetKeyDown(role.Code, false);
            ForgetKeyPress(role.Code);
            role.Tapped = false;
        }
}

std::vector<TKeySpan> TKeyRecorder::Spans() const {
    std::vector<TKeySpan> spans = closed_;
    for (const Role& role : roles_)
        if (role.Down)
            spans.push_back(TKeySpan{role.Name, role.Since, updates_, 0});
    std::stable_sort(spans.begin(), spans.end(),
                     [](const TKeySpan& a, const TKeySpan& b) { return a.First < b.First; });
    return spans;
}

} // namespace tv
