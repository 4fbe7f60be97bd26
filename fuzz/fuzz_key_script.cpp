// Feeds arbitrary text to the key-script reader of tvmtool play.
#include "mapdata/Errors.h"
#include "world/PlaySession.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tv::ParseKeyScript(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const tv::EError&) {
    }
    return 0;
}
