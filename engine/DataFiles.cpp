#include "engine/DataFiles.h"

#include "mapdata/Errors.h"
#include "mapdata/Notices.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace tv {

std::string DataFolderFor(std::string_view name) {
    const std::string ext = ExtractFileExt(name);
    // Each row is tested on its own, in table order; at most one matches.
    std::string folder;
    if (TextEquals(ext, ".wav"))
        folder = "Data\\Sound\\";
    if (TextIsOneOf(ext, {".jpg", ".png", ".bmp"}))
        folder = "Data\\Graphic\\";
    if (TextIsOneOf(ext, {".mid", ".mp3", ".wma"}))
        folder = "Data\\Music\\";
    return folder;
}

std::string DataFilePath(std::string_view name) {
    const std::string folder = DataFolderFor(name);
    if (folder.empty())
        return std::string(name);
    return BaseFolder() + folder + std::string(name);
}

bool LoadDataFile(std::string_view name, TLoadFile& record) {
    const std::string fullName = DataFilePath(name);
    // Messages name the file as the file system knows it, with one kind of separator.
    const std::string native = NativePath(fullName);
    const QFileInfo info(ToQString(native));
    if (!info.isFile()) {
        ShowMessageBox(Format("File Not Found : %s", native.c_str()));
        return false;
    }
    // Only a regular file: a pipe in its place would block, a device never end.
    std::vector<uint8_t> data = ReadRegularFile(native, native);
    if (data.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EError(kStreamReadError);

    record.FileName = fullName;
    record.Size = static_cast<int32_t>(data.size());
    record.Data = std::move(data);
    return true;
}

void FreeLoadFile(TLoadFile& record) {
    record.Data.clear();
    record.Data.shrink_to_fit();
    record.Size = 0;
}

const std::array<TFontInfo, kFontTableSize> FontTable = {{
    {"Orea", 20, 0xFFFFFFA0, fsBold},
    {"Orea", 30, 0xFFFFFF50, fsBold},
    {"Orea", 24, 0xFFFFFFA0, fsBold},
    {"Calligraphia", 12, 0xFFFFFFA0, fsBold},
    {"Calligraphia", 8, 0xFFFFDD00, fsBold},
    {"Calligraphia", 11, 0xFFFFFF99, fsBold},
    {"Calligraphia", 11, 0xFFFFDD00, fsBold},
    {"Calligraphia", 11, 0xFFFFFFA0, fsBold},
    {"Orea", 18, 0xFFFFFFA0, fsBold},
    {"Calligraphia", 11, 0xFFFFFF11, fsBold},
    {"Calligraphia", 17, 0xFFFFFFA0, fsBold},
    {"Orea", 18, 0xFFFFFFA0, fsBold},
    {"Calligraphia", 11, 0xFFFFFF11, fsBold},
}};

namespace {

bool FamilyInstalled(const QStringList& families, const QString& name) {
    return std::any_of(families.begin(), families.end(), [&](const QString& family) {
        return TextEquals(family.toStdString(), name.toStdString());
    });
}

} // namespace

std::string ResolveFontFamily(std::string_view name) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::string(name); // no font database without a GUI application
    const QStringList families = QFontDatabase::families();
    if (!wanted.isEmpty() && FamilyInstalled(families, wanted))
        return std::string(name);
    // The game's display face is a plain sans; its script face and anything else unknown get
    // a serif.
    const QStringList standIns =
        TextEquals(name, "Orea") ? QStringList{"DejaVu Sans", "Liberation Sans", "Noto Sans"}
                                 : QStringList{"DejaVu Serif", "Liberation Serif", "Noto Serif"};
    for (const QString& candidate : standIns)
        if (FamilyInstalled(families, candidate))
            return candidate.toStdString();
    const QFont::StyleHint hint = TextEquals(name, "Orea") ? QFont::SansSerif : QFont::Serif;
    QFont fallback;
    fallback.setStyleHint(hint);
    const QString family = QFontInfo(fallback).family();
    return family.isEmpty() ? QGuiApplication::font().family().toStdString() : family.toStdString();
}

QFont MakeFont(const TFontInfo& info) {
    QFont font(QString::fromStdString(ResolveFontFamily(info.Name)));
    if (info.Size > 0)
        font.setPointSize(info.Size);
    font.setBold(info.Style & fsBold);
    font.setItalic(info.Style & fsItalic);
    font.setUnderline(info.Style & fsUnderline);
    font.setStrikeOut(info.Style & fsStrikeOut);
    return font;
}

} // namespace tv
