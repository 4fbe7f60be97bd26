#pragma once

// The JSON sources and dumps of tvmtool: catalogues and maps as JSON, and back.

#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"

#include <QByteArray>
#include <QJsonObject>
#include <cstdint>
#include <string>
#include <vector>

namespace tv::tool {

// The 40-byte header written at the start of a catalogue: the map header with the magic
// "TVOD" (readers do not interpret it).
std::vector<uint8_t> CatalogueHeader();

// The root object of a JSON source. Raises "JSON error at offset N: ..." for text that is not
// JSON, and for what JSON readers pass over (CheckJsonText: a key given twice, a lone
// surrogate), and when the root is not an object.
QJsonObject ParseJsonObject(const QByteArray& json);

// {"records": [{"class": ..., field: value, ...}, ...]} -> catalogue file bytes.
std::vector<uint8_t> CatalogueFromJson(const QByteArray& json);
// The catalogue as {"records": [...]} with every field of every record; ends with a newline.
std::string CatalogueToJson(const TObjMgr& catalogue);

// {"MapName", "FileName", "MaxWorldX", "MaxWorldY", "Ground", "Sky", "ThemeMusic",
//  "Objects": [...]} <-> map. Absent variables keep the map's defaults; objects are appended
// in the given order.
void MapFromJson(const QByteArray& json, TMap& map);
std::string MapToJson(const TMap& map);

} // namespace tv::tool
