// Feeds arbitrary bytes to the map reader with a small catalogue loaded, then writes what it
// read and reads that again.
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Notices.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <cstddef>
#include <cstdint>

namespace {

const tv::TObjMgr& Catalogue() {
    static tv::TObjMgr catalogue;
    if (catalogue.Count() == 0) {
        catalogue.Add(std::make_unique<tv::TEnemyInfo>());
        catalogue.Add(std::make_unique<tv::TDecorInfo>());
        auto player = std::make_unique<tv::TPlayerInfo>();
        player->Name = "Hero";
        catalogue.Add(std::move(player));
        auto back = std::make_unique<tv::TBackGroundInfo>();
        back->Name = "A";
        catalogue.Add(std::move(back));
    }
    return catalogue;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tv::ScopedMessageBoxHandler quiet([](const std::string&) { return 1; });
    const tv::TObjMgr& catalogue = Catalogue();
    tv::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    tv::TMap map;
    map.MapName = "untouched";
    bool loaded = false;
    try {
        loaded = map.ReadFromStream(stream, &catalogue);
    } catch (const tv::EError&) {
        // A failed load leaves the map as it was.
        if (map.MapName != "untouched" || map.Objects.Count() != 0)
            __builtin_trap();
    }
    if (!loaded)
        return 0;
    // What was read writes and reads back to the same content.
    tv::TMemoryStream first;
    map.WriteToStream(first, &catalogue);
    first.SetPosition(0);
    tv::TMap again;
    if (!again.ReadFromStream(first, &catalogue))
        __builtin_trap();
    tv::TMemoryStream second;
    again.WriteToStream(second, &catalogue);
    if (first.Bytes() != second.Bytes())
        __builtin_trap();
    return 0;
}
