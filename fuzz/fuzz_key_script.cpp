// Feeds arbitrary text to the key-script reader of tvmtool play, and what it reads to the
// script that sets keys (without a player, as for a map that has none); the header lines of a
// recorded playtest too, written again and read back.
#include "mapdata/Errors.h"
#include "world/KeyScript.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const tv::TKeyScriptHeader header = tv::ParseKeyScriptHeader(text);
        const tv::TKeyScriptHeader again =
            tv::ParseKeyScriptHeader(tv::WriteKeyScript(header, tv::ParseKeyScript(text)));
        if (again.Seed != header.Seed || again.Updates != header.Updates ||
            again.Start.ScrollX != header.Start.ScrollX ||
            again.Start.PlayerLeft != header.Start.PlayerLeft)
            __builtin_trap();
    } catch (const tv::EError&) {
    }
    try {
        const tv::TKeyScript script(
            tv::ParseKeyScript(std::string(reinterpret_cast<const char*>(data), size)), nullptr);
        script.Apply(1);
    } catch (const tv::EError&) {
    }
    return 0;
}
