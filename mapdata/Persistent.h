#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Root of every class that can be made from its class name: the object-type records here and
// the drawable and world-object classes of the engine and world libraries.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const = 0;
};

// Process-wide table of classes by name. Lookup ignores ASCII letter case. The record classes
// register themselves; the world library adds its classes at start (RegisterWorldClasses).
class TClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<TPersistent>()>;

    static TClassRegistry& Instance();

    // Registering a name twice replaces the factory.
    void Register(std::string name, Factory factory);
    // nullptr when the name is not registered.
    const Factory* Find(std::string_view name) const;
    std::vector<std::string> Names() const;

private:
    struct Entry {
        std::string Name;
        Factory Make;
    };
    std::vector<Entry> entries_;
};

} // namespace tv
