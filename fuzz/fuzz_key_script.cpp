// Feeds arbitrary text to the key-script reader of tvmtool play, and what it reads to the
// script that sets keys (without a player, as for a map that has none).
#include "mapdata/Errors.h"
#include "world/KeyScript.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const tv::TKeyScript script(
            tv::ParseKeyScript(std::string(reinterpret_cast<const char*>(data), size)), nullptr);
        script.Apply(1);
    } catch (const tv::EError&) {
    }
    return 0;
}
