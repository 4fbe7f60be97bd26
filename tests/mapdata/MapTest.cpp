#include "mapdata/Map.h"
#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tv;
using tvtest::Bytes;
using tvtest::ByteWriter;

namespace {

const Bytes kHeader = {'T',  'V',  'M',  'P',  0x40, 0x05, 0x05, 0x40, 'T',  'O',
                       'R',  'V',  'A',  'N',  'I',  'K',  'I',  'A',  'N',  ' ',
                       'M',  'A',  'P',  ' ',  'F',  'I',  'L',  'E',  0x00, 0x00,
                       0x4B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x05, 0x05, 0x40};

Bytes Written(const TMap& map, const TObjMgr* catalogue) {
    TMemoryStream s;
    map.WriteToStream(s, catalogue);
    return s.Bytes();
}

Bytes RecordBytes(const TBaseInfo& record) {
    TMemoryStream s;
    record.WriteToStream(s);
    return s.Bytes();
}

// A catalogue with an "Enemy" (TEnemyInfo) and a "Tree" (TDecorInfo) prototype.
class MapFile : public ::testing::Test {
protected:
    void SetUp() override {
        auto enemy = std::make_unique<TEnemyInfo>();
        enemy->HitPoints = 11;
        enemy->Width = 96;
        catalogue.Add(std::move(enemy));
        auto tree = std::make_unique<TDecorInfo>();
        tree->Name = "Tree";
        tree->Texture = "scenery\\tree.png";
        catalogue.Add(std::move(tree));
    }

    // Loads bytes into the map; returns the error text, or "" on success.
    std::string Load(TMap& map, const Bytes& bytes, bool* result = nullptr) {
        TMemoryStream s(bytes);
        try {
            const bool ok = map.ReadFromStream(s, &catalogue);
            if (result)
                *result = ok;
        } catch (const EError& e) {
            return e.what();
        }
        return "";
    }

    TObjMgr catalogue;
};

template <class T> std::unique_ptr<T> Placed(const std::string& name, int32_t left, int32_t top) {
    auto record = std::make_unique<T>();
    record->Name = name;
    record->Left = left;
    record->Top = top;
    return record;
}

class TLiveThing : public TPersistent {
public:
    const char* ClassName() const override { return "TLiveThing"; }
};

// The state of a map that a failed load must not change.
struct MapState {
    Bytes Body;
    std::vector<TBaseInfo*> Records;
    size_t Live;
    bool operator==(const MapState&) const = default;
};

MapState StateOf(const TMap& map) {
    std::vector<TBaseInfo*> records(map.Objects.begin(), map.Objects.end());
    return {Written(map, nullptr), records, map.LiveObjects.size()};
}

} // namespace

TEST_F(MapFile, NewMapIs115BytesByteForByte) {
    const TMap map;
    EXPECT_EQ(map.MapName, "Meanwhile Unknown Map");
    EXPECT_EQ(map.FileName, "untitled.tvm");
    const Bytes expected = ByteWriter()
                               .raw(kHeader)
                               .shortString("Meanwhile Unknown Map")
                               .u8(0)
                               .shortString("untitled.tvm")
                               .u8(0)
                               .i32(5000)
                               .i32(600)
                               .i32(20)
                               .i32(20)
                               .shortString("")
                               .shortString("Map Objects:")
                               .i32(0)
                               .bytes();
    ASSERT_EQ(expected.size(), 115u);
    EXPECT_EQ(Written(map, &catalogue), expected);

    tvtest::TempDir dir;
    TMap saved;
    saved.SaveToFile(dir.file("untitled.tvm"), &catalogue);
    EXPECT_EQ(dir.read("untitled.tvm"), expected);
}

TEST_F(MapFile, ReferenceEntryMatchesTheWorkedExample) {
    TMap map;
    map.Objects.Add(Placed<TEnemyInfo>("Enemy", 100, 200));
    const Bytes body = Written(map, &catalogue);
    const Bytes entry(body.end() - 27, body.end());
    EXPECT_EQ(entry, (Bytes{0x06, 0x0A, 0x54, 0x45, 0x6E, 0x65, 0x6D, 0x79, 0x49,
                            0x6E, 0x66, 0x6F, 0x06, 0x05, 0x45, 0x6E, 0x65, 0x6D,
                            0x79, 0x64, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00}));
    EXPECT_EQ(body.size(), 115u + 27u);
    EXPECT_EQ(Bytes(body.end() - 31, body.end() - 27), (Bytes{1, 0, 0, 0}));
}

