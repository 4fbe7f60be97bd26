// The editor program itself: its command line, and the real tvedit started on a map under the
// tests' X server, edited with the mouse and asked to close as a window manager asks.
#include "TestSupport.h"
#include "document/Recovery.h"
#include "editor/CommandLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

using tv::ParseEditorCommandLine;

TEST(EditorCommandLine, TakesAGameFolderAndOneMap) {
    tvtest::TempDir game;
    const std::string base = game.path(); // ends in "/"
    tv::TEditorCommandLine line = ParseEditorCommandLine({});
    EXPECT_EQ(line.BaseFolder, "");
    EXPECT_EQ(line.MapPath, "");

    line = ParseEditorCommandLine({"--base", base.substr(0, base.size() - 1), "maps/a.tvm"});
    EXPECT_EQ(line.BaseFolder, base);
    EXPECT_EQ(line.MapPath, QDir::currentPath().toStdString() + "/maps/a.tvm");
    EXPECT_TRUE(ParseEditorCommandLine({"--help"}).Help);
    EXPECT_TRUE(ParseEditorCommandLine({"--version"}).Version);
    EXPECT_EQ(ParseEditorCommandLine({"--init-game", "own"}).InitGame,
              QDir::currentPath().toStdString() + "/own");

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--base"},
                                               {"--base", base + "missing"},
                                               {"--frobnicate"},
                                               {"a.tvm", "b.tvm"},
                                               {""},
                                               {"--init-game"},
                                               {"--init-game", "own", "a.tvm"}})
        EXPECT_THROW(ParseEditorCommandLine(bad), tv::TEditorUsageError) << bad[0];
}

TEST(EditorRecoveryFolder, IsUnderXdgStateHomeWhenSet) {
    const QByteArray previous = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/tmp/state-home");
    EXPECT_EQ(tv::DefaultRecoveryFolder(), "/tmp/state-home/tvedit/recovery");
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(tv::DefaultRecoveryFolder(),
              QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString() +
                  "/recovery");
    if (!previous.isEmpty())
        qputenv("XDG_STATE_HOME", previous);
}

// The ids of the windows whose title matches a pattern (xdotool's extended regular expression).
std::vector<std::string> WindowsNamed(const QString& pattern) {
    QProcess search;
    search.start("xdotool", {"search", "--name", pattern});
    search.waitForFinished(5000);
    std::vector<std::string> ids;
    for (const QByteArray& line : search.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            ids.push_back(line.trimmed().toStdString());
    return ids;
}

std::string WaitForWindow(const QString& pattern, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const std::vector<std::string> ids = WindowsNamed(pattern);
        if (ids.size() == 1)
            return ids.front();
        QThread::msleep(50);
    }
    return {};
}

// Every titled window, for failure messages.
std::string WindowTitles() {
    std::string titles;
    for (const std::string& id : WindowsNamed(".")) {
        QProcess name;
        name.start("xdotool", {"getwindowname", QString::fromStdString(id)});
        name.waitForFinished(5000);
        titles += "\n  " + id + " " + name.readAllStandardOutput().trimmed().toStdString();
    }
    return titles;
}

std::string EditorOutput(const std::string& log) {
    QFile file(QString::fromStdString(log));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

bool Xdotool(const QStringList& args) {
    return QProcess::execute("xdotool", args) == 0;
}

// What a window manager sends when the close box is clicked: WM_PROTOCOLS with
// WM_DELETE_WINDOW.
bool SendCloseRequest(uint32_t window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const auto atom = [&](const char* name) {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so the server has taken the request before the connection closes.
    const xcb_void_cookie_t cookie = xcb_send_event_checked(
        connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    const bool sent = error == nullptr;
    std::free(error);
    xcb_disconnect(connection);
    return sent;
}

TEST(EditorProgram, ClosingAfterAnEditWithTheMouseAsksToSaveIt) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no X display: this test starts the real editor on one";
    ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty())
        << "xdotool is missing (scripts/install-deps.sh --tests installs it)";

    // A copy of the demo map, so that nothing the editor might do touches the demo folder.
    tvtest::TempDir work;
    const std::string map = work.file("green_hills.tvm");
    ASSERT_TRUE(QFile::copy(TV_GAME_DIR "/Data/Maps/green_hills.tvm", QString::fromStdString(map)));
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", QString::fromStdString(work.file("state")));
    environment.insert("SDL_AUDIODRIVER", "dummy");
    environment.remove("XDG_RUNTIME_DIR"); // as from a shell without a desktop session
    editor.setProcessEnvironment(environment);
    editor.setStandardErrorFile(QString::fromStdString(work.file("editor.log")));
    editor.start(TVEDIT_PATH, {"--base", TV_GAME_DIR, QString::fromStdString(map)});
    ASSERT_TRUE(editor.waitForStarted(5000));
    const auto stop = [&] {
        editor.terminate();
        if (!editor.waitForFinished(3000)) {
            editor.kill();
            editor.waitForFinished(3000);
        }
    };

    const std::string window = WaitForWindow("^Torvanikian Map Editor - green_hills\\.tvm$", 10000);
    if (window.empty()) {
        stop();
        FAIL() << "the editor's window with the map's name did not appear; its output:\n"
               << EditorOutput(work.file("editor.log"));
    }
    // The Modify page is open: the right button picks what lies in the middle of the view (a
    // backdrop covers all of it), the left button moves it.
    const QString id = QString::fromStdString(window);
    EXPECT_TRUE(Xdotool({"mousemove", "--window", id, "228", "183", "click", "3"}));
    EXPECT_TRUE(Xdotool({"mousemove", "--window", id, "120", "90", "click", "1"}));
    const std::string modified =
        WaitForWindow("^Torvanikian Map Editor - green_hills\\.tvm\\*$", 5000);
    EXPECT_EQ(modified, window) << "the title marks the unsaved change";

    ASSERT_TRUE(SendCloseRequest(static_cast<uint32_t>(std::stoul(window))));
    const std::string question = WaitForWindow("^Torvanikian Map Editor$", 5000);
    EXPECT_FALSE(question.empty())
        << "no save question appeared; windows:" << WindowTitles() << "\neditor's output:\n"
        << EditorOutput(work.file("editor.log"));
    EXPECT_EQ(editor.state(), QProcess::Running) << "the editor did not close";
    stop();
    EXPECT_EQ(EditorOutput(work.file("editor.log")).find("XDG_RUNTIME_DIR"), std::string::npos)
        << EditorOutput(work.file("editor.log"));
    EXPECT_EQ(tvtest::ReadFileBytes(map),
              tvtest::ReadFileBytes(TV_GAME_DIR "/Data/Maps/green_hills.tvm"));
}

} // namespace
