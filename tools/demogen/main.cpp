// tvdemogen: writes the demo game folder's pictures, sounds and music, and the About box's
// picture and chime.
//
//   tvdemogen [--catalogue FILE] OUTDIR     Data/Graphic, Data/Sound, Data/Music, Data/Maps
//   tvdemogen --about-assets DIR            DIR/about.jpg and DIR/kelvorn.wav
//
// Both forms may be combined. The pictures drawn are those the catalogue source names plus
// the editor's own; a texture the generator has no recipe for is an error, so the catalogue
// and the generated folder cannot drift apart.

#include "DemoGen.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

using namespace demogen;

namespace {

QByteArray Encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        throw GenError(std::string("cannot encode a picture as ") + format);
    }
    return bytes;
}

// Leaves a file that already holds these bytes alone, so that reruns keep its time stamp.
void Put(const QString& path, const QByteArray& bytes, int& written) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() &&
        existing.readAll() == bytes) {
        return;
    }
    existing.close();
    WriteFile(path, bytes);
    ++written;
}

void WriteGameContent(const QString& out, const QString& catalogue) {
    const CataloguePlan plan = ReadCataloguePlan(catalogue);
    int written = 0;

    std::map<std::string, TextureUse> pictures;
    for (const TextureUse& use : FixedPictures()) {
        pictures.emplace(QString::fromStdString(use.name).toLower().toStdString(), use);
    }
    for (const auto& [key, use] : plan.textures) {
        pictures.insert_or_assign(key, use);
    }
    for (const auto& [key, use] : pictures) {
        Put(DataFilePath(out, kGraphicFolder, use.name), Encode(DrawPicture(use), "PNG"), written);
    }

    std::set<std::string> sounds(plan.sounds.begin(), plan.sounds.end());
    for (const std::string& name : FixedSounds()) {
        sounds.insert(name);
    }
    for (const std::string& name : sounds) {
        Put(DataFilePath(out, kSoundFolder, name), SynthesiseSound(name), written);
    }

    const std::vector<Song> songs = DemoSongs();
    for (const Song& song : songs) {
        Put(DataFilePath(out, kMusicFolder, song.fileName), song.bytes, written);
    }
    const QString maps = out + QLatin1Char('/') + QLatin1String(kMapsFolder);
    if (!QDir().mkpath(maps)) {
        throw GenError("cannot create folder " + maps.toStdString());
    }
    std::printf("tvdemogen: %d records; %zu pictures, %zu sounds, %zu songs in %s (%d files "
                "changed)\n",
                plan.recordCount, pictures.size(), sounds.size(), songs.size(),
                qPrintable(QDir::cleanPath(out)), written);
}

void WriteAboutAssets(const QString& folder) {
    int written = 0;
    Put(folder + QLatin1String("/about.jpg"), Encode(DrawAboutCard(), "JPEG", 90), written);
    Put(folder + QLatin1String("/kelvorn.wav"), KelvornChime(), written);
    std::printf("tvdemogen: About picture and chime in %s (%d files changed)\n",
                qPrintable(QDir::cleanPath(folder)), written);
}

int Usage() {
    std::fprintf(stderr, "usage: tvdemogen [--catalogue FILE] OUTDIR\n"
                         "       tvdemogen --about-assets DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv); // fonts for the few texts drawn

    QString catalogue = QStringLiteral(TV_DEMO_CATALOGUE);
    QString gameFolder;
    QString aboutFolder;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--catalogue") || arg == QLatin1String("--about-assets")) {
            if (i + 1 >= args.size()) {
                return Usage();
            }
            (arg == QLatin1String("--catalogue") ? catalogue : aboutFolder) = args[++i];
        } else if (arg.startsWith(QLatin1Char('-')) || !gameFolder.isEmpty()) {
            return Usage();
        } else {
            gameFolder = arg;
        }
    }
    if (gameFolder.isEmpty() && aboutFolder.isEmpty()) {
        return Usage();
    }
    try {
        if (!gameFolder.isEmpty()) {
            WriteGameContent(gameFolder, catalogue);
        }
        if (!aboutFolder.isEmpty()) {
            WriteAboutAssets(aboutFolder);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tvdemogen: %s\n", error.what());
        return 1;
    }
    return 0;
}
