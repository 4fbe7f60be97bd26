// The demo game folder as the build lays it out: the catalogue built from demo/catalogue.json,
// the pictures, sounds and music tvdemogen draws for it, and the About box's assets.

#include "TestSupport.h"

#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Objects.h"
#include "mapdata/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <set>

#ifdef TVDEMOGEN_PATH

namespace {

const std::string kGame = TV_GAME_DIR;

std::string GraphicPath(std::string_view name) {
    return tv::NativePath(kGame + "/Data/Graphic/" + std::string(name));
}
std::string SoundPath(const std::string& name) {
    return tv::NativePath(kGame + "/Data/Sound/" + name);
}

QImage LoadPicture(const std::string& path) {
    QImage image(QString::fromStdString(path));
    return image.convertToFormat(QImage::Format_ARGB32);
}

uint32_t U32(const tvtest::Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(const tvtest::Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t BE(const tvtest::Bytes& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | b[at + i];
    }
    return v;
}

struct WaveInfo {
    bool valid = false;
    std::string problem;
    double seconds = 0;
    int peak = 0;
};

// Checks the whole header of a 16-bit PCM mono 22050 Hz WAVE file and measures it.
WaveInfo InspectWave(const std::string& path) {
    WaveInfo info;
    const tvtest::Bytes b = tvtest::ReadFileBytes(path);
    if (b.size() < 44) {
        info.problem = "shorter than a header";
        return info;
    }
    if (std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 ||
        std::memcmp(b.data() + 36, "data", 4) != 0) {
        info.problem = "not a canonical RIFF/WAVE file";
        return info;
    }
    if (U32(b, 4) != b.size() - 8 || U32(b, 40) != b.size() - 44) {
        info.problem = "chunk sizes do not match the file size";
        return info;
    }
    if (U32(b, 16) != 16 || U16(b, 20) != 1 || U16(b, 22) != 1 || U32(b, 24) != 22050 ||
        U32(b, 28) != 44100 || U16(b, 32) != 2 || U16(b, 34) != 16) {
        info.problem = "not 16-bit PCM mono at 22050 Hz";
        return info;
    }
    for (size_t i = 44; i + 1 < b.size(); i += 2) {
        const int sample = static_cast<int16_t>(U16(b, i));
        info.peak = std::max(info.peak, std::abs(sample));
    }
    info.seconds = (b.size() - 44) / 2 / 22050.0;
    info.valid = true;
    return info;
}

std::unique_ptr<tv::TObjMgr> LoadDemoCatalogue() {
    auto catalogue = std::make_unique<tv::TObjMgr>();
    catalogue->LoadCatalogueFile(kGame + "/data/obj/objects.tvd");
    return catalogue;
}

} // namespace

TEST(DemoContent, CatalogueCoversEveryRecordClassWithPlausiblePrototypes) {
    const auto catalogue = LoadDemoCatalogue();
    ASSERT_GE(catalogue->Count(), 25);
    std::map<std::string, int> perClass;
    int solidDecors = 0;
    int passDecors = 0;
    int additive = 0;
    std::set<std::string> names;
    for (int i = 0; i < catalogue->Count(); ++i) {
        const tv::TBaseInfo* r = catalogue->Get(i);
        ++perClass[r->ClassName()];
        names.insert(r->Name.str());
        if (const auto* decor = dynamic_cast<const tv::TDecorInfo*>(r)) {
            (decor->ProjectilesPass ? passDecors : solidDecors)++;
        }
        additive += r->Blend == 1;
        SCOPED_TRACE(r->Name);
        EXPECT_GT(r->Width, 0);
        EXPECT_GT(r->Height, 0);
        EXPECT_LE(r->Width, 800);
        EXPECT_LE(r->Height, 600);
        EXPECT_FALSE(r->Texture.empty());
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(catalogue->Count())) << "names repeat";
    for (const char* cls :
         {"TBaseInfo", "TBackGroundInfo", "TDecorInfo", "TEnemyInfo", "TBossInfo", "TPlayerInfo"}) {
        EXPECT_GE(perClass[cls], 1) << cls;
    }
    EXPECT_GE(perClass["TBackGroundInfo"], 2);
    EXPECT_GE(perClass["TEnemyInfo"], 3);
    EXPECT_GE(solidDecors, 1);
    EXPECT_GE(passDecors, 1);
    EXPECT_GE(additive, 1);
    // Prototypes are found by name as the editor looks them up, whatever the letter case.
    ASSERT_NE(catalogue->FindByName("slime"), nullptr);
    EXPECT_EQ(catalogue->FindByName("slime")->Group, "Enemies");
}

TEST(DemoContent, EveryTextureExistsAndMatchesItsRecordsFrameStrip) {
    const auto catalogue = LoadDemoCatalogue();
    for (int i = 0; i < catalogue->Count(); ++i) {
        const tv::TBaseInfo* r = catalogue->Get(i);
        SCOPED_TRACE(r->Name + " / " + r->Texture);
        const std::string path = GraphicPath(r->Texture);
        ASSERT_TRUE(tv::FileExists(path));
        const QImage image = LoadPicture(path);
        ASSERT_FALSE(image.isNull());

        // Content, not a placeholder: many distinct colours.
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_GT(colours.size(), 24u);

        const auto* colObj = dynamic_cast<const tv::TColObjInfo*>(r);
        if (colObj != nullptr && r->FrameWidth > 0) {
            // A strip of four frames side by side, each FrameWidth x FrameHeight, that differ.
            EXPECT_EQ(image.width(), 4 * r->FrameWidth);
            EXPECT_EQ(image.height(), r->FrameHeight);
            if (colObj->Animated && image.width() == 4 * r->FrameWidth) {
                std::vector<QImage> frames;
                for (int f = 0; f < 4; ++f) {
                    frames.push_back(
                        image.copy(f * r->FrameWidth, 0, r->FrameWidth, r->FrameHeight));
                }
                for (int f = 0; f < 4; ++f) {
                    for (int g = f + 1; g < 4; ++g) {
                        EXPECT_NE(frames[f], frames[g]) << "frames " << f << " and " << g;
                    }
                }
            }
        } else if (colObj != nullptr) {
            EXPECT_FALSE(colObj->Animated) << "an animated record needs a frame size";
        }
        // Sprites keep their empty parts in the magenta key; additive pictures use black.
        const bool keyedOrBlack =
            image.pixel(0, 0) == 0xFFFF00FFu || image.pixel(0, 0) == 0xFF000000u;
        if (dynamic_cast<const tv::TEntityInfo*>(r) != nullptr) {
            EXPECT_TRUE(keyedOrBlack);
        }
        if (r->Blend == 1) {
            EXPECT_EQ(image.pixel(0, 0), 0xFF000000u) << "additive pictures are black around";
        }
    }
}

TEST(DemoContent, BackgroundsTileWithoutASeam) {
    const auto catalogue = LoadDemoCatalogue();
    int checked = 0;
    for (int i = 0; i < catalogue->Count(); ++i) {
        const tv::TBaseInfo* r = catalogue->Get(i);
        if (dynamic_cast<const tv::TBackGroundInfo*>(r) == nullptr) {
            continue;
        }
        SCOPED_TRACE(r->Texture);
        const QImage image = LoadPicture(GraphicPath(r->Texture));
        ASSERT_FALSE(image.isNull());
        // The last column continues into the first: compare them with the step between two
        // neighbouring columns inside the picture.
        auto distance = [&image](int x1, int x2) {
            double sum = 0;
            for (int y = 0; y < image.height(); ++y) {
                const QRgb a = image.pixel(x1, y);
                const QRgb b = image.pixel(x2, y);
                sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                       std::abs(qBlue(a) - qBlue(b));
            }
            return sum / image.height();
        };
        const int w = image.width();
        const double seam = distance(w - 1, 0);
        double inside = 0;
        for (int x = w / 4; x < w / 4 + 8; ++x) {
            inside += distance(x, x + 1) / 8;
        }
        EXPECT_LE(seam, inside * 3 + 12) << "seam " << seam << ", inside " << inside;
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

TEST(DemoContent, SoundsNamedByRecordsAndTheEngineAreShortPcmWaves) {
    const auto catalogue = LoadDemoCatalogue();
    std::set<std::string> names = {"gui\\butclick.wav",      "ingame\\enemy_fire.wav",
                                   "ingame\\enemy_die.wav",  "ingame\\enemy_hit.wav",
                                   "ingame\\enemy_amb.wav",  "ingame\\player_fire.wav",
                                   "ingame\\player_die.wav", "ingame\\player_hit.wav"};
    for (int i = 0; i < catalogue->Count(); ++i) {
        if (const auto* e = dynamic_cast<const tv::TEntityInfo*>(catalogue->Get(i))) {
            for (const tv::TText& s : {e->FireSound, e->DieSound, e->HitSound, e->AmbientSound}) {
                names.insert(s.str());
            }
        }
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = SoundPath(name);
        ASSERT_TRUE(tv::FileExists(path));
        const WaveInfo wave = InspectWave(path);
        ASSERT_TRUE(wave.valid) << wave.problem;
        EXPECT_GE(wave.seconds, 0.02);
        EXPECT_LE(wave.seconds, 3.0);
        EXPECT_GT(wave.peak, 8000) << "silent or nearly so";
        EXPECT_LT(wave.peak, 32767) << "clipped";
    }
}

TEST(DemoContent, MusicFilesAreStandardMidiWithAMelody) {
    const QStringList songs =
        QDir(QString::fromStdString(kGame + "/Data/Music")).entryList({"*.mid"}, QDir::Files);
    ASSERT_GE(songs.size(), 2);
    for (const QString& song : songs) {
        SCOPED_TRACE(song.toStdString());
        const tvtest::Bytes b = tvtest::ReadFileBytes(kGame + "/Data/Music/" + song.toStdString());
        ASSERT_GE(b.size(), 22u);
        ASSERT_EQ(std::string(b.begin(), b.begin() + 4), "MThd");
        EXPECT_EQ(BE(b, 4, 4), 6u);
        EXPECT_EQ(BE(b, 8, 2), 0u); // format 0
        EXPECT_EQ(BE(b, 10, 2), 1u);
        EXPECT_GT(BE(b, 12, 2), 0u);
        ASSERT_EQ(std::string(b.begin() + 14, b.begin() + 18), "MTrk");
        ASSERT_EQ(BE(b, 18, 4), b.size() - 22) << "track length";
        // Walk the events: every delta is a valid variable-length number, every note-on has
        // its note-off, and the track ends with the end-of-track event.
        size_t at = 22;
        int noteOns = 0;
        int open = 0;
        bool ended = false;
        while (at < b.size() && !ended) {
            int lengthBytes = 0;
            while (at < b.size() && (b[at] & 0x80) != 0 && lengthBytes < 4) {
                ++at;
                ++lengthBytes;
            }
            ASSERT_LT(lengthBytes, 4);
            ++at;
            ASSERT_LT(at, b.size());
            const uint8_t status = b[at];
            ASSERT_NE(status & 0x80, 0) << "running status is not used";
            if (status == 0xFF) {
                ASSERT_LT(at + 2, b.size());
                ended = b[at + 1] == 0x2F;
                at += 3 + b[at + 2];
            } else if ((status & 0xF0) == 0xC0) {
                at += 2;
            } else if ((status & 0xF0) == 0x90 || (status & 0xF0) == 0x80) {
                ASSERT_LT(at + 2, b.size());
                const bool on = (status & 0xF0) == 0x90 && b[at + 2] > 0;
                noteOns += on;
                open += on ? 1 : -1;
                at += 3;
            } else {
                FAIL() << "unexpected status " << int(status);
            }
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(at, b.size()) << "bytes after the end of the track";
        EXPECT_EQ(open, 0);
        EXPECT_GE(noteOns, 16);
    }
}

TEST(DemoContent, EditorPicturesMapsFolderAndAboutAssets) {
    const QImage cursor = LoadPicture(GraphicPath("cursors\\cursor.png"));
    ASSERT_EQ(cursor.size(), QSize(48, 48));
    EXPECT_EQ(cursor.pixel(47, 47), 0xFF000000u) << "black is keyed out around the pointer";
    EXPECT_GT(qRed(cursor.pixel(6, 12)), 180) << "the pointer itself is bright";

    const QImage frame = LoadPicture(GraphicPath("editor\\frame.png"));
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.pixel(frame.width() / 2, frame.height() / 2), 0xFF000000u)
        << "drawn additively: black inside adds nothing";
    EXPECT_GT(qGreen(frame.pixel(2, 2)), 150);

    ASSERT_FALSE(LoadPicture(GraphicPath("editor\\obj.png")).isNull());
    EXPECT_TRUE(QDir(QString::fromStdString(kGame + "/Data/Maps")).exists());

    const std::string about = std::string(TV_BINARY_DIR) + "/about-assets/";
    QImage card(QString::fromStdString(about + "about.jpg"), "JPEG");
    EXPECT_EQ(card.size(), QSize(246, 151));
    const WaveInfo chime = InspectWave(about + "kelvorn.wav");
    ASSERT_TRUE(chime.valid) << chime.problem;
    EXPECT_NEAR(chime.seconds, 1.5, 0.3);
}

namespace {

struct GeneratorRun {
    int exitCode = -1;
    QString errors;
};

GeneratorRun RunGenerator(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TVDEMOGEN_PATH), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

std::map<QString, QByteArray> ReadTree(const QString& root) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[QDir(root).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

} // namespace

TEST(DemoGenerator, WritesTheSameBytesOnEveryRun) {
    tvtest::TempDir first;
    tvtest::TempDir second;
    const QString source = QStringLiteral(TV_SOURCE_DIR "/demo/catalogue.json");
    ASSERT_EQ(RunGenerator({"--catalogue", source, QString::fromStdString(first.path()),
                            "--about-assets", QString::fromStdString(first.path() + "about")})
                  .exitCode,
              0);
    ASSERT_EQ(RunGenerator({"--catalogue", source, QString::fromStdString(second.path()),
                            "--about-assets", QString::fromStdString(second.path() + "about")})
                  .exitCode,
              0);
    const auto a = ReadTree(QString::fromStdString(first.path()));
    const auto b = ReadTree(QString::fromStdString(second.path()));
    EXPECT_GT(a.size(), 40u);
    EXPECT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : a) {
        const auto other = b.find(name);
        ASSERT_NE(other, b.end()) << name.toStdString();
        EXPECT_TRUE(other->second == bytes) << name.toStdString() << " differs between runs";
    }
    // What the build laid out is what the generator writes (the maps come from tvmtool).
    const auto built = ReadTree(QString::fromStdString(kGame + "/Data"));
    for (const auto& [name, bytes] : built) {
        if (name.startsWith("Maps/"))
            continue;
        const auto fresh = a.find("Data/" + name);
        ASSERT_NE(fresh, a.end()) << name.toStdString();
        EXPECT_TRUE(fresh->second == bytes) << name.toStdString() << " is stale";
    }
}

TEST(DemoGenerator, RefusesCataloguesItCannotHonour) {
    tvtest::TempDir dir;
    const QString out = QString::fromStdString(dir.path() + "game");
    auto runWith = [&](const std::string& json) {
        dir.write("catalogue.json", tvtest::Bytes(json.begin(), json.end()));
        return RunGenerator(
            {"--catalogue", QString::fromStdString(dir.file("catalogue.json")), out});
    };

    // A texture nobody can draw.
    GeneratorRun run = runWith(R"({"records": [{"class": "TDecorInfo", "Name": "Statue",
                          "Texture": "decors\\statue.png"}]})");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("decors\\statue.png")) << run.errors.toStdString();

