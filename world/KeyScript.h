#pragma once

// Scripted keys for playing a map without a keyboard ("tvmtool play", tests).
//
// Key script: one entry per line (lines end in "\n", "\r\n" or "\r"; a UTF-8 byte order mark in
// front is skipped), blank lines and text after "#" ignored:
//
//   RIGHT 1-120      # the player's right key is down from update 1 to update 120
//   FIRE1 30-200
//   UP 45            # down during update 45 only
//   65 10-20         # a virtual-key code (65 is "A")
//
// Names: LEFT, RIGHT, UP, DOWN, FIRE1, FIRE2 stand for the first player's own keys (from its
// record); SHIFT, CTRL, SPACE, a single letter or digit, or a number 1..255 name a key
// directly. Names ignore letter case. Updates are numbered from 1; a key is down during every
// update its spans cover and up otherwise (it goes down and up between updates, as a person
// would press it).
//
// A recorded play (a playtest) starts with header lines that readers which do not know them
// take for comments:
//
//   #! map green_hills.tvm   # the map file it was recorded on
//   #! seed 1234             # the random generator's seed
//   #! start 800 840         # the world scrolled by 800, the first player's Left at 840 ("-":
//                            # as placed)
//   #! updates 3600          # how long the play lasted

#include "world/PlaySession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tv {

class TPlayer;

struct TKeySpan {
    std::string Name; // as written, upper-cased
    uint64_t First = 0;
    uint64_t Last = 0;
    int Line = 0;
};

// Raises an EError naming the line for anything it cannot read: an unknown key name, a
// missing or malformed range, a range that ends before it starts or starts at 0.
std::vector<TKeySpan> ParseKeyScript(const std::string& text);

// What the "#!" header lines of a script say; everything empty for a script without them.
struct TKeyScriptHeader {
    std::string Map;
    std::optional<uint32_t> Seed;
    TPlayStart Start;
    std::optional<uint64_t> Updates;
};

// Raises an EError naming the line for a known header line with a value it cannot read;
// "#!" lines with other names are comments.
TKeyScriptHeader ParseKeyScriptHeader(const std::string& text);

// The script text: the header lines, then one line per span.
std::string WriteKeyScript(const TKeyScriptHeader& header, const std::vector<TKeySpan>& spans);

// A script's spans turned into virtual-key codes, which it sets in the key-state table
// before each update.
class TKeyScript {
public:
    TKeyScript() = default;
    // The player's own keys come from player. Raises for a span that names one of them when
    // there is no player.
    TKeyScript(const std::vector<TKeySpan>& spans, const TPlayer* player);

    // Every key the script names goes down or up for the given update (numbered from 1).
    void Apply(uint64_t update) const;

private:
    struct Span {
        int Code;
        uint64_t First;
        uint64_t Last;
    };
    std::vector<Span> spans_;
    std::vector<int> codes_; // each key once
};

} // namespace tv
