#include "mapdata/ObjMgr.h"

#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

namespace tv {

std::string CatalogueKey(std::string_view name) {
    // Case folding maps ASCII letters to their lower case and leaves other ASCII alone, so an
    // ASCII name needs no Unicode round trip.
    for (unsigned char c : name)
        if (c >= 0x80)
            return FoldedKey(name);
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

void TObjMgr::LoadCatalogue() {
    LoadCatalogueFile(BaseFolder() + kCatalogueName);
}

void TObjMgr::LoadCatalogueFile(const std::string& path) {
    Clear();
    TMemoryStream& shared = SharedStream();
    struct ClearOnExit {
        TMemoryStream& stream;
        ~ClearOnExit() { stream.Clear(); }
    } guard{shared};
    shared.Clear();
    const std::string native = NativePath(path);
    shared.LoadFromFile(native, native);
    ReadCatalogue(shared);
}

void TObjMgr::ReadCatalogue(TStream& stream) {
    Clear();
    stream.Skip(40);
    const int32_t count = stream.ReadInt32();
    // Every entry takes at least one byte, so a huge count ends at the end of the data; nothing
    // is reserved from it.
    for (int32_t i = 0; i < count; ++i) {
        const std::string className = ReadStreamString(stream);
        std::unique_ptr<TBaseInfo> record = CreateRecord(className);
        record->ReadFromStream(stream);
        Add(std::move(record));
    }
}

TBaseInfo* TObjMgr::Add(std::unique_ptr<TBaseInfo> record) {
    EnsureIndex();
    TBaseInfo* added = List.Add(std::move(record));
    AddToIndex(added);
    indexedCount_ = List.Count();
    indexedLast_ = added;
    return added;
}

void TObjMgr::Clear() {
    List.Clear();
    byFoldedName_.clear();
    indexedCount_ = 0;
    indexedLast_ = nullptr;
}

void TObjMgr::AddToIndex(TBaseInfo* record) const {
    // Later records replace earlier ones: the last match wins.
    byFoldedName_[CatalogueKey(record->Name)] = record;
}

void TObjMgr::EnsureIndex() const {
    const int count = List.Count();
    const TBaseInfo* last = count > 0 ? List.Get(count - 1) : nullptr;
    if (count == indexedCount_ && last == indexedLast_)
        return;
    byFoldedName_.clear();
    for (TBaseInfo* record : List)
        AddToIndex(record);
    indexedCount_ = count;
    indexedLast_ = last;
}

TBaseInfo* TObjMgr::FindByName(std::string_view name) const {
    EnsureIndex();
    const auto found = byFoldedName_.find(CatalogueKey(name));
    return found == byFoldedName_.end() ? nullptr : found->second;
}

} // namespace tv
