#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tv;
using tvtest::Bytes;
using tvtest::ByteWriter;

namespace {

// Catalogue bytes: any 40-byte header, the count, then class name and record per entry.
class CatalogueBytes {
public:
    explicit CatalogueBytes(int32_t count, uint8_t headerFill = 0xAB) {
        const Bytes header(40, headerFill);
        stream_.WriteBuffer(header.data(), header.size());
        stream_.WriteInt32(count);
    }
    CatalogueBytes& entry(const TBaseInfo& record) { return entry(record.ClassName(), record); }
    CatalogueBytes& entry(const std::string& className, const TBaseInfo& record) {
        WriteStreamString(stream_, className);
        record.WriteToStream(stream_);
        return *this;
    }
    CatalogueBytes& raw(const Bytes& bytes) {
        stream_.WriteBuffer(bytes.data(), bytes.size());
        return *this;
    }
    const Bytes& bytes() const { return stream_.Bytes(); }

private:
    TMemoryStream stream_;
};

template <class T> T Named(const std::string& name) {
    T record;
    record.Name = name;
    return record;
}

std::string ReadInto(TObjMgr& catalogue, const Bytes& bytes) {
    TMemoryStream stream(bytes);
    try {
        catalogue.ReadCatalogue(stream);
    } catch (const EError& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> Names(const TObjMgr& catalogue) {
    std::vector<std::string> names;
    for (int i = 0; i < catalogue.Count(); ++i)
        names.push_back(catalogue.Get(i)->Name.str());
    return names;
}

} // namespace

TEST(Catalogue, ZeroOrNegativeCountGivesAnEmptyCatalogue) {
    for (int32_t count : {0, -1, INT32_MIN}) {
        TObjMgr catalogue;
        EXPECT_EQ(ReadInto(catalogue, CatalogueBytes(count, 0xFF).entry(TEnemyInfo()).bytes()), "");
        EXPECT_EQ(catalogue.Count(), 0);
        EXPECT_EQ(catalogue.FindByName("Enemy"), nullptr);
    }
}

TEST(Catalogue, ReadsEntriesInFileOrderWithTheirClasses) {
    TEnemyInfo slime = Named<TEnemyInfo>("Slime");
    slime.HitPoints = 42;
    TObjMgr catalogue;
    ASSERT_EQ(ReadInto(catalogue, CatalogueBytes(3)
                                      .entry(Named<TBackGroundInfo>("Sky"))
                                      .entry("tbossinfo", Named<TBossInfo>("Ogre"))
                                      .entry(slime)
                                      .bytes()),
              "");
    EXPECT_EQ(Names(catalogue), (std::vector<std::string>{"Sky", "Ogre", "Slime"}));
    EXPECT_STREQ(catalogue.Get(1)->ClassName(), "TBossInfo");
    EXPECT_EQ(catalogue.Get(1)->Group, "Bosses");
    EXPECT_EQ(static_cast<TEnemyInfo*>(catalogue.FindByName("slime"))->HitPoints, 42);
    EXPECT_EQ(catalogue.FindByName("Slim"), nullptr);
}

TEST(Catalogue, RepeatedNamesInAnyCaseFindTheLaterPrototype) {
    const std::string dyka = "D\xC3\xBDka";      // Dýka
    const std::string dykaUpper = "D\xC3\x9DKA"; // DÝKA
    TObjMgr catalogue;
    ASSERT_EQ(ReadInto(catalogue, CatalogueBytes(5)
                                      .entry(Named<TEnemyInfo>("Goblin"))
                                      .entry(Named<TDecorInfo>(dyka))
                                      .entry(Named<TDecorInfo>("Other"))
                                      .entry(Named<TBossInfo>("GOBLIN"))
                                      .entry(Named<TPlayerInfo>(dykaUpper))
                                      .bytes()),
              "");
    for (const char* name : {"Goblin", "GOBLIN", "gObLiN"})
        EXPECT_EQ(catalogue.FindByName(name), catalogue.Get(3)) << name;
    EXPECT_EQ(catalogue.FindByName(dyka), catalogue.Get(4));
    EXPECT_EQ(catalogue.FindByName(dykaUpper), catalogue.Get(4));
    EXPECT_TRUE(TextEquals(dyka, dykaUpper));
}

TEST(Catalogue, FailuresKeepTheRecordsReadBefore) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::string error;
    };
    const Bytes good = CatalogueBytes(3).entry(Named<TDecorInfo>("First")).bytes();
    Bytes truncated = CatalogueBytes(3)
                          .entry(Named<TDecorInfo>("First"))
                          .entry(Named<TPlayerInfo>("Second"))
                          .bytes();
    truncated.resize(truncated.size() - 3);
    const std::vector<Case> cases = {
        {"unregistered record class",
         CatalogueBytes(3)
             .entry(Named<TDecorInfo>("First"))
             .entry(Named<TEntityInfo>("Second"))
             .bytes(),
         "Class TEntityInfo not found"},
        {"unknown class",
         CatalogueBytes(2).entry(Named<TDecorInfo>("First")).entry("TNope", TBaseInfo()).bytes(),
         "Class TNope not found"},
        {"truncated record", truncated, kStreamReadError},
        {"missing entries", good, kStreamReadError},
        {"bad tag in a class name",
         CatalogueBytes(2).entry(Named<TDecorInfo>("First")).raw({0x07, 0x01, 'T'}).bytes(),
         kInvalidPropertyValue},
        {"huge count", CatalogueBytes(INT32_MAX).entry(Named<TDecorInfo>("First")).bytes(),
         kStreamReadError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TObjMgr catalogue;
        EXPECT_EQ(ReadInto(catalogue, c.bytes), c.error);
        EXPECT_EQ(Names(catalogue), (std::vector<std::string>{"First"}));
        EXPECT_NE(catalogue.FindByName("first"), nullptr);
    }

    TObjMgr catalogue;
    EXPECT_EQ(ReadInto(catalogue, Bytes(43, 0)), kStreamReadError);
    EXPECT_EQ(catalogue.Count(), 0);
}

TEST(Catalogue, WorldObjectClassNameIsRejected) {
    class TDummyScenery : public TPersistent {
    public:
        const char* ClassName() const override { return "TDummyScenery"; }
    };
    TClassRegistry::Instance().Register("TDummyScenery",
                                        [] { return std::make_unique<TDummyScenery>(); });
    TObjMgr catalogue;
    EXPECT_EQ(ReadInto(catalogue, CatalogueBytes(2)
                                      .entry(Named<TDecorInfo>("First"))
                                      .entry("TDummyScenery", TBaseInfo())
                                      .bytes()),
              "Class TDummyScenery is not an object type");
    EXPECT_EQ(catalogue.Count(), 1);
}

TEST(Catalogue, ReadingAgainReplacesThePrototypes) {
    TObjMgr catalogue;
    ASSERT_EQ(ReadInto(catalogue, CatalogueBytes(1).entry(Named<TDecorInfo>("Old")).bytes()), "");
    ASSERT_EQ(ReadInto(catalogue, CatalogueBytes(1).entry(Named<TDecorInfo>("New")).bytes()), "");
    EXPECT_EQ(Names(catalogue), (std::vector<std::string>{"New"}));
    EXPECT_EQ(catalogue.FindByName("Old"), nullptr);
}

TEST(Catalogue, LookupsFollowChangesMadeDirectlyToTheList) {
    TObjMgr catalogue;
    catalogue.Add(std::make_unique<TEnemyInfo>());
    catalogue.List.Add(std::make_unique<TBossInfo>());
    EXPECT_EQ(catalogue.FindByName("boss"), catalogue.Get(1));
    catalogue.List.Delete(1);
    EXPECT_EQ(catalogue.FindByName("boss"), nullptr);
    EXPECT_EQ(catalogue.FindByName("ENEMY"), catalogue.Get(0));

    // Changes that keep the count and the last record: the first one replaced, and two of one
    // name exchanged (the later of them is the one found).
    catalogue.Add(std::make_unique<TDecorInfo>(Named<TDecorInfo>("Last")));
    catalogue.List.Delete(0);
    catalogue.List.Insert(0, new TDecorInfo(Named<TDecorInfo>("Twin")));
    EXPECT_EQ(catalogue.FindByName("enemy"), nullptr);
    EXPECT_EQ(catalogue.FindByName("twin"), catalogue.Get(0));
    TBaseInfo* laterTwin = catalogue.List.Insert(1, new TDecorInfo(Named<TDecorInfo>("TWIN")));
    EXPECT_EQ(catalogue.FindByName("twin"), laterTwin);
    catalogue.List.Insert(0, catalogue.List.Extract(laterTwin).release());
    EXPECT_EQ(catalogue.FindByName("twin"), catalogue.Get(1));
    EXPECT_NE(catalogue.Get(1), laterTwin);

    // Exchanging lists.
    TBaseInfoList other;
    other.Add(new TDecorInfo(Named<TDecorInfo>("Elsewhere")));
    catalogue.List.Swap(other);
    EXPECT_EQ(catalogue.FindByName("elsewhere"), catalogue.Get(0));
    EXPECT_EQ(catalogue.FindByName("last"), nullptr);
}

TEST(Catalogue, LoadsFromTheBaseFolderIgnoringLetterCase) {
    tvtest::TempDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("Data/Obj")));
    dir.write("Data/Obj/Objects.TVD", CatalogueBytes(1).entry(Named<TEnemyInfo>("Slime")).bytes());
    const std::string savedBase = BaseFolder();
    SetBaseFolder(dir.path());
    TObjMgr catalogue;
    EXPECT_NO_THROW(catalogue.LoadCatalogue());
    SetBaseFolder(savedBase);
    EXPECT_EQ(Names(catalogue), (std::vector<std::string>{"Slime"}));
    EXPECT_EQ(SharedStream().Size(), 0u);
}

