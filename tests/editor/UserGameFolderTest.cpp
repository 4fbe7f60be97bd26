// The user's own game folder for a read-only one: links to the data, copies of the maps, a
// record of which belongs to which, and the editor's choice at start.
#include "editor/UserGameFolder.h"
#include "EditorTestSupport.h"
#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// Points the per-user configuration and data folders into a temporary folder.
class ScopedUserFolders {
public:
    explicit ScopedUserFolders(const tvtest::TempDir& dir)
        : config_(qgetenv("XDG_CONFIG_HOME")), data_(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.file("config")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.file("data")));
    }
    ~ScopedUserFolders() {
        Restore("XDG_CONFIG_HOME", config_);
        Restore("XDG_DATA_HOME", data_);
    }

private:
    static void Restore(const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QByteArray config_;
    QByteArray data_;
};

// A game folder laid out as the build lays it out, data and programs.
std::string MakeGame(const tvtest::TempDir& dir) {
    dir.write("game/Data/Maps/a.tvm", {1, 2, 3});
    dir.write("game/Data/Graphic/editor/obj.png", {4});
    dir.write("game/data/obj/objects.tvd", {5});
    dir.write("game/editor/tvedit", {6});
    return dir.file("game/");
}

std::string LinkTarget(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).symLinkTarget().toStdString();
}

TEST(UserGameFolder, LinksTheDataCopiesTheMapsAndKeepsTheUsersWorkWhenMadeAgain) {
    tvtest::TempDir dir;
    const ScopedUserFolders user(dir);
    const std::string game = MakeGame(dir);
    const std::string own = dir.file("own");
    tv::MakeUserGameFolder(game, own);

    EXPECT_EQ(LinkTarget(own + "/Data/Graphic"), game + "Data/Graphic");
    EXPECT_EQ(LinkTarget(own + "/data"), game + "data");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(own + "/editor")));
    const QFileInfo copy(QString::fromStdString(own + "/Data/Maps/a.tvm"));
    EXPECT_FALSE(copy.isSymLink());
    EXPECT_TRUE(copy.isWritable());
    EXPECT_EQ(dir.read("own/Data/Maps/a.tvm"), (tvtest::Bytes{1, 2, 3}));
    // What the editor reads through the game folder is reached through the links.
    EXPECT_TRUE(tv::FileExists(tv::NativePath(own + "/data\\obj\\objects.tvd")));
    EXPECT_EQ(tv::RecordedUserGameFolder(game), own + "/");

    // The designer's saved map stays; a map the game folder gained since is copied.
    dir.write("own/Data/Maps/a.tvm", {9});
    dir.write("game/Data/Maps/b.tvm", {7});
    tv::MakeUserGameFolder(game, own);
    EXPECT_EQ(dir.read("own/Data/Maps/a.tvm"), (tvtest::Bytes{9}));
    EXPECT_EQ(dir.read("own/Data/Maps/b.tvm"), (tvtest::Bytes{7}));

    EXPECT_THROW(tv::MakeUserGameFolder(dir.file("game/data/"), dir.file("other")), tv::EError);
    EXPECT_THROW(tv::MakeUserGameFolder(game, game), tv::EError);
}

TEST(UserGameFolder, IsOfferedOnceForAReadOnlyGameFolderAndUsedOnceMade) {
    tvtest::TempDir dir;
    const ScopedUserFolders user(dir);
    const std::string game = MakeGame(dir);
    tvtest::FakeDialogs dialogs;

    // A game folder the user can write to is used as it is, and nothing is asked.
    EXPECT_EQ(tv::ChooseGameFolder(game, true, dialogs), game);
    EXPECT_TRUE(dialogs.Questions.empty());

    // Declined: asked once, the read-only folder is used, and not asked again.
    EXPECT_EQ(tv::ChooseGameFolder(game, false, dialogs), game);
    EXPECT_EQ(tv::ChooseGameFolder(game, false, dialogs), game);
    ASSERT_EQ(dialogs.Questions.size(), 1u);
    EXPECT_NE(dialogs.Questions[0].find(tv::DefaultUserGameFolder()), std::string::npos);

    // Accepted for another game folder: made in the default place, used from then on, also
    // when the game folder could be written to.
    dir.write("second/Data/Maps/a.tvm", {1});
    const std::string second = dir.file("second/");
    dialogs.YesNoAnswers.push_back(true);
    const std::string own = tv::ChooseGameFolder(second, false, dialogs);
    EXPECT_EQ(own, dir.file("data/tvedit/game/"));
    EXPECT_EQ(dir.read("data/tvedit/game/Data/Maps/a.tvm"), (tvtest::Bytes{1}));
    EXPECT_EQ(tv::ChooseGameFolder(second, true, dialogs), own);
    EXPECT_EQ(dialogs.Questions.size(), 2u);
    EXPECT_TRUE(dialogs.Errors.empty());
}

} // namespace
