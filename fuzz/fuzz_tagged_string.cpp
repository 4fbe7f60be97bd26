// Feeds arbitrary bytes to the tagged-string reader, string after string.
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    try {
        while (stream.Remaining() > 0) {
            const std::string text = tv::ReadStreamString(stream);
            tv::TMemoryStream out;
            tv::WriteStreamString(out, text);
        }
    } catch (const tv::EError&) {
    }
    return 0;
}
