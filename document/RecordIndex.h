#pragma once

// Where the records of a map lie along the world's x axis, so that finding the records in or
// under a part of the view looks at the records near it, not at the whole map.

#include "mapdata/Objects.h"

#include <cstdint>
#include <vector>

namespace tv {

class TRecordIndex {
public:
    // The places in objects (ascending) of every record whose rectangle may reach an x in
    // [fromX, toX] (a superset: the caller tests the rectangles), and of every record whose
    // Width is not positive, which the overlap test of an inverted rectangle may still take.
    // The index is made again when objects is another list or changed as a list, or after
    // Invalidate.
    std::vector<int> Near(const TBaseInfoList& objects, int64_t fromX, int64_t toX);
    // The records' fields (Left, Width) may have changed.
    void Invalidate() { valid_ = false; }

private:
    void Build(const TBaseInfoList& objects);

    bool valid_ = false;
    const TBaseInfoList* list_ = nullptr;
    uint64_t listChanges_ = 0;
    // Columns of 2^shift_ units from firstColumn_ on; the records of column c are
    // entries_[offsets_[c] .. offsets_[c + 1]), in map order.
    int shift_ = 9;
    int64_t firstColumn_ = 0;
    std::vector<uint32_t> offsets_;
    std::vector<int> entries_;
    // Records too wide for columns, and those of Width 0 or less: always looked at.
    std::vector<int> always_;
};

} // namespace tv
