#include "world/ScriptedPlay.h"

#include "engine/KeyState.h"
#include "mapdata/Text.h"
#include "world/Actors.h"
#include "world/MessageWindow.h"
#include "world/PlaySession.h"

#include <ostream>

namespace tv {

namespace {

template <class T> int Count(const TGameWorld& world) {
    int count = 0;
    for (const TBaseObj* object : world.Objects)
        if (dynamic_cast<const T*>(object))
            ++count;
    return count;
}

// While a run lasts: messages and death windows are written out, and the key table starts
// and ends with every key up.
class RunOutput {
public:
    RunOutput(TPlaySession& session, std::ostream& out) : world_(session.World()) {
        ResetKeyState();
        world_.OnMessage = [&out, &session](const TWorldMessage& message) {
            out << "[" << session.Updates() << "] " << MessageName(message.Text) << "\n";
        };
        previousHook_ = SetMessageWindowHook([&out, &session](const std::vector<std::string>& lines,
                                                              const std::string& title,
                                                              const std::string&, bool) {
            out << "[" << session.Updates() << "] player died: " << MessageName(title) << "\n";
            for (const std::string& line : lines)
                out << "    " << MessageName(line) << "\n";
        });
    }
    ~RunOutput() {
        SetMessageWindowHook(previousHook_);
        world_.OnMessage = nullptr;
        ResetKeyState();
    }
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

private:
    TGameWorld& world_;
    MessageWindowHook previousHook_;
};

} // namespace

TPlayReport RunScriptedPlay(TPlaySession& session, uint64_t updates,
                            const std::vector<TKeySpan>& keys, std::ostream& out) {
    const TKeyScript script(keys, session.World().Player());
    const uint64_t first = session.Updates();
    {
        RunOutput output(session, out);
        session.BeforeUpdate = [&script, first](uint64_t update) { script.Apply(update - first); };
        struct ClearFeed {
            TPlaySession& Session;
            ~ClearFeed() { Session.BeforeUpdate = nullptr; }
        } clearFeed{session};
        for (uint64_t i = 0; i < updates; ++i)
            session.RunUpdate();
    }

    TPlayReport report = PlayReportOf(session);
    report.Updates = updates;
    return report;
}

TPlayReport PlayReportOf(TPlaySession& session) {
    const TGameWorld& world = session.World();
    TPlayReport report;
    report.EnemiesAtStart = session.EnemiesAtStart();
    report.BossesAtStart = session.BossesAtStart();
    report.Updates = session.Updates();
    report.ElapsedMs = session.GameTime() - kPlayClockStart;
    report.Seed = session.Settings().Seed;
    if (const TPlayer* player = world.Player()) {
        report.HasPlayer = true;
        report.PlayerName = player->Name;
        report.PlayerPosition = player->GetPosition();
        report.HitPoints = player->HitPoints;
        report.MaxHitPoints = player->MaxHitPoints;
        report.ExperiencePoints = player->ExperiencePoints;
        report.Kills = player->Kills;
        report.Deaths = player->Deaths;
    }
    report.EnemiesAlive = Count<TEnemy>(world);
    report.BossesAlive = Count<TBoss>(world);
    report.Objects = world.Objects.Count();
    report.ScrollLocked = world.ScrollLocked;
    return report;
}

void WritePlaySummary(const TPlayReport& report, std::ostream& out) {
    out << "after " << report.Updates << " updates (" << report.ElapsedMs << " ms";
    if (report.Seed)
        out << ", random seed " << *report.Seed;
    out << "):\n";
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
