#include "document/Recovery.h"

#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "mapdata/Stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>
#include <algorithm>

namespace tv {

namespace {

constexpr const char* kCopyExt = ".tvm";
constexpr const char* kInfoExt = ".json";
constexpr const char* kLockExt = ".lock";

std::string WithoutExt(const std::string& path) {
    return path.substr(0, path.size() - std::char_traits<char>::length(kCopyExt));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

TRecoveryCopy ReadCopy(const QFileInfo& file) {
    TRecoveryCopy copy;
    copy.Path = file.absoluteFilePath().toStdString();
    copy.Written = file.lastModified();
    QFile info(Q(WithoutExt(copy.Path) + kInfoExt));
    if (info.open(QIODevice::ReadOnly)) {
        const QJsonObject object = QJsonDocument::fromJson(info.readAll()).object();
        copy.FileName = object.value("fileName").toString().toStdString();
        copy.SourcePath = object.value("source").toString().toStdString();
    }
    if (copy.FileName.empty())
        copy.FileName = TMap::kUntitled;
    return copy;
}

// A slot's lock that can be taken belongs to no running editor: QLockFile takes over the lock
// of a process that is gone, and with no stale time it never takes one by its age.
bool IsOrphaned(const std::string& slot) {
    QLockFile probe(Q(slot + kLockExt));
    probe.setStaleLockTime(0);
    if (!probe.tryLock(0))
        return false;
    probe.unlock();
    return true;
}

} // namespace

std::string DefaultRecoveryFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return (state + QStringLiteral("/tvedit/recovery")).toStdString();
    return (QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
            QStringLiteral("/recovery"))
        .toStdString();
}

TRecoveryStore::TRecoveryStore(std::string folder) : folder_(std::move(folder)) {}

TRecoveryStore::~TRecoveryStore() {
    Remove();
}

std::vector<TRecoveryCopy> TRecoveryStore::Orphans() const {
    std::vector<TRecoveryCopy> copies;
    const QFileInfoList files =
        QDir(Q(folder_)).entryInfoList({QStringLiteral("*") + kCopyExt}, QDir::Files, QDir::Time);
    for (const QFileInfo& file : files) {
        const std::string slot = WithoutExt(file.absoluteFilePath().toStdString());
        if (slot != slot_ && IsOrphaned(slot))
            copies.push_back(ReadCopy(file));
    }
    return copies;
}

void TRecoveryStore::Discard(const TRecoveryCopy& copy) {
    const std::string slot = WithoutExt(copy.Path);
    for (const char* ext : {kCopyExt, kInfoExt})
        QFile::remove(Q(slot + ext));
    if (IsOrphaned(slot))
        QFile::remove(Q(slot + kLockExt));
}

void TRecoveryStore::ClaimSlot() {
    if (lock_)
        return;
    if (!QDir().mkpath(Q(folder_)))
        throw EError(CannotCreateFileMessage(folder_));
    // A name no other editor has used: the process and the time it claims the slot.
    const std::string slot = folder_ + "/session-" +
                             std::to_string(QCoreApplication::applicationPid()) + "-" +
                             std::to_string(QDateTime::currentMSecsSinceEpoch());
    auto lock = std::make_unique<QLockFile>(Q(slot + kLockExt));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        throw EError(CannotCreateFileMessage(slot + kLockExt));
    lock_ = std::move(lock);
    slot_ = slot;
}

void TRecoveryStore::Write(const TMap& map, const std::string& sourcePath) {
    ClaimSlot();
    TMemoryStream bytes;
    map.WriteToStream(bytes, nullptr);
    WriteFileReplacing(slot_ + kCopyExt, bytes.Bytes());
    QJsonObject info;
    info.insert("fileName", Q(map.FileName));
    info.insert("source", Q(sourcePath));
    const QByteArray json = QJsonDocument(info).toJson();
    WriteFileReplacing(slot_ + kInfoExt, std::vector<uint8_t>(json.begin(), json.end()));
}

void TRecoveryStore::Remove() {
    if (slot_.empty())
        return;
    QFile::remove(Q(slot_ + kCopyExt));
    QFile::remove(Q(slot_ + kInfoExt));
}

std::string TRecoveryStore::CopyPath() const {
    return slot_.empty() ? std::string() : slot_ + kCopyExt;
}

} // namespace tv
