#include "mapdata/Persistent.h"

namespace tv {

// Defined with the record classes (Objects.cpp).
void RegisterRecordClasses(TClassRegistry& registry);

namespace {

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

TClassRegistry::TClassRegistry() {
    RegisterRecordClasses(*this);
}

TClassRegistry& TClassRegistry::Instance() {
    // Filled on first use rather than by static initialisers, which a static library may drop.
    static TClassRegistry registry;
    return registry;
}

void TClassRegistry::Add(std::string name, Factory factory, bool record) {
    std::string key = AsciiLower(name);
    const auto found = byLowerName_.find(key);
    if (found != byLowerName_.end()) {
        Entry& entry = entries_[found->second];
        entry.Name = std::move(name);
        entry.Make = std::move(factory);
        entry.Record = record;
        return;
    }
    entries_.push_back(Entry{std::move(name), std::move(factory), record});
    byLowerName_.emplace(std::move(key), entries_.size() - 1);
}

void TClassRegistry::Register(std::string name, Factory factory) {
    Add(std::move(name), std::move(factory), false);
}

void TClassRegistry::RegisterRecord(std::string name, Factory factory) {
    Add(std::move(name), std::move(factory), true);
}

const TClassRegistry::Entry* TClassRegistry::FindEntry(std::string_view name) const {
    const auto found = byLowerName_.find(AsciiLower(name));
    return found == byLowerName_.end() ? nullptr : &entries_[found->second];
}

const TClassRegistry::Factory* TClassRegistry::Find(std::string_view name) const {
    const Entry* entry = FindEntry(name);
    return entry ? &entry->Make : nullptr;
}

bool TClassRegistry::IsRecordClass(std::string_view name) const {
    const Entry* entry = FindEntry(name);
    return entry && entry->Record;
}

std::vector<std::string> TClassRegistry::Names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Entry& entry : entries_)
        names.push_back(entry.Name);
    return names;
}

} // namespace tv
