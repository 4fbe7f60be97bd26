#include "engine/Sound.h"

#include "mapdata/Errors.h"
#include "mapdata/Text.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tv {

// ---- Sample library on SDL2_mixer --------------------------------------------------------
//
// Samples are decoded chunks known by a non-zero handle; each playback runs on a mixer
// channel of its own and is known by a non-zero playback handle.

namespace {

constexpr int kSampleMaxPlaybacks = 2;
constexpr int kInitialChannels = 32;

struct Playback {
    uint32_t handle;
    int channel;
};

struct LoadedSample {
    Mix_Chunk* chunk = nullptr;
    int maxPlaybacks = 1;
    std::vector<Playback> playing; // playbacks started and possibly still sounding
};

struct SoundLibrary {
    bool open = false;
    std::unordered_map<uint32_t, LoadedSample> samples;
    uint32_t nextSample = 1;
    uint32_t nextPlayback = 1;
};

// Never destroyed: samples held by static owners are freed during exit after ordinary
// statics are gone.
SoundLibrary& Library() {
    static auto* library = new SoundLibrary;
    return *library;
}

bool TryOpenMixer() {
    // SDL would otherwise catch SIGINT and SIGTERM for an event queue nobody reads, and the
    // program would no longer end when it is told to.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

bool OpenMixer() {
    SoundLibrary& lib = Library();
    if (lib.open)
        return true;
    if (!TryOpenMixer()) {
        // No usable audio device: mix into SDL's dummy output so that samples still load.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (!TryOpenMixer())
            return false;
    }
    Mix_AllocateChannels(kInitialChannels);
    lib.open = true;
    return true;
}

uint32_t NextHandle(uint32_t& counter) {
    uint32_t handle = counter++;
    if (handle == 0) // after a wrap
        handle = counter++;
    return handle;
}

bool SoundsOn(int channel, const Mix_Chunk* chunk) {
    return Mix_Playing(channel) != 0 && Mix_GetChunk(channel) == chunk;
}

void ForgetFinished(LoadedSample& sample) {
    std::erase_if(sample.playing,
                  [&](const Playback& p) { return !SoundsOn(p.channel, sample.chunk); });
}

uint32_t SampleLoad(const uint8_t* data, size_t length, int maxPlaybacks) {
    if (!data || length == 0 || length > static_cast<size_t>(INT32_MAX) || !OpenMixer())
        return 0;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(length));
    if (!rw)
        return 0;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1); // closes rw
    if (!chunk)
        return 0;
    SoundLibrary& lib = Library();
    const uint32_t handle = NextHandle(lib.nextSample);
    LoadedSample& sample = lib.samples[handle];
    sample.chunk = chunk;
    sample.maxPlaybacks = maxPlaybacks;
    return handle;
}

uint32_t SamplePlay(uint32_t handle) {
    SoundLibrary& lib = Library();
    const auto it = lib.samples.find(handle);
    if (it == lib.samples.end())
        return 0;
    LoadedSample& sample = it->second;
    ForgetFinished(sample);
    if (static_cast<int>(sample.playing.size()) >= sample.maxPlaybacks)
        return 0;
    int channel = Mix_PlayChannel(-1, sample.chunk, 0);
    if (channel < 0) {
        // Every mixer channel is busy: make room for more playbacks.
        Mix_AllocateChannels(Mix_AllocateChannels(-1) + kInitialChannels);
        channel = Mix_PlayChannel(-1, sample.chunk, 0);
        if (channel < 0)
            return 0;
    }
    // The channel may have finished an earlier playback of ours just now.
    std::erase_if(sample.playing, [&](const Playback& p) { return p.channel == channel; });
    const uint32_t playback = NextHandle(lib.nextPlayback);
    sample.playing.push_back({playback, channel});
    return playback;
}

void SampleStop(uint32_t handle) {
    SoundLibrary& lib = Library();
    const auto it = lib.samples.find(handle);
    if (it == lib.samples.end())
        return;
    LoadedSample& sample = it->second;
    for (const Playback& p : sample.playing)
        if (SoundsOn(p.channel, sample.chunk))
            Mix_HaltChannel(p.channel);
    sample.playing.clear();
}

void SampleFree(uint32_t handle) {
    SoundLibrary& lib = Library();
    const auto it = lib.samples.find(handle);
    if (it == lib.samples.end())
        return;
    SampleStop(handle);
    Mix_FreeChunk(it->second.chunk); // also halts any channel still using it
    lib.samples.erase(it);
}

