// Feeds arbitrary bytes to the map reader with a small catalogue loaded, then writes what it
// read and reads that again.
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Notices.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

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

// Reads the bytes as a map file through a buffer of a few bytes, so that values and texts
// cross the buffer's end everywhere, and in runs of entries on up to four threads: the result
// (the error, or what the map writes) must be the one reading from memory front to back gives.
std::string ReadThroughSmallBuffer(const uint8_t* data, size_t size, size_t bufferSize,
                                   int threads) {
    const int fd = ::memfd_create("fuzz_map", 0);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        __builtin_trap();
    std::string outcome;
    try {
        tv::TFileReadStream stream("/proc/self/fd/" + std::to_string(fd), "map", bufferSize);
        tv::TMap map;
        tv::TMapReadOptions options;
        options.Threads = threads;
        options.MinRunBytes = 1;
        if (map.ReadFromStream(stream, &Catalogue(), options)) {
            tv::TMemoryStream written;
            map.WriteToStream(written, &Catalogue());
            outcome.assign(written.Bytes().begin(), written.Bytes().end());
        } else {
            outcome = "not a map";
        }
    } catch (const tv::EError& e) {
        outcome = std::string("error: ") + e.what();
    }
    ::close(fd);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tv::ScopedMessageBoxHandler quiet([](const std::string&) { return 1; });
    const tv::TObjMgr& catalogue = Catalogue();
    tv::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    tv::TMap map;
    map.MapName = "untouched";
    bool loaded = false;
    std::string outcome;
    tv::TMapReadOptions frontToBack;
    frontToBack.Threads = 1;
    try {
        loaded = map.ReadFromStream(stream, &catalogue, frontToBack);
        outcome = loaded ? "" : "not a map";
    } catch (const tv::EError& e) {
        // A failed load leaves the map as it was.
        if (map.MapName != "untouched" || map.Objects.Count() != 0)
            __builtin_trap();
        outcome = std::string("error: ") + e.what();
    }
    tv::TMemoryStream first;
    if (loaded) {
        map.WriteToStream(first, &catalogue);
        outcome.assign(first.Bytes().begin(), first.Bytes().end());
    }
    const size_t bufferSize = 1 + (size > 0 ? data[0] % 16 : 0);
    const int threads = 1 + (size > 0 ? data[size - 1] % 4 : 0);
    if (ReadThroughSmallBuffer(data, size, bufferSize, threads) != outcome)
        __builtin_trap();
    if (!loaded)
        return 0;
    // What was read writes and reads back to the same content.
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