    // One strip, two frame sizes: one of the records would animate wrongly.
    run = runWith(R"({"records": [
        {"class": "TEnemyInfo", "Name": "A", "Texture": "enemies\\slime.png"},
        {"class": "TEnemyInfo", "Name": "B", "Texture": "enemies\\slime.png",
         "FrameWidth": 32, "FrameHeight": 32}]})");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("frame size")) << run.errors.toStdString();

    // A still picture asked to animate, and a strip without a frame size.
    run = runWith(R"({"records": [{"class": "TDecorInfo", "Name": "R",
                          "Texture": "decors\\rock.png", "FrameWidth": 64, "FrameHeight": 64}]})");
    EXPECT_EQ(run.exitCode, 1);
    run = runWith(R"({"records": [{"class": "TDecorInfo", "Name": "T",
                          "Texture": "decors\\torch.png"}]})");
    EXPECT_EQ(run.exitCode, 1);

    // Classes files cannot name, bad JSON, and names that would leave the data folder.
    run = runWith(R"({"records": [{"class": "TEntityInfo", "Name": "E"}]})");
    EXPECT_EQ(run.exitCode, 1);
    run = runWith(R"({"records": [)");
    EXPECT_EQ(run.exitCode, 1);
    run = runWith(R"({"records": [{"class": "TEnemyInfo", "Name": "X",
                          "AmbientSound": "..\\..\\escape.wav"}]})");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path() + "escape.wav")));

    // The enemy defaults alone are fine: a 64 x 32 strip of the default texture is not
    // needed because the default texture is a still picture of the editor.
    run = runWith(R"({"records": [{"class": "TBaseInfo", "Name": "Plain", "Width": 10,
                          "Height": 10}]})");
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(out + "/Data/Graphic/editor/obj.png"));
}

