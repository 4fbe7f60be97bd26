// Feeds arbitrary bytes to the equipment tables' reader and looks up what it accepted.
#include "mapdata/Errors.h"
#include "world/Equipment.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tv::LoadEquipmentJson(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
        tv::FindWeapon("Fireball");
        tv::FindArmour("K\xC5\xAF\xC5\xBE"
                       "e");
    } catch (const tv::EError&) {
    }
    tv::ClearEquipment();
    return 0;
}
