#include "TestSupport.h"
#include "document/RecordJson.h"
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

using namespace tv;
using namespace tv::tool;
using tvtest::Bytes;

namespace {

struct RunResult {
    int Status;
    std::string Out;
    std::string Err;
};

RunResult RunTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = Run(args, out, err);
    return {status, out.str(), err.str()};
}

void WriteText(const std::string& path, const std::string& text) {
    tvtest::WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// What a JSON reader makes of a float text the dump printed.
float ThroughJsonReader(const std::string& text) {
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]"));
    return static_cast<float>(document.array().at(0).toDouble());
}

Bytes RecordBytes(const TBaseInfo& record) {
    TMemoryStream s;
    WriteStreamString(s, record.ClassName());
    record.WriteToStream(s);
    return s.Bytes();
}

} // namespace

TEST(FloatText, ShortestTextThatReadsBackAsTheSameFloat) {
    EXPECT_EQ(ShortestFloatText(0.0005f), "0.0005");
    EXPECT_EQ(ShortestFloatText(0.1f), "0.1");
    EXPECT_EQ(ShortestFloatText(-3.0f), "-3");
    EXPECT_EQ(ShortestFloatText(0.0f), "0");
    EXPECT_EQ(FloatJson(-0.0f), "\"-0\"");
    EXPECT_EQ(FloatJson(std::nanf("")), "\"NaN\"");
    EXPECT_EQ(FloatJson(-INFINITY), "\"-Infinity\"");
    EXPECT_EQ(ShortestFloatText(FLT_MAX), "3.4028235e+38");
    EXPECT_EQ(ShortestFloatText(16777217.0f), "16777216");

    // A sweep over the whole range of finite floats: every text reads back exactly, through
    // strtof and through a JSON reader, and one digit fewer never does.
    int checked = 0;
    for (uint64_t bits = 1; bits < 0x7F800000u; bits += 20011) {
        for (uint32_t sign : {0u, 0x80000000u}) {
            float value;
            const uint32_t b = static_cast<uint32_t>(bits) | sign;
            std::memcpy(&value, &b, 4);
            const std::string text = ShortestFloatText(value);
            ASSERT_EQ(Bits(std::strtof(text.c_str(), nullptr)), b) << text;
            ASSERT_EQ(Bits(ThroughJsonReader(text)), b) << text;
            // Significant digits of the text; one fewer must not be enough.
            int digits = 0;
            bool leading = true;
            for (char c : text.substr(0, text.find('e'))) {
                if (c < '0' || c > '9')
                    continue;
                leading = leading && c == '0';
                digits += leading ? 0 : 1;
            }
            if (digits > 1) {
                char shorter[400];
                std::snprintf(shorter, sizeof shorter, "%.*g", digits - 1,
                              static_cast<double>(value));
                ASSERT_NE(Bits(std::strtof(shorter, nullptr)), b) << text << " vs " << shorter;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 200000);
}

TEST(CatalogueBuild, RecordsStartFromClassDefaultsAndTakeTheGivenFields) {
    const std::vector<uint8_t> bytes = CatalogueFromJson(R"({"records": [
        {"class": "TEnemyInfo", "Name": "Slime", "HitPoints": 9, "Speed": 0.25,
         "Color": 4294901760, "Armour": "Kr\u00e1t"},
        {"class": "tplayerinfo", "Group": "Players", "KeyFire2": 65535, "Blend": 1},
        {"class": "TDecorInfo", "Speed": "-0", "Left": -2147483648, "Top": 2147483647}
    ]})");
    TEnemyInfo slime;
    slime.Name = "Slime";
    slime.HitPoints = 9;
    slime.Speed = 0.25f;
    slime.Color = 0xFFFF0000u;
    slime.Armour = "Kr\xC3\xA1t";
    TPlayerInfo player;
    player.KeyFire2 = 65535;
    player.Blend = 1;
    TDecorInfo decor;
    decor.Speed = -0.0f;
    decor.Left = INT32_MIN;
    decor.Top = INT32_MAX;

    TMemoryStream expected;
    const std::vector<uint8_t> header = CatalogueHeader();
    expected.WriteBuffer(header.data(), header.size());
    expected.WriteInt32(3);
    for (const TBaseInfo* record :
         std::initializer_list<const TBaseInfo*>{&slime, &player, &decor}) {
        const Bytes b = RecordBytes(*record);
        expected.WriteBuffer(b.data(), b.size());
    }
    EXPECT_EQ(bytes, expected.Bytes());
    ASSERT_EQ(header.size(), 40u);
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "TVOD");

    const std::vector<uint8_t> empty = CatalogueFromJson(R"({"records": []})");
    EXPECT_EQ(empty.size(), 44u);
}

