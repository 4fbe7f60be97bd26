#include "tools/tvmtool/TestCommand.h"

#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"
#include "world/Equipment.h"
#include "world/Playtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QXmlStreamWriter>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>

namespace tv::tool {

namespace {

const char* const kTestUsage =
    "usage: tvmtool test [--base GAMEDIR] [--no-catalogue] [--jobs N] [--junit OUT.xml]\n"
    "                    MAP.tvm|FOLDER\n";

constexpr int kMaxJobs = 64;

struct TestOptions : CommandLine {
    int Jobs = 1;
    std::string JUnit;
    // Set in a worker process: it runs the playtests whose number modulo Shards is Shard.
    int Shard = -1;
    int Shards = 0;
};

TestOptions ParseTestOptions(const std::vector<std::string>& args) {
    TestOptions options;
    const auto own = [&options](const std::string& option, const auto& value) {
        if (option == "--jobs") {
            const std::string& text = value();
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), options.Jobs);
            if (error != std::errc() || end != text.data() + text.size() || options.Jobs < 1 ||
                options.Jobs > kMaxJobs)
                throw UsageError("--jobs needs a whole number 1.." + std::to_string(kMaxJobs));
        } else if (option == "--junit") {
            options.JUnit = value();
        } else if (option == "--shard") {
            const std::string& text = value();
            const size_t slash = text.find('/');
            if (slash == std::string::npos)
                throw UsageError("--shard needs K/N with 0 <= K < N");
            const auto shard = std::from_chars(text.data(), text.data() + slash, options.Shard);
            const auto shards =
                std::from_chars(text.data() + slash + 1, text.data() + text.size(), options.Shards);
            if (shard.ec != std::errc() || shards.ec != std::errc() || options.Shards < 1 ||
                options.Shard < 0 || options.Shard >= options.Shards)
                throw UsageError("--shard needs K/N with 0 <= K < N");
        } else {
            return false;
        }
        return true;
    };
    static_cast<CommandLine&>(options) = ParseCommandLine(args, 1, 1, own);
    return options;
}

struct Item {
    std::string Map;
    std::string Name;
};

enum class Verdict { Ok, Changed, Error };

struct Result {
    Verdict Outcome = Verdict::Error;
    std::vector<std::string> Details; // what changed, or why it could not run
    double Seconds = 0.0;
};

// The maps a command names: the one file, or every *.tvm in a folder (sorted).
std::vector<std::string> MapsOf(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists())
        throw EError(Format("Cannot open file %s", path.c_str()));
    if (!info.isDir())
        return {path};
    std::vector<std::string> maps;
    const QDir folder(info.filePath());
    for (const QString& file :
         folder.entryList({QStringLiteral("*.tvm")}, QDir::Files, QDir::Name | QDir::IgnoreCase))
        maps.push_back(folder.filePath(file).toStdString());
    return maps;
}

std::string MapLabel(const std::string& map) {
    return QFileInfo(QString::fromStdString(map)).completeBaseName().toStdString();
}

// Runs playtests in this process: the catalogue, the equipment tables and each map are read
// once.
class LocalRunner {
public:
    explicit LocalRunner(const TestOptions& options) : options_(options), base_(options.GameDir) {
        RegisterWorldClasses();
        if (options.UseCatalogue)
            catalogue_.LoadCatalogue();
        LoadEquipmentFile();
    }
    ~LocalRunner() { ClearEquipment(); }
    LocalRunner(const LocalRunner&) = delete;
    LocalRunner& operator=(const LocalRunner&) = delete;

    Result Run(const Item& item) {
        const auto start = std::chrono::steady_clock::now();
        Result result;
        try {
            const TPlaytest playtest = ReadPlaytest(item.Map, item.Name);
            const TPlayReport outcome = ReplayPlaytest(MapOf(item.Map), playtest);
            result.Details = PlaytestChanges(playtest.Expect, outcome);
            result.Outcome = result.Details.empty() ? Verdict::Ok : Verdict::Changed;
        } catch (const std::exception& e) {
            result.Outcome = Verdict::Error;
            result.Details = {e.what()};
        }
        result.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    }

private:
    const TMap& MapOf(const std::string& path) {
        auto found = maps_.find(path);
        if (found == maps_.end()) {
            auto map = std::make_unique<TMap>();
            if (!LoadCommandMap(*map, path, options_.UseCatalogue ? &catalogue_ : nullptr))
                throw EError("the map could not be read: " + path);
            found = maps_.emplace(path, std::move(map)).first;
        }
        return *found->second;
    }

