#pragma once

// Objects of two versions of a map paired up, and what changed between them. Records carry no
// identity in the file, so objects are matched by rule (MatchObjects).

#include "document/RecordJson.h"
#include "mapdata/Map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// A record's stored bytes: its class name and its whole stream layout. Two records are the
// same object state exactly when their keys are equal.
std::string RecordKey(const TBaseInfo& record);

// The map variables, with their values as JSON texts.
struct TMapVariable {
    const char* Name;
    std::string TMap::*Text; // or nullptr
    int32_t TMap::*Number;   // or nullptr
};
const std::vector<TMapVariable>& MapVariables();
std::string MapVariableJson(const TMap& map, const TMapVariable& variable);
bool SameMapVariable(const TMap& a, const TMap& b, const TMapVariable& variable);
void CopyMapVariable(TMap& to, const TMap& from, const TMapVariable& variable);

// Which record of B stands for which record of A. The rule:
//  1. records with equal keys (RecordKey) pair up, the k-th such record of A with the k-th
//     of B in list order;
//  2. of the records left, those of the same class and Name pair by nearest position
//     (Left, Top; squared distance), nearest pairs first, ties by list order.
// So an object that was moved or edited reads as that object changed, not as one removed and
// one added. Grouping by key and by class and Name keeps this near linear; a group with more
// than a million candidate pairs left pairs its records in order of position instead.
struct TObjectMatch {
    std::vector<int> AToB;   // per record of A: the index of its record in B, or -1
    std::vector<int> BToA;   // per record of B: the index of its record in A, or -1
    std::vector<bool> BSame; // per record of B: matched to a record with an equal key
};
TObjectMatch MatchObjects(const TBaseInfoList& a, const TBaseInfoList& b);

// Per record of B: whether it is matched and keeps its place relative to the other such
// records: it is on the run of matched records in A's order that holds the most unchanged
// records (BSame), and of those runs the longest. Matched records that are not are the ones
// that were reordered; an unchanged record is never called reordered because edited ones
// moved past it.
std::vector<bool> KeptInOrder(const TObjectMatch& match);

enum class TObjectChangeKind { Added, Removed, Moved, Changed, Reordered };

struct TObjectChange {
    TObjectChangeKind Kind;
    int IndexA = -1; // the record in A (-1 when added)
    int IndexB = -1; // the record in B (-1 when removed)
    bool Reordered = false;
    std::vector<const FieldInfo*> Fields; // the fields that differ (Left and Top included)
};

struct TMapDiff {
    std::vector<const TMapVariable*> Variables; // the map variables that differ
    // One entry per object that differs, in the order of B; a removed object comes after
    // the entry of the record before it in A.
    std::vector<TObjectChange> Objects;
    bool Empty() const { return Variables.empty() && Objects.empty(); }
};

TMapDiff DiffMaps(const TMap& a, const TMap& b);

} // namespace tv
