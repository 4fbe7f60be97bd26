#include "document/RecordJson.h"

#include "mapdata/ObjMgr.h"

#include "mapdata/Errors.h"
#include "mapdata/Text.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <unordered_set>

namespace tv {

namespace {

template <class T> T* As(TBaseInfo& record) {
    return dynamic_cast<T*>(&record);
}

// The C++ type each FieldType stands for; the field macros check it, so that the untyped
// addresses below are always read and written as what they are.
template <FieldType> struct FieldCType;
template <> struct FieldCType<FieldType::Int32> { using Type = int32_t; };
template <> struct FieldCType<FieldType::UInt32> { using Type = uint32_t; };
template <> struct FieldCType<FieldType::UInt8> { using Type = uint8_t; };
template <> struct FieldCType<FieldType::UInt16> { using Type = uint16_t; };
template <> struct FieldCType<FieldType::Float> { using Type = float; };
template <> struct FieldCType<FieldType::Text> { using Type = TText; };

#define TV_BASE_FIELD(field, type)                                                                 \
    FieldInfo {                                                                                    \
#field, FieldType::type, [](TBaseInfo & r) -> void* {                                      \
            static_assert(                                                                         \
                std::is_same_v<decltype(r.field), FieldCType<FieldType::type>::Type>);             \
            return &r.field;                                                                       \
        }       \
    }
#define TV_CLASS_FIELD(cls, field, type)                                                           \
    FieldInfo {                                                                                    \
#field, FieldType::type, [](TBaseInfo& r) -> void* {                                       \
            cls* p = As<cls>(r);                                                                   \
            static_assert(                                                                         \
                std::is_same_v<decltype(p->field), FieldCType<FieldType::type>::Type>);            \
            return p ? static_cast<void*>(&p->field) : nullptr;                                    \
        }       \
    }

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Values at or beyond this magnitude round to an infinite float.
const double kFloatLimit = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);

// The shortest text that reads back as the same double, for messages.
std::string NumberText(double d) {
    char text[400];
    if (std::floor(d) == d && std::fabs(d) < 1e18) {
        std::snprintf(text, sizeof text, "%.0f", d);
        return text;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, d);
        if (std::strtod(text, nullptr) == d)
            break;
    }
    return text;
}

[[noreturn]] void Fail(const std::string& where, const std::string& problem) {
    throw EError(where + ": " + problem);
}

std::string Describe(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return "null";
    case QJsonValue::Bool:
        return "a boolean";
    case QJsonValue::Double:
        return "a number";
    case QJsonValue::String:
        return "a string";
    case QJsonValue::Array:
        return "an array";
    case QJsonValue::Object:
        return "an object";
    default:
        return "nothing";
    }
}

// An integral JSON number within [low, high].
double IntegralNumber(const QJsonValue& value, double low, double high, const char* typeName,
                      const std::string& where) {
    if (!value.isDouble())
        Fail(where, std::string("expected an integer (") + typeName + "), got " + Describe(value));
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d)
        Fail(where, NumberText(d) + " is not an integer");
    if (d < low || d > high)
        Fail(where, NumberText(d) + " is out of range for " + typeName);
    return d;
}

float JsonToFloat(const QJsonValue& value, const std::string& where) {
    if (value.isString()) {
        const QString text = value.toString();
        if (text == "NaN")
            return std::numeric_limits<float>::quiet_NaN();
        if (text == "Infinity")
            return std::numeric_limits<float>::infinity();
        if (text == "-Infinity")
            return -std::numeric_limits<float>::infinity();
        if (text == "-0")
            return -0.0f;
        Fail(where, "expected a number (float), got the string " +
                        JsonString(ShortenText(text.toStdString())));
    }
    if (!value.isDouble())
        Fail(where, "expected a number (float), got " + Describe(value));
    const double d = value.toDouble();
    if (!(std::fabs(d) < kFloatLimit))
        Fail(where, NumberText(d) + " is out of range for a 32-bit float");
    return static_cast<float>(d);
}

