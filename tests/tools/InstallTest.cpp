// cmake --install into a temporary prefix: the programs inside the game folder as the build
// lays it out, links to them in bin/, a valid desktop entry and the MIME type of maps.
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#ifdef TV_CMAKE_COMMAND

namespace {

struct ProgramRun {
    int Status = -1;
    std::string Out;
};

ProgramRun RunProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAll().toStdString()};
}

std::string ReadText(const std::string& path) {
    const tvtest::Bytes bytes = tvtest::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Install, PutsTheGameFolderTheProgramsAndTheDesktopFilesUnderThePrefix) {
    for (const char* tool : {"desktop-file-validate", "update-mime-database"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
            << tool << " is missing (scripts/install-deps.sh --tests installs it)";
    tvtest::TempDir root;
    const std::string prefix = root.path() + "a prefix";
    const ProgramRun install = RunProgram(
        TV_CMAKE_COMMAND, {"--install", TV_BINARY_DIR, "--prefix", QString::fromStdString(prefix)});
    ASSERT_EQ(install.Status, 0) << install.Out;

    // The tool reached through its link finds the installed game folder above its own.
    const std::string game = prefix + "/lib/torvanikian/";
    const ProgramRun check =
        RunProgram(QString::fromStdString(prefix + "/bin/tvmtool"),
                   {"map", "check", QString::fromStdString(game + "Data/Maps/green_hills.tvm")});
    EXPECT_EQ(check.Status, 0) << check.Out;
    EXPECT_NE(check.Out.find("\"Green Hills\""), std::string::npos) << check.Out;
    EXPECT_TRUE(QFile::exists(QString::fromStdString(game + "editor/tvedit")));
    // The editor's own pictures, in a data folder also named "editor".
    EXPECT_TRUE(QFile::exists(QString::fromStdString(game + "Data/Graphic/editor/obj.png")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(prefix + "/share/man/man1/tvmtool.1.gz")));
    EXPECT_EQ(QFile::symLinkTarget(QString::fromStdString(prefix + "/bin/tvedit")).toStdString(),
              game + "editor/tvedit");

    const std::string entry = prefix + "/share/applications/torvanikian-map-editor.desktop";
    const ProgramRun validate =
        RunProgram("desktop-file-validate", {QString::fromStdString(entry)});
    EXPECT_EQ(validate.Status, 0) << validate.Out;
    EXPECT_EQ(validate.Out, "");
    const std::string text = ReadText(entry);
    EXPECT_NE(text.find("\nExec=\"" + prefix + "/bin/tvedit\" %f\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMimeType=application/x-torvanikian-map;\n"), std::string::npos);

    // The MIME database built from the package file maps *.tvm to the type the entry opens.
    const ProgramRun mime =
        RunProgram("update-mime-database", {QString::fromStdString(prefix + "/share/mime")});
    EXPECT_EQ(mime.Status, 0) << mime.Out;
    EXPECT_NE(ReadText(prefix + "/share/mime/globs2").find("application/x-torvanikian-map:*.tvm\n"),
              std::string::npos);
}

} // namespace

#endif
