#include "mapdata/Paths.h"

#include "mapdata/Text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <vector>

namespace tv {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!current.empty())
                parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

} // namespace

std::string ProgramFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return dir.toStdString() + "/";
}

namespace {
std::string& BaseFolderStorage() {
    static std::string folder;
    return folder;
}
} // namespace

const std::string& BaseFolder() {
    std::string& folder = BaseFolderStorage();
    if (folder.empty())
        folder = ProgramFolder();
    return folder;
}

void SetBaseFolder(std::string folder) {
    BaseFolderStorage() = std::move(folder);
}

std::string ParentFolder(std::string_view path) {
    std::string copy(path);
    if (!copy.empty() && IsSeparator(copy.back()))
        copy.pop_back();
    const size_t last = copy.find_last_of("\\/");
    if (last == std::string::npos)
        return copy;
    copy.erase(last);
    return copy;
}

namespace {

bool PathExists(const std::string& path) {
    return QFileInfo::exists(ToQString(path));
}

// The entries of a folder ("" for the current one) other than name itself that equal name
// without regard to letter case.
std::vector<std::string> OtherSpellingsIn(const std::string& folder, const std::string& name) {
    std::vector<std::string> spellings;
    const QDir dir(ToQString(folder.empty() ? "." : folder));
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        std::string spelling = entry.toStdString();
        if (spelling != name && TextEquals(spelling, name))
            spellings.push_back(std::move(spelling));
    }
    return spellings;
}

// Finds a spelling of every component under which the whole path exists, trying the
// spellings of each component in turn (a game folder may hold both "data" and "Data").
// Where none does, remembers the spelling that resolved the most leading components.
class TCaseResolver {
public:
    explicit TCaseResolver(const std::vector<std::string>& parts) : parts_(parts) {}

    // The resolved path, or the deepest partial resolution followed by the components that
    // did not resolve, as given.
    std::string Resolve(const std::string& root) {
        deepest_ = root;
        if (Walk(root, 0))
            return deepest_;
        std::string result = deepest_;
        for (size_t i = deepestCount_; i < parts_.size(); ++i)
            result += parts_[i] + (i + 1 < parts_.size() ? "/" : "");
        return result;
    }

private:
    // The exact spelling first; a folder is listed only when that does not lead to the whole
    // path, so a path that differs in one place costs one listing.
    bool Walk(const std::string& prefix, size_t index) {
        if (index > deepestCount_) {
            deepestCount_ = index;
            deepest_ = prefix;
        }
        if (index == parts_.size())
            return true;
        const std::string& part = parts_[index];
        if (PathExists(prefix + part) && WalkInto(prefix, part, index))
            return true;
        for (const std::string& spelling : OtherSpellingsIn(prefix, part))
            if (WalkInto(prefix, spelling, index))
                return true;
        return false;
    }

    bool WalkInto(const std::string& prefix, const std::string& spelling, size_t index) {
        const bool last = index + 1 == parts_.size();
        return Walk(prefix + spelling + (last ? "" : "/"), index + 1);
    }

    const std::vector<std::string>& parts_;
    std::string deepest_;
    size_t deepestCount_ = 0;
};

} // namespace

std::string NativePath(std::string_view path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    // The usual case, and the only one that costs no folder listing.
    if (native.empty() || PathExists(native))
        return native;

    const std::vector<std::string> parts = SplitComponents(native);
    std::string result = TCaseResolver(parts).Resolve(native.front() == '/' ? "/" : "");
    if (native.back() == '/' && (result.empty() || result.back() != '/'))
        result += "/";
    return result;
}

bool FileExists(std::string_view path) {
    const QFileInfo info(ToQString(NativePath(path)));
    return info.exists() && info.isFile();
}

std::string ExtractFileName(std::string_view path) {
    const size_t last = path.find_last_of("\\/:");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

bool IsBareFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '\\' || c == '/' || c == ':' || c < 0x20 || c == 0x7F)
            return false;
        // C1 controls (U+0080..U+009F) in UTF-8.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0)
            return false;
    }
    return true;
}

bool LeavesDataFolder(std::string_view name) {
    if (name.empty())
        return false;
    if (IsSeparator(name.front()) || name.find(':') != std::string_view::npos)
        return true;
    for (const std::string& part : SplitComponents(name))
        if (part == "..")
            return true;
    return false;
}

std::string ExtractFileExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string RelativeDataPath(std::string_view baseFolder, std::string_view file) {
    const std::vector<std::string> base = SplitComponents(baseFolder);
    std::vector<std::string> target = SplitComponents(file);
    if (target.empty())
        return std::string(file);
    const std::string fileName = target.back();
    target.pop_back();

    size_t common = 0;
    while (common < base.size() && common < target.size() &&
           TextEquals(base[common], target[common]))
        ++common;

    std::string result;
    for (size_t i = common; i < base.size(); ++i)
        result += "..\\";
    for (size_t i = common; i < target.size(); ++i)
        result += target[i] + "\\";
    return result + fileName;
}

} // namespace tv