TEST_F(MapFile, ReferencedRecordsComeBackAsPrototypeCopiesAtTheirPosition) {
    TMap map;
    auto enemy = Placed<TEnemyInfo>("ENEMY", -5, 300);
    enemy->Width = 5;        // not stored: the prototype's width comes back
    enemy->HitPoints = 1000; // likewise
    map.Objects.Add(std::move(enemy));
    auto unlisted = Placed<TEnemyInfo>("Unlisted", 7, 8);
    unlisted->Width = 5;
    map.Objects.Add(std::move(unlisted));

    TMap loaded;
    ASSERT_EQ(Load(loaded, Written(map, &catalogue)), "");
    ASSERT_EQ(loaded.Objects.Count(), 2);
    const auto* first = dynamic_cast<TEnemyInfo*>(loaded.Objects[0]);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, catalogue.Get(0)); // a copy, not the prototype
    EXPECT_EQ(first->Name, "Enemy");    // the prototype's spelling
    EXPECT_EQ(first->Left, -5);
    EXPECT_EQ(first->Top, 300);
    EXPECT_EQ(first->Width, 96);
    EXPECT_EQ(first->HitPoints, 11);
    EXPECT_EQ(loaded.Objects[1]->Width, 5); // stored in full
    EXPECT_EQ(loaded.Objects[1]->Group, "Enemies");
}

TEST_F(MapFile, EntryLoadsAsThePrototypesClassWhateverClassItNames) {
    const Bytes bytes = ByteWriter()
                            .raw(kHeader)
                            .shortString("M")
                            .u8(0xEE)
                            .shortString("f.tvm")
                            .u8(0xEE)
                            .i32(1)
                            .i32(2)
                            .i32(3)
                            .i32(4)
                            .shortString("t")
                            .shortString("anything")
                            .i32(1)
                            .shortString("TDecorInfo")
                            .shortString("enemy")
                            .i32(10)
                            .i32(20)
                            .raw({0xDE, 0xAD}) // ignored
                            .bytes();
    TMap map;
    ASSERT_EQ(Load(map, bytes), "");
    ASSERT_EQ(map.Objects.Count(), 1);
    EXPECT_STREQ(map.Objects[0]->ClassName(), "TEnemyInfo");
    EXPECT_EQ(map.Objects[0]->Left, 10);
    EXPECT_EQ(map.MapName, "M");
    EXPECT_EQ(map.FileName, "f.tvm");
    EXPECT_EQ(map.MaxWorldX, 1);
    EXPECT_EQ(map.MaxWorldY, 2);
    EXPECT_EQ(map.Ground, 3);
    EXPECT_EQ(map.Sky, 4);
    EXPECT_EQ(map.ThemeMusic, "t");
}

