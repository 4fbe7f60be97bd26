// Feeds arbitrary bytes to tvmtool's JSON map source reader. What it accepts must print back
// as JSON that reads to the same map, and write to a map file that reads back to it too.
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Stream.h"
#include "tools/tvmtool/SourceJson.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::TMap map;
    try {
        tv::tool::MapFromJson(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), map);
    } catch (const tv::EError&) {
        return 0;
    }
    const std::string dump = tv::tool::MapToJson(map);

    tv::TMap again;
    tv::tool::MapFromJson(QByteArray::fromStdString(dump), again);
    if (tv::tool::MapToJson(again) != dump)
        __builtin_trap();

    tv::TMemoryStream file;
    map.WriteToStream(file, nullptr);
    file.SetPosition(0);
    tv::TMap read;
    if (!read.ReadFromStream(file, nullptr) || tv::tool::MapToJson(read) != dump)
        __builtin_trap();
    return 0;
}
