#include "document/RecordIndex.h"

#include <algorithm>
#include <iterator>

namespace tv {

namespace {

// Columns start 512 units wide and widen until there are at most this many per record (or
// kMinColumns), so a map with a few records far out costs no more memory than its records.
constexpr int64_t kColumnsPerRecord = 2;
constexpr int64_t kMinColumns = 4096;
// A record spanning more columns than this is looked at by every search instead.
constexpr int64_t kMaxColumnsPerRecord = 64;

struct TSpan {
    int64_t Lo; // the first x the record covers
    int64_t Hi; // the last one (below Lo for a record of no width)
};

TSpan SpanOf(const TBaseInfo& record) {
    return TSpan{record.Left, int64_t{record.Left} + record.Width - 1};
}

} // namespace

void TRecordIndex::Build(const TBaseInfoList& objects) {
    entries_.clear();
    offsets_.clear();
    always_.clear();
    list_ = &objects;
    listChanges_ = objects.Changes();
    valid_ = true;
    // One pass over the records (scattered in memory), then only over their spans.
    const int count = objects.Count();
    std::vector<TSpan> spans;
    spans.reserve(static_cast<size_t>(count));
    int64_t minX = INT64_MAX;
    int64_t maxX = INT64_MIN;
    for (const TBaseInfo* record : objects) {
        const TSpan span = SpanOf(*record);
        spans.push_back(span);
        if (span.Hi >= span.Lo) {
            minX = std::min(minX, span.Lo);
            maxX = std::max(maxX, span.Hi);
        }
    }
    if (minX > maxX) {
        for (int at = 0; at < count; ++at)
            always_.push_back(at);
        return;
    }
    const int64_t limit = std::max<int64_t>(kColumnsPerRecord * count, kMinColumns);
    shift_ = 9;
    while ((maxX >> shift_) - (minX >> shift_) + 1 > limit)
        ++shift_;
    firstColumn_ = minX >> shift_;
    const size_t columns = static_cast<size_t>((maxX >> shift_) - firstColumn_ + 1);

    // Counting sort by column: count, sum up, fill (in map order within each column). A span
    // becomes its first and last column, or none (first > last) when it is looked at always.
    for (TSpan& span : spans) {
        const int64_t first = (span.Lo >> shift_) - firstColumn_;
        const int64_t last = (span.Hi >> shift_) - firstColumn_;
        const bool columned = span.Hi >= span.Lo && last - first < kMaxColumnsPerRecord;
        span = columned ? TSpan{first, last} : TSpan{1, 0};
    }
    offsets_.assign(columns + 1, 0);
    for (int at = 0; at < count; ++at) {
        const TSpan& span = spans[static_cast<size_t>(at)];
        if (span.Lo > span.Hi)
            always_.push_back(at);
        for (int64_t column = span.Lo; column <= span.Hi; ++column)
            ++offsets_[static_cast<size_t>(column) + 1];
    }
    for (size_t column = 0; column < columns; ++column)
        offsets_[column + 1] += offsets_[column];
    entries_.resize(offsets_[columns]);
    std::vector<uint32_t> next(offsets_.begin(), offsets_.end() - 1);
    for (int at = 0; at < count; ++at) {
        const TSpan& span = spans[static_cast<size_t>(at)];
        for (int64_t column = span.Lo; column <= span.Hi; ++column)
            entries_[next[static_cast<size_t>(column)]++] = at;
    }
}

std::vector<int> TRecordIndex::Near(const TBaseInfoList& objects, int64_t fromX, int64_t toX) {
    if (!valid_ || list_ != &objects || listChanges_ != objects.Changes())
        Build(objects);
    std::vector<int> found;
    const int64_t columns = static_cast<int64_t>(offsets_.size()) - 1;
    if (columns > 0 && fromX <= toX) {
        const int64_t first = std::max<int64_t>((fromX >> shift_) - firstColumn_, 0);
        const int64_t last = std::min<int64_t>((toX >> shift_) - firstColumn_, columns - 1);
        for (int64_t column = first; column <= last; ++column)
            found.insert(found.end(), entries_.begin() + offsets_[static_cast<size_t>(column)],
                         entries_.begin() + offsets_[static_cast<size_t>(column) + 1]);
        if (last > first) {
            // A record spanning several columns is in each of them.
            std::sort(found.begin(), found.end());
            found.erase(std::unique(found.begin(), found.end()), found.end());
        }
    }
    if (!always_.empty()) {
        std::vector<int> merged;
        merged.reserve(found.size() + always_.size());
        std::merge(found.begin(), found.end(), always_.begin(), always_.end(),
                   std::back_inserter(merged));
        found = std::move(merged);
    }
    return found;
}

} // namespace tv