TEST_F(MapFile, LowerCaseMagicIsAcceptedAndAWrongOneChangesNothing) {
    TMap source;
    source.MapName = "Lower";
    Bytes bytes = Written(source, &catalogue);
    bytes[0] = 't';
    bytes[1] = 'v';
    bytes[2] = 'm';
    bytes[3] = 'p';
    tvtest::MessageBoxRecorder boxes;
    TMap map;
    bool ok = false;
    ASSERT_EQ(Load(map, bytes, &ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(map.MapName, "Lower");

    bytes[3] = 'x';
    map.Objects.Add(Placed<TEnemyInfo>("Kept", 1, 1));
    const MapState before = StateOf(map);
    ASSERT_EQ(Load(map, bytes, &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(StateOf(map), before);
    EXPECT_EQ(boxes.messages(), (std::vector<std::string>{"Not valid TV Map file!"}));
}

TEST_F(MapFile, EveryClassRoundTripsInFullForm) {
    TMap map;
    int i = 0;
    for (const char* className :
         {"TBaseInfo", "TBackGroundInfo", "TDecorInfo", "TEnemyInfo", "TBossInfo", "TPlayerInfo"}) {
        std::unique_ptr<TBaseInfo> record = CreateRecord(className);
        record->Name = std::string("Full ") + className;
        record->Left = i * 1000;
        record->Top = -i;
        record->Color = 0x01020304u * static_cast<uint32_t>(i + 1);
        record->Speed = 0.125f * static_cast<float>(i);
        record->Blend = static_cast<uint8_t>(i % 2);
        record->Texture = "t\\" + std::to_string(i) + ".png";
        if (auto* player = dynamic_cast<TPlayerInfo*>(record.get())) {
            player->KeyUp = 87;
            player->SecondRangedWeapon = "Luk";
        }
        if (auto* entity = dynamic_cast<TEntityInfo*>(record.get()))
            entity->ExperiencePoints = 12345;
        map.Objects.Add(std::move(record));
        ++i;
    }
    for (const TObjMgr* cat :
         {static_cast<const TObjMgr*>(&catalogue), static_cast<const TObjMgr*>(nullptr)}) {
        TMap loaded;
        TMemoryStream s(Written(map, cat));
        ASSERT_TRUE(loaded.ReadFromStream(s, cat));
        ASSERT_EQ(loaded.Objects.Count(), map.Objects.Count());
        for (int k = 0; k < map.Objects.Count(); ++k) {
            EXPECT_STREQ(loaded.Objects[k]->ClassName(), map.Objects[k]->ClassName());
            EXPECT_EQ(RecordBytes(*loaded.Objects[k]), RecordBytes(*map.Objects[k]));
            EXPECT_EQ(loaded.Objects[k]->Group, GroupForClass(*map.Objects[k]));
        }
    }
}

TEST(MapObjects, AddObjectSortedKeepsLayerOrderNewestFirstWithinALayer) {
    TMap map;
    TBaseInfo* firstOne = map.AddObjectSorted(Placed<TDecorInfo>("a", 0, 0));
    firstOne->Z = 1; // set before the next insert, as the caller would have
    auto second = Placed<TDecorInfo>("b", 0, 0);
    second->Z = 1;
    TBaseInfo* secondOne = map.AddObjectSorted(std::move(second));
    auto zero = Placed<TDecorInfo>("c", 0, 0);
    zero->Z = 0;
    TBaseInfo* zeroOne = map.AddObjectSorted(std::move(zero));
    EXPECT_EQ(std::vector<TBaseInfo*>(map.Objects.begin(), map.Objects.end()),
              (std::vector<TBaseInfo*>{zeroOne, secondOne, firstOne}));

    // Many random layers: sorted by Z, and within a layer the latest insert comes first.
    TMap big;
    std::mt19937 random(7);
    std::vector<std::pair<int, int>> inserted; // (Z, sequence)
    for (int n = 0; n < 500; ++n) {
        auto record = std::make_unique<TBaseInfo>();
        record->Z = static_cast<int32_t>(random() % 9) - 4;
        record->Left = n;
        big.AddObjectSorted(std::move(record));
    }
    for (int k = 1; k < big.Objects.Count(); ++k) {
        const TBaseInfo* a = big.Objects[k - 1];
        const TBaseInfo* b = big.Objects[k];
        ASSERT_TRUE(a->Z < b->Z || (a->Z == b->Z && a->Left > b->Left)) << k;
    }

    // A batch in one pass lands exactly where one insertion after another puts it.
    TMap oneByOne;
    TMap batch;
    for (int n = 0; n < 300; ++n) {
        auto record = std::make_unique<TBaseInfo>();
        record->Z = static_cast<int32_t>(random() % 9) - 4;
        record->Left = n;
        oneByOne.AddObjectSorted(CloneInfo(*record));
        batch.AddObjectSorted(std::move(record));
    }
    std::vector<std::unique_ptr<TBaseInfo>> added;
    for (int n = 300; n < 700; ++n) {
        auto record = std::make_unique<TBaseInfo>();
        record->Z = static_cast<int32_t>(random() % 11) - 5;
        record->Left = n;
        oneByOne.AddObjectSorted(CloneInfo(*record));
        added.push_back(std::move(record));
    }
    const TMap::TPlaces places = batch.AddObjectsSorted(std::move(added));
    ASSERT_EQ(batch.Objects.Count(), oneByOne.Objects.Count());
    for (int k = 0; k < batch.Objects.Count(); ++k)
        ASSERT_EQ(batch.Objects[k]->Left, oneByOne.Objects[k]->Left) << k;
    ASSERT_EQ(places.Indexes.size(), 400u);
    for (size_t i = 0; i < places.Indexes.size(); ++i)
        EXPECT_EQ(batch.Objects[places.Indexes[i]], places.Records[i]);
}

TEST_F(MapFile, FailedLoadsLeaveTheMapAsItWas) {
    TMap source;
    source.MapName = "Source";
    source.Objects.Add(Placed<TEnemyInfo>("Enemy", 1, 2));
    source.Objects.Add(Placed<TPlayerInfo>("Hero", 3, 4));
    const Bytes good = Written(source, &catalogue);

    TMap map;
    map.MapName = "Before";
    map.MaxWorldX = 1234;
    map.Objects.Add(Placed<TDecorInfo>("Tree", 5, 6));
    map.Objects.Add(Placed<TBossInfo>("Unique", 7, 8));
    map.LiveObjects.push_back(std::make_unique<TLiveThing>());
    const MapState before = StateOf(map);

    // Every cut of a good file, including one shorter than the header.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_EQ(Load(map, Bytes(good.begin(), good.begin() + static_cast<long>(cut))),
                  kStreamReadError)
            << "cut at " << cut;
        ASSERT_EQ(StateOf(map), before) << "cut at " << cut;
    }

    class TWorldThing : public TPersistent {
    public:
        const char* ClassName() const override { return "TWorldThing"; }
    };
    TClassRegistry::Instance().Register("TWorldThing",
                                        [] { return std::make_unique<TWorldThing>(); });
    const auto withEntry = [&](const std::function<void(ByteWriter&)>& entry) {
        ByteWriter w;
        w.raw(kHeader)
            .shortString("Broken")
            .u8(0)
            .shortString("b.tvm")
            .u8(0)
            .i32(1)
            .i32(2)
            .i32(3)
            .i32(4)
            .shortString("")
            .shortString("Map Objects:")
            .i32(2)
            .shortString("TEnemyInfo")
            .shortString("Enemy")
            .i32(0)
            .i32(0);
        entry(w);
        return w.bytes();
    };
    const std::pair<Bytes, std::string> cases[] = {
        {withEntry([](ByteWriter& w) { w.shortString("TNoSuchInfo").shortString("x"); }),
         "Class TNoSuchInfo not found"},
        {withEntry([](ByteWriter& w) { w.shortString("TEntityInfo").shortString("x"); }),
         "Class TEntityInfo not found"},
        {withEntry([](ByteWriter& w) { w.shortString("TWorldThing").shortString("Enemy"); }),
         "Class TWorldThing is not an object type"},
        {withEntry([](ByteWriter& w) {
             w.shortString("TEnemyInfo").raw({0x09, 0x01});
         }),
         kInvalidPropertyValue},
        {withEntry([](ByteWriter& w) {
             w.raw({0x0C, 0xFF, 0xFF, 0xFF, 0x7F});
         }),
         kStreamReadError},
    };
    for (const auto& [bytes, message] : cases) {
        EXPECT_EQ(Load(map, bytes), message);
        EXPECT_EQ(StateOf(map), before) << message;
    }
    Bytes hugeCount = Written(TMap(), &catalogue);
    hugeCount[111] = 0xFF;
    hugeCount[112] = 0xFF;
    hugeCount[113] = 0xFF;
    hugeCount[114] = 0x7F;
    EXPECT_EQ(Load(map, hugeCount), kStreamReadError);
    EXPECT_EQ(StateOf(map), before);

    // The whole file loads, replacing everything and emptying the live objects.
    ASSERT_EQ(Load(map, good), "");
    EXPECT_EQ(map.MapName, "Source");
    EXPECT_EQ(map.Objects.Count(), 2);
    EXPECT_TRUE(map.LiveObjects.empty());
}

TEST_F(MapFile, FileNameComesFromTheSavePathAndFromTheLoadedContent) {
    tvtest::TempDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("data/maps")));
    TMap map;
    map.Objects.Add(Placed<TEnemyInfo>("Enemy", 100, 200));
    // A data-style path: backslashes, folders in another letter case.
    map.SaveToFile(dir.path() + "Data\\Maps\\level1.tvm", &catalogue);
    EXPECT_EQ(map.FileName, "level1.tvm");
    const Bytes saved = dir.read("data/maps/level1.tvm");
    EXPECT_EQ(saved, Written(map, &catalogue));

    dir.write("copy.tvm", saved);
    TMap loaded;
    ASSERT_TRUE(loaded.LoadFromFile(dir.file("copy.tvm"), &catalogue));
    EXPECT_EQ(loaded.FileName, "level1.tvm");
    ASSERT_EQ(loaded.Objects.Count(), 1);
    EXPECT_EQ(loaded.Objects[0]->Top, 200);

    try {
        loaded.LoadFromFile(dir.file("missing.tvm"), &catalogue);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.file("missing.tvm"));
    }
    EXPECT_EQ(loaded.FileName, "level1.tvm");
}

