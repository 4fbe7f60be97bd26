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
#include "tools/tvmtool/RenderCommand.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <charconv>
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

std::string ConflictText(const TMergeConflict& conflict, const TMap& base) {
    std::string where;
    if (!conflict.Variable) {
        where = ObjectText(conflict.BaseIndex, *base.Objects[conflict.BaseIndex]) + " (base";
        if (conflict.OursIndex >= 0)
            where += Format(", ours Objects[%d]", conflict.OursIndex);
        if (conflict.TheirsIndex >= 0)
            where += Format(", theirs Objects[%d]", conflict.TheirsIndex);
        where += "): ";
    }
    return "conflict: " + where + conflict.Field + ": base " + conflict.Base + " / ours " +
           conflict.Ours + " / theirs " + conflict.Theirs + "\n";
}

constexpr int kScreenWidth = kRenderDefaultWidth;
constexpr int kScreenHeight = kRenderDefaultHeight;
constexpr size_t kMaxScreens = 8;

// Where an object is drawn on a screen at worldX: backgrounds placed left of 20 stay at the
// left edge, as the view pins them.
QRect ScreenRect(const TBaseInfo& record, int32_t worldX) {
    const bool pinned = dynamic_cast<const TBackGroundInfo*>(&record) && record.Left < 20;
    const int64_t left = pinned ? 0 : int64_t{record.Left} - worldX;
    const int64_t clampedLeft = std::clamp<int64_t>(left, -100000, 100000);
    return QRect(static_cast<int>(clampedLeft), std::clamp(record.Top, -100000, 100000),
                 std::clamp(record.Width, 1, 100000), std::clamp(record.Height, 1, 100000));
}

// The world x of each screen: one around each group of changes that fits on one screen.
std::vector<int32_t> ChangeScreens(const TMapDiff& diff, const TMap& a, const TMap& b) {
    std::vector<int64_t> spots;
    for (const TObjectChange& change : diff.Objects) {
        if (change.IndexA >= 0)
            spots.push_back(int64_t{a.Objects[change.IndexA]->Left} +
                            a.Objects[change.IndexA]->Width / 2);
        if (change.IndexB >= 0)
            spots.push_back(int64_t{b.Objects[change.IndexB]->Left} +
                            b.Objects[change.IndexB]->Width / 2);
    }
    std::sort(spots.begin(), spots.end());
    std::vector<int32_t> screens;
    for (size_t k = 0; k < spots.size();) {
        size_t last = k;
        while (last + 1 < spots.size() && spots[last + 1] - spots[k] <= kScreenWidth * 3 / 4)
            ++last;
        const int64_t x = (spots[k] + spots[last]) / 2 - kScreenWidth / 2;
        screens.push_back(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)));
        k = last + 1;
    }
    if (screens.empty())
        screens.push_back(0);
    return screens;
}

// A and B side by side, one row per screen, changes boxed: added green, removed red, moved,
// changed and reordered yellow.
QImage DiffPicture(const TMapDiff& diff, const TMap& a, const TMap& b,
                   const std::vector<int32_t>& screens) {
    QImage picture(kScreenWidth * 2, kScreenHeight * static_cast<int>(screens.size()),
                   QImage::Format_RGB32);
    QPainter painter(&picture);
    THeadlessRenderer renderer(QSize(kScreenWidth, kScreenHeight));
    for (size_t row = 0; row < screens.size(); ++row) {
        const int32_t x = screens[row];
        const int top = kScreenHeight * static_cast<int>(row);
        painter.drawImage(0, top, renderer.Screen(a, x));
        painter.drawImage(kScreenWidth, top, renderer.Screen(b, x));
        for (int side = 0; side < 2; ++side) {
            painter.setClipRect(kScreenWidth * side, top, kScreenWidth, kScreenHeight);
            for (const TObjectChange& change : diff.Objects) {
                const int index = side == 0 ? change.IndexA : change.IndexB;
                if (index < 0)
                    continue;
                const TBaseInfo& record = side == 0 ? *a.Objects[index] : *b.Objects[index];
                const QColor colour = change.Kind == TObjectChangeKind::Added ? QColor(0, 220, 0)
                                      : change.Kind == TObjectChangeKind::Removed
                                          ? QColor(230, 0, 0)
                                          : QColor(255, 220, 0);
                painter.setPen(QPen(colour, 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(ScreenRect(record, x).translated(kScreenWidth * side, top));
            }
        }
        painter.setClipping(false);
    }
    painter.end();
    return picture;
}

} // namespace

int MapDiffCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::string render;
    bool haveWorldX = false;
    int32_t worldX = 0;
    const CommandLine options =
        ParseCommandLine(args, 2, 2, [&](const std::string& option, const auto& value) {
            if (option == "--json") {
                json = true;
            } else if (option == "--render") {
                render = value();
            } else if (option == "--world-x") {
                const std::string& text = value();
                const auto [end, error] =
                    std::from_chars(text.data(), text.data() + text.size(), worldX);
                if (error != std::errc() || end != text.data() + text.size() || text.empty())
                    throw UsageError("--world-x needs a whole number");
                haveWorldX = true;
            } else {
                return false;
            }
            return true;
        });
    if (haveWorldX && render.empty())
        throw UsageError("--world-x goes with --render");
    const ScopedBaseFolder base(options.GameDir);
    TMap a;
    TMap b;
    LoadMaps(options, {&a, &b});
    const TMapDiff diff = DiffMaps(a, b);
    out << EscapeControls(json ? DiffJson(diff, a, b) : DiffText(diff, a, b), true);
    if (!render.empty()) {
        std::vector<int32_t> screens =
            haveWorldX ? std::vector<int32_t>{worldX} : ChangeScreens(diff, a, b);
        if (screens.size() > kMaxScreens) {
            err << "the picture shows the first " << kMaxScreens << " of " << screens.size()
                << " screens with changes (--world-x shows any one)\n";
            screens.resize(kMaxScreens);
        }
        WritePng(DiffPicture(diff, a, b, screens), render);
    }
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
        out << EscapeControls(ConflictText(conflict, base), true);
    if (!conflicts.empty())
        err << conflicts.size() << (conflicts.size() == 1 ? " conflict" : " conflicts")
            << ": ours kept in " << EscapeControls(output) << "\n";
    return conflicts.empty() ? 0 : 1;
}

} // namespace tv::tool
