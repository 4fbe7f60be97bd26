#pragma once

#include "mapdata/Objects.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace tv {

// The object catalogue: the prototypes of all object types, read once from
// BaseFolder() + "data\obj\objects.tvd" and never changed afterwards.
class TObjMgr {
public:
    static constexpr const char* kCatalogueName = "data\\obj\\objects.tvd";

    TObjMgr() = default;

    // Reads the catalogue under BaseFolder().
    void LoadCatalogue();
    // Reads a catalogue file at a path (data-style or native). Errors as LoadCatalogue: the
    // records read before a failure stay in the list.
    void LoadCatalogueFile(const std::string& path);
    // Reads a catalogue from bytes already in a stream (positioned at the header).
    void ReadCatalogue(TStream& stream);

    // The last prototype whose Name equals name (TextEquals), or nullptr.
    TBaseInfo* FindByName(std::string_view name) const;

    int Count() const { return List.Count(); }
    TBaseInfo* Get(int index) const { return List.Get(index); }

    TBaseInfoList List{true};

private:
    void AddToIndex(TBaseInfo* record);
    std::unordered_map<std::string, TBaseInfo*> byFoldedName_;
};

} // namespace tv
