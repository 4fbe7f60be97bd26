#include "TestSupport.h"
#include "document/MapDiff.h"
#include "document/MapMerge.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

using namespace tv;

namespace {

const std::string kGame = TV_GAME_DIR;
const std::string kDemoMap = kGame + "/Data/Maps/green_hills.tvm";

std::unique_ptr<TBaseInfo> Record(const char* cls, const char* name, int left, int top, int z = 0) {
    std::unique_ptr<TBaseInfo> record = CreateRecord(cls);
    record->Name = name;
    record->Left = left;
    record->Top = top;
    record->Z = z;
    return record;
}

void CopyMap(const TMap& from, TMap& to) {
    TMemoryStream stream;
    from.WriteToStream(stream, nullptr);
    stream.SetPosition(0);
    ASSERT_TRUE(to.ReadFromStream(stream, nullptr));
}

void LoadDemo(TMap& map, TObjMgr& catalogue) {
    catalogue.LoadCatalogueFile(kGame + "/data/obj/objects.tvd");
    ASSERT_TRUE(map.LoadFromFile(kDemoMap, &catalogue));
}

std::map<TObjectChangeKind, int> Kinds(const TMapDiff& diff) {
    std::map<TObjectChangeKind, int> kinds;
    for (const TObjectChange& change : diff.Objects)
        ++kinds[change.Kind];
    return kinds;
}

} // namespace

TEST(MapDiff, EveryKindOfChangeIsOneEntryAndAMovedObjectReadsAsMoved) {
    TMap a;
    a.Objects.Add(Record("TEnemyInfo", "Slime", 100, 300));
    a.Objects.Add(Record("TEnemyInfo", "Slime", 900, 300));
    a.Objects.Add(Record("TDecorInfo", "Rock", 400, 350));
    a.Objects.Add(Record("TDecorInfo", "Bush", 500, 350));
    a.Objects.Add(Record("TDecorInfo", "Crate", 600, 350));
    a.Objects.Add(Record("TEnemyInfo", "Bat", 700, 100));
    TMap b;
    CopyMap(a, b);
    EXPECT_TRUE(DiffMaps(a, b).Empty());

    b.Ground = 40;
    b.Objects[1]->Left = 120; // moved: the nearer Slime is the one at 100
    b.Objects[0]->Left = 130; // (both Slimes moved: nearest pairs first)
    b.Objects[2]->Top = 360;  // moved and edited: one entry
    static_cast<TEntityInfo*>(b.Objects[5])->HitPoints = 9;
    b.Objects.Delete(3);                                  // removed Bush
    b.Objects.Add(b.Objects.Extract(b.Objects[0]));       // Slime at 130 now last: reordered
    b.Objects.Add(Record("TDecorInfo", "Torch", 50, 50)); // added
    b.Objects[1]->Width = 77;                             // Rock (now index 1)

    const TMapDiff diff = DiffMaps(a, b);
    ASSERT_EQ(diff.Variables.size(), 1u);
    EXPECT_STREQ(diff.Variables[0]->Name, "Ground");
    const std::map<TObjectChangeKind, int> expected = {{TObjectChangeKind::Added, 1},
                                                       {TObjectChangeKind::Removed, 1},
                                                       {TObjectChangeKind::Moved, 2},
                                                       {TObjectChangeKind::Changed, 2}};
    EXPECT_EQ(Kinds(diff), expected);
    for (const TObjectChange& change : diff.Objects) {
        if (change.IndexA == 0) { // the Slime at 100 became the one at 120 ... and was reordered
            EXPECT_EQ(b.Objects[change.IndexB]->Left, 120);
        }
        if (change.IndexA == 2) {
            EXPECT_EQ(change.Kind, TObjectChangeKind::Changed);
            EXPECT_EQ(change.Fields.size(), 2u); // Top and Width
        }
    }
    // Only a different order: one entry, reordered.
    TMap c;
    CopyMap(a, c);
    c.Objects.Add(c.Objects.Extract(c.Objects[2]));
    const TMapDiff order = DiffMaps(a, c);
    ASSERT_EQ(order.Objects.size(), 1u);
    EXPECT_EQ(order.Objects[0].Kind, TObjectChangeKind::Reordered);
    EXPECT_EQ(order.Objects[0].IndexA, 2);
}

