#include "mapdata/ObjMgr.h"

#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <functional>

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
    ClearIndex();
}

void TObjMgr::ClearIndex() const {
    slots_.clear();
    usedSlots_ = 0;
    indexedCount_ = 0;
    indexedLast_ = nullptr;
}

void TObjMgr::AddToIndex(TBaseInfo* record) const {
    if ((usedSlots_ + 1) * 2 > slots_.size()) {
        std::vector<IndexSlot> old;
        old.swap(slots_);
        slots_.resize(std::max<size_t>(16, old.size() * 2));
        usedSlots_ = 0;
        for (IndexSlot& slot : old) {
            if (!slot.Record)
                continue;
            size_t i = slot.Hash & (slots_.size() - 1);
            while (slots_[i].Record)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = std::move(slot);
            ++usedSlots_;
        }
    }
    std::string key = CatalogueKey(record->Name);
    const size_t hash = std::hash<std::string_view>()(key);
    size_t i = hash & (slots_.size() - 1);
    while (slots_[i].Record) {
        if (slots_[i].Hash == hash && slots_[i].Key == key) {
            slots_[i].Record = record; // later records replace earlier ones: the last match wins
            return;
        }
        i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = IndexSlot{std::move(key), hash, record};
    ++usedSlots_;
}

void TObjMgr::EnsureIndex() const {
    const int count = List.Count();
    const TBaseInfo* last = count > 0 ? List.Get(count - 1) : nullptr;
    if (count == indexedCount_ && last == indexedLast_)
        return;
    ClearIndex();
    for (TBaseInfo* record : List)
        AddToIndex(record);
    indexedCount_ = count;
    indexedLast_ = last;
}

TBaseInfo* TObjMgr::FindKey(std::string_view key) const {
    if (slots_.empty())
        return nullptr;
    const size_t hash = std::hash<std::string_view>()(key);
    for (size_t i = hash & (slots_.size() - 1); slots_[i].Record; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i].Hash == hash && slots_[i].Key == key)
            return slots_[i].Record;
    return nullptr;
}

TBaseInfo* TObjMgr::FindByName(std::string_view name) const {
    EnsureIndex();
    // Short ASCII names, the usual kind, are folded on the stack.
    char folded[64];
    if (name.size() <= sizeof folded) {
        bool ascii = true;
        for (size_t i = 0; i < name.size() && ascii; ++i) {
            const char c = name[i];
            ascii = static_cast<unsigned char>(c) < 0x80;
            folded[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        if (ascii)
            return FindKey(std::string_view(folded, name.size()));
    }
    return FindKey(CatalogueKey(name));
}

} // namespace tv