    const TestOptions& options_;
    ScopedBaseFolder base_;
    TObjMgr catalogue_;
    std::map<std::string, std::unique_ptr<TMap>> maps_;
};

QJsonObject ResultJson(const Result& result) {
    QJsonArray details;
    for (const std::string& detail : result.Details)
        details.append(QString::fromStdString(detail));
    return QJsonObject{{"Outcome", result.Outcome == Verdict::Ok        ? "ok"
                                   : result.Outcome == Verdict::Changed ? "changed"
                                                                        : "error"},
                       {"Details", details},
                       {"Seconds", result.Seconds}};
}

Result ResultFromJson(const QJsonObject& json) {
    Result result;
    const QString outcome = json.value("Outcome").toString();
    result.Outcome = outcome == "ok"        ? Verdict::Ok
                     : outcome == "changed" ? Verdict::Changed
                                            : Verdict::Error;
    for (const QJsonValue& detail : json.value("Details").toArray())
        result.Details.push_back(detail.toString().toStdString());
    result.Seconds = json.value("Seconds").toDouble();
    return result;
}

// Runs the playtests on options.Jobs processes of this program, each taking every Jobs-th
// playtest (so each process reads the catalogue and the maps once).
std::vector<Result> RunInProcesses(const TestOptions& options, size_t count) {
    const QString program = QCoreApplication::applicationFilePath();
    std::vector<Result> results(count);
    std::vector<bool> reported(count, false);
    const int shards = static_cast<int>(std::min<size_t>(static_cast<size_t>(options.Jobs), count));
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int shard = 0; shard < shards; ++shard) {
        QStringList arguments{"test", "--base", QString::fromStdString(options.GameDir), "--shard",
                              QString("%1/%2").arg(shard).arg(shards)};
        if (!options.UseCatalogue)
            arguments << "--no-catalogue";
        arguments << QString::fromStdString(options.Files[0]);
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->start(program, arguments);
    }
    std::string failures;
    for (const auto& worker : workers) {
        worker->waitForFinished(-1);
        for (const QByteArray& line : worker->readAllStandardOutput().split('\n')) {
            const QJsonObject json = QJsonDocument::fromJson(line).object();
            const int index = json.value("Index").toInt(-1);
            if (index < 0 || index >= static_cast<int>(count))
                continue;
            results[static_cast<size_t>(index)] = ResultFromJson(json);
            reported[static_cast<size_t>(index)] = true;
        }
        failures += worker->readAllStandardError().trimmed().toStdString();
    }
    for (size_t i = 0; i < count; ++i)
        if (!reported[i])
            results[i].Details = {"the replay ended without a result: " + failures};
    return results;
}

