// Reading a map's entries in runs on several threads must give exactly what reading them front
// to back gives: the same records, the same error, the same position afterwards.
#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using namespace tv;
using tvtest::Bytes;

namespace {

// What a read ends with.
struct Outcome {
    std::string Error; // "" when the map was read
    Bytes Body;        // the map as written in full afterwards
    uint64_t Position = 0;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << "{error \"" << outcome.Error << "\", " << outcome.Body.size()
               << " bytes, position " << outcome.Position << "}";
}

Bytes Written(const TMap& map, const TObjMgr* catalogue) {
    TMemoryStream s;
    map.WriteToStream(s, catalogue);
    return s.Bytes();
}

// An entry name that holds what looks like the start of another entry: a short string naming
// a record class, followed by a tagged string.
std::string Decoy(int i) {
    return std::string("\x06\x0ATEnemyInfo\x06\x05Grunt#", 19) + std::to_string(i);
}

class EntryRuns : public ::testing::Test {
protected:
    void SetUp() override {
        auto grunt = std::make_unique<TEnemyInfo>();
        grunt->Name = "Grunt";
        grunt->HitPoints = 9;
        catalogue.Add(std::move(grunt));
        auto tree = std::make_unique<TDecorInfo>();
        tree->Name = "Tree";
        tree->Texture = "scenery\\tree.png";
        catalogue.Add(std::move(tree));

        // Every form of entry, with decoys in the names of full-form entries, and the position
        // where each entry starts.
        TMap source;
        for (int i = 0; i < kEntries; ++i) {
            std::unique_ptr<TBaseInfo> record;
            switch (i % 5) {
            case 0:
                record = std::make_unique<TDecorInfo>();
                record->Name = "Tree";
                break;
            case 1:
                record = std::make_unique<TEnemyInfo>();
                record->Name = Decoy(i);
                break;
            case 2:
                record = std::make_unique<TPlayerInfo>();
                record->Name = "Hrdina \xC4\x8D. " + std::to_string(i);
                break;
            case 3:
                record = std::make_unique<TBossInfo>();
                record->Name = std::string(300, 'B') + Decoy(i);
                break;
            default:
                record = std::make_unique<TEnemyInfo>();
                record->Name = "Grunt";
            }
            record->Left = i;
            record->Top = i % 600;
            source.Objects.Add(std::move(record));
        }
        file = Written(source, &catalogue);
        // Where entries start: the size of a map of the first n records, for every n.
        TMap prefix;
        for (int n = 0; n <= kEntries; ++n) {
            entryStarts.insert(Written(prefix, &catalogue).size());
            if (n < kEntries)
                prefix.Objects.Add(CloneInfo(*source.Objects[n]));
        }
        ASSERT_EQ(*entryStarts.rbegin(), file.size());
    }

    static TMapReadOptions Sequential() {
        TMapReadOptions options;
        options.Threads = 1;
        return options;
    }

    static TMapReadOptions Split(int threads, uint64_t minRunBytes,
                                 std::vector<uint64_t>* starts = nullptr) {
        TMapReadOptions options;
        options.Threads = threads;
        options.MinRunBytes = minRunBytes;
        options.RunStarts = starts;
        return options;
    }

    Outcome Finish(TMap& map, TStream& stream, const TMapReadOptions& options) {
        Outcome outcome;
        try {
            map.ReadFromStream(stream, &catalogue, options);
        } catch (const EError& e) {
            outcome.Error = e.what();
        }
        outcome.Body = Written(map, nullptr);
        outcome.Position = stream.Position();
        return outcome;
    }

    Outcome ReadWith(const Bytes& bytes, const TMapReadOptions& options) {
        TMemoryStream stream(bytes);
        TMap map;
        return Finish(map, stream, options);
    }

    Outcome ReadFileWith(const Bytes& bytes, const TMapReadOptions& options, size_t bufferSize) {
        dir.write("map.tvm", bytes);
        TFileReadStream stream(dir.file("map.tvm"), "map.tvm", bufferSize);
        TMap map;
        return Finish(map, stream, options);
    }

    // The settings a threaded read is tried with: few and many runs, from tiny to larger.
    static std::vector<TMapReadOptions> Splits() {
        return {Split(2, 1), Split(3, 4096), Split(8, 1), Split(8, 20000)};
    }

    static constexpr int kEntries = 400;
    static constexpr size_t kCountAt = 40 + 2 + 21 + 1 + 2 + 12 + 1 + 16 + 2 + 2 + 12;

