// tvmtool test on the demo's playtests and on copies of them with changed expectations and
// a broken script, on one and on two processes: the lines, the exit status and the JUnit file.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

#if defined(TVMTOOL_PATH)

namespace {

const QString kMaps = QStringLiteral(TV_GAME_DIR "/Data/Maps");
const QString kPlaytest = QStringLiteral("knight_meets_first_slime");

struct ToolRun {
    int Status = -1;
    QString Out;
};

ToolRun RunTest(const QStringList& arguments) {
    QProcess tool;
    tool.start(TVMTOOL_PATH, QStringList{"test", "--base", TV_GAME_DIR} + arguments);
    EXPECT_TRUE(tool.waitForFinished(120000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput())};
}

// Per test case (classname/name): "ok", "failure" or "error", checking the shape CI readers
// expect on the way: testsuites > testsuite > testcase > failure|error, with counts that add up.
std::map<QString, QString> ReadJUnit(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::map<QString, QString> cases;
    QStringList open;
    QString current;
    int suiteTests = 0;
    int suiteFailures = 0;
    int seenTests = 0;
    int seenFailures = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            const QString parent = open.isEmpty() ? QString() : open.back();
            if (name == "testsuites") {
                EXPECT_TRUE(parent.isEmpty());
            } else if (name == "testsuite") {
                EXPECT_EQ(parent, "testsuites");
                suiteTests += xml.attributes().value("tests").toInt();
                suiteFailures += xml.attributes().value("failures").toInt() +
                                 xml.attributes().value("errors").toInt();
                EXPECT_FALSE(xml.attributes().value("time").isEmpty());
            } else if (name == "testcase") {
                EXPECT_EQ(parent, "testsuite");
                current = xml.attributes().value("classname").toString() + "/" +
                          xml.attributes().value("name").toString();
                cases[current] = "ok";
                ++seenTests;
            } else if (name == "failure" || name == "error") {
                EXPECT_EQ(parent, "testcase");
                EXPECT_FALSE(xml.attributes().value("message").isEmpty());
                cases[current] = name;
                ++seenFailures;
            } else {
                ADD_FAILURE() << "unexpected element " << name.toStdString();
            }
            open << name;
        } else if (xml.isEndElement()) {
            open.removeLast();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(suiteTests, seenTests);
    EXPECT_EQ(suiteFailures, seenFailures);
    return cases;
}

void Copy(const QString& from, const QString& to) {
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString();
}

TEST(PlaytestTool, TheDemoPassesAndChangedOrBrokenPlaytestsFailByName) {
    tvtest::TempDir work;
    const ToolRun demo = RunTest({"--junit", QString::fromStdString(work.file("demo.xml")), kMaps});
    EXPECT_EQ(demo.Status, 0) << demo.Out.toStdString();
    EXPECT_TRUE(demo.Out.contains("ok      green_hills/" + kPlaytest)) << demo.Out.toStdString();
    EXPECT_EQ(ReadJUnit(work.file("demo.xml")),
              (std::map<QString, QString>{{"green_hills/" + kPlaytest, "ok"}}));

    // Two maps in one folder: the demo with its playtest, one with a kill too many expected
    // and a script that cannot be read, and a copy with nothing changed.
    const QString folder = QString::fromStdString(work.file("maps"));
    const QString source = kMaps + "/green_hills.playtests/" + kPlaytest;
    for (const QString& map : {QStringLiteral("a_hills"), QStringLiteral("b_hills")}) {
        QDir().mkpath(folder + "/" + map + ".playtests");
        Copy(kMaps + "/green_hills.tvm", folder + "/" + map + ".tvm");
        Copy(source + ".keys", folder + "/" + map + ".playtests/walk.keys");
        Copy(source + ".expect.json", folder + "/" + map + ".playtests/walk.expect.json");
    }
    QFile expect(folder + "/b_hills.playtests/walk.expect.json");
    ASSERT_TRUE(expect.open(QIODevice::ReadOnly));
    QByteArray json = expect.readAll();
    expect.close();
    json.replace("\"Kills\": 1", "\"Kills\": 2");
    json.replace("\"X\": 0", "\"X\": 30");
    tvtest::WriteFileBytes(folder.toStdString() + "/b_hills.playtests/walk.expect.json",
                           tvtest::Bytes(json.begin(), json.end()));
    const std::string broken = "#! seed 1\n#! updates 10\nJUMP 1-5\n";
    tvtest::WriteFileBytes(folder.toStdString() + "/b_hills.playtests/broken.keys",
                           tvtest::Bytes(broken.begin(), broken.end()));
    Copy(source + ".expect.json", folder + "/b_hills.playtests/broken.expect.json");

    for (const QString& jobs : {QStringLiteral("1"), QStringLiteral("2")}) {
        const std::string junit = work.file("run" + jobs.toStdString() + ".xml");
        const ToolRun run =
            RunTest({"--jobs", jobs, "--junit", QString::fromStdString(junit), folder});
        EXPECT_EQ(run.Status, 1) << run.Out.toStdString();
        const QString expected =
            "ok      a_hills/walk\n"
            "error   b_hills/broken: key script line 3: unknown key \"JUMP\" in " +
            folder +
            "/b_hills.playtests/broken.keys\n"
            "changed b_hills/walk: kills 2 -> 1; final x 30 -> 0 (tolerance 0)\n"
            "3 playtests: 1 ok, 1 changed, 1 could not run\n";
        EXPECT_EQ(run.Out.toStdString(), expected.toStdString()) << "--jobs " << jobs.toStdString();
        EXPECT_EQ(ReadJUnit(junit), (std::map<QString, QString>{{"a_hills/walk", "ok"},
                                                                {"b_hills/broken", "error"},
                                                                {"b_hills/walk", "failure"}}));
    }

    // A tolerance lets the final x move; the kills still count.
    json.replace("\"Kills\": 2", "\"Kills\": 1");
    json.replace("\"XTolerance\": 0", "\"XTolerance\": 30");
    tvtest::WriteFileBytes(folder.toStdString() + "/b_hills.playtests/walk.expect.json",
                           tvtest::Bytes(json.begin(), json.end()));
    const ToolRun tolerated = RunTest({folder + "/b_hills.tvm"});
    EXPECT_TRUE(tolerated.Out.contains("ok      b_hills/walk")) << tolerated.Out.toStdString();
}

} // namespace

#endif
