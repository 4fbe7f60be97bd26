#pragma once

#include "mapdata/Objects.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TObjMgr;

// The stored fields of the record classes, by their C++ names, in the order a dump prints them.
enum class FieldType { Int32, UInt32, UInt8, UInt16, Float, Text };

struct FieldInfo {
    const char* Name;
    FieldType Type;
    // The field inside a record, or nullptr when the record's class does not have it.
    void* (*Address)(TBaseInfo& record);
};

const std::vector<FieldInfo>& RecordFields();
const FieldInfo* FindField(std::string_view name);
// The field's value as JSON text; the record's class must have the field.
std::string FieldJson(const TBaseInfo& record, const FieldInfo& field);

// Whether two records hold the same stored value of a field (floats bit for bit); a field
// that neither record's class has counts as the same, one that only one has as different.
bool SameFieldValue(const TBaseInfo& a, const TBaseInfo& b, const FieldInfo& field);
// Sets a field of one record to another's value; both records' classes must have the field.
void CopyFieldValue(TBaseInfo& to, const TBaseInfo& from, const FieldInfo& field);

// The shortest decimal text that reads back (through strtof, and through a double) as exactly
// the same 32-bit float; "NaN", "Infinity", "-Infinity" and "-0" for the values that a JSON
// number cannot carry through a JSON reader (Qt's reader turns -0 into 0).
std::string ShortestFloatText(float value);
// The same as a JSON value text: the four special values become JSON strings, which
// RecordFromJson accepts for float fields. Every NaN comes back as the quiet NaN.
std::string FloatJson(float value);

// A JSON string literal (UTF-8 kept, quotes, backslashes and control characters escaped, C1
// controls and DEL included, so that no text printed through it can drive a terminal).
std::string JsonString(std::string_view text);

// What JSON readers (Qt's among them) pass over in text they accept: a key given twice in one
// object (one value is silently dropped) and a \u escape of a lone surrogate (silently
// replaced). Raises "JSON error at offset N: duplicate key \"Name\"" or "... lone surrogate
// \ud800"; the text should be JSON a reader has accepted.
void CheckJsonText(const QByteArray& json);

// A record as a JSON object: "class", "Group", then every field of its class. Each line after
// the first is indented by indent spaces; no trailing newline.
std::string RecordJson(const TBaseInfo& record, int indent);

// A record of the object's "class" with its class defaults and the fields the object gives.
// "Group", when present, must equal the class's group. Errors (an EError) start with context,
// for example records[3] ("Slime"), and name the field. With prototypes, an object whose Name
// is a prototype's starts from a copy of that prototype (of its class) instead, as a map file
// loads such an object.
std::unique_ptr<TBaseInfo> RecordFromJson(const QJsonObject& object, const std::string& context,
                                          const TObjMgr* prototypes = nullptr);

// "records[3] (\"Slime\")": the index and, when the object has a string Name, that name.
std::string EntryContext(const char* list, int index, const QJsonObject& object);

// Field value checks shared with the map variables. Each raises an EError naming the context
// and the field when the value has the wrong type or is out of the type's range.
int32_t JsonToInt32(const QJsonValue& value, const std::string& where);
std::string JsonToText(const QJsonValue& value, const std::string& where);

} // namespace tv