TEST(MapMerge, OneSidedMergesGiveThatSideAndSameFieldEditsConflict) {
    TObjMgr catalogue;
    TMap base;
    LoadDemo(base, catalogue);
    TMap x;
    CopyMap(base, x);
    x.MapName = "Green Hills II";
    x.Objects[5]->Left += 40;
    x.Objects.Delete(12);
    x.Objects.Add(x.Objects.Extract(x.Objects[3])); // reordered
    x.Objects.Insert(7, Record("TEnemyInfo", "Slime", 2500, 392, 1).release());
    const auto bytes = [&](const TMap& map) {
        TMemoryStream stream;
        map.WriteToStream(stream, &catalogue);
        return stream.Bytes();
    };
    TMap out;
    EXPECT_TRUE(MergeMaps(base, base, x, out).empty());
    EXPECT_EQ(bytes(out), bytes(x));
    EXPECT_TRUE(MergeMaps(base, x, x, out).empty());
    EXPECT_EQ(bytes(out), bytes(x));
    EXPECT_TRUE(MergeMaps(base, x, base, out).empty());
    EXPECT_EQ(bytes(out), bytes(x));

    TMap y;
    CopyMap(base, y);
    y.Objects[5]->Left -= 40;
    y.MapName = "Green Hills III";
    const std::vector<TMergeConflict> conflicts = MergeMaps(base, x, y, out);
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0].Field, "MapName");
    EXPECT_EQ(conflicts[1].Field, "Left");
    EXPECT_EQ(conflicts[1].BaseIndex, 5);
    EXPECT_EQ(out.MapName, "Green Hills II"); // ours kept

    // Both move the same object in the list, to different places: a conflict, ours kept.
    TMap front;
    CopyMap(base, front);
    front.Objects.Insert(0, front.Objects.Extract(front.Objects[20]).release());
    TMap back;
    CopyMap(base, back);
    back.Objects.Add(back.Objects.Extract(back.Objects[20]));
    const std::vector<TMergeConflict> places = MergeMaps(base, front, back, out);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0].Field, "place");
    EXPECT_EQ(RecordKey(*out.Objects[0]), RecordKey(*base.Objects[20]));
    EXPECT_TRUE(MergeMaps(base, front, front, out).empty());
}