void WriteJUnit(const std::string& path, const std::vector<Item>& items,
                const std::vector<Result>& results) {
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    const auto count = [&](Verdict verdict, const std::string& map) {
        int n = 0;
        for (size_t i = 0; i < items.size(); ++i)
            n += results[i].Outcome == verdict && (map.empty() || items[i].Map == map) ? 1 : 0;
        return QString::number(n);
    };
    const auto text = [](const std::string& value) {
        return QString::fromStdString(EscapeControls(value, true));
    };
    double total = 0.0;
    for (const Result& result : results)
        total += result.Seconds;
    writer.writeStartElement("testsuites");
    writer.writeAttribute("name", "tvmtool test");
    writer.writeAttribute("tests", QString::number(items.size()));
    writer.writeAttribute("failures", count(Verdict::Changed, ""));
    writer.writeAttribute("errors", count(Verdict::Error, ""));
    writer.writeAttribute("time", QString::number(total, 'f', 3));
    for (size_t first = 0; first < items.size();) {
        size_t end = first;
        double seconds = 0.0;
        while (end < items.size() && items[end].Map == items[first].Map)
            seconds += results[end++].Seconds;
        writer.writeStartElement("testsuite");
        writer.writeAttribute("name", text(MapLabel(items[first].Map)));
        writer.writeAttribute("tests", QString::number(end - first));
        writer.writeAttribute("failures", count(Verdict::Changed, items[first].Map));
        writer.writeAttribute("errors", count(Verdict::Error, items[first].Map));
        writer.writeAttribute("time", QString::number(seconds, 'f', 3));
        for (size_t i = first; i < end; ++i) {
            writer.writeStartElement("testcase");
            writer.writeAttribute("classname", text(MapLabel(items[i].Map)));
            writer.writeAttribute("name", text(items[i].Name));
            writer.writeAttribute("time", QString::number(results[i].Seconds, 'f', 3));
            if (results[i].Outcome != Verdict::Ok) {
                std::string all;
                for (const std::string& detail : results[i].Details)
                    all += (all.empty() ? "" : "; ") + detail;
                const bool changed = results[i].Outcome == Verdict::Changed;
                writer.writeStartElement(changed ? "failure" : "error");
                writer.writeAttribute("message", text(all));
                writer.writeAttribute("type", changed ? "changed" : "error");
                writer.writeCharacters(text(all));
                writer.writeEndElement();
            }
            writer.writeEndElement();
        }
        writer.writeEndElement();
        first = end;
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    WriteFileReplacing(path, xml.constData(), static_cast<size_t>(xml.size()));
}

} // namespace

int TestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TestOptions options;
    try {
        options = ParseTestOptions(args);
    } catch (const std::invalid_argument& e) {
        err << "tvmtool: " << e.what() << "\n" << kTestUsage;
        return 2;
    }
    std::vector<Item> items;
    for (const std::string& map : MapsOf(options.Files[0]))
        for (const std::string& name : PlaytestNames(map))
            items.push_back({map, name});
    if (options.Shards > 0) {
        LocalRunner runner(options);
        for (size_t i = static_cast<size_t>(options.Shard); i < items.size();
             i += static_cast<size_t>(options.Shards)) {
            QJsonObject json = ResultJson(runner.Run(items[i]));
            json.insert("Index", static_cast<int>(i));
            out << QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString() << "\n";
        }
        return 0;
    }
    std::vector<Result> results;
    if (options.Jobs > 1 && items.size() > 1 && QCoreApplication::instance()) {
        results = RunInProcesses(options, items.size());
    } else if (!items.empty()) {
        LocalRunner runner(options);
        for (const Item& item : items)
            results.push_back(runner.Run(item));
    }

    int ok = 0;
    int changed = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const Result& result = results[i];
        const std::string label = EscapeControls(MapLabel(items[i].Map) + "/" + items[i].Name);
        std::string details;
        for (std::string detail : result.Details) {
            // An error's second line (the file) stays on the playtest's line.
            std::replace(detail.begin(), detail.end(), '\n', ' ');
            details += (details.empty() ? "" : "; ") + EscapeControls(detail);
        }
        if (result.Outcome == Verdict::Ok) {
            ++ok;
            out << "ok      " << label << "\n";
        } else if (result.Outcome == Verdict::Changed) {
            ++changed;
            out << "changed " << label << ": " << details << "\n";
        } else {
            out << "error   " << label << ": " << details << "\n";
        }
    }
    const int failedToRun = static_cast<int>(items.size()) - ok - changed;
    if (items.empty())
        err << "note: no playtests found for " << EscapeControls(options.Files[0]) << "\n";
    out << items.size() << " playtests: " << ok << " ok, " << changed << " changed";
    if (failedToRun > 0)
        out << ", " << failedToRun << " could not run";
    out << "\n";
    if (!options.JUnit.empty())
        WriteJUnit(options.JUnit, items, results);
    return ok == static_cast<int>(items.size()) ? 0 : 1;
}

} // namespace tv::tool
