#include "tools/tvmtool/PlayCommand.h"

#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "tools/tvmtool/Commands.h"
#include "tools/tvmtool/RenderCommand.h"
#include "world/Equipment.h"
#include "world/PlaySession.h"
#include "world/ScriptedPlay.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace tv::tool {

namespace {

const char* const kPlayUsage =
    "usage: tvmtool play [--base GAMEDIR] [--no-catalogue] MAP.tvm --updates N [--keys SCRIPT]\n"
    "                    [--ms-per-update MS] [--seed N] [--screenshot OUT.png]\n"
    "SCRIPT lines: KEY FIRST-LAST (updates from 1), KEY one of LEFT RIGHT UP DOWN FIRE1 FIRE2\n"
    "(the player's keys), SHIFT CTRL SPACE, a letter or digit, or a code 1..255; # comments.\n";

// A run longer than this is refused rather than left to spin for hours.
constexpr uint64_t kMaxUpdates = 10'000'000;
// The random generator's seed unless --seed gives one: runs are reproducible.
constexpr uint32_t kDefaultSeed = 1;

struct PlayOptions : CommandLine {
    bool HaveUpdates = false;
    uint64_t Updates = 0;
    double MsPerUpdate = kGameUpdateMs;
    uint32_t Seed = kDefaultSeed;
    bool HaveSeed = false;
    std::string KeyScript;
    std::string Screenshot;
};

PlayOptions ParsePlayOptions(const std::vector<std::string>& args) {
    PlayOptions options;
    const auto own = [&options](const std::string& option, const auto& value) {
        if (option == "--updates") {
            const std::string& text = value();
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), options.Updates);
            if (error != std::errc() || end != text.data() + text.size() ||
                options.Updates > kMaxUpdates)
                throw UsageError("--updates needs a whole number 0.." +
                                 std::to_string(kMaxUpdates));
            options.HaveUpdates = true;
        } else if (option == "--ms-per-update") {
            const std::string& text = value();
            size_t used = 0;
            double ms = -1.0;
            try {
                ms = std::stod(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != text.size() || !std::isfinite(ms) || ms < 0.0 || ms > 60000.0)
                throw UsageError("--ms-per-update needs a number of 0..60000");
            options.MsPerUpdate = ms;
        } else if (option == "--seed") {
            const std::string& text = value();
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), options.Seed);
            if (error != std::errc() || end != text.data() + text.size())
                throw UsageError("--seed needs a whole number 0..4294967295");
            options.HaveSeed = true;
        } else if (option == "--keys") {
            options.KeyScript = value();
        } else if (option == "--screenshot") {
            options.Screenshot = value();
        } else {
            return false;
        }
        return true;
    };
    static_cast<CommandLine&>(options) = ParseCommandLine(args, 1, 1, own);
    if (!options.HaveUpdates && options.KeyScript.empty())
        throw UsageError("--updates is required");
    return options;
}

// A headless device with a texture cache when an OpenGL context can be had; nothing
// otherwise (the engine's objects may also belong to someone else in this process).
class OptionalDevice {
public:
    OptionalDevice() : target_(800, 600), engine_(&target_, 800, 600) {}

    const PD3DDevice& Device() const { return engine_.Device(); }

private:
    THeadlessTarget target_;
    TEngineSession engine_;
};

} // namespace

int PlayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    PlayOptions options;
    try {
        options = ParsePlayOptions(args);
    } catch (const std::invalid_argument& e) {
        err << "tvmtool: " << e.what() << "\n" << kPlayUsage;
        return 2;
    }
    std::vector<TKeySpan> keys;
    TKeyScriptHeader header;
    if (!options.KeyScript.empty()) {
        const std::vector<uint8_t> script = ReadRegularFile(options.KeyScript, options.KeyScript);
        ReadingFile(options.KeyScript, [&] {
            const std::string text(script.begin(), script.end());
            header = ParseKeyScriptHeader(text);
            keys = ParseKeyScript(text);
        });
    }
    // A recorded playtest's header gives its seed, start and length unless the command line
    // says otherwise.
    if (!options.HaveSeed && header.Seed)
        options.Seed = *header.Seed;
    if (!options.HaveUpdates) {
        if (!header.Updates) {
            err << "tvmtool: --updates is required (the key script does not say how long it "
                   "plays)\n"
                << kPlayUsage;
            return 2;
        }
        options.Updates = std::min<uint64_t>(*header.Updates, kMaxUpdates);
    }

    const ScopedBaseFolder base(options.GameDir);
    struct ClearEquipmentAtEnd {
        ~ClearEquipmentAtEnd() { ClearEquipment(); }
    } clearEquipment;

    RegisterWorldClasses();
    TObjMgr catalogue;
    if (options.UseCatalogue)
        catalogue.LoadCatalogue();
    TMap map;
    if (!LoadCommandMap(map, options.Files[0], options.UseCatalogue ? &catalogue : nullptr))
        return 1; // the notice has been printed
    if (!LoadEquipmentFile())
        err << "note: without the equipment tables nobody carries a weapon\n";

    OptionalDevice device;
    if (!device.Device()) {
        if (!options.Screenshot.empty())
            throw EError("no OpenGL 3.3 core context: cannot take a screenshot");
        err << "note: no OpenGL 3.3 core context; the world runs without textures and draws "
               "nothing\n";
    }
    TPlaySettings settings;
    settings.MsPerUpdate = options.MsPerUpdate;
    settings.Start = header.Start;
    settings.Seed = options.Seed;
    settings.Overlay = false; // the picture shows the level alone
    QImage lastFrame;
    {
        TPlaySession session(map, device.Device(), settings);
        const TPlayReport report = RunScriptedPlay(session, options.Updates, keys, out);
        WritePlaySummary(report, out);
        if (device.Device() && !options.Screenshot.empty()) {
            session.DrawFrame();
            lastFrame = device.Device()->ReadBackBuffer();
        }
    }
    if (!options.Screenshot.empty()) {
        WritePng(lastFrame, options.Screenshot);
    }
    return 0;
}

} // namespace tv::tool
