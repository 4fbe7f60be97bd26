#include "document/MapMerge.h"

#include "document/MapDiff.h"
#include "document/RecordJson.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace tv {

namespace {

bool SameRecord(const TBaseInfo& a, const TBaseInfo& b) {
    for (const FieldInfo& field : RecordFields())
        if (!SameFieldValue(a, b, field))
            return false;
    return true;
}

// A merged object waiting for its place: after the anchor before it on its side.
struct TPlaced {
    std::unique_ptr<TBaseInfo> Record;
    int Place; // its index on the side it takes its place from
};

// The objects of one gap: ours and theirs, each in their side's order, merged by Z (theirs
// first at equal Z, as the editor puts a record before those of its Z).
void AppendGap(std::vector<TPlaced>& ours, std::vector<TPlaced>& theirs, TBaseInfoList& out) {
    const auto byPlace = [](const TPlaced& x, const TPlaced& y) { return x.Place < y.Place; };
    std::sort(ours.begin(), ours.end(), byPlace);
    std::sort(theirs.begin(), theirs.end(), byPlace);
    size_t i = 0;
    size_t j = 0;
    while (i < ours.size() || j < theirs.size()) {
        const bool takeTheirs =
            j < theirs.size() && (i == ours.size() || theirs[j].Record->Z <= ours[i].Record->Z);
        out.Add((takeTheirs ? theirs[j++] : ours[i++]).Record.release());
    }
}

} // namespace

