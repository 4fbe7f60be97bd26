#include "world/Equipment.h"

#include "mapdata/Errors.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace tv {

std::vector<PWeapon> Weapons;
std::vector<PArmour> Armours;

namespace {

template <class T>
std::shared_ptr<const T> FindLast(const std::vector<std::shared_ptr<const T>>& table,
                                  std::string_view name) {
    std::shared_ptr<const T> found;
    for (const auto& entry : table)
        if (entry && TextEquals(entry->Name, name))
            found = entry;
    return found;
}

// Names an entry in error messages: "weapons[2]".
std::string Where(const char* table, int index) {
    return Format("%s[%d]", table, index);
}

void CheckKeys(const QJsonObject& object, std::initializer_list<const char*> allowed,
               const std::string& where) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* key : allowed)
            known = known || it.key() == QLatin1String(key);
        if (!known)
            throw EError(Format("equipment: %s: unknown key \"%s\"", where.c_str(),
                                it.key().toStdString().c_str()));
    }
}

std::string TextMember(const QJsonObject& object, const char* key, const std::string& where,
                       bool required) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined()) {
        if (required)
            throw EError(Format("equipment: %s: \"%s\" is missing", where.c_str(), key));
        return std::string();
    }
    if (!value.isString())
        throw EError(Format("equipment: %s: \"%s\" must be a text", where.c_str(), key));
    return value.toString().toStdString();
}

double NumberMember(const QJsonObject& object, const char* key, const std::string& where) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return 0.0;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        throw EError(Format("equipment: %s: \"%s\" must be a number", where.c_str(), key));
    return value.toDouble();
}

int32_t IntegerMember(const QJsonObject& object, const char* key, const std::string& where,
                      int32_t low = std::numeric_limits<int32_t>::min()) {
    const double number = NumberMember(object, key, where);
    if (number != std::floor(number) || number < low ||
        number > std::numeric_limits<int32_t>::max())
        throw EError(Format("equipment: %s: \"%s\" must be a whole number of at least %d",
                            where.c_str(), key, low));
    return static_cast<int32_t>(number);
}

float FloatMember(const QJsonObject& object, const char* key, const std::string& where) {
    const double number = NumberMember(object, key, where);
    if (std::fabs(number) > std::numeric_limits<float>::max())
        throw EError(Format("equipment: %s: \"%s\" is out of range", where.c_str(), key));
    return static_cast<float>(number);
}

QJsonArray ArrayMember(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return QJsonArray();
    if (!value.isArray())
        throw EError(Format("equipment: \"%s\" must be an array", key));
    return value.toArray();
}

QJsonObject EntryObject(const QJsonValue& value, const std::string& where) {
    if (!value.isObject())
        throw EError(Format("equipment: %s must be an object", where.c_str()));
    return value.toObject();
}

TWeapon ReadWeapon(const QJsonObject& object, const std::string& where) {
    CheckKeys(object,
              {"Name", "Damage", "Rate", "ProjectileSpeed", "ProjectileWidth", "ProjectileHeight",
               "ProjectileTexture", "ProjectileBlend"},
              where);
    TWeapon weapon;
    weapon.Name = TextMember(object, "Name", where, true);
    weapon.Damage = IntegerMember(object, "Damage", where);
    weapon.Rate = FloatMember(object, "Rate", where);
    if (weapon.Rate < 0.0f)
        throw EError(Format("equipment: %s: \"Rate\" must not be negative", where.c_str()));
    weapon.ProjectileSpeed = FloatMember(object, "ProjectileSpeed", where);
    weapon.ProjectileWidth = IntegerMember(object, "ProjectileWidth", where, 0);
    weapon.ProjectileHeight = IntegerMember(object, "ProjectileHeight", where, 0);
    weapon.ProjectileTexture = TextMember(object, "ProjectileTexture", where, false);
    const int32_t blend = IntegerMember(object, "ProjectileBlend", where, 0);
    if (blend > bl_add)
        throw EError(Format("equipment: %s: \"ProjectileBlend\" must be 0 or 1", where.c_str()));
    weapon.ProjectileBlend = static_cast<TDXBlend>(blend);
    return weapon;
}

TArmour ReadArmour(const QJsonObject& object, const std::string& where) {
    CheckKeys(object, {"Name", "Protection"}, where);
    TArmour armour;
    armour.Name = TextMember(object, "Name", where, true);
    armour.Protection = IntegerMember(object, "Protection", where);
    return armour;
}

} // namespace

PWeapon FindWeapon(std::string_view name) {
    return FindLast(Weapons, name);
}

PArmour FindArmour(std::string_view name) {
    return FindLast(Armours, name);
}

void LoadEquipmentJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw EError(Format("equipment: JSON error at offset %d: %s",
                            static_cast<int>(error.offset),
                            error.errorString().toStdString().c_str()));
    if (!document.isObject())
        throw EError("equipment: the document must be an object");
    const QJsonObject root = document.object();
    CheckKeys(root, {"weapons", "armours"}, "the document");

    std::vector<PWeapon> weapons;
    const QJsonArray weaponArray = ArrayMember(root, "weapons");
    for (int i = 0; i < weaponArray.size(); ++i) {
        const std::string where = Where("weapons", i);
        weapons.push_back(
            std::make_shared<const TWeapon>(ReadWeapon(EntryObject(weaponArray[i], where), where)));
    }
    std::vector<PArmour> armours;
    const QJsonArray armourArray = ArrayMember(root, "armours");
    for (int i = 0; i < armourArray.size(); ++i) {
        const std::string where = Where("armours", i);
        armours.push_back(
            std::make_shared<const TArmour>(ReadArmour(EntryObject(armourArray[i], where), where)));
    }
    Weapons.swap(weapons);
    Armours.swap(armours);
}

std::string EquipmentFilePath() {
    return BaseFolder() + "data\\obj\\equipment.json";
}

bool LoadEquipmentFile() {
    const std::string path = EquipmentFilePath();
    const std::string native = NativePath(path);
    // Only a file that is not there is "not found"; anything else in its place (a pipe, a
    // folder) is refused by the reading, as every input is.
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
        ClearEquipment();
        ShowMessageBox("File Not Found : " + native);
        return false;
    }
    const std::vector<uint8_t> content = ReadRegularFile(native, native);
    ReadingFile(native, [&] {
        LoadEquipmentJson(QByteArray(reinterpret_cast<const char*>(content.data()),
                                     static_cast<qsizetype>(content.size())));
    });
    return true;
}

void ClearEquipment() {
    Weapons.clear();
    Armours.clear();
}

} // namespace tv
