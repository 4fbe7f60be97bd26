#include "tools/tvmtool/Commands.h"

#include "document/RecordJson.h"
#include "document/ReferenceForm.h"
#include "mapdata/Errors.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/PlayCommand.h"
#include "tools/tvmtool/RenderCommand.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <ostream>

namespace tv::tool {

namespace {

const char* const kUsage =
    "usage:\n"
    "  tvmtool catalogue build SOURCE.json OUT.tvd\n"
    "  tvmtool catalogue dump FILE.tvd\n"
    "  tvmtool map dump  [--base GAMEDIR] [--no-catalogue] MAP.tvm\n"
    "  tvmtool map build [--base GAMEDIR] [--no-catalogue] MAP.json OUT.tvm\n"
    "  tvmtool map check [--base GAMEDIR] [--no-catalogue] MAP.tvm\n"
    "  tvmtool render [--base GAMEDIR] [--no-catalogue] MAP.tvm --world-x N [--size WxH] OUT.png\n"
    "  tvmtool play [--base GAMEDIR] [--no-catalogue] MAP.tvm --updates N [--keys SCRIPT]\n"
    "               [--ms-per-update MS] [--screenshot OUT.png]\n"
    "GAMEDIR defaults to the folder above the tool's own folder; map commands read the\n"
    "catalogue GAMEDIR/data/obj/objects.tvd unless --no-catalogue is given.\n";

QJsonObject ParseJsonObject(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw EError(Format("JSON error at offset %d: %s", static_cast<int>(error.offset),
                            error.errorString().toStdString().c_str()));
    if (!document.isObject())
        throw EError("JSON error: the document must be an object");
    return document.object();
}

QJsonArray ArrayMember(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        throw EError(Format("\"%s\" must be an array", key));
    return value.toArray();
}

void CheckKeys(const QJsonObject& object, const std::vector<std::string>& allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        bool known = false;
        for (const std::string& name : allowed)
            known = known || key == name;
        if (!known)
            throw EError("unknown key " + JsonString(key));
    }
}

QJsonObject ArrayObject(const QJsonArray& array, int index, const char* list) {
    const QJsonValue value = array.at(index);
    if (!value.isObject())
        throw EError(Format("%s[%d]: expected an object", list, index));
    return value.toObject();
}

std::string Indent(int count) {
    return std::string(static_cast<size_t>(count), ' ');
}

// "name (Slime)" for messages about placed objects.
std::string ObjectLabel(int index, const TBaseInfo& record) {
    return Format("Objects[%d] ", index) + "(" + JsonString(record.Name) + ")";
}

} // namespace

std::vector<uint8_t> CatalogueHeader() {
    const std::array<uint8_t, 40>& map = MapFileHeader();
    std::vector<uint8_t> header(map.begin(), map.end());
    header[0] = 'T';
    header[1] = 'V';
    header[2] = 'O';
    header[3] = 'D';
    return header;
}