namespace {

// Files in a folder, for spotting stray temporary files.
QStringList FilesIn(const std::string& folder) {
    return QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST_F(MapFile, FailedSaveKeepsTheOldFileAndTheFileName) {
    tvtest::TempDir dir;
    const std::string target = dir.file("level.tvm");
    const Bytes old = {'o', 'l', 'd'};
    dir.write("level.tvm", old);

    TMap map;
    map.FileName = "before.tvm";
    for (int i = 0; i < 2000; ++i)
        map.Objects.Add(Placed<TPlayerInfo>("Hero " + std::to_string(i), i, i));

    // A write that fails part-way (file size limit, which holds for root too).
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    try {
        map.SaveToFile(target, &catalogue);
    } catch (const EError& e) {
        error = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, std::string(kStreamWriteError) + "\nin " + target + ": File too large");
    EXPECT_EQ(dir.read("level.tvm"), old);
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"level.tvm"});
    EXPECT_EQ(map.FileName, "before.tvm");

    // A folder that does not exist, or a file in place of a folder.
    for (const std::string& path : {dir.file("none/level.tvm"), dir.file("level.tvm/x.tvm")}) {
        try {
            map.SaveToFile(path, &catalogue);
            ADD_FAILURE() << "no error for " << path;
        } catch (const EError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
        }
        EXPECT_EQ(map.FileName, "before.tvm");
    }

