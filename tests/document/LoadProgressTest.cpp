// Opening a map reports how far it got, and a Cancel at any point, while the file is read or
// while the view objects are made, leaves the map, its view objects and its undo steps as
// they were. Recovery copies left behind are found without hanging on what lies beside them,
// and are private.
#include "TestSupport.h"
#include "document/MapDocument.h"
#include "document/ObjectClipboard.h"
#include "document/Recovery.h"
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"

#include <QDir>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Goes on until it was asked a given number of times; remembers what it was told.
class StopAfter : public tv::IProgress {
public:
    explicit StopAfter(int reports) : left_(reports) {}
    bool Report(uint64_t done, uint64_t total) override {
        EXPECT_LE(done, total);
        EXPECT_GE(done * 1000 / total, last_) << "progress only goes forward";
        last_ = done * 1000 / total;
        ++Reports;
        return --left_ > 0;
    }
    int Reports = 0;

private:
    int left_;
    uint64_t last_ = 0;
};

std::vector<uint8_t> Saved(const tv::TMap& map) {
    tv::TMemoryStream stream;
    map.WriteToStream(stream, nullptr);
    return stream.Bytes();
}

TEST(LoadProgressTest, CancelWhileReadingOrMakingViewsKeepsTheMapOnScreen) {
    tvtest::TempDir dir;
    const std::string path = dir.file("many.tvm");
    {
        tv::TMap many;
        for (int i = 0; i < 20000; ++i) {
            auto record = std::make_unique<tv::TDecorInfo>();
            record->Name = "Rock";
            record->Left = i;
            many.Objects.Add(std::move(record));
        }
        many.SaveToFile(path, nullptr);
    }
    tv::TMapDocument document(nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document.NewMap();
    const QByteArray mine(R"({"class": "TEnemyInfo", "Name": "Mine"})");
    document.Paste(tv::ObjectsFromJson(mine), 10, 20);
    const std::vector<uint8_t> before = Saved(document.Map());

    // Reported while read and while made into views: stop at each report.
    StopAfter count(1000000);
    ASSERT_TRUE(document.LoadMap(path, &count));
    EXPECT_GE(count.Reports, 4);
    EXPECT_EQ(document.Map().Objects.Count(), 20000);
    document.Undo(); // nothing: a map just opened has no undo steps
    EXPECT_EQ(document.Map().Objects.Count(), 20000);

    for (int stop = 1; stop <= count.Reports; ++stop) {
        document.NewMap();
        document.Paste(tv::ObjectsFromJson(mine), 10, 20);
        ASSERT_EQ(Saved(document.Map()), before);
        StopAfter cancel(stop);
        EXPECT_THROW(document.LoadMap(path, &cancel), tv::ECancelled) << "stop " << stop;
        EXPECT_EQ(Saved(document.Map()), before) << "stop " << stop;
        std::vector<const tv::TBaseInfo*> shown;
        for (const auto& view : document.Scene().Views)
            if (!view->Dead)
                shown.push_back(view->Info);
        EXPECT_EQ(shown, std::vector<const tv::TBaseInfo*>{document.Map().Objects[0]}) << stop;
        EXPECT_EQ(document.UndoStack().count(), 1);
        EXPECT_TRUE(document.Modified());
    }
}

unsigned Permissions(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(RecoveryTest, LeftCopiesAreFoundWithoutHangingOnPipesAndEveryFileIsPrivate) {
    tvtest::TempDir dir;
    const std::string folder = dir.file("state/tvedit/recovery");
    // A recovery folder an older editor left open to others, with copies whose info and lock
    // are pipes (nobody writes to them) or missing.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    tv::TMap left;
    left.FileName = "left.tvm";
    const std::vector<uint8_t> bytes = Saved(left);
    for (const char* slot : {"session-1-1", "session-2-2", "session-3-3"})
        tvtest::WriteFileBytes(folder + "/" + slot + ".tvm", bytes);
    ASSERT_EQ(::mkfifo((folder + "/session-1-1.json").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((folder + "/session-2-2.lock").c_str(), 0600), 0);

    tv::TRecoveryStore store(folder);
    auto orphans = std::async(std::launch::async, [&] { return store.Orphans(); });
    if (orphans.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the reader that waits on a pipe go before failing.
        for (const char* pipe : {"/session-1-1.json", "/session-2-2.lock"}) {
            const int fd = ::open((folder + pipe).c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
        orphans.wait();
        FAIL() << "finding the copies waited on a pipe";
    }
    std::vector<std::string> found;
    for (const tv::TRecoveryCopy& copy : orphans.get())
        found.push_back(copy.Path.substr(copy.Path.rfind('/') + 1) + " " + copy.FileName);
    std::sort(found.begin(), found.end());
    // The copy behind a pipe for a lock is nobody's; the one with a pipe for its info is
    // offered without what the info would say.
    EXPECT_EQ(found, (std::vector<std::string>{"session-1-1.tvm untitled.tvm",
                                               "session-3-3.tvm untitled.tvm"}));

    // This editor's copy, its info and its lock are the designer's alone, in a private folder.
    tv::TMap mine;
    store.Write(mine, "/maps/mine.tvm");
    const std::string copy = store.CopyPath();
    const std::string slot = copy.substr(0, copy.size() - 4);
    EXPECT_EQ(Permissions(folder), 0700u);
    for (const std::string& file : {copy, slot + ".json", slot + ".lock"})
        EXPECT_EQ(Permissions(file), 0600u) << file;
    tv::TRecoveryStore other(dir.file("fresh/tvedit/recovery"));
    other.Write(mine, "");
    EXPECT_EQ(Permissions(dir.file("fresh/tvedit")), 0700u);
    EXPECT_EQ(Permissions(dir.file("fresh/tvedit/recovery")), 0700u);
}

} // namespace

namespace {

std::vector<const tv::TBaseInfo*> ViewOrder(const tv::TMapDocument& document) {
    std::vector<const tv::TBaseInfo*> order;
    for (const auto& view : document.Scene().Views)
        if (!view->Dead)
            order.push_back(view->Info);
    return order;
}

// Within one layer the drawing order is the designer's: a drag, a property edit and their
// undo and redo keep a view object's place among the ones of equal Z.
TEST(ViewOrderTest, EditsAndTheirUndoKeepTheOrderWithinALayer) {
    tv::TMapDocument document(nullptr, std::make_unique<tv::TMapScene>(nullptr, nullptr));
    document.NewMap();
    document.Paste(tv::ObjectsFromJson(R"([{"class": "TDecorInfo", "Name": "a", "Z": 3},
        {"class": "TDecorInfo", "Name": "b", "Z": 3}, {"class": "TDecorInfo", "Name": "c",
        "Z": 3}])"),
                   10, 20);
    const std::vector<const tv::TBaseInfo*> before = ViewOrder(document);
    ASSERT_EQ(before.size(), 3u);
    tv::TBaseInfo* middle = const_cast<tv::TBaseInfo*>(before[1]);
    document.Select(middle);
    document.BeginDrag(300, 200);
    document.DragTo(310, 220);
    document.EndDrag();
    EXPECT_EQ(ViewOrder(document), before);
    document.SetObjectProperty("Width", "90");
    EXPECT_EQ(ViewOrder(document), before);
    document.Undo();
    document.Undo();
    EXPECT_EQ(ViewOrder(document), before);
    document.Redo();
    EXPECT_EQ(ViewOrder(document), before);
}

} // namespace
