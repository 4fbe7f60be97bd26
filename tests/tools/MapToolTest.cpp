#include "TestSupport.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace tv;
using namespace tv::tool;
using tvtest::Bytes;

namespace {

struct RunResult {
    int Status;
    std::string Out;
    std::string Err;
};

void WriteText(const std::string& path, const std::string& text) {
    tvtest::WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

// A game folder with a catalogue ("Slime", an enemy; "Hero", a player) and one texture.
class MapTool : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(q(game.file("data/obj")));
        QDir().mkpath(q(game.file("Data/Graphic/monsters")));
        const std::vector<uint8_t> catalogue = CatalogueFromJson(R"({"records": [
            {"class": "TEnemyInfo", "Name": "Slime", "HitPoints": 3, "Texture": "monsters\\slime.png"},
            {"class": "TPlayerInfo", "Name": "Hero", "Texture": "monsters\\slime.png"}
        ]})");
        tvtest::WriteFileBytes(game.file("data/obj/objects.tvd"), catalogue);
        tvtest::WriteFileBytes(game.file("Data/Graphic/monsters/Slime.PNG"), {1});
    }

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    RunResult Tool(std::vector<std::string> args) {
        args.insert(args.begin() + 2, {"--base", game.path()});
        std::ostringstream out;
        std::ostringstream err;
        const int status = tv::tool::Run(args, out, err);
        return {status, out.str(), err.str()};
    }

    std::string Json(const std::string& name, const std::string& text) {
        WriteText(work.file(name), text);
        return work.file(name);
    }

    tvtest::TempDir game;
    tvtest::TempDir work;
};

const char* const kMapSource = R"({
    "MapName": "Caves", "FileName": "caves.tvm", "MaxWorldX": 3000, "MaxWorldY": 600,
    "Ground": 30, "Sky": 10, "ThemeMusic": "caves.ogg",
    "Objects": [
        {"class": "TDecorInfo", "Name": "Rock", "Left": 50, "Top": 400, "Z": 5,
         "Texture": "monsters\\slime.png"},
        {"class": "TEnemyInfo", "Name": "slime", "Left": 700, "Top": 500},
        {"class": "TBackGroundInfo", "Name": "Far", "Z": -10, "Speed": 0.0005,
         "Texture": "back\\none.png", "Left": 3500}
    ]})";

} // namespace

TEST_F(MapTool, BuildWritesTheMapInTheGivenOrderWithReferences) {
    const std::string out = work.file("caves.tvm");
    const RunResult r = Tool({"map", "build", Json("caves.json", kMapSource), out});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");

    // The same map made in code and written with the catalogue.
    TObjMgr catalogue;
    catalogue.LoadCatalogueFile(game.file("data/obj/objects.tvd"));
    TMap map;
    map.MapName = "Caves";
    map.FileName = "caves.tvm";
    map.MaxWorldX = 3000;
    map.Ground = 30;
    map.Sky = 10;
    map.ThemeMusic = "caves.ogg";
    auto rock = std::make_unique<TDecorInfo>();
    rock->Name = "Rock";
    rock->Left = 50;
    rock->Top = 400;
    rock->Z = 5;
    rock->Texture = "monsters\\slime.png";
    map.Objects.Add(std::move(rock));
    auto slime = std::make_unique<TEnemyInfo>();
    slime->Name = "slime";
    slime->Left = 700;
    slime->Top = 500;
    map.Objects.Add(std::move(slime));
    auto far = std::make_unique<TBackGroundInfo>();
    far->Name = "Far";
    far->Texture = "back\\none.png";
    far->Left = 3500;
    map.Objects.Add(std::move(far));
    TMemoryStream expected;
    map.WriteToStream(expected, &catalogue);
    EXPECT_EQ(tvtest::ReadFileBytes(out), expected.Bytes());
}

