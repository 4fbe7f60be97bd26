#pragma once

// The game's weapon and armour tables. They are read from a JSON file in the game folder,
// data\obj\equipment.json:
//
//   {"weapons": [{"Name": "Dýka", "Damage": 2, "Rate": 2.0, "ProjectileSpeed": 6.0,
//                 "ProjectileWidth": 24, "ProjectileHeight": 6, "ProjectileTexture": "",
//                 "ProjectileBlend": 0}, ...],
//    "armours": [{"Name": "Kůže", "Protection": 1}, ...]}
//
// Every key but "Name" may be left out (then 0, or "" for the texture). Rate is shots per
// second: the time between shots is at least 1000 / Rate ms, and a weapon of Rate 0 never
// fires (melee weapons). An empty ProjectileTexture draws the projectile in its colour alone.
// Actors hold entries by shared reference, so reloading the tables never leaves one dangling.

#include "engine/DXObj.h"

#include <QByteArray>
#include <memory>
#include <string>
#include <vector>

namespace tv {

struct TWeapon {
    std::string Name;
    int32_t Damage = 0;
    float Rate = 0.0f;
    float ProjectileSpeed = 0.0f;
    int32_t ProjectileWidth = 0;
    int32_t ProjectileHeight = 0;
    std::string ProjectileTexture;
    TDXBlend ProjectileBlend = bl_normal;
};

struct TArmour {
    std::string Name;
    // Kept for the game; the actors here only reference the armour.
    int32_t Protection = 0;
};

using PWeapon = std::shared_ptr<const TWeapon>;
using PArmour = std::shared_ptr<const TArmour>;

// The process-wide tables, empty until loaded.
extern std::vector<PWeapon> Weapons;
extern std::vector<PArmour> Armours;

// The last entry whose name equals the given one (TextEquals); nullptr when none does.
PWeapon FindWeapon(std::string_view name);
PArmour FindArmour(std::string_view name);

// Replaces both tables with the file's content. Raises an EError naming the problem for
// malformed JSON, unknown keys, wrong value types, a negative or non-finite Rate, negative
// projectile sizes or a blend other than 0 and 1; the tables stay as they were then.
void LoadEquipmentJson(const QByteArray& json);
// The game folder's file: BaseFolder() + "data\obj\equipment.json".
std::string EquipmentFilePath();
// Loads EquipmentFilePath(). A missing file shows "File Not Found : <path>", empties both
// tables and returns false; anything but a regular file in its place raises "Cannot open file
// <path>"; a malformed one raises as LoadEquipmentJson does, with the file on
// a second line (ReadingFile). A pipe or a device in its place cannot be opened.
bool LoadEquipmentFile();
void ClearEquipment();

} // namespace tv