TEST(CatalogueBuild, BadSourcesNameEntryAndFieldAndWriteNothing) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"({"records": [{"class": "TNope"}]})", "records[0]: Class TNope not found"},
        {R"({"records": [{"class": "TEntityInfo"}]})", "records[0]: Class TEntityInfo not found"},
        {R"({"records": [{"Name": "A"}]})",
         "records[0] (\"A\"): \"class\" must be a string naming a record class, got nothing"},
        {R"({"records": [{"class": "TDecorInfo"}, {"class": "TEnemyInfo", "Name": "Slime", "HitPoint": 1}]})",
         "records[1] (\"Slime\"): field \"HitPoint\": no such field"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "Slime", "KeyLeft": 1}]})",
         "records[0] (\"Slime\"): field \"KeyLeft\": class TEnemyInfo has no such field"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "HitPoints": 2147483648}]})",
         "records[0] (\"S\"): field \"HitPoints\": 2147483648 is out of range for a signed "
         "32-bit integer"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Color": -1}]})",
         "records[0] (\"S\"): field \"Color\": -1 is out of range for an unsigned 32-bit integer"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Animated": 256}]})",
         "records[0] (\"S\"): field \"Animated\": 256 is out of range for an unsigned 8-bit "
         "integer"},
        {R"({"records": [{"class": "TPlayerInfo", "Name": "S", "KeyUp": 65536}]})",
         "records[0] (\"S\"): field \"KeyUp\": 65536 is out of range for an unsigned 16-bit "
         "integer"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Z": 1.5}]})",
         "records[0] (\"S\"): field \"Z\": 1.5 is not an integer"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Blend": true}]})",
         "records[0] (\"S\"): field \"Blend\": expected an integer (an unsigned 8-bit integer), "
         "got a boolean"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Speed": 1e39}]})",
         "records[0] (\"S\"): field \"Speed\": 1e+39 is out of range for a "
         "32-bit float"},
        {R"({"records": [{"class": "TEnemyInfo", "Name": "S", "Speed": "fast"}]})",
         "records[0] (\"S\"): field \"Speed\": expected a number (float), got the string "
         "\"fast\""},
        {R"({"records": [{"class": "TEnemyInfo", "Name": 5}]})",
         "records[0]: field \"Name\": expected a string, got a number"},
        {R"({"records": [{"class": "TBossInfo", "Name": "B", "Group": "Enemies"}]})",
         "records[0] (\"B\"): field \"Group\": \"Enemies\" is not the group of class TBossInfo "
         "(\"Bosses\")"},
        {R"({"records": [5]})", "records[0]: expected an object"},
        {R"({"records": {}})", "\"records\" must be an array"},
        {R"({"records": [], "extra": 1})", "unknown key \"extra\""},
        {R"({"records": [)", "JSON error at offset 13: "},
    };
    tvtest::TempDir dir;
    const std::string out = dir.file("out.tvd");
    tvtest::WriteFileBytes(out, {1, 2, 3});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        WriteText(dir.file("src.json"), c.json);
        const RunResult r = RunTool({"catalogue", "build", dir.file("src.json"), out});
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Err.rfind(c.message, 0), 0u) << r.Err;
        EXPECT_EQ(tvtest::ReadFileBytes(out), (Bytes{1, 2, 3}));
    }
    // A failed build into a new file leaves no file.
    const RunResult r = RunTool({"catalogue", "build", dir.file("src.json"), dir.file("new.tvd")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.file("new.tvd"))));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 2);
}

TEST(CatalogueDump, PrintsEveryFieldAndRoundTripsByteForByte) {
    tvtest::TempDir dir;
    const std::string source = R"({"records": [
        {"class": "TPlayerInfo", "Name": "Hr\u00e1\u010d \"one\"\n", "Speed": 0.1,
         "Color": 305419896, "KeyLeft": 65, "SecondRangedWeapon": "Luk"},
        {"class": "TBackGroundInfo", "Speed": "NaN", "Texture": ")" +
                               std::string(300, 'x') + R"("},
        {"class": "TBossInfo", "Speed": 3.4028234663852886e38, "Z": -2147483648},
        {"class": "TBaseInfo", "Speed": "-Infinity", "Blend": 255}
    ]})";
    WriteText(dir.file("src.json"), source);
    ASSERT_EQ(RunTool({"catalogue", "build", dir.file("src.json"), dir.file("a.tvd")}).Status, 0);
    const RunResult dump = RunTool({"catalogue", "dump", dir.file("a.tvd")});
    ASSERT_EQ(dump.Status, 0) << dump.Err;
    EXPECT_EQ(dump.Err, "");

    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(dump.Out));
    const QJsonArray records = doc.object().value("records").toArray();
    ASSERT_EQ(records.size(), 4);
    const QJsonObject player = records.at(0).toObject();
    EXPECT_EQ(player.value("class").toString(), "TPlayerInfo");
    EXPECT_EQ(player.value("Group").toString(), "Players");
    EXPECT_EQ(player.value("Name").toString(), QString::fromUtf8("Hr\xC3\xA1\xC4\x8D \"one\"\n"));
    EXPECT_EQ(player.value("Color").toInteger(), 305419896);
    EXPECT_EQ(player.value("KeyLeft").toInt(), 65);
    EXPECT_EQ(player.value("KeyFire2").toInt(), 17);
    EXPECT_EQ(player.size(), 2 + 30); // class, Group and all 30 fields of a player
    EXPECT_EQ(records.at(1).toObject().size(), 2 + 12);
    EXPECT_EQ(records.at(1).toObject().value("Speed").toString(), "NaN");
    EXPECT_EQ(records.at(2).toObject().size(), 2 + 23);
    EXPECT_NE(dump.Out.find("\"Speed\": 0.1,"), std::string::npos);
    EXPECT_NE(dump.Out.find("\"Speed\": 3.4028235e+38,"), std::string::npos);

    WriteText(dir.file("dump.json"), dump.Out);
    ASSERT_EQ(RunTool({"catalogue", "build", dir.file("dump.json"), dir.file("b.tvd")}).Status, 0);
    EXPECT_EQ(tvtest::ReadFileBytes(dir.file("b.tvd")), tvtest::ReadFileBytes(dir.file("a.tvd")));
}