// Random edits on disjoint objects, one set per side: the merge holds every edit of both and
// nothing else, without conflicts, and the objects each side edited or added keep that side's
// order.
TEST(MapMerge, DisjointRandomEditsMergeToBothEditSets) {
    TObjMgr catalogue;
    TMap base;
    LoadDemo(base, catalogue);
    const char* const added[][2] = {
        {"TEnemyInfo", "Slime"}, {"TDecorInfo", "Rock"}, {"TDecorInfo", "Lamp"}};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        TMap sides[2];
        CopyMap(base, sides[0]);
        CopyMap(base, sides[1]);
        // What each base object becomes: its key, or empty when deleted.
        std::vector<std::string> final(static_cast<size_t>(base.Objects.Count()));
        std::vector<std::vector<int>> deletions(2);
        std::vector<std::set<std::string>> own(2); // what each side edited or added, as keys
        for (int k = 0; k < base.Objects.Count(); ++k) {
            const int side = static_cast<int>(random() % 3); // 2: nobody
            if (side < 2) {
                TBaseInfo& record = *sides[side].Objects[k];
                switch (random() % 4) {
                case 0:
                    record.Left = static_cast<int32_t>(random() % 5000);
                    break;
                case 1:
                    record.Top = static_cast<int32_t>(random() % 600);
                    record.Width = static_cast<int32_t>(random() % 300);
                    break;
                case 2:
                    record.Z = static_cast<int32_t>(random() % 5);
                    break;
                default:
                    deletions[static_cast<size_t>(side)].push_back(k);
                    break;
                }
                own[static_cast<size_t>(side)].insert(RecordKey(record));
            }
            final[static_cast<size_t>(k)] =
                RecordKey(side < 2 ? *sides[side].Objects[k] : *base.Objects[k]);
        }
        std::multiset<std::string> expected;
        for (int side = 0; side < 2; ++side) {
            TMap& map = sides[side];
            const std::vector<int>& gone = deletions[static_cast<size_t>(side)];
            for (auto k = gone.rbegin(); k != gone.rend(); ++k) {
                map.Objects.Delete(*k);
                final[static_cast<size_t>(*k)].clear();
            }
            for (int n = static_cast<int>(random() % 3); n > 0; --n) {
                const auto* kind = added[random() % 3];
                TBaseInfo* record = map.AddObjectSorted(
                    Record(kind[0], kind[1], static_cast<int>(random() % 5000),
                           static_cast<int>(random() % 600), static_cast<int>(random() % 5)));
                expected.insert(RecordKey(*record));
                own[static_cast<size_t>(side)].insert(RecordKey(*record));
            }
        }
        for (const std::string& key : final)
            if (!key.empty())
                expected.insert(key);

        TMap merged;
        const std::vector<TMergeConflict> conflicts = MergeMaps(base, sides[0], sides[1], merged);
        ASSERT_TRUE(conflicts.empty()) << "round " << round << ": " << conflicts[0].Field;
        std::multiset<std::string> got;
        for (const TBaseInfo* record : merged.Objects) {
            got.insert(RecordKey(*record));
        }
        ASSERT_EQ(got, expected) << "round " << round;
        for (size_t side = 0; side < 2; ++side) {
            const auto ownOrder = [&](const TMap& map) {
                std::vector<std::string> order;
                for (const TBaseInfo* record : map.Objects)
                    if (own[side].count(RecordKey(*record)))
                        order.push_back(RecordKey(*record));
                return order;
            };
            ASSERT_EQ(ownOrder(merged), ownOrder(sides[side])) << "round " << round;
        }
    }
}

