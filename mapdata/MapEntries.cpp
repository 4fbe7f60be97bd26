#include "mapdata/MapEntries.h"

#include "mapdata/Errors.h"

#include "mapdata/ObjMgr.h"
#include "mapdata/Objects.h"
#include "mapdata/Persistent.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace tv {

namespace {

// The record classes a map file's entries name, each remembered with a record of its defaults
// that full-form entries start from as a copy. A file names only a few classes, so a short list
// searched from the front is enough; it holds at most kMaxClasses, so spellings that differ
// only in case cannot make it grow without end.
class TEntryClasses {
public:
    // Reads an entry's class name; raises what CreateRecord raises for a name that is not a
    // record class.
    const TBaseInfo& DefaultsFor(TStream& stream) {
        std::string held;
        const std::string_view name = ReadStreamStringView(stream, held);
        for (const Known& known : known_)
            if (known.Name == name)
                return *known.Defaults;
        std::unique_ptr<TBaseInfo> defaults = CreateRecord(name);
        if (known_.size() == kMaxClasses)
            known_.pop_back();
        known_.insert(known_.begin(), Known{TText(name), std::move(defaults)});
        return *known_.front().Defaults;
    }

private:
    static constexpr size_t kMaxClasses = 16;
    struct Known {
        TText Name;
        std::unique_ptr<TBaseInfo> Defaults;
    };
    std::vector<Known> known_;
};

// Reads one entry after another.
class TEntryReader {
public:
    explicit TEntryReader(const TObjMgr* catalogue) : catalogue_(catalogue) {}

    std::unique_ptr<TBaseInfo> Read(TStream& stream) {
        // The entry's class must be a registered record class in both forms, although the
        // reference form makes its record from the prototype instead.
        const TBaseInfo& classDefaults = classes_.DefaultsFor(stream);
        const uint64_t start = stream.Position();
        std::string heldName;
        const std::string_view name = ReadStreamStringView(stream, heldName);
        const TBaseInfo* prototype = catalogue_ ? catalogue_->FindByName(name) : nullptr;
        std::unique_ptr<TBaseInfo> record;
        if (prototype) {
            // Reference form: a copy of the prototype, of the prototype's class.
            record = CloneInfo(*prototype);
            record->Left = stream.ReadInt32();
            record->Top = stream.ReadInt32();
        } else {
            stream.SetPosition(start);
            record = CloneInfo(classDefaults);
            record->ReadFromStream(stream);
        }
        return record;
    }

private:
    const TObjMgr* catalogue_;
    TEntryClasses classes_;
};

constexpr uint64_t kNowhere = std::numeric_limits<uint64_t>::max();

// Entries read from a start position until the position where the next run starts.
// How often the calling thread reports its progress.
constexpr size_t kEntriesPerReport = 4096;

struct TEntryRun {
    uint64_t Start = 0;
    uint64_t Next = kNowhere;
    TBaseInfoList Records{true};
    std::vector<uint64_t> Ends; // the position after each record
    std::exception_ptr Error;   // what ended the run early
    uint64_t ErrorPosition = 0; // where the reader was when it failed

    uint64_t End() const { return Ends.empty() ? Start : Ends.back(); }

    // Reads until the position is at or past Next, limit records were read, an error, or
    // quit. Never raises: an error is kept in Error.
    void Read(TStream& stream, const TObjMgr* catalogue, size_t limit,
              const std::atomic<bool>& quit, IProgress* progress = nullptr) noexcept {
        try {
            stream.SetPosition(Start);
            TEntryReader reader(catalogue);
            const uint64_t last = std::min<uint64_t>(Next, stream.Size());
            while (Ends.size() < limit && !quit.load(std::memory_order_relaxed)) {
                if (End() >= Next)
                    return;
                Records.Add(reader.Read(stream));
                Ends.push_back(stream.Position());
                if (progress && Ends.size() % kEntriesPerReport == 0 &&
                    !progress->Report(End() - Start, last > Start ? last - Start : 1))
                    throw ECancelled();
            }
        } catch (...) {
            Error = std::current_exception();
            ErrorPosition = stream.Position();
        }
    }
};

constexpr size_t kMaxThreads = 8;
// How far past the point where a run's share of the bytes begins its first entry is looked for.
constexpr size_t kGuessWindow = 64 * 1024;
// Every entry takes at least 12 bytes (class name, name, position).
constexpr uint64_t kSmallestEntry = 12;

bool IsStringTag(uint8_t tag) {
    return tag == kTagShortString || tag == kTagLongString || tag == kTagUtf16String ||
           tag == kTagUtf8String;
}

// Where an entry seems to start at or after from: a short string that names a record class,
// followed by another tagged string. Only a guess, as a text may hold the same bytes; the run
// that starts there counts only when the run before it ends exactly there.
uint64_t GuessEntryStart(TStream& stream, uint64_t from) {
    std::vector<uint8_t> bytes(kGuessWindow);
    stream.SetPosition(from);
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    const TClassRegistry& registry = TClassRegistry::Instance();
    const uint8_t* const begin = bytes.data();
    const uint8_t* const end = begin + bytes.size();
    for (const uint8_t* at = begin; end - at > 2; ++at) {
        at = static_cast<const uint8_t*>(
            std::memchr(at, kTagShortString, static_cast<size_t>(end - at)));
        if (!at || end - at <= 2)
            break;
        const size_t length = at[1];
        if (length == 0 || static_cast<size_t>(end - at) <= 2 + length ||
            !IsStringTag(at[2 + length]))
            continue;
        if (registry.IsRecordClass(std::string_view(reinterpret_cast<const char*>(at + 2), length)))
            return from + static_cast<uint64_t>(at - begin);
    }
    return kNowhere;
}

// The runs a stretch of entries is cut into, each but the first with the reader it is read
// through; the first is read through the stream itself.
struct TRunPlan {
    std::deque<TEntryRun> Runs;
    std::vector<std::unique_ptr<TStream>> Readers; // Readers[i] reads Runs[i + 1]
};

TRunPlan PlanRuns(TStream& stream, const TMapReadOptions& options) {
    TRunPlan plan;
    plan.Runs.emplace_back();
    plan.Runs[0].Start = stream.Position();
    const uint64_t bytes = stream.Remaining();
    size_t threads = options.Threads > 0 ? static_cast<size_t>(options.Threads)
                                         : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, kMaxThreads);
    const uint64_t runs =
        std::min<uint64_t>(threads, bytes / std::max<uint64_t>(options.MinRunBytes, 1));
    for (uint64_t i = 1; i < runs; ++i) {
        std::unique_ptr<TStream> reader = stream.OpenReader();
        if (!reader)
            break;
        const uint64_t start = GuessEntryStart(*reader, plan.Runs[0].Start + bytes / runs * i);
        if (start == kNowhere || start <= plan.Runs.back().Start)
            continue;
        plan.Runs.back().Next = start;
        plan.Runs.emplace_back();
        plan.Runs.back().Start = start;
        plan.Readers.push_back(std::move(reader));
    }
    return plan;
}

