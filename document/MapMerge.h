#pragma once

// Three-way merge of maps by object (MatchObjects pairs the objects of each side with the
// base's). Per map variable and per field of an object: a change made on one side only is
// taken, the same change on both sides once, different changes are a conflict and keep ours.
// An object deleted on one side and changed on the other is a conflict too (ours kept: the
// object, or its absence), and so is one that both sides moved to different places in the
// list ("place": after different unchanged neighbours; ours kept). Objects added on both sides are
// kept, identical ones once.
//
// Order: the objects that are in all three and keep their place on both sides (KeptInOrder)
// stay in that order; every other object takes its place after the same one of those as on
// the side it comes from (added, reordered or changed there; ours when both). Between two such
// objects ours and theirs are merged by Z as the editor inserts, theirs first at equal Z.
// So merging BASE, BASE, X gives X and merging BASE, X, X gives X, order included.

#include "mapdata/Map.h"

#include <string>
#include <vector>

namespace tv {

struct TMergeConflict {
    // A map variable's name, a field's name, "object" for an object deleted on one side and
    // changed on the other, or "place" for one both sides moved in the list differently.
    std::string Field;
    bool Variable = false;
    // The object's places in the three maps (-1 where it is not); for a variable all -1.
    int BaseIndex = -1, OursIndex = -1, TheirsIndex = -1;
    std::string Base, Ours, Theirs; // values as JSON texts, or "deleted" / "changed"
};

// Replaces out's variables and objects with the merge; returns the conflicts.
std::vector<TMergeConflict> MergeMaps(const TMap& base, const TMap& ours, const TMap& theirs,
                                      TMap& out);

} // namespace tv