void SetField(TBaseInfo& record, const FieldInfo& field, const QJsonValue& value,
              const std::string& where) {
    void* address = field.Address(record);
    switch (field.Type) {
    case FieldType::Int32:
        *static_cast<int32_t*>(address) = JsonToInt32(value, where);
        break;
    case FieldType::UInt32:
        *static_cast<uint32_t*>(address) = static_cast<uint32_t>(
            IntegralNumber(value, 0, 4294967295.0, "an unsigned 32-bit integer", where));
        break;
    case FieldType::UInt8:
        *static_cast<uint8_t*>(address) =
            static_cast<uint8_t>(IntegralNumber(value, 0, 255, "an unsigned 8-bit integer", where));
        break;
    case FieldType::UInt16:
        *static_cast<uint16_t*>(address) = static_cast<uint16_t>(
            IntegralNumber(value, 0, 65535, "an unsigned 16-bit integer", where));
        break;
    case FieldType::Float:
        *static_cast<float*>(address) = JsonToFloat(value, where);
        break;
    case FieldType::Text:
        *static_cast<TText*>(address) = JsonToText(value, where);
        break;
    }
}

} // namespace

const std::vector<FieldInfo>& RecordFields() {
    static const std::vector<FieldInfo> fields = {
        TV_BASE_FIELD(Name, Text),
        TV_BASE_FIELD(Left, Int32),
        TV_BASE_FIELD(Top, Int32),
        TV_BASE_FIELD(Width, Int32),
        TV_BASE_FIELD(Height, Int32),
        TV_BASE_FIELD(Z, Int32),
        TV_BASE_FIELD(Color, UInt32),
        TV_BASE_FIELD(Texture, Text),
        TV_BASE_FIELD(Blend, UInt8),
        TV_BASE_FIELD(Speed, Float),
        TV_BASE_FIELD(FrameWidth, Int32),
        TV_BASE_FIELD(FrameHeight, Int32),
        TV_CLASS_FIELD(TColObjInfo, ProjectilesPass, UInt8),
        TV_CLASS_FIELD(TColObjInfo, Animated, UInt8),
        TV_CLASS_FIELD(TEntityInfo, RangedWeapon, Text),
        TV_CLASS_FIELD(TEntityInfo, MeleeWeapon, Text),
        TV_CLASS_FIELD(TEntityInfo, Armour, Text),
        TV_CLASS_FIELD(TEntityInfo, HitPoints, Int32),
        TV_CLASS_FIELD(TEntityInfo, ExperiencePoints, Int32),
        TV_CLASS_FIELD(TEntityInfo, FireSound, Text),
        TV_CLASS_FIELD(TEntityInfo, DieSound, Text),
        TV_CLASS_FIELD(TEntityInfo, HitSound, Text),
        TV_CLASS_FIELD(TEntityInfo, AmbientSound, Text),
        TV_CLASS_FIELD(TPlayerInfo, KeyLeft, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, KeyRight, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, KeyUp, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, KeyDown, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, KeyFire1, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, KeyFire2, UInt16),
        TV_CLASS_FIELD(TPlayerInfo, SecondRangedWeapon, Text),
    };
    return fields;
}

#undef TV_BASE_FIELD
#undef TV_CLASS_FIELD

std::string FieldJson(const TBaseInfo& record, const FieldInfo& field) {
    const void* address = field.Address(const_cast<TBaseInfo&>(record));
    switch (field.Type) {
    case FieldType::Int32:
        return std::to_string(*static_cast<const int32_t*>(address));
    case FieldType::UInt32:
        return std::to_string(*static_cast<const uint32_t*>(address));
    case FieldType::UInt8:
        return std::to_string(*static_cast<const uint8_t*>(address));
    case FieldType::UInt16:
        return std::to_string(*static_cast<const uint16_t*>(address));
    case FieldType::Float:
        return FloatJson(*static_cast<const float*>(address));
    case FieldType::Text:
        return JsonString(*static_cast<const TText*>(address));
    }
    return "null";
}

bool SameFieldValue(const TBaseInfo& a, const TBaseInfo& b, const FieldInfo& field) {
    const void* x = field.Address(const_cast<TBaseInfo&>(a));
    const void* y = field.Address(const_cast<TBaseInfo&>(b));
    if (!x || !y)
        return !x && !y;
    switch (field.Type) {
    case FieldType::Int32:
        return *static_cast<const int32_t*>(x) == *static_cast<const int32_t*>(y);
    case FieldType::UInt32:
        return *static_cast<const uint32_t*>(x) == *static_cast<const uint32_t*>(y);
    case FieldType::UInt8:
        return *static_cast<const uint8_t*>(x) == *static_cast<const uint8_t*>(y);
    case FieldType::UInt16:
        return *static_cast<const uint16_t*>(x) == *static_cast<const uint16_t*>(y);
    case FieldType::Float:
        return SameBits(*static_cast<const float*>(x), *static_cast<const float*>(y));
    case FieldType::Text:
        return *static_cast<const TText*>(x) == *static_cast<const TText*>(y);
    }
    return false;
}

