#include "world/Playtest.h"

#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "world/PlaySession.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace tv {

namespace {

const char* const kKeysSuffix = ".keys";
const char* const kExpectSuffix = ".expect.json";

QString QtPath(const std::string& path) {
    return QString::fromStdString(NativePath(path));
}

std::string FileText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadRegularFile(path, path);
    return std::string(bytes.begin(), bytes.end());
}

std::string InFolder(const std::string& folder, const std::string& file) {
    return folder + "/" + file;
}

// A whole number field of the expectation within [low, high].
int64_t WholeField(const QJsonObject& object, const char* name, int64_t low, int64_t high) {
    const QJsonValue value = object.value(QLatin1String(name));
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || !std::isfinite(number) || std::floor(number) != number ||
        number < static_cast<double>(low) || number > static_cast<double>(high))
        throw EError(Format("\"%s\" must be a whole number %lld..%lld", name,
                            static_cast<long long>(low), static_cast<long long>(high)));
    return static_cast<int64_t>(number);
}

int32_t Int32Field(const QJsonObject& object, const char* name) {
    return static_cast<int32_t>(WholeField(object, name, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
}

std::string Change(const char* what, int64_t expected, int64_t now) {
    return Format("%s %lld -> %lld", what, static_cast<long long>(expected),
                  static_cast<long long>(now));
}

} // namespace

std::string PlaytestFolder(const std::string& mapPath) {
    const QFileInfo map(QtPath(mapPath));
    return (map.path() + QLatin1Char('/') + map.completeBaseName() + QLatin1String(".playtests"))
        .toStdString();
}

std::vector<std::string> PlaytestNames(const std::string& mapPath) {
    const QDir folder(QString::fromStdString(PlaytestFolder(mapPath)));
    std::vector<std::string> names;
    for (const QString& file :
         folder.entryList({QStringLiteral("*.keys")}, QDir::Files | QDir::Readable, QDir::Name)) {
        const std::string name = file.left(file.size() - 5).toStdString();
        if (IsPlaytestName(name))
            names.push_back(name);
    }
    return names;
}

bool IsPlaytestName(const std::string& name) {
    return IsBareFileName(name) && name.find('#') == std::string::npos;
}

TPlaytest ReadPlaytest(const std::string& mapPath, const std::string& name) {
    const std::string folder = PlaytestFolder(mapPath);
    TPlaytest playtest;
    playtest.Name = name;
    const std::string keysPath = InFolder(folder, name + kKeysSuffix);
    const std::string script = FileText(keysPath);
    ReadingFile(keysPath, [&] {
        playtest.Header = ParseKeyScriptHeader(script);
        playtest.Keys = ParseKeyScript(script);
    });
    const std::string expectPath = InFolder(folder, name + kExpectSuffix);
    const std::string json = FileText(expectPath);
    try {
        playtest.Expect = ParseExpectation(json);
    } catch (const EError& e) {
        throw EError(std::string(e.what()) + "\nin " + expectPath);
    }
    if (!playtest.Header.Updates)
        playtest.Header.Updates = playtest.Expect.Updates;
    return playtest;
}

void SavePlaytest(const std::string& mapPath, const std::string& name,
                  const TKeyScriptHeader& header, const std::vector<TKeySpan>& keys,
                  const TPlayReport& outcome) {
    if (!IsPlaytestName(name))
        throw EError("\"" + MessageName(name) +
                     "\" cannot name a playtest (no folder, drive, \"#\" or control characters)");
    const std::string folder = PlaytestFolder(mapPath);
    if (!QDir().mkpath(QString::fromStdString(folder)))
        throw EError(Format("Cannot create folder %s", folder.c_str()));
    const std::string script = WriteKeyScript(header, keys);
    WriteFileReplacing(InFolder(folder, name + kKeysSuffix), script.data(), script.size());
    const std::string expect = ExpectationJson(outcome);
    WriteFileReplacing(InFolder(folder, name + kExpectSuffix), expect.data(), expect.size());
}

std::string ExpectationJson(const TPlayReport& outcome, int32_t xTolerance) {
    QJsonObject player;
    player.insert("Name", QString::fromStdString(outcome.PlayerName));
    player.insert("X", outcome.PlayerPosition.X);
    player.insert("Y", outcome.PlayerPosition.Y);
    player.insert("HitPoints", outcome.HitPoints);
    player.insert("MaxHitPoints", outcome.MaxHitPoints);
    player.insert("ExperiencePoints", outcome.ExperiencePoints);
    QJsonObject root;
    root.insert("Updates", static_cast<double>(outcome.Updates));
    root.insert("Player", player);
    root.insert("Kills", outcome.Kills);
    root.insert("Deaths", outcome.Deaths);
    root.insert("EnemiesAlive", outcome.EnemiesAlive);
    root.insert("EnemiesDead", outcome.EnemiesAtStart - outcome.EnemiesAlive);
    root.insert("BossesAlive", outcome.BossesAlive);
    root.insert("ScrollLocked", outcome.ScrollLocked);
    root.insert("XTolerance", xTolerance);
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

TPlaytestExpectation ParseExpectation(const std::string& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw EError("not a JSON object: " + error.errorString().toStdString());
    const QJsonObject root = document.object();
    const QJsonObject player = root.value("Player").toObject();
    TPlaytestExpectation expect;
    expect.Updates = static_cast<uint64_t>(WholeField(root, "Updates", 0, 10'000'000));
    expect.X = Int32Field(player, "X");
    expect.Y = Int32Field(player, "Y");
    expect.HitPoints = Int32Field(player, "HitPoints");
    expect.ExperiencePoints = Int32Field(player, "ExperiencePoints");
    expect.Kills = Int32Field(root, "Kills");
    expect.Deaths = Int32Field(root, "Deaths");
    expect.EnemiesAlive = Int32Field(root, "EnemiesAlive");
    expect.BossesAlive = Int32Field(root, "BossesAlive");
    expect.ScrollLocked = root.value("ScrollLocked").toBool();
    if (root.contains("XTolerance"))
        expect.XTolerance = static_cast<int32_t>(
            WholeField(root, "XTolerance", 0, std::numeric_limits<int32_t>::max()));
    return expect;
}

TPlayReport ReplayPlaytest(const TMap& map, const TPlaytest& playtest) {
    TPlaySettings settings;
    settings.Start = playtest.Header.Start;
    settings.Seed = playtest.Header.Seed.value_or(1);
    settings.Overlay = false;
    TPlaySession session(map, PD3DDevice(), settings);
    std::ostringstream dropped;
    return RunScriptedPlay(session, playtest.Header.Updates.value_or(playtest.Expect.Updates),
                           playtest.Keys, dropped);
}

std::vector<std::string> PlaytestChanges(const TPlaytestExpectation& expect,
                                         const TPlayReport& outcome) {
    std::vector<std::string> changes;
    if (!outcome.HasPlayer)
        changes.push_back("the map has no player");
    if (outcome.Deaths != expect.Deaths)
        changes.push_back(Change("deaths", expect.Deaths, outcome.Deaths));
    if (outcome.Kills != expect.Kills)
        changes.push_back(Change("kills", expect.Kills, outcome.Kills));
    if (outcome.BossesAlive != expect.BossesAlive)
        changes.push_back(Change("bosses left", expect.BossesAlive, outcome.BossesAlive));
    if (std::llabs(int64_t{outcome.PlayerPosition.X} - expect.X) > expect.XTolerance)
        changes.push_back(Change("final x", expect.X, outcome.PlayerPosition.X) +
                          Format(" (tolerance %d)", expect.XTolerance));
    return changes;
}

} // namespace tv
