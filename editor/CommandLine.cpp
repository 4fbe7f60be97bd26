#include "editor/CommandLine.h"

#include "manual/Manual.h"

#include <QDir>
#include <QFileInfo>

namespace tv {

namespace {

std::string Absolute(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
}

} // namespace

std::string EditorUsage() {
    return ManualUsage(kTveditManual);
}

TEditorCommandLine ParseEditorCommandLine(const std::vector<std::string>& args) {
    TEditorCommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.Help = true;
        } else if (arg == "--version") {
            line.Version = true;
        } else if (arg == "--init-game") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                throw TEditorUsageError("--init-game needs a folder");
            line.InitGame = Absolute(args[++i]);
        } else if (arg == "--base") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                throw TEditorUsageError("--base needs a folder");
            QString folder = QDir(QString::fromStdString(args[++i])).absolutePath();
            if (!QFileInfo(folder).isDir())
                throw TEditorUsageError("--base: " + folder.toStdString() + " is not a folder");
            if (!folder.endsWith('/'))
                folder += '/';
            line.BaseFolder = folder.toStdString();
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw TEditorUsageError("unknown option " + arg);
        } else if (!line.MapPath.empty()) {
            throw TEditorUsageError("only one map can be opened");
        } else if (arg.empty()) {
            throw TEditorUsageError("the map's name is empty");
        } else {
            line.MapPath = Absolute(arg);
        }
    }
    if (!line.InitGame.empty() && !line.MapPath.empty())
        throw TEditorUsageError("--init-game makes a game folder and opens no map");
    return line;
}

} // namespace tv
