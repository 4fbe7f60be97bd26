// Plays the demo map with the real tvmtool, as a designer checks a level: the player climbs
// over the first rock, walks right while firing, and earns experience for a kill.

#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

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
}

#endif