TEST_F(MapTool, DumpShowsObjectsAsLoadedAndRoundTrips) {
    const std::string first = work.file("first.tvm");
    ASSERT_EQ(Tool({"map", "build", Json("caves.json", kMapSource), first}).Status, 0);
    const RunResult dump = Tool({"map", "dump", first});
    ASSERT_EQ(dump.Status, 0) << dump.Err;

    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(dump.Out)).object();
    EXPECT_EQ(root.value("MapName").toString(), "Caves");
    EXPECT_EQ(root.value("FileName").toString(), "caves.tvm");
    EXPECT_EQ(root.value("MaxWorldX").toInt(), 3000);
    EXPECT_EQ(root.value("Ground").toInt(), 30);
    EXPECT_EQ(root.value("ThemeMusic").toString(), "caves.ogg");
    const QJsonArray objects = root.value("Objects").toArray();
    ASSERT_EQ(objects.size(), 3);
    EXPECT_EQ(objects.at(0).toObject().value("Name").toString(), "Rock"); // file order, Z 5 first
    const QJsonObject slime = objects.at(1).toObject();
    EXPECT_EQ(slime.value("Name").toString(), "Slime"); // the prototype's copy
    EXPECT_EQ(slime.value("HitPoints").toInt(), 3);
    EXPECT_EQ(slime.value("Left").toInt(), 700);
    EXPECT_EQ(slime.value("Group").toString(), "Enemies");

    // The dump builds the map the editor would save after loading it (the name takes the
    // prototype's spelling), and from then on build and dump reproduce each other exactly.
    const std::string second = work.file("second.tvm");
    ASSERT_EQ(Tool({"map", "build", Json("dump.json", dump.Out), second}).Status, 0);
    const RunResult dump2 = Tool({"map", "dump", second});
    EXPECT_EQ(dump2.Out, dump.Out);
    const std::string third = work.file("third.tvm");
    const RunResult rebuilt = Tool({"map", "build", Json("dump2.json", dump2.Out), third});
    ASSERT_EQ(rebuilt.Status, 0);
    EXPECT_EQ(rebuilt.Err, "");
    EXPECT_EQ(tvtest::ReadFileBytes(third), tvtest::ReadFileBytes(second));
}

TEST_F(MapTool, BuildWarnsWhenAReferenceDropsFieldsAndRejectsBadSources) {
    const RunResult warned =
        Tool({"map", "build",
              Json("w.json", R"({"Objects": [{"class": "TEnemyInfo", "Name": "Slime", "Width": 7,
                                         "HitPoints": 3, "Left": 9},
                                        {"class": "TDecorInfo", "Name": "hero"}]})"),
              work.file("w.tvm")});
    EXPECT_EQ(warned.Status, 0);
    EXPECT_EQ(warned.Err,
              "warning: Objects[0] (\"Slime\"): stored by reference to the catalogue prototype of "
              "that name; these given values are replaced by the prototype's: Width\n"
              "warning: Objects[1] (\"hero\"): stored by reference to the catalogue prototype of "
              "that name; these given values are replaced by the prototype's: class "
              "(TPlayerInfo)\n");
    // Without a FileName in the source the file's own name is stored.
    TObjMgr catalogue;
    catalogue.LoadCatalogueFile(game.file("data/obj/objects.tvd"));
    TMap map;
    ASSERT_TRUE(map.LoadFromFile(work.file("w.tvm"), &catalogue));
    EXPECT_EQ(map.FileName, "w.tvm");
    EXPECT_STREQ(map.Objects[1]->ClassName(), "TPlayerInfo");

    const std::pair<const char*, const char*> cases[] = {
        {R"({"MapName": "x", "Objects": [{"class": "TDecorInfo"}, {"class": "TDecorInfo", "Name": "Rock", "Z": "high"}]})",
         "Objects[1] (\"Rock\"): field \"Z\": expected an integer (a signed 32-bit integer), got a "
         "string\n"},
        {R"({"MaxWorldX": 1e10})",
         "\"MaxWorldX\": 10000000000 is out of range for a signed 32-bit integer\n"},
        {R"({"Sky": 1, "Weather": "rain"})", "unknown key \"Weather\"\n"},
        {R"({"Objects": [{"class": "TBaseObj"}]})", "Objects[0]: Class TBaseObj not found\n"},
        {R"({"Objects": [{"class": "TDecorInfo", "Z": 1, "Name": "a", "Z": 2}]})",
         "JSON error at offset 58: duplicate key \"Z\"\n"},
        {R"({"MapName": "\ud800x"})", "JSON error at offset 13: lone surrogate \\ud800\n"},
    };
    tvtest::WriteFileBytes(work.file("old.tvm"), {7, 7});
    for (const auto& [json, message] : cases) {
        const RunResult r = Tool({"map", "build", Json("bad.json", json), work.file("old.tvm")});
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Err, std::string(message) + "in " + work.file("bad.json") + "\n");
        EXPECT_EQ(tvtest::ReadFileBytes(work.file("old.tvm")), (Bytes{7, 7}));
    }

    // A text that no reader would take back is not written, in a map or a catalogue.
    const std::string huge(2 * 1024 * 1024, 'n');
    const std::string source = R"({"records": [{"class": "TDecorInfo", "Name": ")" + huge + "\"}]}";
    const std::string limit = " (\"" + std::string(200, 'n') +
                              "\xE2\x80\xA6\") is a text of 2097152 bytes, over the limit of "
                              "1048576 bytes\n";
    const RunResult mapBuild =
        Tool({"map", "build", Json("huge.json", R"({"Objects": )" + source.substr(12)),
              work.file("old.tvm")});
    EXPECT_EQ(mapBuild.Status, 1);
    EXPECT_EQ(mapBuild.Err, "Stream write error\nName of entry 0" + limit);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(
        tv::tool::Run({"catalogue", "build", Json("huge-c.json", source), work.file("old.tvm")},
                      out, err),
        1);
    EXPECT_EQ(err.str(),
              "Stream write error\nin " + work.file("huge-c.json") + "\nName of entry 0" + limit);
    EXPECT_EQ(tvtest::ReadFileBytes(work.file("old.tvm")), (Bytes{7, 7}));
}

