// The weapon and armour tables: lookups, the JSON file and the demo game's copy.

#include "WorldTestSupport.h"
#include "mapdata/Errors.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

using namespace tv;
using worldtest::WorldTest;

namespace {

QByteArray ReadSourceFile(const std::string& relative) {
    QFile file(QString::fromStdString(std::string(TV_SOURCE_DIR) + "/" + relative));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

std::string LoadError(const char* json) {
    try {
        LoadEquipmentJson(json);
    } catch (const EError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST_F(WorldTest, LookupsIgnoreCaseAndTheLastMatchWins) {
    LoadEquipmentJson(R"({"weapons": [{"Name": "Meč", "Damage": 1}, {"Name": "Luk"},
                                      {"Name": "MEČ", "Damage": 7}],
                          "armours": [{"Name": "Plášť"}]})");
    ASSERT_NE(FindWeapon("meč"), nullptr);
    EXPECT_EQ(FindWeapon("meč")->Damage, 7);
    EXPECT_EQ(FindWeapon("Sekera"), nullptr);
    EXPECT_EQ(FindWeapon(""), nullptr);
    ASSERT_NE(FindArmour("PLÁŠŤ"), nullptr);
    EXPECT_EQ(FindArmour("Meč"), nullptr);
}

TEST_F(WorldTest, BadEquipmentIsRefusedWithItsPlaceAndTheTablesStay) {
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A"}, {"Name": "B", "Rate": -1}]})"),
              "equipment: weapons[1]: \"Rate\" must not be negative");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Damage": 1}]})"),
              "equipment: weapons[0]: \"Name\" is missing");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A", "Colour": 1}]})"),
              "equipment: weapons[0]: unknown key \"Colour\"");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A", "ProjectileWidth": -4}]})"),
              "equipment: weapons[0]: \"ProjectileWidth\" must be a whole number of at least 0");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A", "Damage": 1.5}]})"),
              "equipment: weapons[0]: \"Damage\" must be a whole number of at least -2147483648");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A", "ProjectileBlend": 2}]})"),
              "equipment: weapons[0]: \"ProjectileBlend\" must be 0 or 1");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": 5}]})"),
              "equipment: weapons[0]: \"Name\" must be a text");
    EXPECT_EQ(LoadError(R"({"weapons": [{"Name": "A", "Rate": 1e300}]})"),
              "equipment: weapons[0]: \"Rate\" is out of range");
    EXPECT_EQ(LoadError(R"({"armours": ["Kůže"]})"), "equipment: armours[0] must be an object");
    EXPECT_EQ(LoadError(R"({"weapons": {}})"), "equipment: \"weapons\" must be an array");
    EXPECT_EQ(LoadError(R"({"spells": []})"), "equipment: the document: unknown key \"spells\"");
    EXPECT_EQ(LoadError("[]"), "equipment: the document must be an object");
    EXPECT_NE(LoadError("{\"weapons\": [").find("equipment: JSON error at offset"),
              std::string::npos);
    // Everything refused above left the fixture's tables in place.
    EXPECT_NE(FindWeapon("Fireball"), nullptr);
    EXPECT_NE(FindArmour("Kůže"), nullptr);
}

TEST_F(WorldTest, ReloadingKeepsEntriesHeldByActorsAlive) {
    TEnemy enemy(PD3DDevice(), TDXBounds{0, 0, 64, 32}, nullptr, 0u, kClassDefaultZ, false);
    ASSERT_NE(enemy.RangedWeapon, nullptr);
    LoadEquipmentJson("{}");
    EXPECT_EQ(FindWeapon("Hrouda slizu"), nullptr);
    EXPECT_EQ(enemy.RangedWeapon->Name, "Hrouda slizu");
    EXPECT_EQ(enemy.RangedWeapon->ProjectileWidth, 16);
}

TEST_F(WorldTest, EquipmentFileComesFromTheGameFolder) {
    tvtest::TempDir dir;
    struct BaseGuard {
        std::string Old = BaseFolder();
        ~BaseGuard() { SetBaseFolder(Old); }
    } guard;
    SetBaseFolder(dir.path());
    tvtest::MessageBoxRecorder boxes;
    EXPECT_FALSE(LoadEquipmentFile());
    EXPECT_TRUE(Weapons.empty());
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_EQ(boxes.messages()[0], "File Not Found : " + dir.path() + "data/obj/equipment.json");

    // The data folder of the game is written in any letter case.
    const std::string json = R"({"weapons": [{"Name": "Kuše", "Rate": 1.5}]})";
    QDir().mkpath(QString::fromStdString(dir.path() + "Data/Obj"));
    dir.write("Data/Obj/equipment.json", tvtest::Bytes(json.begin(), json.end()));
    EXPECT_TRUE(LoadEquipmentFile());
    ASSERT_NE(FindWeapon("kuše"), nullptr);
    EXPECT_FLOAT_EQ(FindWeapon("kuše")->Rate, 1.5f);
}

TEST_F(WorldTest, DemoEquipmentHasEveryNameTheDefaultsAndTheCatalogueUse) {
    const QByteArray demo = ReadSourceFile("demo/equipment.json");
    ASSERT_FALSE(demo.isEmpty());
    LoadEquipmentJson(demo);
    for (const char* name : {"Hrouda slizu", "Drápy", "Fireball", "Vrhací nože", "Dýka"})
        EXPECT_NE(FindWeapon(name), nullptr) << name;
    for (const char* name : {"Kůže", "Vycpávaná zbroj"})
        EXPECT_NE(FindArmour(name), nullptr) << name;

    // Names the catalogue's actors use, and projectile pictures the demo game has (every
    // picture the catalogue names is drawn for it).
    const QJsonArray records = QJsonDocument::fromJson(ReadSourceFile("demo/catalogue.json"))
                                   .object()["records"]
                                   .toArray();
    ASSERT_FALSE(records.isEmpty());
    std::set<std::string> pictures;
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        pictures.insert(record["Texture"].toString().toStdString());
        for (const char* key : {"RangedWeapon", "MeleeWeapon", "SecondRangedWeapon"}) {
            const std::string name = record[key].toString().toStdString();
            if (!name.empty()) {
                EXPECT_NE(FindWeapon(name), nullptr) << name;
            }
        }
        const std::string armour = record["Armour"].toString().toStdString();
        if (!armour.empty()) {
            EXPECT_NE(FindArmour(armour), nullptr) << armour;
        }
    }
    for (const PWeapon& weapon : Weapons) {
        if (weapon->ProjectileTexture.empty())
            continue;
        EXPECT_TRUE(pictures.count(weapon->ProjectileTexture)) << weapon->ProjectileTexture;
        EXPECT_GT(weapon->Rate, 0.0f) << weapon->Name;
    }
}