std::vector<TMergeConflict> MergeMaps(const TMap& base, const TMap& ours, const TMap& theirs,
                                      TMap& out) {
    std::vector<TMergeConflict> conflicts;
    TMap merged;
    for (const TMapVariable& variable : MapVariables()) {
        const bool oursSame = SameMapVariable(ours, base, variable);
        CopyMapVariable(merged, oursSame ? theirs : ours, variable);
        if (!oursSame && !SameMapVariable(theirs, base, variable) &&
            !SameMapVariable(ours, theirs, variable))
            conflicts.push_back({variable.Name, true, -1, -1, -1, MapVariableJson(base, variable),
                                 MapVariableJson(ours, variable),
                                 MapVariableJson(theirs, variable)});
    }

    const TObjectMatch toOurs = MatchObjects(base.Objects, ours.Objects);
    const TObjectMatch toTheirs = MatchObjects(base.Objects, theirs.Objects);
    const std::vector<bool> oursKept = KeptInOrder(toOurs);
    const std::vector<bool> theirsKept = KeptInOrder(toTheirs);

    // Anchors: in all three and in place on both sides; the same order everywhere.
    std::vector<int> oursRank(static_cast<size_t>(ours.Objects.Count()) + 1, 0);
    std::vector<int> theirsRank(static_cast<size_t>(theirs.Objects.Count()) + 1, 0);
    std::vector<bool> oursAnchor(static_cast<size_t>(ours.Objects.Count()), false);
    std::vector<bool> theirsAnchor(static_cast<size_t>(theirs.Objects.Count()), false);
    for (int o = 0; o < base.Objects.Count(); ++o) {
        const int a = toOurs.AToB[static_cast<size_t>(o)];
        const int b = toTheirs.AToB[static_cast<size_t>(o)];
        if (a >= 0 && b >= 0 && oursKept[static_cast<size_t>(a)] &&
            theirsKept[static_cast<size_t>(b)]) {
            oursAnchor[static_cast<size_t>(a)] = true;
            theirsAnchor[static_cast<size_t>(b)] = true;
        }
    }
    for (size_t s = 0; s < oursAnchor.size(); ++s)
        oursRank[s + 1] = oursRank[s] + (oursAnchor[s] ? 1 : 0);
    for (size_t t = 0; t < theirsAnchor.size(); ++t)
        theirsRank[t + 1] = theirsRank[t] + (theirsAnchor[t] ? 1 : 0);
    const size_t anchorCount = static_cast<size_t>(oursRank.back());

    std::vector<std::unique_ptr<TBaseInfo>> anchors;
    std::vector<std::vector<TPlaced>> oursGaps(anchorCount + 1);
    std::vector<std::vector<TPlaced>> theirsGaps(anchorCount + 1);
    const auto placeOurs = [&](std::unique_ptr<TBaseInfo> record, int a) {
        oursGaps[static_cast<size_t>(oursRank[static_cast<size_t>(a)])].push_back(
            {std::move(record), a});
    };
    const auto placeTheirs = [&](std::unique_ptr<TBaseInfo> record, int b) {
        theirsGaps[static_cast<size_t>(theirsRank[static_cast<size_t>(b)])].push_back(
            {std::move(record), b});
    };

    for (int o = 0; o < base.Objects.Count(); ++o) {
        const TBaseInfo& was = *base.Objects[o];
        const int a = toOurs.AToB[static_cast<size_t>(o)];
        const int b = toTheirs.AToB[static_cast<size_t>(o)];
        if (a < 0 && b < 0)
            continue;
        if (a < 0 || b < 0) {
            // Deleted on one side: gone, unless the other side changed it.
            const TBaseInfo& kept = a >= 0 ? *ours.Objects[a] : *theirs.Objects[b];
            if (SameRecord(kept, was))
                continue;
            conflicts.push_back({"object", false, o, a, b, "present",
                                 a >= 0 ? "changed" : "deleted", b >= 0 ? "changed" : "deleted"});
            if (a >= 0)
                placeOurs(CloneInfo(kept), a);
            continue;
        }
        const TBaseInfo& mine = *ours.Objects[a];
        const TBaseInfo& their = *theirs.Objects[b];
        std::unique_ptr<TBaseInfo> record = CloneInfo(mine);
        for (const FieldInfo& field : RecordFields()) {
            if (SameFieldValue(mine, was, field)) {
                CopyFieldValue(*record, their, field);
            } else if (!SameFieldValue(their, was, field) && !SameFieldValue(mine, their, field)) {
                conflicts.push_back({field.Name, false, o, a, b, FieldJson(was, field),
                                     FieldJson(mine, field), FieldJson(their, field)});
            }
        }
        if (!oursKept[static_cast<size_t>(a)] && !theirsKept[static_cast<size_t>(b)] &&
            oursRank[static_cast<size_t>(a)] != theirsRank[static_cast<size_t>(b)])
            conflicts.push_back({"place", false, o, a, b, Format("Objects[%d]", o),
                                 Format("Objects[%d]", a), Format("Objects[%d]", b)});
        if (oursAnchor[static_cast<size_t>(a)])
            anchors.push_back(std::move(record));
        else if (!oursKept[static_cast<size_t>(a)] || theirsKept[static_cast<size_t>(b)])
            placeOurs(std::move(record), a);
        else
            placeTheirs(std::move(record), b);
    }

    // Added on both sides: identical additions are taken once (ours).
    std::unordered_map<std::string, int> oursAdded;
    for (int a = 0; a < ours.Objects.Count(); ++a)
        if (toOurs.BToA[static_cast<size_t>(a)] < 0) {
            ++oursAdded[RecordKey(*ours.Objects[a])];
            placeOurs(CloneInfo(*ours.Objects[a]), a);
        }
    for (int b = 0; b < theirs.Objects.Count(); ++b)
        if (toTheirs.BToA[static_cast<size_t>(b)] < 0) {
            const auto same = oursAdded.find(RecordKey(*theirs.Objects[b]));
            if (same != oursAdded.end() && same->second > 0)
                --same->second;
            else
                placeTheirs(CloneInfo(*theirs.Objects[b]), b);
        }

    merged.Objects.Reserve(ours.Objects.Count() + theirs.Objects.Count());
    for (size_t g = 0; g <= anchorCount; ++g) {
        AppendGap(oursGaps[g], theirsGaps[g], merged.Objects);
        if (g < anchorCount)
            merged.Objects.Add(anchors[g].release());
    }
    out.Swap(merged);
    return conflicts;
}

} // namespace tv
