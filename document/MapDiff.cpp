#include "document/MapDiff.h"

#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace tv {

std::string RecordKey(const TBaseInfo& record) {
    TMemoryStream stream;
    WriteStreamString(stream, record.ClassName());
    record.WriteToStream(stream);
    const std::vector<uint8_t>& bytes = stream.Bytes();
    return std::string(bytes.begin(), bytes.end());
}

const std::vector<TMapVariable>& MapVariables() {
    static const std::vector<TMapVariable> variables = {
        {"MapName", &TMap::MapName, nullptr},      {"FileName", &TMap::FileName, nullptr},
        {"MaxWorldX", nullptr, &TMap::MaxWorldX},  {"MaxWorldY", nullptr, &TMap::MaxWorldY},
        {"Ground", nullptr, &TMap::Ground},        {"Sky", nullptr, &TMap::Sky},
        {"ThemeMusic", &TMap::ThemeMusic, nullptr}};
    return variables;
}

std::string MapVariableJson(const TMap& map, const TMapVariable& variable) {
    return variable.Text ? JsonString(map.*variable.Text) : std::to_string(map.*variable.Number);
}

bool SameMapVariable(const TMap& a, const TMap& b, const TMapVariable& variable) {
    return variable.Text ? a.*variable.Text == b.*variable.Text
                         : a.*variable.Number == b.*variable.Number;
}

void CopyMapVariable(TMap& to, const TMap& from, const TMapVariable& variable) {
    if (variable.Text)
        to.*variable.Text = from.*variable.Text;
    else
        to.*variable.Number = from.*variable.Number;
}

namespace {

constexpr uint64_t kMaxGroupPairs = 1000000;

uint64_t SquaredDistance(const TBaseInfo& a, const TBaseInfo& b) {
    const uint64_t dx = static_cast<uint64_t>(std::abs(int64_t{a.Left} - b.Left));
    const uint64_t dy = static_cast<uint64_t>(std::abs(int64_t{a.Top} - b.Top));
    const uint64_t x = dx * dx; // each below 2^64: the differences are below 2^32
    const uint64_t y = dy * dy;
    return x > std::numeric_limits<uint64_t>::max() - y ? std::numeric_limits<uint64_t>::max()
                                                        : x + y;
}

// Pairs the unmatched records of one class and Name, nearest first.
void PairByPosition(const TBaseInfoList& a, const TBaseInfoList& b, const std::vector<int>& as,
                    const std::vector<int>& bs, TObjectMatch& match) {
    const auto pair = [&](int i, int j) {
        match.AToB[static_cast<size_t>(i)] = j;
        match.BToA[static_cast<size_t>(j)] = i;
    };
    if (static_cast<uint64_t>(as.size()) * bs.size() > kMaxGroupPairs) {
        // Too many candidates to weigh them all: pair in order of position.
        const auto byPosition = [](const TBaseInfoList& list) {
            return [&list](int x, int y) {
                const TBaseInfo& p = *list[x];
                const TBaseInfo& q = *list[y];
                return std::tie(p.Left, p.Top, x) < std::tie(q.Left, q.Top, y);
            };
        };
        std::vector<int> sa = as;
        std::vector<int> sb = bs;
        std::sort(sa.begin(), sa.end(), byPosition(a));
        std::sort(sb.begin(), sb.end(), byPosition(b));
        for (size_t k = 0; k < sa.size() && k < sb.size(); ++k)
            pair(sa[k], sb[k]);
        return;
    }
    struct Candidate {
        uint64_t Distance;
        int I, J;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(as.size() * bs.size());
    for (int i : as)
        for (int j : bs)
            candidates.push_back({SquaredDistance(*a[i], *b[j]), i, j});
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& x, const Candidate& y) {
        return std::tie(x.Distance, x.I, x.J) < std::tie(y.Distance, y.I, y.J);
    });
    for (const Candidate& c : candidates)
        if (match.AToB[static_cast<size_t>(c.I)] < 0 && match.BToA[static_cast<size_t>(c.J)] < 0)
            pair(c.I, c.J);
}

} // namespace