    TObjMgr catalogue;
    Bytes file;
    std::set<uint64_t> entryStarts; // positions in file where an entry starts (and its end)
    tvtest::TempDir dir;
};

TEST_F(EntryRuns, ThreadedReadsGiveTheRecordsOfAFrontToBackRead) {
    const Outcome expected = ReadWith(file, Sequential());
    ASSERT_EQ(expected.Error, "");
    ASSERT_EQ(expected.Position, file.size());

    bool sawTrueStart = false;
    bool sawDecoyStart = false;
    for (const TMapReadOptions& split : Splits()) {
        std::vector<uint64_t> starts;
        TMapReadOptions options = split;
        options.RunStarts = &starts;
        EXPECT_EQ(ReadWith(file, options), expected) << options.Threads << " threads";
        EXPECT_EQ(ReadFileWith(file, options, 13), expected) << options.Threads << " threads";
        ASSERT_FALSE(starts.empty());
        EXPECT_TRUE(std::is_sorted(starts.begin(), starts.end()));
        for (size_t i = 1; i < starts.size(); ++i)
            (entryStarts.count(starts[i]) ? sawTrueStart : sawDecoyStart) = true;
    }
    // Both kinds of guess were made, so both the runs that count and the ones read again on
    // the first thread were exercised.
    EXPECT_TRUE(sawTrueStart);
    EXPECT_TRUE(sawDecoyStart);
}

TEST_F(EntryRuns, DamagedFilesFailWithTheErrorOfAFrontToBackRead) {
    std::vector<Bytes> damaged;
    for (size_t cut = kCountAt; cut < file.size(); cut += file.size() / 37)
        damaged.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    // An unknown tag, and a class that does not exist, at entries all along the file.
    int entry = 0;
    for (const uint64_t start : entryStarts) {
        if (start >= file.size() || ++entry % 40 != 0)
            continue;
        Bytes badTag = file;
        badTag[start] = 0x07;
        damaged.push_back(badTag);
        Bytes badClass = file;
        badClass[start + 2] = 'X';
        damaged.push_back(badClass);
    }
    ASSERT_GT(damaged.size(), 50u);

    for (const Bytes& bytes : damaged) {
        const Outcome expected = ReadWith(bytes, Sequential());
        ASSERT_NE(expected.Error, "");
        for (const TMapReadOptions& options : Splits())
            EXPECT_EQ(ReadWith(bytes, options), expected)
                << bytes.size() << " bytes, " << options.Threads << " threads";
    }
}

TEST_F(EntryRuns, ReadingStopsAfterTheCountedEntriesWhateverFollows) {
    // Fewer entries counted than the file holds, then garbage after the last entry.
    Bytes fewer = file;
    fewer[kCountAt] = static_cast<uint8_t>(kEntries - 7);
    Bytes trailing = file;
    trailing.insert(trailing.end(), {0x06, 0x0A, 'T',  'E',  'n', 'e', 'm', 'y', 'I', 'n',
                                     'f',  'o',  0x06, 0x05, 'G', 'r', 'u', 'n', 't', 0x01});
    for (const Bytes& bytes : {fewer, trailing}) {
        const Outcome expected = ReadWith(bytes, Sequential());
        ASSERT_EQ(expected.Error, "");
        for (const TMapReadOptions& options : Splits())
            EXPECT_EQ(ReadWith(bytes, options), expected) << options.Threads << " threads";
    }
    EXPECT_EQ(ReadWith(fewer, Sequential()).Position, *std::next(entryStarts.rbegin(), 7));
    // Only the counted entries are read: the garbage after them is not an error.
    EXPECT_EQ(ReadWith(trailing, Sequential()).Position, file.size());
}

// A stream that cannot open a second reader of its bytes.
class TSingleReaderStream : public TStream {
public:
    explicit TSingleReaderStream(const Bytes& bytes) : bytes_(bytes) {}
    size_t Read(void* buffer, size_t count) override {
        const size_t n = position_ < bytes_.size() ? std::min(count, bytes_.size() - position_) : 0;
        std::copy_n(bytes_.data() + position_, n, static_cast<uint8_t*>(buffer));
        position_ += n;
        return n;
    }
    size_t Write(const void*, size_t) override { return 0; }
    uint64_t Size() const override { return bytes_.size(); }
    uint64_t Position() const override { return position_; }
    void SetPosition(uint64_t position) override { position_ = static_cast<size_t>(position); }

private:
    const Bytes& bytes_;
    size_t position_ = 0;
};

TEST_F(EntryRuns, SmallFilesOneThreadAndSingleReaderStreamsAreReadInOneRun) {
    std::vector<uint64_t> starts;
    ReadWith(file, Split(8, file.size(), &starts));
    EXPECT_EQ(starts.size(), 1u);
    ReadWith(file, Split(8, 1, &starts));
    EXPECT_GT(starts.size(), 1u);
    ReadWith(file, Split(1, 1, &starts));
    EXPECT_EQ(starts.size(), 1u);

    TSingleReaderStream single(file);
    TMap map;
    EXPECT_EQ(Finish(map, single, Split(8, 1, &starts)), ReadWith(file, Sequential()));
    EXPECT_EQ(starts.size(), 1u);
}

} // namespace
