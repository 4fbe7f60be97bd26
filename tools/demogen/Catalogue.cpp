#include "DemoGen.h"

#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cctype>

namespace demogen {

uint64_t Rng::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Uniform() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double Rng::Range(double low, double high) {
    return low + (high - low) * Uniform();
}

int Rng::Below(int count) {
    return count <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(count));
}

QString DataFilePath(const QString& root, const QString& folder, const std::string& dataName) {
    QString relative = QString::fromStdString(dataName);
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            part.contains(QLatin1Char(':'))) {
            throw GenError("data name \"" + dataName + "\" does not name a file inside " +
                           folder.toStdString());
        }
    }
    return root + QLatin1Char('/') + folder + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        throw GenError("cannot create folder " + folder.toStdString());
    }
    // Written through a temporary file so that an interrupted run or a full disk never leaves
    // half a file behind that a later run would keep.
    try {
        tv::WriteFileReplacing(path.toStdString(), bytes.constData(),
                               static_cast<size_t>(bytes.size()));
    } catch (const tv::EError& e) {
        throw GenError("cannot write " + path.toStdString() + ": " + e.what());
    }
}

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The class defaults the generator needs: the record classes files may name, with the
// texture and frame size a record of the class starts with.
struct ClassDefaults {
    const char* className;
    bool animates; // a collidable class: its frames come from the texture as a strip
    int frameWidth;
    int frameHeight;
};

constexpr ClassDefaults kClasses[] = {
    {"TBaseInfo", false, 0, 0},   {"TBackGroundInfo", false, 0, 0}, {"TDecorInfo", true, 0, 0},
    {"TEnemyInfo", true, 64, 32}, {"TBossInfo", true, 64, 128},     {"TPlayerInfo", true, 64, 32},
};

const ClassDefaults* FindClass(const std::string& name) {
    for (const ClassDefaults& c : kClasses) {
        if (Lower(c.className) == Lower(name)) {
            return &c;
        }
    }
    return nullptr;
}

int IntField(const QJsonObject& record, const char* field, int fallback, const std::string& who) {
    const QJsonValue value = record.value(QLatin1String(field));
    if (value.isUndefined()) {
        return fallback;
    }
    if (!value.isDouble()) {
        throw GenError(who + ": field " + field + " is not a number");
    }
    const double number = value.toDouble();
    if (number != static_cast<double>(static_cast<int>(number)) || number < 0 || number > 8192) {
        throw GenError(who + ": field " + field + " is not a size from 0 to 8192");
    }
    return static_cast<int>(number);
}

std::string TextField(const QJsonObject& record, const char* field, const std::string& fallback,
                      const std::string& who) {
    const QJsonValue value = record.value(QLatin1String(field));
    if (value.isUndefined()) {
        return fallback;
    }
    if (!value.isString()) {
        throw GenError(who + ": field " + field + " is not a text");
    }
    return value.toString().toStdString();
}

} // namespace

CataloguePlan ParseCataloguePlan(const QByteArray& json, const QString& sourceName) {
    const std::string source = sourceName.toStdString();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        throw GenError(source + ": " + error.errorString().toStdString() + " at offset " +
                       std::to_string(error.offset));
    }
    if (!document.isObject() || !document.object().value(QLatin1String("records")).isArray()) {
        throw GenError(source + ": expected an object with a \"records\" array");
    }
    CataloguePlan plan;
    const QJsonArray records = document.object().value(QLatin1String("records")).toArray();
    for (qsizetype i = 0; i < records.size(); ++i) {
        std::string who = source + ": record " + std::to_string(i + 1);
        if (!records[i].isObject()) {
            throw GenError(who + " is not an object");
        }
        const QJsonObject record = records[i].toObject();
        const std::string className = TextField(record, "class", "", who);
        const ClassDefaults* defaults = FindClass(className);
        if (defaults == nullptr) {
            throw GenError(who + ": class \"" + className + "\" is not a record class");
        }
        const std::string name = TextField(record, "Name", "", who);
        if (!name.empty()) {
            who += " (" + name + ")";
        }
        TextureUse use;
        use.name = TextField(record, "Texture", "editor\\obj.png", who);
        use.firstUser = name;
        if (defaults->animates) {
            use.frameWidth = IntField(record, "FrameWidth", defaults->frameWidth, who);
            use.frameHeight = IntField(record, "FrameHeight", defaults->frameHeight, who);
            if ((use.frameWidth == 0) != (use.frameHeight == 0)) {
                throw GenError(who + ": only one of FrameWidth and FrameHeight is 0");
            }
        }
        if (!use.name.empty()) {
            const auto [it, added] = plan.textures.emplace(Lower(use.name), use);
            if (!added && (it->second.frameWidth != use.frameWidth ||
                           it->second.frameHeight != use.frameHeight)) {
                throw GenError(who + ": texture \"" + use.name + "\" is used with frame size " +
                               std::to_string(use.frameWidth) + "x" +
                               std::to_string(use.frameHeight) + ", but record \"" +
                               it->second.firstUser + "\" uses it with " +
                               std::to_string(it->second.frameWidth) + "x" +
                               std::to_string(it->second.frameHeight));
            }
        }
        for (const char* field : {"FireSound", "DieSound", "HitSound", "AmbientSound"}) {
            const std::string sound = TextField(record, field, "", who);
            if (!sound.empty()) {
                plan.sounds.insert(sound);
            }
        }
        ++plan.recordCount;
    }
    return plan;
}

CataloguePlan ReadCataloguePlan(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw GenError("cannot open catalogue source " + path.toStdString());
    }
    return ParseCataloguePlan(file.readAll(), path);
}

} // namespace demogen
