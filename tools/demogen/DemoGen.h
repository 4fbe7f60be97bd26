#pragma once

// The demo content generator: pictures drawn with QPainter, sound effects and a chime
// synthesised as 16-bit PCM, short melodies written as Standard MIDI files. Everything is
// deterministic: the only "randomness" comes from Rng with fixed seeds.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace demogen {

// Reported to the user as "tvdemogen: <message>" with exit code 1.
class GenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// SplitMix64: the same numbers on every machine and standard library.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    double Uniform();                      // [0, 1)
    double Range(double low, double high); // [low, high)
    int Below(int count);                  // 0 .. count - 1

private:
    uint64_t state_;
};

// Folder names inside the game folder.
inline constexpr const char* kGraphicFolder = "Data/Graphic";
inline constexpr const char* kSoundFolder = "Data/Sound";
inline constexpr const char* kMusicFolder = "Data/Music";
inline constexpr const char* kMapsFolder = "Data/Maps";

// root + "/" + folder + "/" + data name with its backslashes turned into slashes. Names that
// would leave the folder (absolute, "..", empty components) are refused.
QString DataFilePath(const QString& root, const QString& folder, const std::string& dataName);
void WriteFile(const QString& path, const QByteArray& bytes);

// What the catalogue asks of the generator.
struct TextureUse {
    std::string name;   // as the first record spells it
    int frameWidth = 0; // 0 for a still picture
    int frameHeight = 0;
    std::string firstUser; // record name, for messages
};

struct CataloguePlan {
    int recordCount = 0;
    std::map<std::string, TextureUse> textures; // key: lower-case name
    std::set<std::string> sounds;               // as spelt, non-empty
};

// Reads demo/catalogue.json ({"records": [{"class": ..., field: value, ...}, ...]}). Fields
// a record leaves out take the class defaults that matter here (texture, frame size,
// sounds). Raises GenError for unreadable JSON, unknown classes and records that disagree
// about a texture's frame size.
CataloguePlan ReadCataloguePlan(const QString& path);
CataloguePlan ParseCataloguePlan(const QByteArray& json, const QString& sourceName);

// Pictures. DrawPicture raises GenError for a name it has no recipe for, for a still picture
// that a record wants to animate, and for an animation strip without a frame size.
bool HasPictureRecipe(const std::string& name);
bool IsStripPicture(const std::string& name);
QImage DrawPicture(const TextureUse& use);
// Pictures every game folder has, whatever the catalogue says.
std::vector<TextureUse> FixedPictures();
QImage DrawAboutCard(); // 246 x 151
inline constexpr int kStripFrames = 4;

// Sounds: 16-bit PCM mono WAVE files at kSampleRate.
inline constexpr int kSampleRate = 22050;
QByteArray EncodeWav(const std::vector<float>& samples, int sampleRate = kSampleRate);
bool HasSoundRecipe(const std::string& name);
QByteArray SynthesiseSound(const std::string& name);
std::vector<std::string> FixedSounds();
QByteArray KelvornChime();

// Music: Standard MIDI files (format 0).
struct Song {
    std::string fileName;
    QByteArray bytes;
};
std::vector<Song> DemoSongs();

} // namespace demogen
