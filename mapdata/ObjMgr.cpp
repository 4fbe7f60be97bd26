#include "mapdata/ObjMgr.h"

#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <cstring>

namespace tv {

namespace {

// Writes name with ASCII letters in lower case to out (name.size() bytes), eight bytes at a
// time; false when name has a byte outside ASCII.
bool FoldAscii(std::string_view name, char* out) {
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, name.data() + i, 8);
        if (word & kHighBits)
            return false;
        // With every byte below 0x80, adding 0x3F sets a byte's high bit from 'A' up and adding
        // 0x25 from past 'Z' up; the letters in between gain 0x20.
        const uint64_t upper = (word + 0x3F3F3F3F3F3F3F3Full) & ~(word + 0x2525252525252525ull);
        word |= (upper & kHighBits) >> 2;
        std::memcpy(out + i, &word, 8);
    }
    for (; i < name.size(); ++i) {
        const char c = name[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        out[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

uint64_t Load64(const char* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

uint32_t Load32(const char* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

// A quick hash of a folded name, eight bytes at a time; the last piece overlaps the one
// before, so every load has a fixed size.
size_t KeyHash(std::string_view key) {
    const char* const bytes = key.data();
    const size_t size = key.size();
    uint64_t hash = size * 0x9E3779B97F4A7C15ull;
    const auto mix = [&hash](uint64_t word) {
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    };
    if (size >= 8) {
        for (size_t i = 0; i + 8 < size; i += 8)
            mix(Load64(bytes + i));
        mix(Load64(bytes + size - 8));
    } else if (size >= 4) {
        mix((uint64_t{Load32(bytes)} << 32) | Load32(bytes + size - 4));
    } else if (size > 0) {
        mix((uint64_t{static_cast<uint8_t>(bytes[0])} << 16) |
            (uint64_t{static_cast<uint8_t>(bytes[size / 2])} << 8) |
            static_cast<uint8_t>(bytes[size - 1]));
    }
    hash = (hash ^ (hash >> 29)) * 0x94D049BB133111EBull;
    return static_cast<size_t>(hash ^ (hash >> 32));
}

} // namespace

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
    slotKeys_.clear();
    usedSlots_ = 0;
    indexedCount_ = 0;
    indexedLast_ = nullptr;
}

void TObjMgr::AddToIndex(TBaseInfo* record) const {
    if ((usedSlots_ + 1) * 4 > slots_.size()) {
        // At most a quarter used, so that a name that is not there is found missing quickly.
        std::vector<IndexSlot> oldSlots(std::max<size_t>(16, slots_.size() * 2));
        std::vector<TText> oldKeys(oldSlots.size());
        oldSlots.swap(slots_);
        oldKeys.swap(slotKeys_);
        for (size_t j = 0; j < oldSlots.size(); ++j) {
            if (!oldSlots[j].Record)
                continue;
            size_t i = oldSlots[j].Hash & (slots_.size() - 1);
            while (slots_[i].Record)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = oldSlots[j];
            slotKeys_[i] = std::move(oldKeys[j]);
        }
    }
    std::string key = CatalogueKey(record->Name);
    const size_t hash = KeyHash(key);
    size_t i = hash & (slots_.size() - 1);
    while (slots_[i].Record) {
        if (slots_[i].Hash == hash && slotKeys_[i] == key) {
            slots_[i].Record = record; // later records replace earlier ones: the last match wins
            return;
        }
        i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = IndexSlot{hash, record};
    slotKeys_[i] = std::move(key);
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
    const size_t hash = KeyHash(key);
    for (size_t i = hash & (slots_.size() - 1); slots_[i].Record; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i].Hash == hash && slotKeys_[i] == key)
            return slots_[i].Record;
    return nullptr;
}

TBaseInfo* TObjMgr::FindByName(std::string_view name) const {
    EnsureIndex();
    // Short ASCII names, the usual kind, are folded on the stack.
    char folded[64];
    if (name.size() <= sizeof folded && FoldAscii(name, folded))
        return FindKey(std::string_view(folded, name.size()));
    return FindKey(CatalogueKey(name));
}

} // namespace tv