TEST_F(MapTool, CheckSummarisesWarnsAndFailsWithTheLoadersMessage) {
    const std::string path = work.file("caves.tvm");
    ASSERT_EQ(Tool({"map", "build", Json("caves.json", kMapSource), path}).Status, 0);
    const RunResult ok = Tool({"map", "check", path});
    EXPECT_EQ(ok.Status, 0);
    EXPECT_EQ(ok.Out,
              path + ": \"Caves\", 3 objects (1 by reference, 2 in full), MaxWorldX 3000\n");
    // The rock's and the slime's texture exist (letter case aside); the background's does not,
    // and it lies past MaxWorldX.
    EXPECT_EQ(ok.Err,
              "warning: Objects[2] (\"Far\"): texture \"back\\\\none.png\" not found under " +
                  game.path() + "Data/Graphic/\n" +
                  "warning: Objects[2] (\"Far\"): Left 3500 is outside 0..3000 (MaxWorldX)\n");

    Bytes bytes = tvtest::ReadFileBytes(path);
    Bytes wrongMagic = bytes;
    wrongMagic[0] = 'X';
    tvtest::WriteFileBytes(work.file("magic.tvm"), wrongMagic);
    tvtest::WriteFileBytes(work.file("short.tvm"), Bytes(bytes.begin(), bytes.end() - 1));
    const std::pair<std::string, std::string> failures[] = {
        {"magic.tvm", "Not valid TV Map file!\n"},
        {"short.tvm", "Stream read error\nin " + work.file("short.tvm") + ", entry 2\n"},
        {"none.tvm", "Cannot open file " + work.file("none.tvm") + "\n"},
    };
    for (const auto& [file, message] : failures) {
        for (const char* verb : {"check", "dump"}) {
            const RunResult r = Tool({"map", verb, work.file(file)});
            EXPECT_EQ(r.Status, 1) << verb << " " << file;
            EXPECT_EQ(r.Err, message);
            EXPECT_EQ(r.Out, "");
        }
    }
}

TEST_F(MapTool, MissingCatalogueIsAnErrorUnlessNotWanted) {
    QFile::remove(q(game.file("data/obj/objects.tvd")));
    const std::string path = work.file("m.tvm");
    const RunResult failed = Tool({"map", "build", Json("m.json", kMapSource), path});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Err, "Cannot open file " + game.path() + "data/obj/objects.tvd\n");
    EXPECT_FALSE(QFile::exists(q(path)));

    ASSERT_EQ(Tool({"map", "build", "--no-catalogue", work.file("m.json"), path}).Status, 0);
    const RunResult check = Tool({"map", "check", "--no-catalogue", path});
    EXPECT_EQ(check.Status, 0);
    EXPECT_NE(check.Out.find("(0 by reference, 3 in full)"), std::string::npos);
}

