// Feeds arbitrary bytes to the catalogue reader, then looks up and copies what it read.
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    tv::TObjMgr catalogue;
    try {
        catalogue.ReadCatalogue(stream);
    } catch (const tv::EError&) {
    }
    for (int i = 0; i < catalogue.Count(); ++i) {
        const tv::TBaseInfo* record = catalogue.Get(i);
        // Every prototype's own name finds a prototype (itself or a later one of that name).
        if (!catalogue.FindByName(record->Name))
            __builtin_trap();
        const std::unique_ptr<tv::TBaseInfo> copy = tv::CloneInfo(*record);
        tv::TMemoryStream a;
        tv::TMemoryStream b;
        record->WriteToStream(a);
        copy->WriteToStream(b);
        if (a.Bytes() != b.Bytes())
            __builtin_trap();
    }
    return 0;
}
