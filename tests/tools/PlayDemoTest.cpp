// Plays the demo map with the real tvmtool, as a designer checks a level: the player climbs
// over the first rock, walks right while firing, and earns experience for a kill. The same
// play driven frame by frame, as the editor drives it, gives what the tool gives. And the
// private X server of a tool that is killed goes with it.

#include "TestSupport.h"
#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"
#include "world/Actors.h"
#include "world/Equipment.h"
#include "world/KeyScript.h"
#include "world/PlaySession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/types.h>
#include <vector>

#if defined(TVDEMOGEN_PATH) && defined(TVMTOOL_PATH)

TEST(PlayDemoMap, PlayerMovesShootsAndEarnsExperience) {
    tvtest::TempDir work;
    const std::string keys = "UP 1-45\nRIGHT 1-500\nFIRE1 1-600\n";
    tvtest::WriteFileBytes(work.file("keys.txt"), tvtest::Bytes(keys.begin(), keys.end()));

    QProcess play;
    // As from a shell without a desktop session.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    play.setProcessEnvironment(environment);
    play.start(TVMTOOL_PATH,
               {"play", QString(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm", "--updates", "600",
                "--keys", QString::fromStdString(work.file("keys.txt"))});
    ASSERT_TRUE(play.waitForFinished(60000));
    const QString out = QString::fromUtf8(play.readAllStandardOutput());
    const std::string errors = play.readAllStandardError().toStdString();
    ASSERT_EQ(play.exitCode(), 0) << errors;
    EXPECT_EQ(errors, ""); // nothing that is not about the command

    // The messages come with their update numbers, the kill message in the game's words.
    EXPECT_TRUE(out.contains(QStringLiteral("[1] Právě jsi spatřil: Knight"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(
        QStringLiteral(R"(\[\d+\] Nepřítel zemřel: \S.* , Knight obdrží \d+ XP)"))))
        << out.toStdString();

    const QRegularExpressionMatch player =
        QRegularExpression(
            R"(player "Knight" at \((-?\d+), (-?\d+)\), hit points (\d+)/15, experience (\d+), kills (\d+))")
            .match(out);
    ASSERT_TRUE(player.hasMatch()) << out.toStdString();
    EXPECT_GT(player.captured(1).toInt(), 100); // it started at Left 100
    EXPECT_LT(player.captured(2).toInt(), 344); // and climbed from Top 344
    EXPECT_GT(player.captured(4).toInt(), 0);
    EXPECT_GE(player.captured(5).toInt(), 1);
    EXPECT_TRUE(out.contains("scroll unlocked"));
    EXPECT_TRUE(out.contains("after 600 updates (10000 ms, random seed 1):"));
}

TEST(PlayDemoMap, SeedIsChosenOnTheCommandLine) {
    const std::string map = std::string(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(tv::tool::Run(
                  {"play", "--base", TV_GAME_DIR, map, "--updates", "0", "--seed", "4294967295"},
                  out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("after 0 updates (0 ms, random seed 4294967295):"), std::string::npos)
        << out.str();
    for (const char* bad : {"4294967296", "-1", "7x", ""}) {
        err.str("");
        EXPECT_EQ(
            tv::tool::Run({"play", "--base", TV_GAME_DIR, map, "--updates", "0", "--seed", bad},
                          out, err),
            2);
        EXPECT_NE(err.str().find("--seed needs a whole number 0..4294967295"), std::string::npos)
            << bad << ": " << err.str();
    }
}

namespace {

// The summary's player line and every message line of a tvmtool play run.
struct ToolRun {
    QString PlayerLine;
    QStringList Messages;
};

ToolRun RunTool(const std::string& map, uint64_t updates, const std::string& keysFile) {
    QProcess play;
    play.start(TVMTOOL_PATH,
               {"play", QString::fromStdString(map), "--updates", QString::number(updates),
                "--keys", QString::fromStdString(keysFile)});
    EXPECT_TRUE(play.waitForFinished(60000));
    EXPECT_EQ(play.exitCode(), 0) << play.readAllStandardError().toStdString();
    ToolRun run;
    for (const QString& line : QString::fromUtf8(play.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("["))
            run.Messages << line;
        else if (line.startsWith("  player "))
            run.PlayerLine = line;
    }
    return run;
}

} // namespace

TEST(PlayDemoMap, FrameByFrameGivesWhatTheToolGives) {
    tvtest::TempDir work;
    const std::string keys =
        "UP 1-45\nRIGHT 1-380\nFIRE1 1-600\nLEFT 400-440\nFIRE2 300-420\nDOWN 450-470\n";
    tvtest::WriteFileBytes(work.file("keys.txt"), tvtest::Bytes(keys.begin(), keys.end()));
    const std::string mapPath = std::string(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm";

    // The editor's side: its own clock for frames, a device with a texture cache, and frames
    // of irregular length; the script stands in for the keyboard.
    ToolRun frames;
    uint64_t updates = 0;
    {
        const tv::tool::ScopedBaseFolder base(std::string(TV_GAME_DIR) + "/");
        tv::ManualClock hostClock(5000);
        tv::ScopedClock scopedClock(hostClock);
        tv::RegisterWorldClasses();
        tv::TObjMgr catalogue;
        catalogue.LoadCatalogue();
        tv::TMap map;
        ASSERT_TRUE(map.LoadFromFile(mapPath, &catalogue));
        ASSERT_TRUE(tv::LoadEquipmentFile());
        tv::THeadlessTarget target(446, 356);
        const tv::TEngineSession engine(&target, 446, 356);
        const tv::PD3DDevice& device = engine.Device();
        ASSERT_TRUE(device);
        {
            tv::TPlaySession play(map, device);
            const tv::TKeyScript script(tv::ParseKeyScript(keys), play.World().Player());
            play.BeforeUpdate = [&script](uint64_t update) { script.Apply(update); };
            std::mt19937 random(3);
            for (int frame = 0; play.Updates() < 600; ++frame) {
                const double elapsed = 1.0 + static_cast<double>(random() % 4500) / 100.0;
                hostClock.Advance(static_cast<uint32_t>(elapsed));
                play.Advance(elapsed);
                if (frame % 16 == 0)
                    play.DrawFrame();
            }
            updates = play.Updates();
            const tv::TPlayer* player = play.World().Player();
            ASSERT_NE(player, nullptr);
            frames.PlayerLine = QString::fromStdString(tv::Format(
                "  player \"%s\" at (%d, %d), hit points %d/%d, experience %d, kills %d, "
                "deaths %d",
                player->Name.c_str(), player->GetPosition().X, player->GetPosition().Y,
                player->HitPoints, player->MaxHitPoints, player->ExperiencePoints, player->Kills,
                player->Deaths));
            for (const tv::TWorldMessage& message : play.World().MessageLog)
                frames.Messages << QString::fromStdString(
                    tv::Format("[%llu] ", (unsigned long long)message.Step) + message.Text);
            EXPECT_EQ(play.GameTime(), tv::kPlayClockStart + static_cast<uint32_t>(std::nearbyint(
                                                                 updates * 1000.0 / 60)));
        }
        tv::ResetKeyState();
        tv::ClearEquipment();
    }

    const ToolRun tool = RunTool(mapPath, updates, work.file("keys.txt"));
    EXPECT_EQ(frames.PlayerLine, tool.PlayerLine);
    EXPECT_EQ(frames.Messages, tool.Messages);
    EXPECT_GE(frames.Messages.size(), 5);
}

namespace {

// The processes whose parent is the given one and whose name is name.
std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name) {
    std::vector<pid_t> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, so split at its last ')'.
        const QString line = QString::fromUtf8(stat.readAll());
        const qsizetype close = line.lastIndexOf(')');
        const QStringList rest = line.mid(close + 2).split(' ');
        if (close > 0 && rest.size() > 1 && rest[1].toInt() == parent &&
            line.mid(line.indexOf('(') + 1, close - line.indexOf('(') - 1).toStdString() == name)
            children.push_back(pid);
    }
    return children;
}

// Whether a process holds a socket: the tool's connection to its X server, made once the
// server is up (before that, the server would die of the tool's end on its own: it writes
// its display number into a pipe that has lost its reader).
bool HasSocket(pid_t pid) {
    const QString fds = QString("/proc/%1/fd").arg(pid);
    for (const QString& fd :
         QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds + "/" + fd).contains("socket:"))
            return true;
    return false;
}

// Whether a process has ended (gone, or a zombie nobody has reaped yet).
bool Ended(pid_t pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QString line = QString::fromUtf8(stat.readAll());
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

TEST(PlayDemoMap, APrivateXServerEndsWithAKilledTool) {
    // Without a display the tool starts its own Xvfb; killed, it cannot stop it itself.
    QProcess play;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    play.setProcessEnvironment(environment);
    play.start(TVMTOOL_PATH, {"play", QString(TV_GAME_DIR) + "/Data/Maps/green_hills.tvm",
                              "--updates", "10000000"});
    ASSERT_TRUE(play.waitForStarted());
    const auto tool = static_cast<pid_t>(play.processId());
    std::vector<pid_t> servers;
    for (int i = 0; i < 600 && (servers.empty() || !HasSocket(tool)); ++i) {
        servers = ChildrenNamed(tool, "Xvfb");
        QThread::msleep(50);
    }
    if (servers.empty()) {
        play.kill();
        play.waitForFinished();
        GTEST_SKIP() << "the tool started no Xvfb (not installed?)";
    }
    play.kill(); // SIGKILL: no destructor runs
    ASSERT_TRUE(play.waitForFinished(10000));
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = Ended(servers[0]);
        if (!ended)
            QThread::msleep(50);
    }
    EXPECT_TRUE(ended) << "Xvfb " << servers[0] << " outlived the tool";
    if (!ended)
        ::kill(servers[0], SIGKILL);
}

#endif