TEST(DemoContent, DemoMapLoadsByReferenceAndShowsEveryGroup) {
    const auto catalogue = LoadDemoCatalogue();
    tv::TMap map;
    ASSERT_TRUE(map.LoadFromFile(kGame + "/Data/Maps/green_hills.tvm", catalogue.get()));
    EXPECT_EQ(map.FileName, "green_hills.tvm");
    std::set<std::string> groups;
    int32_t previousZ = INT32_MIN;
    for (const tv::TBaseInfo* record : map.Objects) {
        groups.insert(record->Group.str());
        // Every object is a catalogue type, inside the world, in layer order.
        EXPECT_NE(catalogue->FindByName(record->Name), nullptr) << record->Name;
        EXPECT_GE(record->Left, 0);
        EXPECT_LE(record->Left + record->Width, map.MaxWorldX + 800);
        EXPECT_GE(record->Z, previousZ) << record->Name;
        previousZ = record->Z;
        EXPECT_TRUE(QFile::exists(QString::fromStdString(GraphicPath(record->Texture))));
    }
    EXPECT_EQ(groups, (std::set<std::string>{"BackGrounds", "Decors", "Enemies", "Bosses",
                                             "Players", "Misc"}));
    EXPECT_TRUE(QFile::exists(
        QString::fromStdString(tv::NativePath(kGame + "/Data/Music/" + map.ThemeMusic))));
}

#endif // TVDEMOGEN_PATH
