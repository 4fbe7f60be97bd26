#pragma once

#include "mapdata/Objects.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

class TStream;

// The object catalogue: the prototypes of all object types, read once from
// BaseFolder() + "data\obj\objects.tvd" and never changed afterwards.
class TObjMgr {
public:
    static constexpr const char* kCatalogueName = "data\\obj\\objects.tvd";

    TObjMgr() = default;
    TObjMgr(const TObjMgr&) = delete;
    TObjMgr& operator=(const TObjMgr&) = delete;

    // Reads the catalogue under BaseFolder().
    void LoadCatalogue();
    // Reads a catalogue file at a path (data-style or native) through SharedStream(), which is
    // empty again afterwards, also after a failure. "Cannot open file %s" names the native
    // path. Errors as ReadCatalogue, with the file and the entry on a second line (ReadingFile).
    void LoadCatalogueFile(const std::string& path);
    // Replaces the prototypes with a catalogue read from a stream positioned at its 40-byte
    // header. Raises "Stream read error", "Invalid property value", "Class %s not found" or
    // "Class %s is not an object type" (an EEntryError within a record); the records read
    // before a failure stay in the list.
    void ReadCatalogue(TStream& stream);

    // The last prototype whose Name equals name (TextEquals), or nullptr. Constant time
    // through an index of case-folded names.
    TBaseInfo* FindByName(std::string_view name) const;
    // Builds the name index now, so that several threads may then call FindByName at once
    // (as long as the list is left alone meanwhile).
    void PrepareLookups() const { EnsureIndex(); }

    int Count() const { return List.Count(); }
    TBaseInfo* Get(int index) const { return List.Get(index); }

    // Adds a prototype at the end (for catalogues built in code); the catalogue owns it.
    TBaseInfo* Add(std::unique_ptr<TBaseInfo> record);
    void Clear();

    // The prototypes in file order. Code may change the list directly: any change to it
    // (TBaseInfoList::Changes) makes the next lookup rebuild the name index. Renaming a
    // prototype in place is not noticed; take it out and add it again instead.
    TBaseInfoList List{true};

private:
    // Case-folded names to the last prototype of each name, by open addressing: a lookup
    // hashes the key once and compares it in place, with no allocation for ASCII names.
    struct IndexSlot {
        size_t Hash = 0;
        TBaseInfo* Record = nullptr; // nullptr: a free slot
        TText Key;                   // in the slot, so that a lookup reads one cache line
    };

    void AddToIndex(TBaseInfo* record) const;
    void EnsureIndex() const;
    void ClearIndex() const;
    TBaseInfo* FindKey(std::string_view key, size_t hash) const;

    mutable std::vector<IndexSlot> slots_; // a power of two in size, at most a quarter used
    mutable size_t usedSlots_ = 0;
    mutable uint64_t indexedChanges_ = 0; // List.Changes() when the index last matched it
};

// The key FindByName indexes by: FoldedKey, with a fast path for ASCII names.
std::string CatalogueKey(std::string_view name);

} // namespace tv