// Sets quit and waits for the threads, also when leaving by an exception.
class TRunThreads {
public:
    explicit TRunThreads(std::atomic<bool>& quit) : quit_(quit) {}
    TRunThreads(const TRunThreads&) = delete;
    TRunThreads& operator=(const TRunThreads&) = delete;
    ~TRunThreads() {
        quit_ = true;
        JoinAll();
    }

    // A run that cannot get a thread is left unread; it is read on this thread later.
    void Start(TEntryRun& run, TStream& reader, const TObjMgr* catalogue, size_t limit) {
        try {
            threads_.emplace_back([&run, &reader, catalogue, limit, this] {
                run.Read(reader, catalogue, limit, quit_);
            });
        } catch (const std::system_error&) {
        }
    }
    void JoinAll() {
        for (std::thread& thread : threads_)
            thread.join();
        threads_.clear();
    }

private:
    std::atomic<bool>& quit_;
    std::vector<std::thread> threads_;
};

} // namespace

void ReadMapEntries(TStream& stream, int32_t count, const TObjMgr* catalogue,
                    TBaseInfoList& objects, const TMapReadOptions& options) {
    if (count <= 0)
        return;
    // Room only for as many entries as the rest of the data could hold, so that a huge count
    // ends with a read error at the end of the data instead of a huge allocation.
    const size_t limit = static_cast<size_t>(count);
    objects.Reserve(
        static_cast<int>(std::min<uint64_t>(limit, stream.Remaining() / kSmallestEntry)));

    TRunPlan plan = PlanRuns(stream, options);
    std::deque<TEntryRun>& runs = plan.Runs;
    if (options.RunStarts) {
        options.RunStarts->clear();
        for (const TEntryRun& run : runs)
            options.RunStarts->push_back(run.Start);
    }
    std::atomic<bool> quit{false};
    {
        TRunThreads threads(quit);
        if (runs.size() > 1 && catalogue)
            catalogue->PrepareLookups(); // before any thread looks up a name
        for (size_t i = 1; i < runs.size(); ++i)
            threads.Start(runs[i], *plan.Readers[i - 1], catalogue, limit);
        runs[0].Read(stream, catalogue, limit, quit, options.Progress);
        // When the file fails in the first run, the other runs are not needed.
        if (runs[0].Error)
            quit = true;
        threads.JoinAll();
    }

    // A run counts when it starts exactly where a run that counts ended. When the run after
    // one does not (the guess was wrong, or its thread never ran), the entries after it are
    // read here, up to the first later run that starts where they end.
    const std::atomic<bool> never{false};
    std::deque<TEntryRun> continuations;
    TEntryRun* run = &runs[0];
    size_t needed = limit;
    for (;;) {
        const size_t taken = std::min(needed, run->Ends.size());
        objects.MoveFrontFrom(run->Records, static_cast<int>(taken));
        needed -= taken;
        if (needed == 0) {
            stream.SetPosition(run->Ends[taken - 1]);
            return;
        }
        if (run->Error) {
            stream.SetPosition(run->ErrorPosition); // where reading front to back stops too
            std::rethrow_exception(run->Error);
        }
        const uint64_t end = run->End();
        const auto follower = std::find_if(runs.begin(), runs.end(), [&](const TEntryRun& r) {
            return r.Start >= end && &r != run;
        });
        if (follower != runs.end() && follower->Start == end) {
            run = &*follower;
            continue;
        }
        TEntryRun& next = continuations.emplace_back();
        next.Start = end;
        next.Next = follower != runs.end() ? follower->Start : kNowhere;
        next.Read(stream, catalogue, needed, never, options.Progress);
        run = &next;
    }
}

} // namespace tv
