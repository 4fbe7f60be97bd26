#pragma once

// What the map document's commands change: the map, its view objects, the selection and the
// copies kept for Undelete, with a note of what changed for the document's listeners.

#include "document/MapScene.h"
#include "mapdata/Map.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// What a change of the document touched (bits); listeners refresh what they show of it.
namespace DocChange {
inline constexpr unsigned Map = 1u << 0;       // the map was replaced or reloaded (New, Open)
inline constexpr unsigned Objects = 1u << 1;   // records were added to or taken out of the map
inline constexpr unsigned Object = 1u << 2;    // fields of records changed
inline constexpr unsigned MapVars = 1u << 3;   // the map variables changed
inline constexpr unsigned Selection = 1u << 4; // another record (or none) is selected
inline constexpr unsigned Groups = 1u << 5;    // a group was locked, unlocked, hidden or shown
} // namespace DocChange

// Every stored field of a record, kept as the record's own stream bytes; put back into the
// same record object, so references to it stay valid.
class TRecordState {
public:
    explicit TRecordState(const TBaseInfo& record);
    void ApplyTo(TBaseInfo& record) const;
    bool operator==(const TRecordState&) const = default;
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

struct TDocumentState {
    std::unique_ptr<TMap> Map;
    std::unique_ptr<TMapScene> Scene;
    // Records of Map's Objects, each once, in the order they were chosen; the first is the
    // primary one. Whatever takes records out of the map takes them out of it.
    std::vector<TBaseInfo*> Selection;
    // Copies of the records the last Delete or Cut took out (in the order they were
    // selected), for Undelete; they survive New and Open.
    std::vector<std::unique_ptr<TBaseInfo>> Deleted;

    // What changed since the listeners were last told (DocChange bits).
    unsigned Changes = 0;
    // The first failure to make a view object since then (a texture that cannot be loaded):
    // commands finish their change and the document reports it afterwards.
    std::exception_ptr Failure;

    // The record at a place of the map's objects; raises for a place the map does not have.
    TBaseInfo& RecordAt(int index) const;
    // The primary selected record, or none.
    TBaseInfo* Selected() const { return Selection.empty() ? nullptr : Selection.front(); }
    // Exactly this record (none: nothing) is selected.
    void Select(TBaseInfo* record);
    // Exactly these records are selected (repeated ones count once).
    void SelectAll(const std::vector<TBaseInfo*>& records);
    // Records leave the map: they are no longer selected.
    void Forget(const TBaseInfo* record);
    void Forget(const std::vector<TBaseInfo*>& records);
    void Touch(unsigned changes) { Changes |= changes; }
    // Keeps the first failure.
    void Fail(std::exception_ptr failure);
    // Makes view objects for records (one after the other, as CreateView would) and keeps a
    // failure for those whose texture cannot be loaded.
    void CreateViews(const std::vector<TBaseInfo*>& records);
    // Replaces a record's live view object; keeps a failure when its texture cannot be loaded.
    void RefreshView(TBaseInfo* record);
    // The same for several records, in one pass over the view list.
    void RefreshViews(const std::vector<TBaseInfo*>& records);
    // The same for records of which only Left and Top changed: their view objects move.
    void MoveViews(const std::vector<TBaseInfo*>& records);
    // The places of records in the map's objects, in the records' order, in one pass over the
    // map; raises for a record the map does not hold.
    std::vector<int> PlacesOf(const std::vector<TBaseInfo*>& records) const;
};

// "Error when loading texture." and, on the following lines, the texture names of the records
// (each name once, at most ten, then how many more).
std::string TextureFailureText(const std::vector<const TBaseInfo*>& records);

} // namespace tv