TEST_F(MapTool, BareFileNamesDataNamesInsideTheGameAndAHintForMapsBuiltWithoutTheCatalogue) {
    // A stored FileName that would take Save out of the maps folder: build refuses it, naming
    // the field; a map that holds one anyway is checked with a warning and dumped as it is.
    tvtest::WriteFileBytes(work.file("old.tvm"), {7});
    const RunResult refused =
        Tool({"map", "build", Json("evil.json", R"({"FileName": "..\\..\\PWNED.tvm"})"),
              work.file("old.tvm")});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err, "\"FileName\": \"..\\\\..\\\\PWNED.tvm\" is not a bare file name (no "
                           "folder, drive or control characters; not empty, \".\" or \"..\")\n");
    EXPECT_EQ(tvtest::ReadFileBytes(work.file("old.tvm")), Bytes{7});

    TMap received;
    received.FileName = "..\\..\\data\\obj\\objects.tvd";
    received.ThemeMusic = "..\\..\\theme.mid";
    auto decor = std::make_unique<TDecorInfo>();
    decor->Name = "Rock";
    decor->Texture = "monsters\\slime.png";
    received.Objects.Add(std::move(decor));
    auto enemy = std::make_unique<TEnemyInfo>();
    enemy->Name = "Bat";
    enemy->Texture = "../../../etc/x.png";
    enemy->HitSound = "/tmp/x.wav";
    received.Objects.Add(std::move(enemy));
    TMemoryStream body;
    received.WriteToStream(body, nullptr);
    tvtest::WriteFileBytes(work.file("received.tvm"), body.Bytes());
    const RunResult checked = Tool({"map", "check", work.file("received.tvm")});
    EXPECT_EQ(checked.Status, 0);
    EXPECT_EQ(
        checked.Err,
        "warning: FileName \"..\\\\..\\\\data\\\\obj\\\\objects.tvd\" is not a bare file name (it "
        "is empty, or names a folder, a drive or control characters)\n"
        "warning: ThemeMusic \"..\\\\..\\\\theme.mid\" leaves the game folder's Data\\Music\\\n"
        "warning: Objects[1] (\"Bat\"): texture \"../../../etc/x.png\" not found under " +
            game.path() + "Data/Graphic/\n" +
            "warning: Objects[1] (\"Bat\"): texture \"../../../etc/x.png\" leaves the game "
            "folder\n"
            "warning: Objects[1] (\"Bat\"): HitSound \"/tmp/x.wav\" leaves the game folder\n");
    const RunResult dumped = Tool({"map", "dump", work.file("received.tvm")});
    EXPECT_NE(dumped.Out.find(R"("FileName": "..\\..\\data\\obj\\objects.tvd")"),
              std::string::npos);

    // Built without the catalogue, "Slime" is written in full; read with it, the reference
    // form is taken and what follows is garbage. The error says which entry was written so.
    const std::string inFull = work.file("infull.tvm");
    ASSERT_EQ(Tool({"map", "build", "--no-catalogue",
                    Json("infull.json", R"({"Objects": [{"class": "TDecorInfo", "Name": "Rock"},
                        {"class": "TEnemyInfo", "Name": "Slime"},
                        {"class": "TDecorInfo", "Name": "Tree"}]})"),
                    inFull})
                  .Status,
              0);
    for (const char* verb : {"check", "dump"}) {
        const RunResult r = Tool({"map", verb, inFull});
        EXPECT_EQ(r.Status, 1);
        const size_t secondLine = r.Err.find('\n') + 1;
        EXPECT_EQ(r.Err.substr(secondLine),
                  "in " + inFull + ", entry 2\n" +
                      "entry 1 was written in full but 'Slime' is a catalogue prototype: was the "
                      "map built without the catalogue?\n");
    }
    EXPECT_EQ(Tool({"map", "check", "--no-catalogue", inFull}).Status, 0);
}

