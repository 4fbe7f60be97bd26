#include "world/PlaySession.h"

#include "engine/KeyState.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Text.h"
#include "world/Actors.h"
#include "world/MessageWindow.h"

#include <cmath>
#include <limits>
#include <ostream>
#include <sstream>

namespace tv {

namespace {

const char* const kRoleNames[] = {"LEFT", "RIGHT", "UP", "DOWN", "FIRE1", "FIRE2"};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsRole(const std::string& name) {
    for (const char* role : kRoleNames)
        if (name == role)
            return true;
    return false;
}

bool ParseNumber(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// The virtual-key code of a key named directly; 0 for a name that is none.
int DirectKeyCode(const std::string& name) {
    if (name == "SHIFT")
        return VK_SHIFT;
    if (name == "CTRL" || name == "CONTROL")
        return VK_CONTROL;
    if (name == "SPACE")
        return VK_SPACE;
    if (name.size() == 1 &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
        return name[0];
    uint64_t code = 0;
    if (ParseNumber(name, code) && code >= 1 && code < static_cast<uint64_t>(kVirtualKeyCount))
        return static_cast<int>(code);
    return 0;
}

int KeyCodeFor(const std::string& name, const TPlayer* player) {
    if (!IsRole(name))
        return DirectKeyCode(name);
    if (name == "LEFT")
        return player->KeyLeft;
    if (name == "RIGHT")
        return player->KeyRight;
    if (name == "UP")
        return player->KeyUp;
    if (name == "DOWN")
        return player->KeyDown;
    if (name == "FIRE1")
        return player->KeyFire1;
    return player->KeyFire2;
}

[[noreturn]] void ScriptError(int line, const std::string& text) {
    throw EError(Format("key script line %d: %s", line, text.c_str()));
}

// The script with one kind of line end, "\n", and no byte order mark in front: editors save
// "\r\n", "\r" and a UTF-8 mark as they please.
std::string PlainLines(const std::string& text) {
    const size_t mark = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string plain;
    plain.reserve(text.size() - mark);
    for (size_t i = mark; i < text.size(); ++i) {
        if (text[i] != '\r')
            plain += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            plain += '\n';
    }
    return plain;
}

} // namespace

std::vector<TKeySpan> ParseKeyScript(const std::string& text) {
    std::vector<TKeySpan> spans;
    std::istringstream lines(PlainLines(text));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string name;
        std::string range;
        std::string extra;
        if (!(words >> name))
            continue;
        if (!(words >> range))
            ScriptError(number, "\"" + MessageName(name) +
                                    "\" needs the updates it is down in (FIRST-LAST)");
        if (words >> extra)
            ScriptError(number, "unexpected \"" + MessageName(extra) + "\"");
        TKeySpan span;
        span.Name = Upper(name);
        span.Line = number;
        if (!IsRole(span.Name) && DirectKeyCode(span.Name) == 0)
            ScriptError(number, "unknown key \"" + MessageName(name) + "\"");
        const size_t dash = range.find('-');
        const std::string first = range.substr(0, dash);
        const std::string last = dash == std::string::npos ? first : range.substr(dash + 1);
        if (!ParseNumber(first, span.First) || !ParseNumber(last, span.Last))
            ScriptError(number,
                        "\"" + MessageName(range) + "\" is not an update range (FIRST-LAST)");
        if (span.First == 0)
            ScriptError(number, "updates are numbered from 1");
        if (span.Last < span.First)
            ScriptError(number, "the range \"" + MessageName(range) + "\" ends before it starts");
        spans.push_back(span);
    }
    return spans;
}

TPlaySession::TPlaySession(PD3DDevice device)
    : previousClock_(&::tv::Clock()), device_(std::move(device)),
      world_(std::make_unique<TGameWorld>()) {
    SetClock(&clock_);
    ResetKeyState();
    world_->Device = device_;
}

TPlaySession::~TPlaySession() {
    world_.reset();
    ResetKeyState();
    SetClock(previousClock_);
}

void TPlaySession::Build(const TMap& map) {
    BuildWorldFromMap(*world_, map, device_);
}

TPlayReport TPlaySession::Run(const TPlayOptions& options, std::ostream& out) {
    TGameWorld& world = *world_;
    TPlayer* player = world.Player();

    // The keys of the script, resolved against the player's own keys.
    struct KeyPlan {
        int Code;
        uint64_t First;
        uint64_t Last;
    };
    std::vector<KeyPlan> plan;
    std::vector<int> codes;
    for (const TKeySpan& span : options.Keys) {
        if (IsRole(span.Name) && !player)
            throw EError(Format("key script line %d: %s is a key of the player, and the map has "
                                "no player",
                                span.Line, span.Name.c_str()));
        const int code = KeyCodeFor(span.Name, player);
        plan.push_back(KeyPlan{code, span.First, span.Last});
        bool known = false;
        for (int c : codes)
            known = known || c == code;
        if (!known)
            codes.push_back(code);
    }

    TPlayReport report;
    for (TBaseObj* object : world.Objects)
        if (dynamic_cast<TEnemy*>(object))
            ++report.EnemiesAtStart;

    uint64_t update = 0;
    world.OnMessage = [&out, &update](const TWorldMessage& message) {
        out << "[" << update << "] " << MessageName(message.Text) << "\n";
    };
    const MessageWindowHook previousHook =
        SetMessageWindowHook([&out, &update](const std::vector<std::string>& lines,
                                             const std::string& title, const std::string&, bool) {
            out << "[" << update << "] player died: " << MessageName(title) << "\n";
            for (const std::string& line : lines)
                out << "    " << MessageName(line) << "\n";
        });
    struct RestoreHook {
        const MessageWindowHook& Previous;
        TGameWorld& World;
        ~RestoreHook() {
            SetMessageWindowHook(Previous);
            World.OnMessage = nullptr;
        }
    } restore{previousHook, world};

    const uint32_t start = clock_.NowMs();
    const double ms = std::isfinite(options.MsPerUpdate) && options.MsPerUpdate >= 0.0
                          ? options.MsPerUpdate
                          : 1000.0 / 60.0;
    for (update = 1; update <= options.Updates; ++update) {
        const double offset =
            std::fmod(std::nearbyint(static_cast<double>(update) * ms), 4294967296.0);
        clock_.Set(start + static_cast<uint32_t>(offset));
        for (int code : codes) {
            bool down = false;
            for (const KeyPlan& key : plan)
                down = down || (key.Code == code && key.First <= update && update <= key.Last);
            SetKeyDown(code, down);
        }
        world.Device = options.DrawEveryUpdate || update == options.Updates ? device_ : nullptr;
        world.Step();
        world.PlayerDied = false;
    }
    update = options.Updates;

    report.Updates = options.Updates;
    report.ElapsedMs = clock_.NowMs() - start;
    if (TPlayer* p = world.Player()) {
        report.HasPlayer = true;
        report.PlayerName = p->Name;
        report.PlayerPosition = p->GetPosition();
        report.HitPoints = p->HitPoints;
        report.MaxHitPoints = p->MaxHitPoints;
        report.ExperiencePoints = p->ExperiencePoints;
        report.Kills = p->Kills;
        report.Deaths = p->Deaths;
    }
    for (TBaseObj* object : world.Objects)
        if (dynamic_cast<TEnemy*>(object))
            ++report.EnemiesAlive;
    report.Objects = world.Objects.Count();
    report.ScrollLocked = world.ScrollLocked;
    return report;
}

void WritePlaySummary(const TPlayReport& report, std::ostream& out) {
    out << "after " << report.Updates << " updates (" << report.ElapsedMs << " ms):\n";
    if (report.HasPlayer)
        out << "  player \"" << MessageName(report.PlayerName) << "\" at ("
            << report.PlayerPosition.X << ", " << report.PlayerPosition.Y << "), hit points "
            << report.HitPoints << "/" << report.MaxHitPoints << ", experience "
            << report.ExperiencePoints << ", kills " << report.Kills << ", deaths " << report.Deaths
            << "\n";
    else
        out << "  no player\n";
    out << "  enemies: " << report.EnemiesAlive << " alive, "
        << report.EnemiesAtStart - report.EnemiesAlive << " dead\n";
    out << "  scroll " << (report.ScrollLocked ? "locked" : "unlocked") << ", " << report.Objects
        << " objects in the world\n";
}

} // namespace tv
