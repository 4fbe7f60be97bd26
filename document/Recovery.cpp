#include "document/Recovery.h"

#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
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
#include <cerrno>
#include <sys/stat.h>

namespace tv {

namespace {

constexpr const char* kCopyExt = ".tvm";
constexpr const char* kInfoExt = ".json";
constexpr const char* kLockExt = ".lock";
// Copies of the designer's work, and where they come from, are the designer's alone.
constexpr unsigned kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

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
    // Read as every input is (a regular file only, so a pipe or a device in its place can
    // neither hang nor flood the start); without it the copy is offered all the same.
    const std::string infoPath = WithoutExt(copy.Path) + kInfoExt;
    try {
        const std::vector<uint8_t> bytes = ReadRegularFile(infoPath, infoPath);
        const QJsonObject object =
            QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())))
                .object();
        copy.FileName = object.value("fileName").toString().toStdString();
        copy.SourcePath = object.value("source").toString().toStdString();
    } catch (const EError&) {
    }
    if (copy.FileName.empty())
        copy.FileName = TMap::kUntitled;
    return copy;
}

// A slot's lock that can be taken belongs to no running editor: QLockFile takes over the lock
// of a process that is gone, and with no stale time it never takes one by its age.
bool IsOrphaned(const std::string& slot) {
    // QLockFile reads a lock that is there: anything but a regular file (a pipe would hang it)
    // is nobody's lock of ours.
    struct stat info {};
    const std::string lock = slot + kLockExt;
    if (::lstat(lock.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return false;
    QLockFile probe(Q(lock));
    probe.setStaleLockTime(0);
    if (!probe.tryLock(0))
        return false;
    probe.unlock();
    return true;
}

// Makes the folder and the missing ones above it, new ones private; the folder itself is made
// private when it is there already (it holds nothing but this editor's copies).
bool MakePrivateFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), kPrivateFolder) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ((info.st_mode & 07777) == kPrivateFolder ||
            ::chmod(folder.c_str(), kPrivateFolder) == 0);
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
    if (!MakePrivateFolder(folder_))
        throw EError(CannotCreateFileMessage(folder_));
    // A name no other editor has used: the process and the time it claims the slot.
    const std::string slot = folder_ + "/session-" +
                             std::to_string(QCoreApplication::applicationPid()) + "-" +
                             std::to_string(QDateTime::currentMSecsSinceEpoch());
    auto lock = std::make_unique<QLockFile>(Q(slot + kLockExt));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        throw EError(CannotCreateFileMessage(slot + kLockExt));
    QFile::setPermissions(Q(slot + kLockExt), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    lock_ = std::move(lock);
    slot_ = slot;
}

void TRecoveryStore::Write(const TMap& map, const std::string& sourcePath) {
    ClaimSlot();
    TMemoryStream bytes;
    map.WriteToStream(bytes, nullptr);
    WriteFileReplacing(slot_ + kCopyExt, bytes.Bytes(), kPrivateFile);
    QJsonObject info;
    info.insert("fileName", Q(map.FileName));
    info.insert("source", Q(sourcePath));
    const QByteArray json = QJsonDocument(info).toJson();
    WriteFileReplacing(slot_ + kInfoExt, std::vector<uint8_t>(json.begin(), json.end()),
                       kPrivateFile);
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
