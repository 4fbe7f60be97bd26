// Feeds arbitrary bytes to TBaseObj::LoadFromStream of every world-object class, without a
// device or a texture cache (textures are only named). What one object reads must write and
// read back to the same bytes.
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "world/BaseObj.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

const char* const kClasses[] = {"TBaseObj",    "TColObj", "TEntity", "TEnemy",     "TPlayer",
                                "TBackGround", "TBoss",   "TDecor",  "TProjectile"};

std::unique_ptr<tv::TBaseObj> NewObject(const char* className) {
    return tv::CreateWorldObject(className, nullptr, tv::TDXBounds{}, nullptr, 0,
                                 tv::kClassDefaultZ, true);
}

std::vector<uint8_t> Saved(const tv::TBaseObj& object) {
    tv::TMemoryStream stream;
    object.SaveToStream(stream);
    return stream.Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (tv::RegisterWorldClasses(), true);
    (void)registered;
    if (size == 0)
        return 0;
    const char* const className = kClasses[data[0] % (sizeof kClasses / sizeof kClasses[0])];
    std::unique_ptr<tv::TBaseObj> object = NewObject(className);
    tv::TMemoryStream stream(std::vector<uint8_t>(data + 1, data + size));
    try {
        object->LoadFromStream(stream);
    } catch (const tv::EError&) {
        return 0;
    }
    const std::vector<uint8_t> first = Saved(*object);
    std::unique_ptr<tv::TBaseObj> copy = NewObject(className);
    tv::TMemoryStream firstStream(first);
    copy->LoadFromStream(firstStream);
    if (firstStream.Remaining() != 0 || Saved(*copy) != first)
        __builtin_trap();
    return 0;
}