void CopyFieldValue(TBaseInfo& to, const TBaseInfo& from, const FieldInfo& field) {
    void* x = field.Address(to);
    const void* y = field.Address(const_cast<TBaseInfo&>(from));
    if (!x || !y)
        return;
    switch (field.Type) {
    case FieldType::Int32:
        *static_cast<int32_t*>(x) = *static_cast<const int32_t*>(y);
        break;
    case FieldType::UInt32:
        *static_cast<uint32_t*>(x) = *static_cast<const uint32_t*>(y);
        break;
    case FieldType::UInt8:
        *static_cast<uint8_t*>(x) = *static_cast<const uint8_t*>(y);
        break;
    case FieldType::UInt16:
        *static_cast<uint16_t*>(x) = *static_cast<const uint16_t*>(y);
        break;
    case FieldType::Float:
        *static_cast<float*>(x) = *static_cast<const float*>(y);
        break;
    case FieldType::Text:
        *static_cast<TText*>(x) = *static_cast<const TText*>(y);
        break;
    }
}

const FieldInfo* FindField(std::string_view name) {
    for (const FieldInfo& field : RecordFields())
        if (name == field.Name)
            return &field;
    return nullptr;
}

std::string ShortestFloatText(float value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0.0f)
        return std::signbit(value) ? "-0" : "0";
    char text[64];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
        // JSON readers go through a double first, so both routes must give the same float.
        if (SameBits(std::strtof(text, nullptr), value) &&
            SameBits(static_cast<float>(std::strtod(text, nullptr)), value))
            return text;
    }
    // The double nearest the float is the float itself; 17 digits give that double back.
    std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
    return text;
}