TEST_F(MapTool, PipesAndDevicesAreNeitherWaitedOnNorReplaced) {
    // A pipe nobody writes to would block a reader for ever, /dev/zero never ends; as a target
    // a pipe would be replaced by a plain file (devices: ReplacingWrite in the map data tests).
    const std::string pipe = work.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string map = work.file("m.tvm");
    ASSERT_EQ(Tool({"map", "build", Json("m.json", kMapSource), map}).Status, 0);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"catalogue", "dump", pipe}, "Cannot open file " + pipe},
        {{"catalogue", "dump", "/dev/zero"}, "Cannot open file /dev/zero"},
        {{"catalogue", "build", pipe, work.file("c.tvd")}, "Cannot open file " + pipe},
        {{"catalogue", "build", Json("c.json", R"({"records": []})"), pipe},
         "Cannot create file " + pipe},
        {{"map", "build", "--base", game.path(), pipe, work.file("x.tvm")},
         "Cannot open file " + pipe},
        {{"map", "build", "--base", game.path(), work.file("m.json"), pipe},
         "Cannot create file " + pipe},
        {{"play", "--base", game.path(), map, "--updates", "1", "--keys", pipe},
         "Cannot open file " + pipe},
        {{"play", "--base", game.path(), map, "--updates", "1", "--keys", "/dev/zero"},
         "Cannot open file /dev/zero"},
        // The equipment tables (a missing file is only a note).
        {{"play", "--base", game.path(), map, "--updates", "1"},
         "Cannot open file " + game.file("data/obj/equipment.json")},
    };
    ASSERT_EQ(::mkfifo(game.file("data/obj/equipment.json").c_str(), 0600), 0);
    for (const auto& [args, message] : cases) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(tv::tool::Run(args, out, err), 1) << args[0] << " " << args[1];
        EXPECT_EQ(err.str(), message + "\n");
    }
    struct stat info {};
    ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    // The catalogue every map command reads (and the editor at start).
    const std::string catalogue = game.file("data/obj/objects.tvd");
    QFile::remove(q(catalogue));
    ASSERT_EQ(::mkfifo(catalogue.c_str(), 0600), 0);
    const RunResult check = Tool({"map", "check", map});
    EXPECT_EQ(check.Status, 1);
    EXPECT_EQ(check.Err, "Cannot open file " + catalogue + "\n");
}

TEST_F(MapTool, TextsFromFilesCannotDriveTheTerminal) {
    // A class name with escape sequences (set the title, ring the bell) and 300 more letters.
    const std::string evilClass = "\x1b]0;pwned\x07" + std::string(300, 'T');
    TMemoryStream catalogue;
    const std::vector<uint8_t> header = CatalogueHeader();
    catalogue.WriteBuffer(header.data(), header.size());
    catalogue.WriteInt32(1);
    WriteStreamString(catalogue, evilClass);
    tvtest::WriteFileBytes(work.file("evil.tvd"), catalogue.Bytes());
    std::ostringstream dumpOut;
    std::ostringstream dumpErr;
    const RunResult dump = {
        tv::tool::Run({"catalogue", "dump", work.file("evil.tvd")}, dumpOut, dumpErr),
        dumpOut.str(), dumpErr.str()};
    EXPECT_EQ(dump.Status, 1);
    EXPECT_EQ(dump.Err, "Class \\x1b]0;pwned\\x07" + std::string(190, 'T') +
                            "\xE2\x80\xA6 not found\nin " + work.file("evil.tvd") + ", entry 0\n");

    // A map name that clears the screen, 300 letters long, and an object name with a C1
    // control (CSI): the summary and the warnings show them escaped and shortened.
    TMap map;
    map.MapName = "\x1b[2J" + std::string(300, 'n');
    auto rock = std::make_unique<TDecorInfo>();
    rock->Name = "Rock\xC2\x9b";
    rock->Texture = "none.png";
    map.Objects.Add(std::move(rock));
    TMemoryStream body;
    map.WriteToStream(body, nullptr);
    tvtest::WriteFileBytes(work.file("evil.tvm"), body.Bytes());
    const RunResult check = Tool({"map", "check", work.file("evil.tvm")});
    EXPECT_EQ(check.Status, 0);
    EXPECT_EQ(check.Out,
              work.file("evil.tvm") + ": \"\\u001b[2J" + std::string(196, 'n') +
                  "\xE2\x80\xA6\", 1 objects (0 by reference, 1 in full), MaxWorldX 5000\n");
    EXPECT_EQ(check.Err.rfind("warning: Objects[0] (\"Rock\\u009b\"): texture", 0), 0u)
        << check.Err;
    const RunResult mapDump = Tool({"map", "dump", work.file("evil.tvm")});
    for (const RunResult* r : {&dump, &check, &mapDump})
        for (const std::string* text : {&r->Out, &r->Err})
            for (size_t i = 0; i < text->size(); ++i) {
                const auto c = static_cast<unsigned char>((*text)[i]);
                EXPECT_TRUE((c >= 0x20 && c != 0x7F) || c == '\n') << i << " in " << *text;
                EXPECT_FALSE(c == 0xC2 && i + 1 < text->size() &&
                             static_cast<unsigned char>((*text)[i + 1]) < 0xA0)
                    << i << " in " << *text;
            }
}