namespace {

// A repository holding the demo map, set up by scripts/setup-git-maps.sh.
class GitMaps : public ::testing::Test {
protected:
    void SetUp() override {
        Git({"init", "-q", "-b", "main"});
        Git({"config", "user.email", "maps@example.org"});
        Git({"config", "user.name", "Maps"});
        QProcess setup;
        setup.setWorkingDirectory(QString::fromStdString(repo.path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TVMTOOL_ARGS", QString::fromStdString("--base " + kGame));
        setup.setProcessEnvironment(env);
        setup.start(TV_SOURCE_DIR "/scripts/setup-git-maps.sh", {".", TVMTOOL_PATH});
        ASSERT_TRUE(setup.waitForFinished(30000));
        ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
        catalogue.LoadCatalogueFile(kGame + "/data/obj/objects.tvd");
        ASSERT_TRUE(QFile::copy(QString::fromStdString(kDemoMap),
                                QString::fromStdString(repo.file("level.tvm"))));
        Git({"add", "level.tvm", ".gitattributes"});
        Git({"commit", "-q", "-m", "level"});
    }

    int Git(const QStringList& args, std::string* output = nullptr) {
        QProcess git;
        git.setWorkingDirectory(QString::fromStdString(repo.path()));
        git.setProcessChannelMode(QProcess::MergedChannels);
        git.start("git", args);
        EXPECT_TRUE(git.waitForFinished(60000));
        if (output)
            *output = git.readAll().toStdString();
        return git.exitCode();
    }

    // Sets the Left of one object of the map in the work tree and commits it.
    void CommitLeft(int index, int left) {
        TMap map;
        ASSERT_TRUE(map.LoadFromFile(repo.file("level.tvm"), &catalogue));
        map.Objects[index]->Left = left;
        TMemoryStream body;
        map.WriteToStream(body, &catalogue);
        tvtest::WriteFileBytes(repo.file("level.tvm"), body.Bytes());
        ASSERT_EQ(Git({"commit", "-q", "-am", "edit"}), 0);
    }

    int32_t LeftOf(int index) {
        TMap map;
        EXPECT_TRUE(map.LoadFromFile(repo.file("level.tvm"), &catalogue));
        return map.Objects[index]->Left;
    }

    tvtest::TempDir repo;
    TObjMgr catalogue;
};

} // namespace

TEST_F(GitMaps, BranchesEditingDifferentObjectsMergeAndTheSameFieldConflicts) {
    ASSERT_EQ(Git({"checkout", "-q", "-b", "other"}), 0);
    CommitLeft(5, 1234);
    ASSERT_EQ(Git({"checkout", "-q", "main"}), 0);
    CommitLeft(30, 2345);
    std::string diff;
    ASSERT_EQ(Git({"diff", "other", "main", "--", "level.tvm"}, &diff), 0);
    EXPECT_NE(diff.find("+      \"Left\": 2345,"), std::string::npos) << diff; // the dump's text
    std::string output;
    ASSERT_EQ(Git({"merge", "-q", "--no-edit", "other"}, &output), 0) << output;
    EXPECT_EQ(LeftOf(5), 1234);
    EXPECT_EQ(LeftOf(30), 2345);

    ASSERT_EQ(Git({"checkout", "-q", "-b", "third"}), 0);
    CommitLeft(10, 111);
    ASSERT_EQ(Git({"checkout", "-q", "main"}), 0);
    CommitLeft(10, 222);
    EXPECT_NE(Git({"merge", "-q", "--no-edit", "third"}, &output), 0);
    EXPECT_NE(output.find("Left: base 4100 / ours 222 / theirs 111"), std::string::npos) << output;
    EXPECT_EQ(LeftOf(10), 222); // ours kept
    EXPECT_EQ(LeftOf(5), 1234);
}

// The picture of a diff is render's picture of each map with the changes boxed.
TEST(MapDiffRender, EachHalfIsRendersPictureWithTheChangeBoxed) {
    tvtest::TempDir dir;
    TObjMgr catalogue;
    TMap map;
    LoadDemo(map, catalogue);
    int slime = 0;
    while (std::string(map.Objects[slime]->Name) != "Slime")
        ++slime;
    const TBaseInfo was = *map.Objects[slime];
    map.Objects[slime]->Left += 60;
    TMemoryStream body;
    map.WriteToStream(body, &catalogue);
    tvtest::WriteFileBytes(dir.file("b.tvm"), body.Bytes());
    // The exit code, or -1 for a tool that crashed; what the tool printed goes with a failure.
    const auto run = [](const QStringList& args) {
        QProcess tool;
        tool.start(TVMTOOL_PATH, QStringList{} << args);
        EXPECT_TRUE(tool.waitForFinished(60000));
        const bool crashed = tool.exitStatus() == QProcess::CrashExit;
        const int code = crashed ? -1 : tool.exitCode();
        if (code != 0 && code != 1)
            ADD_FAILURE() << "tvmtool " << args.join(' ').toStdString() << ": "
                          << tool.readAllStandardError().toStdString();
        return code;
    };
    const int worldX = was.Left - 300;
    const QString x = QString::number(worldX);
    const QString png = QString::fromStdString(dir.file("diff.png"));
    ASSERT_EQ(run({"map", "diff", "--render", png, "--world-x", x, QString::fromStdString(kDemoMap),
                   QString::fromStdString(dir.file("b.tvm"))}),
              1);
    ASSERT_EQ(run({"render", QString::fromStdString(kDemoMap), "--world-x", x,
                   QString::fromStdString(dir.file("a.png"))}),
              0);
    const QImage picture = QImage(png).convertToFormat(QImage::Format_RGB32);
    const QImage a =
        QImage(QString::fromStdString(dir.file("a.png"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(1600, 600));
    // Pixels differ only on the box's outline around the Slime's old place.
    const QRect box(was.Left - worldX, was.Top, was.Width, was.Height);
    int differing = 0;
    for (int py = 0; py < 600; ++py)
        for (int px = 0; px < 800; ++px)
            if (picture.pixel(px, py) != a.pixel(px, py)) {
                ++differing;
                ASSERT_TRUE(box.adjusted(-2, -2, 2, 2).contains(px, py)) << px << "," << py;
            }
    EXPECT_GT(differing, 2 * (box.width() + box.height()));
    EXPECT_EQ(QColor(picture.pixel(box.left(), box.center().y())), QColor(255, 220, 0));
}