TEST(CatalogueDump, UnreadableFilesGiveTheExactMessage) {
    tvtest::TempDir dir;
    WriteText(dir.file("src.json"),
              R"({"records": [{"class": "TDecorInfo"}, {"class": "TEnemyInfo"}]})");
    ASSERT_EQ(RunTool({"catalogue", "build", dir.file("src.json"), dir.file("good.tvd")}).Status,
              0);
    const Bytes good = tvtest::ReadFileBytes(dir.file("good.tvd"));

    Bytes truncated(good.begin(), good.end() - 1);
    Bytes badTag = good;
    badTag[44] = 0x01;
    TMemoryStream entity(Bytes(good.begin(), good.begin() + 40));
    entity.SetPosition(40);
    entity.WriteInt32(1);
    WriteStreamString(entity, "TEntityInfo");
    TEntityInfo().WriteToStream(entity);

    dir.write("truncated.tvd", truncated);
    dir.write("badtag.tvd", badTag);
    dir.write("entity.tvd", entity.Bytes());
    // The reader's message, then the file and the record it failed in.
    const std::pair<std::string, std::string> cases[] = {
        {"truncated.tvd", "Stream read error\nin " + dir.file("truncated.tvd") + ", entry 1\n"},
        {"badtag.tvd", "Invalid property value\nin " + dir.file("badtag.tvd") + ", entry 0\n"},
        {"entity.tvd", "Class TEntityInfo not found\nin " + dir.file("entity.tvd") + ", entry 0\n"},
        {"missing.tvd", "Cannot open file " + dir.file("missing.tvd") + "\n"},
    };
    for (const auto& [file, message] : cases) {
        const RunResult r = RunTool({"catalogue", "dump", dir.file(file)});
        EXPECT_EQ(r.Status, 1) << file;
        EXPECT_EQ(r.Err, message);
        EXPECT_EQ(r.Out, "");
    }
}

TEST(Tvmtool, UnknownCommandLinesShowUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate"},
                                                 {"catalogue", "dump"},
                                                 {"map", "check", "--bogus", "x.tvm"},
                                                 {"map", "build", "one.json"}}) {
        const RunResult r = RunTool(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find("usage:"), std::string::npos);
    }
    EXPECT_EQ(RunTool({"--help"}).Status, 0);
}

TEST(Tvmtool, RunsAsAProgram) {
    tvtest::TempDir dir;
    WriteText(dir.file("src.json"), R"({"records": [{"class": "TEnemyInfo", "Name": "Slime"}]})");
    QProcess build;
    build.start(TVMTOOL_PATH, {"catalogue", "build", QString::fromStdString(dir.file("src.json")),
                               QString::fromStdString(dir.file("out.tvd"))});
    ASSERT_TRUE(build.waitForFinished(30000));
    EXPECT_EQ(build.exitCode(), 0) << build.readAllStandardError().toStdString();

    QProcess dump;
    dump.start(TVMTOOL_PATH, {"catalogue", "dump", QString::fromStdString(dir.file("out.tvd"))});
    ASSERT_TRUE(dump.waitForFinished(30000));
    EXPECT_EQ(dump.exitCode(), 0);
    const QJsonDocument doc = QJsonDocument::fromJson(dump.readAllStandardOutput());
    EXPECT_EQ(doc.object().value("records").toArray().at(0).toObject().value("Name").toString(),
              "Slime");

    QProcess missing;
    missing.start(TVMTOOL_PATH, {"catalogue", "dump", QString::fromStdString(dir.file("no.tvd"))});
    ASSERT_TRUE(missing.waitForFinished(30000));
    EXPECT_EQ(missing.exitCode(), 1);
    EXPECT_EQ(missing.readAllStandardError().toStdString(),
              "Cannot open file " + dir.file("no.tvd") + "\n");
}