std::vector<uint8_t> CatalogueFromJson(const QByteArray& json) {
    const QJsonObject root = ParseJsonObject(json);
    CheckKeys(root, {"records"});
    const QJsonArray records = ArrayMember(root, "records");

    TMemoryStream stream;
    const std::vector<uint8_t> header = CatalogueHeader();
    stream.WriteBuffer(header.data(), header.size());
    stream.WriteInt32(static_cast<int32_t>(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject object = ArrayObject(records, i, "records");
        const std::unique_ptr<TBaseInfo> record =
            RecordFromJson(object, EntryContext("records", i, object));
        WriteStreamString(stream, record->ClassName());
        record->WriteToStream(stream);
    }
    return stream.Bytes();
}

std::string CatalogueToJson(const TObjMgr& catalogue) {
    std::string out = "{\n  \"records\": [";
    for (int i = 0; i < catalogue.Count(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += Indent(4) + RecordJson(*catalogue.Get(i), 4);
    }
    out += catalogue.Count() > 0 ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

void MapFromJson(const QByteArray& json, TMap& map) {
    const QJsonObject root = ParseJsonObject(json);
    CheckKeys(root, {"MapName", "FileName", "MaxWorldX", "MaxWorldY", "Ground", "Sky", "ThemeMusic",
                     "Objects"});
    const auto text = [&](const char* key, std::string& field) {
        if (root.contains(key))
            field = JsonToText(root.value(key), JsonString(key));
    };
    const auto number = [&](const char* key, int32_t& field) {
        if (root.contains(key))
            field = JsonToInt32(root.value(key), JsonString(key));
    };
    text("MapName", map.MapName);
    text("FileName", map.FileName);
    number("MaxWorldX", map.MaxWorldX);
    number("MaxWorldY", map.MaxWorldY);
    number("Ground", map.Ground);
    number("Sky", map.Sky);
    text("ThemeMusic", map.ThemeMusic);
    if (root.contains("Objects")) {
        const QJsonArray objects = ArrayMember(root, "Objects");
        for (int i = 0; i < objects.size(); ++i) {
            const QJsonObject object = ArrayObject(objects, i, "Objects");
            map.Objects.Add(RecordFromJson(object, EntryContext("Objects", i, object)));
        }
    }
}

std::string MapToJson(const TMap& map) {
    std::string out = "{\n";
    out += "  \"MapName\": " + JsonString(map.MapName) + ",\n";
    out += "  \"FileName\": " + JsonString(map.FileName) + ",\n";
    out += "  \"MaxWorldX\": " + std::to_string(map.MaxWorldX) + ",\n";
    out += "  \"MaxWorldY\": " + std::to_string(map.MaxWorldY) + ",\n";
    out += "  \"Ground\": " + std::to_string(map.Ground) + ",\n";
    out += "  \"Sky\": " + std::to_string(map.Sky) + ",\n";
    out += "  \"ThemeMusic\": " + JsonString(map.ThemeMusic) + ",\n";
    out += "  \"Objects\": [";
    for (int i = 0; i < map.Objects.Count(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += Indent(4) + RecordJson(*map.Objects[i], 4);
    }
    out += map.Objects.Count() > 0 ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

std::vector<std::string> MapWarnings(const TMap& map) {
    std::vector<std::string> warnings;
    const std::string graphic = BaseFolder() + "Data\\Graphic\\";
    for (int i = 0; i < map.Objects.Count(); ++i) {
        const TBaseInfo& record = *map.Objects[i];
        if (!record.Texture.empty() && !FileExists(graphic + record.Texture))
            warnings.push_back(ObjectLabel(i, record) + ": texture " + JsonString(record.Texture) +
                               " not found under " + NativePath(graphic));
        if (record.Left < 0 || record.Left > map.MaxWorldX)
            warnings.push_back(
                ObjectLabel(i, record) +
                Format(": Left %d is outside 0..%d (MaxWorldX)", record.Left, map.MaxWorldX));
    }
    return warnings;
}

QByteArray ReadWholeFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EError(CannotOpenFileMessage(path));
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EError(CannotOpenFileMessage(path));
    return content;
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
        const std::vector<uint8_t> bytes = CatalogueFromJson(ReadWholeFile(args[2]));
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
        MapFromJson(json, map);
        for (const std::string& warning : ReferenceWarnings(json, map, cat))
            err << "warning: " << warning << "\n";
        TMemoryStream body;
        map.WriteToStream(body, cat);
        WriteFileReplacing(options.Files[1], body.Bytes());
        return 0;
    }

    TMap map;
    if (!map.LoadFromFile(options.Files[0], cat))
        return 1; // the notice has been printed
    if (verb == "dump") {
        out << MapToJson(map);
        return 0;
    }
    for (const std::string& warning : MapWarnings(map))
        err << "warning: " << warning << "\n";
    int byReference = 0;
    for (const TBaseInfo* record : map.Objects)
        if (cat && cat->FindByName(record->Name))
            ++byReference;
    out << options.Files[0] << ": " << JsonString(map.MapName) << ", " << map.Objects.Count()
        << " objects (" << byReference << " by reference, " << map.Objects.Count() - byReference
        << " in full), MaxWorldX " << map.MaxWorldX << "\n";
    return 0;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const ScopedMessageBoxHandler notices([&err](const std::string& text) {
        err << text << "\n";
        return kMessageBoxOk;
    });
    try {
        if (args.empty())
            throw UsageError("");
        if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            out << kUsage;
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
        throw UsageError("unknown command " + args[0]);
    } catch (const UsageError& e) {
        if (*e.what())
            err << "tvmtool: " << e.what() << "\n";
        err << kUsage;
        return 2;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

} // namespace tv::tool