TObjectMatch MatchObjects(const TBaseInfoList& a, const TBaseInfoList& b) {
    TObjectMatch match;
    match.AToB.assign(static_cast<size_t>(a.Count()), -1);
    match.BToA.assign(static_cast<size_t>(b.Count()), -1);
    match.BSame.assign(static_cast<size_t>(b.Count()), false);

    // 1. Equal keys, k-th with k-th.
    std::vector<std::string> keysA(static_cast<size_t>(a.Count()));
    std::unordered_map<std::string_view, std::vector<int>> byKey;
    byKey.reserve(keysA.size());
    for (int i = 0; i < a.Count(); ++i) {
        keysA[static_cast<size_t>(i)] = RecordKey(*a[i]);
        byKey[keysA[static_cast<size_t>(i)]].push_back(i);
    }
    std::unordered_map<std::string_view, size_t> taken;
    for (int j = 0; j < b.Count(); ++j) {
        const std::string key = RecordKey(*b[j]);
        const auto found = byKey.find(key);
        if (found == byKey.end())
            continue;
        size_t& next = taken[found->first];
        if (next < found->second.size()) {
            const int i = found->second[next++];
            match.AToB[static_cast<size_t>(i)] = j;
            match.BToA[static_cast<size_t>(j)] = i;
            match.BSame[static_cast<size_t>(j)] = true;
        }
    }

    // 2. The same class and Name, by nearest position.
    struct Group {
        std::vector<int> A, B;
    };
    std::unordered_map<std::string, Group> groups;
    const auto groupKey = [](const TBaseInfo& record) {
        return std::string(record.ClassName()) + '\0' + std::string(record.Name);
    };
    for (int i = 0; i < a.Count(); ++i)
        if (match.AToB[static_cast<size_t>(i)] < 0)
            groups[groupKey(*a[i])].A.push_back(i);
    for (int j = 0; j < b.Count(); ++j)
        if (match.BToA[static_cast<size_t>(j)] < 0) {
            const auto found = groups.find(groupKey(*b[j]));
            if (found != groups.end())
                found->second.B.push_back(j);
        }
    for (const auto& [key, group] : groups)
        if (!group.B.empty())
            PairByPosition(a, b, group.A, group.B, match);
    return match;
}

std::vector<bool> KeptInOrder(const TObjectMatch& match) {
    // The heaviest increasing run of A indexes: an unchanged record outweighs every edited one.
    // tree is a Fenwick tree over A indexes of the heaviest runs found so far, ending there.
    const std::vector<int>& bToA = match.BToA;
    const uint64_t unchanged = uint64_t{1} << 32;
    struct Run {
        uint64_t Weight = 0;
        int Last = -1; // the B index ending the run
    };
    std::vector<Run> tree(match.AToB.size() + 1);
    std::vector<int> before(bToA.size(), -1);
    Run heaviest;
    for (size_t j = 0; j < bToA.size(); ++j) {
        const int i = bToA[j];
        if (i < 0)
            continue;
        Run prefix;
        for (size_t k = static_cast<size_t>(i); k > 0; k -= k & (~k + 1))
            if (tree[k].Weight > prefix.Weight)
                prefix = tree[k];
        before[j] = prefix.Last;
        const Run run{prefix.Weight + (match.BSame[j] ? unchanged : 1), static_cast<int>(j)};
        if (run.Weight > heaviest.Weight)
            heaviest = run;
        for (size_t k = static_cast<size_t>(i) + 1; k < tree.size(); k += k & (~k + 1))
            if (run.Weight > tree[k].Weight)
                tree[k] = run;
    }
    std::vector<bool> kept(bToA.size(), false);
    for (int j = heaviest.Last; j >= 0; j = before[static_cast<size_t>(j)])
        kept[static_cast<size_t>(j)] = true;
    return kept;
}

TMapDiff DiffMaps(const TMap& a, const TMap& b) {
    TMapDiff diff;
    for (const TMapVariable& variable : MapVariables())
        if (!SameMapVariable(a, b, variable))
            diff.Variables.push_back(&variable);

    const TObjectMatch match = MatchObjects(a.Objects, b.Objects);
    const std::vector<bool> kept = KeptInOrder(match);
    // Entries sort by (place in B, removed after), removed ones by their place in A.
    struct Sorted {
        int Place, Removed, Index;
        TObjectChange Change;
    };
    std::vector<Sorted> entries;
    for (int j = 0; j < b.Objects.Count(); ++j) {
        const int i = match.BToA[static_cast<size_t>(j)];
        TObjectChange change{i < 0 ? TObjectChangeKind::Added : TObjectChangeKind::Reordered,
                             i,
                             j,
                             i >= 0 && !kept[static_cast<size_t>(j)],
                             {}};
        if (i >= 0) {
            bool other = false;
            for (const FieldInfo& field : RecordFields())
                if (!SameFieldValue(*a.Objects[i], *b.Objects[j], field)) {
                    change.Fields.push_back(&field);
                    other |= std::string_view(field.Name) != "Left" &&
                             std::string_view(field.Name) != "Top";
                }
            if (other)
                change.Kind = TObjectChangeKind::Changed;
            else if (!change.Fields.empty())
                change.Kind = TObjectChangeKind::Moved;
            else if (!change.Reordered)
                continue;
        }
        entries.push_back({j, 0, j, std::move(change)});
    }
    int place = -1; // the B place of the last record of A kept in order
    for (int i = 0; i < a.Objects.Count(); ++i) {
        const int j = match.AToB[static_cast<size_t>(i)];
        if (j >= 0 && kept[static_cast<size_t>(j)])
            place = j;
        else if (j < 0)
            entries.push_back({place, 1, i, {TObjectChangeKind::Removed, i, -1, false, {}}});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Sorted& x, const Sorted& y) {
        return std::tie(x.Place, x.Removed, x.Index) < std::tie(y.Place, y.Removed, y.Index);
    });
    for (Sorted& entry : entries)
        diff.Objects.push_back(std::move(entry.Change));
    return diff;
}

} // namespace tv