    // A folder without write permission (root may write anyway).
    QDir().mkpath(QString::fromStdString(dir.file("locked")));
    dir.write("locked/level.tvm", old);
    QFile::setPermissions(QString::fromStdString(dir.file("locked")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (geteuid() != 0) {
        try {
            map.SaveToFile(dir.file("locked/level.tvm"), &catalogue);
            ADD_FAILURE() << "no error";
        } catch (const EError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir.file("locked/level.tvm"));
        }
        EXPECT_EQ(dir.read("locked/level.tvm"), old);
        EXPECT_EQ(FilesIn(dir.file("locked")), QStringList{"level.tvm"});
    }
    QFile::setPermissions(QString::fromStdString(dir.file("locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // And a save that works replaces the file.
    map.SaveToFile(target, &catalogue);
    EXPECT_EQ(map.FileName, "level.tvm");
    EXPECT_EQ(dir.read("level.tvm"), Written(map, &catalogue));
}

namespace {

mode_t FileType(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

} // namespace

TEST(ReplacingWrite, OnlyRegularFilesAreReplacedKeepingPermissionsAndLinks) {
    tvtest::TempDir dir;
    // A pipe, a socket, a folder and (as root) a device node in place of the target, directly
    // or behind a link: each is refused and stays what it was.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("folder"))));
    std::vector<std::string> special = {"pipe", "socket", "folder"};
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        special.push_back("null"); // a copy of /dev/null
    ASSERT_EQ(::symlink("pipe", dir.file("to-pipe").c_str()), 0);
    special.push_back("to-pipe");
    const QStringList before = FilesIn(dir.path());
    for (const std::string& name : special) {
        const mode_t type = FileType(dir.file(name));
        try {
            WriteFileReplacing(dir.file(name), Bytes{1, 2, 3});
            ADD_FAILURE() << "no error for " << name;
        } catch (const EError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir.file(name));
        }
        EXPECT_EQ(FileType(dir.file(name)), type) << name;
    }
    EXPECT_EQ(FilesIn(dir.path()), before);
    ::close(listener);

    // A replaced file keeps its permissions; a new one gets those of any new file; a link is
    // followed and stays a link.
    dir.write("private.tvm", {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(dir.file("private.tvm").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("private.tvm", dir.file("link.tvm").c_str()), 0);
    WriteFileReplacing(dir.file("link.tvm"), Bytes{'n', 'e', 'w'});
    EXPECT_EQ(FileType(dir.file("link.tvm")), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(dir.read("private.tvm"), (Bytes{'n', 'e', 'w'}));
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("private.tvm").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    WriteFileReplacing(dir.file("fresh.tvm"), Bytes{1});
    ASSERT_EQ(::stat(dir.file("fresh.tvm").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666u & ~mask);
}

TEST_F(MapFile, WritersRefuseTextsTheReadersRefuseAndKeepTheOldFile) {
    tvtest::TempDir dir;
    const std::string target = dir.file("level.tvm");
    const Bytes old = {'o', 'l', 'd'};
    const std::string atLimit(kMaxTextBytes, 'a');
    const std::string over = atLimit + "\xC3\xA1"; // two bytes over, as UTF-8
    // A text at the limit is written and read back; one over it is refused, naming the field
    // and the object, in the full form, the reference form and the map variables alike.
    TMap map;
    map.Objects.Add(Placed<TDecorInfo>("Tree", 1, 2));
    map.Objects.Add(Placed<TEnemyInfo>(atLimit, 3, 4));
    map.SaveToFile(target, &catalogue);
    TMap loaded;
    ASSERT_TRUE(loaded.LoadFromFile(target, &catalogue));
    EXPECT_EQ(loaded.Objects[1]->Name, atLimit);

    const std::string limit = " is a text of 1048578 bytes, over the limit of 1048576 bytes";
    const std::string shown = "\"" + std::string(200, 'a') + "\xE2\x80\xA6\"";
    const std::vector<std::pair<std::function<void(TMap&)>, std::string>> cases = {
        {[&](TMap& m) { static_cast<TEnemyInfo*>(m.Objects[1])->HitSound = over; },
         "HitSound of entry 1 (" + shown + ")"},
        {[&](TMap& m) { m.Objects[1]->Name = over; },
         "Name of entry 1 (\"" + MessageName(over) + "\")"},
        {[&](TMap& m) { m.Objects[0]->Texture = over; }, ""}, // stored by reference: no texture
        {[&](TMap& m) { m.MapName = over; }, "MapName of the map"},
    };
    for (const auto& [change, named] : cases) {
        SCOPED_TRACE(named);
        dir.write("level.tvm", old);
        TMap changed;
        changed.Objects.Add(Placed<TDecorInfo>("Tree", 1, 2));
        changed.Objects.Add(Placed<TEnemyInfo>(atLimit, 3, 4));
        change(changed);
        std::string error;
        try {
            changed.SaveToFile(target, &catalogue);
        } catch (const EError& e) {
            error = e.what();
        }
        if (named.empty()) {
            EXPECT_EQ(error, "");
            continue;
        }
        EXPECT_EQ(error, std::string(kStreamWriteError) + "\n" + named + limit);
        EXPECT_EQ(dir.read("level.tvm"), old);
        EXPECT_EQ(FilesIn(dir.path()), QStringList{"level.tvm"});
    }
}

TEST(ReplacingWrite, StaleTemporariesOfKilledWritersGoAndLiveOnesStay) {
    tvtest::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string gone = std::to_string(child);
    const std::string live = std::to_string(::getpid());
    const time_t now = std::time(nullptr);
    const auto make = [&](const std::string& name, time_t age) {
        dir.write(name, {1});
        const struct timespec times[2] = {{now - age, 0}, {now - age, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    };
    const QStringList kept = {
        ".level.tvm." + QString::fromStdString(gone) + ".abcdefghij.tmp", // written just now
        ".level.tvm." + QString::fromStdString(live) + ".abcdefghi0.tmp", // its writer runs
        ".level.tvm.abcdefghi1.tmp",                                      // old form, an hour
        ".level.tvm." + QString::fromStdString(gone) + ".ABCDEFGHIJ.tmp", // not the pattern
        ".other.tvm." + QString::fromStdString(gone) + ".abcdefghij.tmp", // another target
        "level.tvm." + QString::fromStdString(gone) + ".abcdefghij.tmp",  // not hidden
    };
    make(kept[0].toStdString(), 5);
    make(kept[1].toStdString(), 600);
    make(kept[2].toStdString(), 3600);
    for (int i = 3; i < kept.size(); ++i)
        make(kept[i].toStdString(), 600);
    make(".level.tvm." + gone + ".abcdefghi2.tmp", 120);
    make(".level.tvm.abcdefghi3.tmp", 2 * 24 * 3600);
    make(".level.tvm." + live + ".abcdefghi4.tmp", 2 * 24 * 3600);
    ASSERT_EQ(::symlink("level.tvm", dir.file(".level.tvm." + gone + ".abcdefghi5.tmp").c_str()),
              0);

    WriteFileReplacing(dir.file("level.tvm"), Bytes{'n', 'e', 'w'});
    QStringList expected = kept;
    expected << "level.tvm" << QString::fromStdString(".level.tvm." + gone + ".abcdefghi5.tmp");
    expected.sort();
    QStringList files = FilesIn(dir.path());
    files.sort();
    EXPECT_EQ(files, expected);
}

TEST_F(MapFile, HugeTextsInASparseFileAreRefusedWithoutTakingTheMemory) {
    // 1 GB on paper, a few bytes on the disk: a map name of 512 M UTF-16 units that the file
    // could hold is refused by its length alone, naming the file and where the text starts.
    tvtest::TempDir dir;
    const std::string path = dir.file("huge.tvm");
    tvtest::WriteFileBytes(path, ByteWriter().raw(kHeader).u8(0x12).i32(0x20000000).bytes());
    ASSERT_EQ(::truncate(path.c_str(), 1100ll * 1024 * 1024), 0);
    TMap map;
    try {
        map.LoadFromFile(path, &catalogue);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(std::string(e.what()), "Stream read error\nin " + path +
                                             "\na text of 1073741824 bytes at offset 40 is over "
                                             "the limit of 1048576 bytes");
    }
    EXPECT_EQ(map.MapName, "Meanwhile Unknown Map");
}

TEST_F(MapFile, LargeFileLoadsAsItsBytesReadFromMemory) {
    // Large enough that entries straddle the file reader's buffer, with texts in every form
    // the writer uses: short ASCII, accented (UTF-8) and longer than 255 bytes.
    TMap source;
    source.MapName = "Large";
    for (int i = 0; i < 6000; ++i) {
        switch (i % 4) {
        case 0:
            source.Objects.Add(Placed<TDecorInfo>("Tree", i, i % 600)); // by reference
            break;
        case 1: {
            auto hero = Placed<TPlayerInfo>("Hrdina \xC4\x8D. " + std::to_string(i), i, 1);
            hero->Texture = "players\\hero_" + std::to_string(i) + ".png";
            source.Objects.Add(std::move(hero));
            break;
        }
        case 2:
            source.Objects.Add(Placed<TBossInfo>(std::string(300, 'B') + std::to_string(i), i, 2));
            break;
        default:
            source.Objects.Add(Placed<TEnemyInfo>("Enemy", i, 3)); // by reference
        }
    }
    tvtest::TempDir dir;
    source.SaveToFile(dir.file("large.tvm"), &catalogue);
    const Bytes saved = dir.read("large.tvm");
    ASSERT_GT(saved.size(), 3u * 256 * 1024);

    TMap fromFile;
    ASSERT_TRUE(fromFile.LoadFromFile(dir.file("large.tvm"), &catalogue));
    TMap fromMemory;
    ASSERT_EQ(Load(fromMemory, saved), "");
    EXPECT_EQ(fromFile.Objects.Count(), 6000);
    EXPECT_EQ(Written(fromFile, nullptr), Written(fromMemory, nullptr));
    EXPECT_EQ(Written(fromFile, &catalogue), saved);
    // Through a buffer of a few bytes, almost every value and text crosses its end.
    TFileReadStream smallBuffer(dir.file("large.tvm"), "large.tvm", 13);
    TMap throughSmallBuffer;
    ASSERT_TRUE(throughSmallBuffer.ReadFromStream(smallBuffer, &catalogue));
    EXPECT_EQ(Written(throughSmallBuffer, &catalogue), saved);
    // A reference entry is the prototype's copy at its stored position.
    const auto* enemy = dynamic_cast<const TEnemyInfo*>(fromFile.Objects[3]);
    ASSERT_NE(enemy, nullptr);
    EXPECT_EQ(enemy->HitPoints, 11);
    EXPECT_EQ(enemy->Left, 3);
}
