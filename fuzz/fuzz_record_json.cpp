// Feeds arbitrary bytes to tvmtool's JSON record reader (catalogue and map sources), and
// prints every record it accepts back as JSON.
#include "document/RecordJson.h"
#include "mapdata/Errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data), size));
    const QJsonArray records = document.object().value("records").toArray();
    int index = 0;
    for (const QJsonValue& value : records) {
        try {
            const QJsonObject object = value.toObject();
            const auto record =
                tv::RecordFromJson(object, tv::EntryContext("records", index, object));
            tv::RecordJson(*record, 2);
        } catch (const tv::EError&) {
        }
        ++index;
    }
    return 0;
}
