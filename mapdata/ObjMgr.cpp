#include "mapdata/ObjMgr.h"

#include "mapdata/Errors.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <cstring>

namespace tv {

namespace {

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// An ASCII word with its letters in lower case: with every byte below 0x80, adding 0x3F sets
// a byte's high bit from 'A' up and adding 0x25 from past 'Z' up; the letters in between gain
// 0x20. Zero bytes stay zero.
uint64_t FoldAsciiWord(uint64_t word) {
    const uint64_t upper = (word + 0x3F3F3F3F3F3F3F3Full) & ~(word + 0x2525252525252525ull);
    return word | ((upper & kHighBits) >> 2);
}

uint64_t Load64(const char* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

// The hash of a folded key, fed eight bytes at a time from its start, the last piece padded
// with zero bytes.
class TKeyHash {
public:
    explicit TKeyHash(size_t size) : hash_(size * 0x9E3779B97F4A7C15ull) {}
    void Add(uint64_t word) {
        hash_ = (hash_ ^ word) * 0xBF58476D1CE4E5B9ull;
        hash_ ^= hash_ >> 31;
    }
    size_t Value() const {
        const uint64_t hash = (hash_ ^ (hash_ >> 29)) * 0x94D049BB133111EBull;
        return static_cast<size_t>(hash ^ (hash >> 32));
    }

private:
    uint64_t hash_;
};

size_t KeyHash(std::string_view key) {
    TKeyHash hash(key.size());
    size_t i = 0;
    for (; i + 8 <= key.size(); i += 8)
        hash.Add(Load64(key.data() + i));
    if (i < key.size()) {
        uint64_t last = 0;
        std::memcpy(&last, key.data() + i, key.size() - i);
        hash.Add(last);
    }
    return hash.Value();
}

// Folds an ASCII name of at most 8 * kMaxWords bytes into words (zero-padded) and hashes it as
// KeyHash would hash the folded text, without a round trip through memory; false for a name
// with a byte outside ASCII.
constexpr size_t kMaxWords = 8;
bool FoldAndHashAscii(std::string_view name, uint64_t (&folded)[kMaxWords], size_t& hash) {
    const char* const bytes = name.data();
    const size_t size = name.size();
    TKeyHash hasher(size);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint64_t word = Load64(bytes + i);
        if (word & kHighBits)
            return false;
        folded[i / 8] = FoldAsciiWord(word);
        hasher.Add(folded[i / 8]);
    }
    if (i < size) {
        // The rest: from the last eight bytes when there are that many (its first bytes were
        // folded already), else byte by byte.
        uint64_t word = 0;
        if (size >= 8)
            word = Load64(bytes + size - 8) >> (8 * (8 - (size - i)));
        else
            std::memcpy(&word, bytes, size);
        if (word & kHighBits)
            return false;
        folded[i / 8] = FoldAsciiWord(word);
        hasher.Add(folded[i / 8]);
    }
    hash = hasher.Value();
    return true;
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
    ReadingFile(native, [&] { ReadCatalogue(shared); });
}

void TObjMgr::ReadCatalogue(TStream& stream) {
    Clear();
    stream.Skip(40);
    const int32_t count = stream.ReadInt32();
    // Every entry takes at least one byte, so a huge count ends at the end of the data; nothing
    // is reserved from it.
    for (int32_t i = 0; i < count; ++i) {
        try {
            const std::string className = ReadStreamString(stream);
            std::unique_ptr<TBaseInfo> record = CreateRecord(className);
            record->ReadFromStream(stream);
            Add(std::move(record));
        } catch (const EError& e) {
            throw EEntryError(e.what(), i);
        }
    }
}

TBaseInfo* TObjMgr::Add(std::unique_ptr<TBaseInfo> record) {
    EnsureIndex();
    TBaseInfo* added = List.Add(std::move(record));
    AddToIndex(added);
    indexedChanges_ = List.Changes();
    return added;
}

void TObjMgr::Clear() {
    List.Clear();
    ClearIndex();
}

void TObjMgr::ClearIndex() const {
    slots_.clear();
    usedSlots_ = 0;
    indexedChanges_ = List.Changes();
}

void TObjMgr::AddToIndex(TBaseInfo* record) const {
    if ((usedSlots_ + 1) * 4 > slots_.size()) {
        // At most a quarter used, so that a name that is not there is found missing quickly.
        std::vector<IndexSlot> oldSlots(std::max<size_t>(16, slots_.size() * 2));
        oldSlots.swap(slots_);
        for (IndexSlot& old : oldSlots) {
            if (!old.Record)
                continue;
            size_t i = old.Hash & (slots_.size() - 1);
            while (slots_[i].Record)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = std::move(old);
        }
    }
    std::string key = CatalogueKey(record->Name);
    const size_t hash = KeyHash(key);
    size_t i = hash & (slots_.size() - 1);
    while (slots_[i].Record) {
        if (slots_[i].Hash == hash && slots_[i].Key == key) {
            slots_[i].Record = record; // later records replace earlier ones: the last match wins
            return;
        }
        i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = IndexSlot{hash, record, TText(key)};
    ++usedSlots_;
}

void TObjMgr::EnsureIndex() const {
    if (indexedChanges_ == List.Changes())
        return;
    ClearIndex();
    for (TBaseInfo* record : List)
        AddToIndex(record);
}

TBaseInfo* TObjMgr::FindKey(std::string_view key, size_t hash) const {
    if (slots_.empty())
        return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask; slots_[i].Record; i = (i + 1) & mask)
        if (slots_[i].Hash == hash && slots_[i].Key == key)
            return slots_[i].Record;
    return nullptr;
}

TBaseInfo* TObjMgr::FindByName(std::string_view name) const {
    EnsureIndex();
    // Short ASCII names, the usual kind, are folded and hashed in registers.
    uint64_t folded[kMaxWords];
    size_t hash;
    if (name.size() <= sizeof folded && FoldAndHashAscii(name, folded, hash))
        return FindKey(std::string_view(reinterpret_cast<const char*>(folded), name.size()), hash);
    const std::string key = CatalogueKey(name);
    return FindKey(key, KeyHash(key));
}

} // namespace tv
