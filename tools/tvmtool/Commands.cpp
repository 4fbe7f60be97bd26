#include "tools/tvmtool/Commands.h"

#include "document/MapProblems.h"
#include "document/RecordJson.h"
#include "document/ReferenceForm.h"
#include "manual/Manual.h"
#include "mapdata/Errors.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/DiffCommand.h"
#include "tools/tvmtool/PlayCommand.h"
#include "tools/tvmtool/RenderCommand.h"
#include "tools/tvmtool/TestCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <ostream>

namespace tv::tool {

namespace {

// "Objects[3] (\"Slime\")" for messages about placed objects.
std::string ObjectLabel(int index, const TBaseInfo& record) {
    return Format("Objects[%d] ", index) + "(" + JsonString(ShortenText(record.Name)) + ")";
}

// The line a failed map load gets when the map reads whole without the catalogue and one of
// its entries, written in full, is named like a prototype: the reference form was read where
// the entry holds the whole record. Empty when that is not what happened.
std::string WrittenWithoutCatalogueHint(const std::string& path, const TObjMgr& catalogue) {
    TMap inFull;
    try {
        if (!inFull.LoadFromFile(path, nullptr))
            return "";
    } catch (const std::exception&) {
        return "";
    }
    for (int i = 0; i < inFull.Objects.Count(); ++i) {
        const std::string_view name = inFull.Objects[i]->Name;
        if (catalogue.FindByName(name))
            return Format("entry %d was written in full but '", i) + MessageName(name) +
                   "' is a catalogue prototype: was the map built without the catalogue?";
    }
    return "";
}

} // namespace

std::vector<std::string> MapWarnings(const TMap& map) {
    std::vector<std::string> warnings;
    for (const TMapProblem& problem : FindMapProblems(map))
        warnings.push_back(problem.Text);
    return warnings;
}

QByteArray ReadWholeFile(const std::string& path) {
    const std::vector<uint8_t> content = ReadRegularFile(path, path);
    return QByteArray(reinterpret_cast<const char*>(content.data()),
                      static_cast<qsizetype>(content.size()));
}

bool LoadCommandMap(TMap& map, const std::string& path, const TObjMgr* catalogue) {
    try {
        return map.LoadFromFile(path, catalogue);
    } catch (const EError& e) {
        const std::string hint = catalogue ? WrittenWithoutCatalogueHint(path, *catalogue) : "";
        if (hint.empty())
            throw;
        throw EError(std::string(e.what()) + "\n" + hint);
    }
}

std::vector<std::string> ReferenceWarnings(const QByteArray& json, const TMap& map,
                                           const TObjMgr* catalogue) {
    std::vector<std::string> warnings;
    if (!catalogue)
        return warnings;
    const QJsonArray objects = ParseJsonObject(json).value("Objects").toArray();
    for (int i = 0; i < map.Objects.Count() && i < objects.size(); ++i) {
        TBaseInfo& record = *map.Objects[i];
        const TBaseInfo* prototype = catalogue->FindByName(record.Name);
        if (!prototype)
            continue;
        std::string lost;
        if (std::string(record.ClassName()) != prototype->ClassName())
            lost += std::string(" class (") + prototype->ClassName() + ")";
        const std::vector<std::string> replaced = FieldsReplacedByPrototype(record, *prototype);
        const QJsonObject given = objects.at(i).toObject();
        for (auto it = given.begin(); it != given.end(); ++it) {
            const std::string key = it.key().toStdString();
            if (key == "class" || key == "Group" || key == "Name" || key == "Left" || key == "Top")
                continue;
            if (!FindField(key) ||
                std::find(replaced.begin(), replaced.end(), key) != replaced.end())
                lost += " " + key;
        }
        if (!lost.empty())
            warnings.push_back(ObjectLabel(i, record) +
                               ": stored by reference to the catalogue prototype of that name; "
                               "these given values are replaced by the prototype's:" +
                               lost);
    }
    return warnings;
}

std::string GameFolder(const std::string& given) {
    std::string folder = given.empty() ? ParentFolder(ProgramFolder()) : given;
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, size_t first, size_t fileCount,
                             const OwnOption& ownOption) {
    CommandLine line;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::function<const std::string&()> value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--base") {
            line.GameDir = value();
        } else if (arg == "--no-catalogue") {
            line.UseCatalogue = false;
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            if (!ownOption || !ownOption(arg, value))
                throw UsageError("unknown option " + arg);
        } else {
            line.Files.push_back(arg);
        }
    }
    if (line.Files.size() != fileCount)
        throw UsageError("wrong number of arguments");
    line.GameDir = GameFolder(line.GameDir);
    return line;
}

ScopedBaseFolder::ScopedBaseFolder(std::string folder) : previous_(BaseFolder()) {
    SetBaseFolder(std::move(folder));
}

ScopedBaseFolder::~ScopedBaseFolder() {
    SetBaseFolder(previous_);
}