std::string FloatJson(float value) {
    if (std::isnan(value) || std::isinf(value) || (value == 0.0f && std::signbit(value)))
        return "\"" + ShortestFloatText(value) + "\"";
    return ShortestFloatText(value);
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                out += Format("\\u%04x", u);
            } else if (u == 0xC2 && i + 1 < text.size() &&
                       static_cast<unsigned char>(text[i + 1]) < 0xA0) {
                // A C1 control (U+0080..U+009F), which some terminals obey.
                out += Format("\\u%04x", static_cast<unsigned char>(text[++i]));
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

namespace {

// Walks JSON text for CheckJsonText: the keys of every open object, and every string's escapes.
class TJsonTextCheck {
public:
    explicit TJsonTextCheck(const QByteArray& json)
        : begin_(json.constData()), at_(begin_), end_(begin_ + json.size()) {}

    void Run() {
        while (at_ < end_) {
            switch (*at_) {
            case '{':
                open_.push_back(Container{true, true, {}});
                ++at_;
                break;
            case '[':
                open_.push_back(Container{false, false, {}});
                ++at_;
                break;
            case '}':
            case ']':
                if (!open_.empty())
                    open_.pop_back();
                ++at_;
                break;
            case ',':
                if (!open_.empty() && open_.back().IsObject)
                    open_.back().ExpectKey = true;
                ++at_;
                break;
            case '"':
                String();
                break;
            default:
                ++at_;
            }
        }
    }

private:
    struct Container {
        bool IsObject;
        bool ExpectKey; // the next string is a key
        std::unordered_set<std::string> Keys;
    };

    [[noreturn]] void Fail(const char* at, const std::string& problem) const {
        throw EError(Format("JSON error at offset %d: ", static_cast<int>(at - begin_)) + problem);
    }

    // Four hex digits after "\u" at at_ (which points at the backslash); -1 for none.
    int EscapedUnit(const char* at) const {
        if (end_ - at < 6 || at[0] != '\\' || at[1] != 'u')
            return -1;
        int unit = 0;
        for (int i = 2; i < 6; ++i) {
            const char c = at[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return -1;
            unit = unit * 16 + digit;
        }
        return unit;
    }

    static void AppendUtf8(std::string& out, uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // A string from its opening quote at at_ to past its closing one; its text is decoded
    // only when it is a key.
    void String() {
        const char* const start = at_++;
        const bool isKey = !open_.empty() && open_.back().IsObject && open_.back().ExpectKey;
        std::string text;
        while (at_ < end_ && *at_ != '"') {
            if (*at_ != '\\') {
                if (isKey)
                    text += *at_;
                ++at_;
                continue;
            }
            const int unit = EscapedUnit(at_);
            if (unit < 0) {
                // A one-letter escape.
                if (end_ - at_ < 2)
                    break;
                if (isKey)
                    text += Unescaped(at_[1]);
                at_ += 2;
                continue;
            }
            uint32_t code = static_cast<uint32_t>(unit);
            const char* const escape = at_;
            at_ += 6;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const int low = EscapedUnit(at_);
                if (low < 0xDC00 || low > 0xDFFF)
                    Fail(escape, Format("lone surrogate \\u%04x", unit));
                code = 0x10000 + ((code - 0xD800) << 10) + static_cast<uint32_t>(low - 0xDC00);
                at_ += 6;
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                Fail(escape, Format("lone surrogate \\u%04x", unit));
            }
            if (isKey)
                AppendUtf8(text, code);
        }
        at_ = std::min(at_ + 1, end_); // past the closing quote
        if (!isKey)
            return;
        open_.back().ExpectKey = false;
        if (!open_.back().Keys.insert(text).second)
            Fail(start, "duplicate key " + JsonString(ShortenText(text)));
    }

    static char Unescaped(char letter) {
        switch (letter) {
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        default:
            return letter; // '"', '\\' and '/' stand for themselves
        }
    }

    const char* const begin_;
    const char* at_;
    const char* const end_;
    std::vector<Container> open_;
};

} // namespace

void CheckJsonText(const QByteArray& json) {
    TJsonTextCheck(json).Run();
}

std::string RecordJson(const TBaseInfo& record, int indent) {
    TBaseInfo& mutableRecord = const_cast<TBaseInfo&>(record); // fields are only read
    const std::string pad(static_cast<size_t>(indent), ' ');
    std::string out = "{\n";
    out += pad + "  \"class\": " + JsonString(record.ClassName()) + ",\n";
    out += pad + "  \"Group\": " + JsonString(GroupForClass(record));
    for (const FieldInfo& field : RecordFields()) {
        if (!field.Address(mutableRecord))
            continue;
        out += ",\n" + pad + "  " + JsonString(field.Name) + ": " + FieldJson(mutableRecord, field);
    }
    out += "\n" + pad + "}";
    return out;
}

std::string EntryContext(const char* list, int index, const QJsonObject& object) {
    std::string context = Format("%s[%d]", list, index);
    const QJsonValue name = object.value("Name");
    if (name.isString())
        context += " (" + JsonString(ShortenText(name.toString().toStdString())) + ")";
    return context;
}

int32_t JsonToInt32(const QJsonValue& value, const std::string& where) {
    return static_cast<int32_t>(
        IntegralNumber(value, -2147483648.0, 2147483647.0, "a signed 32-bit integer", where));
}

std::string JsonToText(const QJsonValue& value, const std::string& where) {
    if (!value.isString())
        Fail(where, "expected a string, got " + Describe(value));
    return value.toString().toStdString();
}

std::unique_ptr<TBaseInfo> RecordFromJson(const QJsonObject& object, const std::string& context,
                                          const TObjMgr* prototypes) {
    const QJsonValue classValue = object.value("class");
    if (!classValue.isString())
        Fail(context,
             "\"class\" must be a string naming a record class, got " + Describe(classValue));
    std::unique_ptr<TBaseInfo> record;
    try {
        record = CreateRecord(classValue.toString().toStdString());
    } catch (const EError& e) {
        Fail(context, e.what());
    }
    const QJsonValue name = object.value("Name");
    if (const TBaseInfo* prototype = prototypes && name.isString()
                                         ? prototypes->FindByName(name.toString().toStdString())
                                         : nullptr)
        record = CloneInfo(*prototype);

    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        const std::string where = context + ": field " + JsonString(ShortenText(key));
        if (key == "class")
            continue;
        if (key == "Group") {
            // Group comes from the class; it is accepted (as a dump prints it) only when it
            // agrees with it.
            const std::string group = JsonToText(it.value(), where);
            if (group != GroupForClass(*record))
                Fail(where, JsonString(ShortenText(group)) + " is not the group of class " +
                                record->ClassName() + " (" + JsonString(GroupForClass(*record)) +
                                ")");
            continue;
        }
        const FieldInfo* field = FindField(key);
        if (!field)
            Fail(where, "no such field");
        if (!field->Address(*record))
            Fail(where, std::string("class ") + record->ClassName() + " has no such field");
        SetField(*record, *field, it.value(), where);
    }
    return record;
}

} // namespace tv
