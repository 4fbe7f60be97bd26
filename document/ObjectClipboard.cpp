#include "document/ObjectClipboard.h"

#include "document/RecordJson.h"
#include "mapdata/Errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

namespace tv {

namespace {

constexpr const char* kNotObjects = "The clipboard holds no map objects";

} // namespace

std::string ObjectsJson(const std::vector<const TBaseInfo*>& records) {
    if (records.size() == 1)
        return RecordJson(*records.front(), 0) + "\n";
    std::string json = "[";
    for (size_t i = 0; i < records.size(); ++i)
        json += std::string(i ? ",\n" : "\n") + "    " + RecordJson(*records[i], 4);
    return json + "\n]\n";
}

std::vector<std::unique_ptr<TBaseInfo>> ObjectsFromJson(const QByteArray& json,
                                                        const TObjMgr* catalogue) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        throw EError(std::string(kNotObjects) + ": " + error.errorString().toStdString() +
                     " at offset " + std::to_string(error.offset));
    std::vector<std::unique_ptr<TBaseInfo>> records;
    if (document.isObject()) {
        records.push_back(RecordFromJson(document.object(), "the object", catalogue));
        return records;
    }
    const QJsonArray list = document.array();
    if (list.isEmpty())
        throw EError(std::string(kNotObjects) + ": the list is empty");
    for (int i = 0; i < list.size(); ++i) {
        if (!list[i].isObject())
            throw EError(std::string(kNotObjects) + ": entry " + std::to_string(i) +
                         " is not an object");
        records.push_back(RecordFromJson(
            list[i].toObject(), EntryContext("objects", i, list[i].toObject()), catalogue));
    }
    return records;
}

std::unique_ptr<QMimeData> ObjectsMimeData(const std::vector<const TBaseInfo*>& records) {
    const QByteArray json = QByteArray::fromStdString(ObjectsJson(records));
    auto data = std::make_unique<QMimeData>();
    data->setText(QString::fromUtf8(json));
    data->setData(QString::fromLatin1(kObjectsMimeType), json);
    return data;
}

std::vector<std::unique_ptr<TBaseInfo>> ObjectsFromMimeData(const QMimeData& data,
                                                            const TObjMgr* catalogue) {
    const QString own = QString::fromLatin1(kObjectsMimeType);
    if (data.hasFormat(own))
        return ObjectsFromJson(data.data(own), catalogue);
    if (data.hasText())
        return ObjectsFromJson(data.text().toUtf8(), catalogue);
    throw EError(std::string(kNotObjects) + ": it holds no text");
}

} // namespace tv