namespace {

int CatalogueCommand(const std::vector<std::string>& args, std::ostream& out) {
    if (args.size() == 4 && args[1] == "build") {
        const QByteArray json = ReadWholeFile(args[2]);
        const std::vector<uint8_t> bytes =
            ReadingFile(args[2], [&] { return CatalogueFromJson(json); });
        WriteFileReplacing(args[3], bytes);
        return 0;
    }
    if (args.size() == 3 && args[1] == "dump") {
        TObjMgr catalogue;
        catalogue.LoadCatalogueFile(args[2]);
        out << CatalogueToJson(catalogue);
        return 0;
    }
    throw UsageError("unknown catalogue command");
}

int MapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string verb = args.size() > 1 ? args[1] : "";
    if (verb == "diff")
        return MapDiffCommand(args, out, err);
    if (verb == "merge")
        return MapMergeCommand(args, out, err);
    if (verb != "dump" && verb != "build" && verb != "check")
        throw UsageError("unknown map command");
    const CommandLine options = ParseCommandLine(args, 2, verb == "build" ? 2 : 1);
    const ScopedBaseFolder base(options.GameDir);
    TObjMgr catalogue;
    if (options.UseCatalogue)
        catalogue.LoadCatalogue();
    const TObjMgr* cat = options.UseCatalogue ? &catalogue : nullptr;

    if (verb == "build") {
        TMap map;
        map.FileName = ExtractFileName(options.Files[1]);
        const QByteArray json = ReadWholeFile(options.Files[0]);
        ReadingFile(options.Files[0], [&] { MapFromJson(json, map); });
        // A map from elsewhere is saved under its FileName in the maps folder: only a bare
        // name keeps that inside the folder.
        if (!IsBareFileName(map.FileName))
            throw EError("\"FileName\": " + JsonString(ShortenText(map.FileName)) +
                         " is not a bare file name (no folder, drive or control characters; not "
                         "empty, \".\" or \"..\")");
        for (const std::string& warning : ReferenceWarnings(json, map, cat))
            err << "warning: " << EscapeControls(warning, true) << "\n";
        TMemoryStream body;
        map.WriteToStream(body, cat);
        WriteFileReplacing(options.Files[1], body.Bytes());
        return 0;
    }

    TMap map;
    if (!LoadCommandMap(map, options.Files[0], cat))
        return 1; // the notice has been printed
    if (verb == "dump") {
        out << MapToJson(map);
        return 0;
    }
    for (const std::string& warning : MapWarnings(map))
        err << "warning: " << EscapeControls(warning, true) << "\n";
    int byReference = 0;
    for (const TBaseInfo* record : map.Objects)
        if (cat && cat->FindByName(record->Name))
            ++byReference;
    out << EscapeControls(options.Files[0]) << ": " << JsonString(ShortenText(map.MapName)) << ", "
        << map.Objects.Count() << " objects (" << byReference << " by reference, "
        << map.Objects.Count() - byReference << " in full), MaxWorldX " << map.MaxWorldX << "\n";
    return 0;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Texts from files reach the terminal only with their control characters escaped.
    const ScopedMessageBoxHandler notices([&err](const std::string& text) {
        err << EscapeControls(text, true) << "\n";
        return kMessageBoxOk;
    });
    // map diff and map merge tell a difference or a conflict with 1, so their failures are 2.
    const int failure =
        args.size() > 1 && args[0] == "map" && (args[1] == "diff" || args[1] == "merge") ? 2 : 1;
    try {
        if (args.empty())
            throw UsageError("");
        if (args[0] == "--help" || args[0] == "-h" || (args[0] == "help" && args.size() == 1)) {
            out << ManualUsage(kTvmtoolManual);
            return 0;
        }
        if (args[0] == "--version" && args.size() == 1) {
            out << "tvmtool " << ProgramVersion() << "\n";
            return 0;
        }
        if (args[0] == "help") {
            const std::string help =
                CommandHelp(kTvmtoolManual, std::vector<std::string>(args.begin() + 1, args.end()));
            if (help.empty())
                throw UsageError("no help on " + args[1]);
            out << help;
            return 0;
        }
        if (args[0] == "catalogue")
            return CatalogueCommand(args, out);
        if (args[0] == "map")
            return MapCommand(args, out, err);
        if (args[0] == "render")
            return RenderCommand(args, out, err);
        if (args[0] == "play")
            return PlayCommand(args, out, err);
        if (args[0] == "test")
            return TestCommand(args, out, err);
        throw UsageError("unknown command " + args[0]);
    } catch (const UsageError& e) {
        if (*e.what())
            err << "tvmtool: " << e.what() << "\n";
        err << ManualUsage(kTvmtoolManual);
        return 2;
    } catch (const std::bad_alloc&) {
        err << "Out of memory\n";
        return failure;
    } catch (const std::exception& e) {
        if (*e.what()) // empty when the notice has been printed
            err << EscapeControls(e.what(), true) << "\n";
        return failure;
    }
}

} // namespace tv::tool
