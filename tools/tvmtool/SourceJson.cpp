#include "tools/tvmtool/SourceJson.h"

#include "document/RecordJson.h"
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tv::tool {

namespace {

QJsonArray ArrayMember(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        throw EError(Format("\"%s\" must be an array", key));
    return value.toArray();
}

void CheckKeys(const QJsonObject& object, const std::vector<std::string>& allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        bool known = false;
        for (const std::string& name : allowed)
            known = known || key == name;
        if (!known)
            throw EError("unknown key " + JsonString(ShortenText(key)));
    }
}

QJsonObject ArrayObject(const QJsonArray& array, int index, const char* list) {
    const QJsonValue value = array.at(index);
    if (!value.isObject())
        throw EError(Format("%s[%d]: expected an object", list, index));
    return value.toObject();
}

std::string Indent(int count) {
    return std::string(static_cast<size_t>(count), ' ');
}

} // namespace

QJsonObject ParseJsonObject(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw EError(Format("JSON error at offset %d: %s", static_cast<int>(error.offset),
                            error.errorString().toStdString().c_str()));
    if (!document.isObject())
        throw EError("JSON error: the document must be an object");
    CheckJsonText(json);
    return document.object();
}

std::vector<uint8_t> CatalogueHeader() {
    const std::array<uint8_t, 40>& map = MapFileHeader();
    std::vector<uint8_t> header(map.begin(), map.end());
    header[0] = 'T';
    header[1] = 'V';
    header[2] = 'O';
    header[3] = 'D';
    return header;
}

std::vector<uint8_t> CatalogueFromJson(const QByteArray& json) {
    const QJsonObject root = ParseJsonObject(json);
    CheckKeys(root, {"records"});
    const QJsonArray records = ArrayMember(root, "records");

    TMemoryStream stream;
    const std::vector<uint8_t> header = CatalogueHeader();
    stream.WriteBuffer(header.data(), header.size());
    stream.WriteInt32(static_cast<int32_t>(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject object = ArrayObject(records, i, "records");
        const std::unique_ptr<TBaseInfo> record =
            RecordFromJson(object, EntryContext("records", i, object));
        try {
            WriteStreamString(stream, record->ClassName());
            record->WriteToStream(stream);
        } catch (const ETextTooLong& e) {
            throw e.WithObject(EntryLabel("entry", i, record->Name));
        }
    }
    return stream.Bytes();
}

std::string CatalogueToJson(const TObjMgr& catalogue) {
    std::string out = "{\n  \"records\": [";
    for (int i = 0; i < catalogue.Count(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += Indent(4) + RecordJson(*catalogue.Get(i), 4);
    }
    out += catalogue.Count() > 0 ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

void MapFromJson(const QByteArray& json, TMap& map) {
    const QJsonObject root = ParseJsonObject(json);
    CheckKeys(root, {"MapName", "FileName", "MaxWorldX", "MaxWorldY", "Ground", "Sky", "ThemeMusic",
                     "Objects"});
    const auto text = [&](const char* key, std::string& field) {
        if (root.contains(key))
            field = JsonToText(root.value(key), JsonString(key));
    };
    const auto number = [&](const char* key, int32_t& field) {
        if (root.contains(key))
            field = JsonToInt32(root.value(key), JsonString(key));
    };
    text("MapName", map.MapName);
    text("FileName", map.FileName);
    number("MaxWorldX", map.MaxWorldX);
    number("MaxWorldY", map.MaxWorldY);
    number("Ground", map.Ground);
    number("Sky", map.Sky);
    text("ThemeMusic", map.ThemeMusic);
    if (root.contains("Objects")) {
        const QJsonArray objects = ArrayMember(root, "Objects");
        for (int i = 0; i < objects.size(); ++i) {
            const QJsonObject object = ArrayObject(objects, i, "Objects");
            map.Objects.Add(RecordFromJson(object, EntryContext("Objects", i, object)));
        }
    }
}

std::string MapToJson(const TMap& map) {
    std::string out = "{\n";
    out += "  \"MapName\": " + JsonString(map.MapName) + ",\n";
    out += "  \"FileName\": " + JsonString(map.FileName) + ",\n";
    out += "  \"MaxWorldX\": " + std::to_string(map.MaxWorldX) + ",\n";
    out += "  \"MaxWorldY\": " + std::to_string(map.MaxWorldY) + ",\n";
    out += "  \"Ground\": " + std::to_string(map.Ground) + ",\n";
    out += "  \"Sky\": " + std::to_string(map.Sky) + ",\n";
    out += "  \"ThemeMusic\": " + JsonString(map.ThemeMusic) + ",\n";
    out += "  \"Objects\": [";
    for (int i = 0; i < map.Objects.Count(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += Indent(4) + RecordJson(*map.Objects[i], 4);
    }
    out += map.Objects.Count() > 0 ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

} // namespace tv::tool
