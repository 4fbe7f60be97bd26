#pragma once

// Records the player's keys of a play update by update, as a key script (KeyScript.h) that
// plays the same game again.
//
// Before each update, Take settles each of the player's six keys to what the update sees: down
// when it is held, or was pressed and let go since the last update (a tap between two frames
// counts for one update); up otherwise, with no press left pending. The update then reads
// exactly the keys a replay of the script sets, so the play recorded and its replay are the
// same game. After the update, Release lets a tapped key go up again.

#include "world/KeyScript.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tv {

class TPlayer;

class TKeyRecorder {
public:
    // The player's keys (from its record) at the start of the play.
    explicit TKeyRecorder(const TPlayer& player);

    void Take(uint64_t update);
    void Release();

    // The keys as spans in the player's own names (LEFT, RIGHT, UP, DOWN, FIRE1, FIRE2), in
    // the order they went down.
    std::vector<TKeySpan> Spans() const;
    uint64_t Updates() const { return updates_; }

private:
    struct Role {
        const char* Name;
        int Code;
        bool Down = false;   // in the last update taken
        bool Tapped = false; // down for the update only
        uint64_t Since = 0;  // the update it went down in
    };
    std::array<Role, 6> roles_;
    std::vector<TKeySpan> closed_;
    uint64_t updates_ = 0;
};

} // namespace tv
