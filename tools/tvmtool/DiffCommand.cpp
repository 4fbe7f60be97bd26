#include "tools/tvmtool/DiffCommand.h"

#include "document/MapDiff.h"
#include "document/MapMerge.h"
#include "document/RecordJson.h"
#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"

#include <ostream>

namespace tv::tool {

namespace {

const char* KindName(TObjectChangeKind kind) {
    switch (kind) {
    case TObjectChangeKind::Added:
        return "added";
    case TObjectChangeKind::Removed:
        return "removed";
    case TObjectChangeKind::Moved:
        return "moved";
    case TObjectChangeKind::Changed:
        return "changed";
    case TObjectChangeKind::Reordered:
        return "reordered";
    }
    return "";
}

// "Objects[3] TEnemyInfo \"Slime\" at (640, 392)"
std::string ObjectText(int index, const TBaseInfo& record) {
    return Format("Objects[%d] ", index) + record.ClassName() + " " +
           JsonString(ShortenText(record.Name)) + Format(" at (%d, %d)", record.Left, record.Top);
}

// Loads the maps of a command with one catalogue; throws when one cannot be read.
void LoadMaps(const CommandLine& options, std::vector<TMap*> maps) {
    TObjMgr catalogue;
    if (options.UseCatalogue)
        catalogue.LoadCatalogue();
    for (size_t k = 0; k < maps.size(); ++k)
        if (!LoadCommandMap(*maps[k], options.Files[k],
                            options.UseCatalogue ? &catalogue : nullptr))
            throw EError(""); // the notice has been printed
}

std::string DiffText(const TMapDiff& diff, const TMap& a, const TMap& b) {
    std::string text;
    for (const TMapVariable* variable : diff.Variables)
        text += std::string(variable->Name) + ": " + MapVariableJson(a, *variable) + " -> " +
                MapVariableJson(b, *variable) + "\n";
    for (const TObjectChange& change : diff.Objects) {
        const bool inB = change.IndexB >= 0;
        text += std::string(KindName(change.Kind)) + " " +
                ObjectText(inB ? change.IndexB : change.IndexA,
                           inB ? *b.Objects[change.IndexB] : *a.Objects[change.IndexA]);
        for (size_t f = 0; f < change.Fields.size(); ++f)
            text += std::string(f == 0 ? ": " : ", ") + change.Fields[f]->Name + " " +
                    FieldJson(*a.Objects[change.IndexA], *change.Fields[f]) + " -> " +
                    FieldJson(*b.Objects[change.IndexB], *change.Fields[f]);
        if (change.Reordered)
            text += Format("%s was Objects[%d]", change.Fields.empty() ? ":" : ";", change.IndexA);
        text += "\n";
    }
    return text;
}

std::string DiffJson(const TMapDiff& diff, const TMap& a, const TMap& b) {
    std::string json = std::string("{\n  \"equal\": ") + (diff.Empty() ? "true" : "false") +
                       ",\n  \"variables\": [";
    for (size_t k = 0; k < diff.Variables.size(); ++k)
        json += std::string(k == 0 ? "\n" : ",\n") +
                "    {\"name\": " + JsonString(diff.Variables[k]->Name) +
                ", \"old\": " + MapVariableJson(a, *diff.Variables[k]) +
                ", \"new\": " + MapVariableJson(b, *diff.Variables[k]) + "}";
    json += diff.Variables.empty() ? "],\n" : "\n  ],\n";
    json += "  \"objects\": [";
    for (size_t k = 0; k < diff.Objects.size(); ++k) {
        const TObjectChange& change = diff.Objects[k];
        const TBaseInfo& record =
            change.IndexB >= 0 ? *b.Objects[change.IndexB] : *a.Objects[change.IndexA];
        json += std::string(k == 0 ? "\n" : ",\n") +
                "    {\"kind\": " + JsonString(KindName(change.Kind)) +
                ", \"class\": " + JsonString(record.ClassName()) +
                ", \"Name\": " + JsonString(record.Name) +
                Format(", \"Left\": %d, \"Top\": %d, \"indexA\": %d, \"indexB\": %d", record.Left,
                       record.Top, change.IndexA, change.IndexB) +
                ", \"reordered\": " + (change.Reordered ? "true" : "false") + ", \"fields\": [";
        for (size_t f = 0; f < change.Fields.size(); ++f)
            json += std::string(f == 0 ? "" : ", ") +
                    "{\"field\": " + JsonString(change.Fields[f]->Name) +
                    ", \"old\": " + FieldJson(*a.Objects[change.IndexA], *change.Fields[f]) +
                    ", \"new\": " + FieldJson(*b.Objects[change.IndexB], *change.Fields[f]) + "}";
        json += "]}";
    }
    json += diff.Objects.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}

std::string ConflictText(const TMergeConflict& conflict, const TMap& base, const TMap& ours,
                         const TMap& theirs) {
    std::string where;
    if (!conflict.Variable) {
        where = ObjectText(conflict.BaseIndex, *base.Objects[conflict.BaseIndex]) + " (base";
        if (conflict.OursIndex >= 0)
            where += Format(", ours Objects[%d]", conflict.OursIndex);
        if (conflict.TheirsIndex >= 0)
            where += Format(", theirs Objects[%d]", conflict.TheirsIndex);
        where += "): ";
    }
    (void)ours;
    (void)theirs;
    return "conflict: " + where + conflict.Field + ": base " + conflict.Base + " / ours " +
           conflict.Ours + " / theirs " + conflict.Theirs + "\n";
}

} // namespace

int MapDiffCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    const CommandLine options =
        ParseCommandLine(args, 2, 2, [&](const std::string& option, const auto&) {
            json = option == "--json";
            return json;
        });
    const ScopedBaseFolder base(options.GameDir);
    TMap a;
    TMap b;
    LoadMaps(options, {&a, &b});
    const TMapDiff diff = DiffMaps(a, b);
    out << EscapeControls(json ? DiffJson(diff, a, b) : DiffText(diff, a, b), true);
    (void)err;
    return diff.Empty() ? 0 : 1;
}

int MapMergeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string output;
    std::vector<std::string> line = args;
    for (std::string& arg : line)
        if (arg == "-o")
            arg = "--output";
    const CommandLine options =
        ParseCommandLine(line, 2, 3, [&](const std::string& option, const auto& value) {
            if (option != "--output")
                return false;
            output = value();
            return true;
        });
    if (output.empty())
        throw UsageError("-o OUT is required");
    const ScopedBaseFolder folder(options.GameDir);
    TObjMgr catalogue;
    if (options.UseCatalogue)
        catalogue.LoadCatalogue();
    const TObjMgr* cat = options.UseCatalogue ? &catalogue : nullptr;
    TMap base;
    TMap ours;
    TMap theirs;
    for (auto [map, path] : {std::pair{&base, options.Files[0]}, std::pair{&ours, options.Files[1]},
                             std::pair{&theirs, options.Files[2]}})
        if (!LoadCommandMap(*map, path, cat))
            throw EError(""); // the notice has been printed
    TMap merged;
    const std::vector<TMergeConflict> conflicts = MergeMaps(base, ours, theirs, merged);
    TMemoryStream body;
    merged.WriteToStream(body, cat);
    WriteFileReplacing(output, body.Bytes());
    for (const TMergeConflict& conflict : conflicts)
        out << EscapeControls(ConflictText(conflict, base, ours, theirs), true);
    if (!conflicts.empty())
        err << conflicts.size() << (conflicts.size() == 1 ? " conflict" : " conflicts")
            << ": ours kept in " << EscapeControls(output) << "\n";
    return conflicts.empty() ? 0 : 1;
}

} // namespace tv::tool