TEST_F(MapTool, ProgramFindsItsGameFolderAboveItsOwnFolder) {
    // A copy of the tool in GAME/editor/ uses GAME as its base folder.
    QDir().mkpath(q(game.file("editor")));
    const QString tool = q(game.file("editor/tvmtool"));
    ASSERT_TRUE(QFile::copy(TVMTOOL_PATH, tool));
    const std::string path = work.file("caves.tvm");
    ASSERT_EQ(Tool({"map", "build", Json("caves.json", kMapSource), path}).Status, 0);

    QProcess check;
    check.start(tool, {"map", "check", q(path)});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
    EXPECT_EQ(check.readAllStandardOutput().toStdString(),
              path + ": \"Caves\", 3 objects (1 by reference, 2 in full), MaxWorldX 3000\n");

    Bytes wrongMagic = tvtest::ReadFileBytes(path);
    wrongMagic[1] = '?';
    tvtest::WriteFileBytes(work.file("bad.tvm"), wrongMagic);
    QProcess bad;
    bad.start(tool, {"map", "check", q(work.file("bad.tvm"))});
    ASSERT_TRUE(bad.waitForFinished(30000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_EQ(bad.readAllStandardError().toStdString(), "Not valid TV Map file!\n");

    // The tool runs without the widget toolkit: it links the document layer, not the editor.
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {tool});
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
    EXPECT_TRUE(libraries.contains(QStringLiteral("libQt6Gui"))) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains(QStringLiteral("libQt6Widgets"))) << libraries.toStdString();
}

TEST(CommandLine, CommonOptionsOwnOptionsAndFiles) {
    std::string size;
    const OwnOption own = [&size](const std::string& option, const auto& value) {
        if (option != "--size")
            return false;
        size = value();
        return true;
    };
    const CommandLine line = ParseCommandLine(
        {"render", "a.tvm", "--size", "10x20", "--no-catalogue", "--base", "/games/tv", "b.png"}, 1,
        2, own);
    EXPECT_EQ(line.Files, (std::vector<std::string>{"a.tvm", "b.png"}));
    EXPECT_EQ(size, "10x20");
    EXPECT_FALSE(line.UseCatalogue);
    EXPECT_EQ(line.GameDir, "/games/tv/");
    EXPECT_TRUE(ParseCommandLine({"map", "check", "a.tvm"}, 2, 1).UseCatalogue);

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"render", "a.tvm", "b.png", "--size"}, "--size needs a value"},
        {{"render", "a.tvm", "b.png", "--base"}, "--base needs a value"},
        {{"render", "a.tvm", "b.png", "--depth", "3"}, "unknown option --depth"},
        {{"render", "a.tvm"}, "wrong number of arguments"},
        {{"render", "a.tvm", "b.png", "c"}, "wrong number of arguments"}};
    for (const auto& [args, message] : mistakes) {
        try {
            ParseCommandLine(args, 1, 2, own);
            ADD_FAILURE() << message;
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}
