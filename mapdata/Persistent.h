#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv {

// Root of every class that can be made from its class name: the object-type records here and
// the drawable and world-object classes of the engine and world libraries.
class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = default;
    TPersistent& operator=(const TPersistent&) = default;
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const = 0;
};

// Process-wide table of classes by name. Lookup ignores ASCII letter case. The record classes
// are registered when the registry is first used; the world library adds its classes at start
// (RegisterWorldClasses). Only names registered with RegisterRecord may be made into records.
class TClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<TPersistent>()>;

    static TClassRegistry& Instance();

    // Registering a name twice replaces the factory (and its kind). Factories found before
    // stay valid: entries are never moved.
    void Register(std::string name, Factory factory);
    // Registers an object-type record class (a class derived from TBaseInfo).
    void RegisterRecord(std::string name, Factory factory);
    // nullptr when the name is not registered.
    const Factory* Find(std::string_view name) const;
    // True when the name is registered as a record class.
    bool IsRecordClass(std::string_view name) const;
    // Registered names in registration order.
    std::vector<std::string> Names() const;

private:
    TClassRegistry();

    struct Entry {
        std::string Name;
        Factory Make;
        bool Record = false;
    };
    void Add(std::string name, Factory factory, bool record);
    const Entry* FindEntry(std::string_view name) const;

    std::deque<Entry> entries_;
    std::unordered_map<std::string, size_t> byLowerName_;
};

} // namespace tv