// The one sound of PlayMemorySound: a sample of its own that each call replaces.
struct MemorySound {
    uint32_t sample = 0;
    uint32_t starts = 0;
};

MemorySound& TheMemorySound() {
    static MemorySound sound;
    return sound;
}

} // namespace

bool PlayMemorySound(const void* data, size_t size) {
    MemorySound& sound = TheMemorySound();
    if (sound.sample != 0) {
        SampleFree(sound.sample); // stops it
        sound.sample = 0;
    }
    sound.sample = SampleLoad(static_cast<const uint8_t*>(data), size, 1);
    if (sound.sample == 0 || SamplePlay(sound.sample) == 0)
        return false;
    ++sound.starts;
    return true;
}

uint32_t MemorySoundStarts() {
    return TheMemorySound().starts;
}

bool MemorySoundPlaying() {
    const MemorySound& sound = TheMemorySound();
    if (sound.sample == 0)
        return false;
    const auto it = Library().samples.find(sound.sample);
    if (it == Library().samples.end())
        return false;
    for (const Playback& p : it->second.playing)
        if (SoundsOn(p.channel, it->second.chunk))
            return true;
    return false;
}

bool SoundOutputOpen() {
    return Library().open;
}

// ---- TBassObj ----------------------------------------------------------------------------

TBassObj::TBassObj(std::string name, bool /*loadNow*/) : name_(std::move(name)) {
    // Loading means nothing for the base class; TSample loads in its own constructor.
}

TBassObj::~TBassObj() = default;

void TBassObj::Load() {}

uint32_t TBassObj::Play() {
    return 0;
}

void TBassObj::Stop() {}

// ---- TSample -----------------------------------------------------------------------------

TSample::TSample(std::string name, bool loadNow) : TBassObj(std::move(name), false) {
    if (loadNow)
        Load();
}

TSample::~TSample() {
    if (handle_ != 0)
        SampleFree(handle_);
    FreeLoadFile(file_);
}

void TSample::Load() {
    if (handle_ != 0) {
        SampleFree(handle_);
        handle_ = 0;
    }
    FreeLoadFile(file_);
    TLoadFile fresh;
    LoadDataFile(name_, fresh); // a missing file is reported there and leaves it empty
    file_ = std::move(fresh);
    handle_ = SampleLoad(file_.Data.data(), static_cast<size_t>(file_.Size), kSampleMaxPlaybacks);
    if (handle_ == 0)
        RaiseEngineError(ERR_SAMPLE_LOAD);
}

uint32_t TSample::Play() {
    return handle_ != 0 ? SamplePlay(handle_) : 0;
}

void TSample::Stop() {
    if (handle_ != 0)
        SampleStop(handle_);
}

// ---- Sample bank -------------------------------------------------------------------------

TBassObj* TSampleBank::GetSample(std::string_view name, TBassObjClass sampleClass, int32_t tag) {
    if (name.empty())
        return nullptr;
    if (SampleExists(name))
        return FindSample(name);
    const TBassObjClass construct = sampleClass ? sampleClass : TSampleClass;
    std::unique_ptr<TBassObj> sample = construct(std::string(name), true);
    if (!sample)
        return nullptr;
    sample->Tag = tag;
    samples_.push_back(std::move(sample));
    return samples_.back().get();
}

TBassObj* TSampleBank::FindSample(std::string_view name) const {
    for (const auto& sample : samples_)
        if (TextEquals(sample->Name(), name))
            return sample.get();
    return nullptr;
}

bool TSampleBank::SampleExists(std::string_view name) const {
    return FindSample(name) != nullptr;
}

namespace {
std::unique_ptr<TSampleBank>& BankStorage() {
    static std::unique_ptr<TSampleBank> bank;
    return bank;
}
} // namespace

TSampleBank* SampleBank() {
    return BankStorage().get();
}

TSampleBank& CreateSampleBank() {
    auto& bank = BankStorage();
    if (!bank)
        bank = std::make_unique<TSampleBank>();
    return *bank;
}

void DestroySampleBank() {
    BankStorage().reset();
}

uint32_t PlaySample(std::string_view name, TBassObjClass sampleClass, int32_t tag) {
    TSampleBank* bank = SampleBank();
    if (!bank)
        return 0;
    TBassObj* sample = bank->GetSample(name, sampleClass, tag);
    return sample ? sample->Play() : 0;
}

} // namespace tv
