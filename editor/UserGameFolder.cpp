#include "editor/UserGameFolder.h"

#include "editor/Dialogs.h"
#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace tv {

namespace {

QString WithSlash(QString folder) {
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

// A folder as the record names it: absolute, links resolved when it exists, ending in "/".
QString FolderKey(const std::string& folder) {
    const QFileInfo info(QString::fromStdString(folder));
    const QString canonical = info.canonicalFilePath();
    return WithSlash(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
}

QString RecordPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/tvedit/game-folders.json";
}

QJsonObject ReadRecord() {
    const QString path = RecordPath();
    if (!QFileInfo(path).isFile())
        return {};
    const std::vector<uint8_t> bytes = ReadRegularFile(path.toStdString(), path.toStdString());
    return QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())))
        .object();
}

void MakeFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw EError("Cannot create folder " + path.toStdString());
}

void LinkTo(const QString& target, const QString& link) {
    const QFileInfo existing(link);
    if (existing.exists() || existing.isSymLink())
        return;
    if (!QFile::link(target, link))
        throw EError("Cannot create link " + link.toStdString());
}

// The entries of a folder, without "." and "..".
QFileInfoList Entries(const QString& folder) {
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                      QDir::NoDotAndDotDot);
}

} // namespace

std::string DefaultUserGameFolder() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/tvedit/game/")
        .toStdString();
}

void MakeUserGameFolder(const std::string& source, const std::string& folder) {
    const QString from = FolderKey(source);
    // Found as the editor finds it (any letter case), so the links cover what it reads.
    const QFileInfo maps(QString::fromStdString(NativePath(from.toStdString() + "Data\\Maps")));
    if (!maps.isDir())
        throw EError(from.toStdString() + " is not a game folder: it has no Data/Maps folder");
    const QFileInfo data(maps.absolutePath());
    const QString to = WithSlash(QFileInfo(QString::fromStdString(folder)).absoluteFilePath());
    if (FolderKey(to.toStdString()) == from)
        throw EError(to.toStdString() + " is the game folder itself");
    MakeFolder(to);
    for (const QFileInfo& entry : Entries(from)) {
        if (entry.fileName() == "editor") // the programs
            continue;
        if (entry.fileName() != data.fileName()) {
            LinkTo(entry.absoluteFilePath(), to + entry.fileName());
            continue;
        }
        const QString ownData = to + entry.fileName() + "/";
        MakeFolder(ownData);
        for (const QFileInfo& inData : Entries(entry.absoluteFilePath()))
            if (inData.fileName() != maps.fileName())
                LinkTo(inData.absoluteFilePath(), ownData + inData.fileName());
        const QString ownMaps = ownData + maps.fileName() + "/";
        MakeFolder(ownMaps);
        for (const QFileInfo& map : QDir(maps.absoluteFilePath()).entryInfoList(QDir::Files)) {
            const QString copy = ownMaps + map.fileName();
            if (QFileInfo(copy).exists() || QFileInfo(copy).isSymLink())
                continue;
            const std::vector<uint8_t> bytes = ReadRegularFile(
                map.absoluteFilePath().toStdString(), map.absoluteFilePath().toStdString());
            WriteFileReplacing(copy.toStdString(), bytes);
            QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
        }
    }
    RecordUserGameFolder(source, to.toStdString());
}

std::optional<std::string> RecordedUserGameFolder(const std::string& source) {
    const QJsonValue value = ReadRecord().value(FolderKey(source));
    if (!value.isString())
        return std::nullopt;
    return value.toString().toStdString();
}

void RecordUserGameFolder(const std::string& source, const std::string& folder) {
    QJsonObject record = ReadRecord();
    record.insert(FolderKey(source), folder.empty() ? QString() : FolderKey(folder));
    const QString path = RecordPath();
    MakeFolder(QFileInfo(path).absolutePath());
    const QByteArray json = QJsonDocument(record).toJson();
    WriteFileReplacing(path.toStdString(), json.constData(), static_cast<size_t>(json.size()));
}

bool MapsFolderWritable(const std::string& gameFolder) {
    const QFileInfo maps(QString::fromStdString(NativePath(gameFolder + "Data\\Maps")));
    return maps.isDir() && maps.isWritable();
}

std::string ChooseGameFolder(const std::string& source, bool sourceWritable, IDialogs& dialogs) {
    if (const std::optional<std::string> recorded = RecordedUserGameFolder(source)) {
        if (!recorded->empty() && QFileInfo(QString::fromStdString(*recorded)).isDir())
            return *recorded;
        if (recorded->empty())
            return source;
    }
    if (sourceWritable)
        return source;
    const std::string own = DefaultUserGameFolder();
    if (!dialogs.AskYesNo("The game folder " + source +
                          " is read-only: maps saved into it would fail. Make a game folder "
                          "of your own at " +
                          own +
                          " (the data linked, the maps copied) and open and save maps there?")) {
        RecordUserGameFolder(source, "");
        return source;
    }
    try {
        MakeUserGameFolder(source, own);
    } catch (const std::exception& error) {
        dialogs.ErrorBox("Torvanikian Map Editor", error.what());
        return source;
    }
    return FolderKey(own).toStdString();
}

} // namespace tv