TEST(Catalogue, FileFailuresClearTheSharedStream) {
    tvtest::TempDir dir;
    TObjMgr catalogue;
    const std::string missing = dir.file("none.tvd");
    try {
        catalogue.LoadCatalogueFile(missing);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }

    Bytes broken = CatalogueBytes(2).entry(Named<TDecorInfo>("First")).bytes();
    broken.push_back(0x06);
    dir.write("broken.tvd", broken);
    try {
        catalogue.LoadCatalogueFile(dir.file("broken.tvd"));
        FAIL() << "no error";
    } catch (const EError& e) {
        // The reader's own message first, then the file and the record it failed in.
        EXPECT_EQ(std::string(e.what()),
                  std::string(kStreamReadError) + "\nin " + dir.file("broken.tvd") + ", entry 1");
    }
    EXPECT_EQ(SharedStream().Size(), 0u);
    EXPECT_EQ(catalogue.Count(), 1);
}

TEST(Catalogue, PipesAndDevicesAreRefusedAndRunningOutOfMemoryNamesTheFile) {
    tvtest::TempDir dir;
    TObjMgr catalogue;
    // Neither may block or grow without end: a pipe nobody writes to, an endless device.
    ASSERT_EQ(::mkfifo(dir.file("pipe.tvd").c_str(), 0600), 0);
    for (const std::string& path : {dir.file("pipe.tvd"), std::string("/dev/zero")}) {
        try {
            catalogue.LoadCatalogueFile(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const EError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
        }
    }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit set here";
#else
    // A sparse file of 4 GB under an address space limit 256 MB above what the process uses.
    const std::string huge = dir.file("huge.tvd");
    dir.write("huge.tvd", {});
    ASSERT_EQ(::truncate(huge.c_str(), 4ll << 30), 0);
    long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    ASSERT_NE(statm, nullptr);
    ASSERT_EQ(std::fscanf(statm, "%ld", &pages), 1);
    std::fclose(statm);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (256u << 20);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
    std::string error;
    try {
        catalogue.LoadCatalogueFile(huge);
    } catch (const EError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_AS, &saved);
    EXPECT_EQ(error, "Out of memory reading " + huge);
    EXPECT_EQ(SharedStream().Size(), 0u);
#endif
}

TEST(Catalogue, LookupAgreesWithTextEqualsOnAnyAsciiName) {
    // The index folds ASCII names of up to 64 bytes eight bytes at a time. The characters next
    // to the letters ('@' '[' '`' '{') differ from letters and from each other by the same bit
    // that case does, so they are where a wrong fold would join names that TextEquals keeps
    // apart.
    std::mt19937 random(77);
    const std::string alphabet = "aAzZbY@[`{ ~09_";
    const auto randomName = [&] {
        std::string name(random() % 80, ' '); // past 64 bytes too, where no fast path is taken
        for (char& c : name)
            c = alphabet[random() % alphabet.size()];
        return name;
    };
    TObjMgr catalogue;
    for (int i = 0; i < 300; ++i) {
        auto record = std::make_unique<TDecorInfo>();
        record->Name = randomName();
        catalogue.Add(std::move(record));
    }
    for (int i = 0; i < 3000; ++i) {
        // Half the queries are a prototype's name with some bytes changed by the case bit.
        std::string query = i % 2 ? randomName() : catalogue.Get(i % 300)->Name.str();
        for (char& c : query)
            if (random() % 3 == 0)
                c = static_cast<char>(c ^ 0x20);
        const TBaseInfo* expected = nullptr;
        for (const TBaseInfo* record : catalogue.List)
            if (TextEquals(record->Name, query))
                expected = record;
        ASSERT_EQ(catalogue.FindByName(query), expected) << '"' << query << '"';
    }
}
