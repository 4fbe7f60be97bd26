#pragma once

#include "engine/DataFiles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// A named sound resource. Handle 0 means nothing is loaded. Load, Play and Stop do nothing
// here; TSample gives them their meaning.
class TBassObj {
public:
    TBassObj(std::string name, bool loadNow);
    virtual ~TBassObj();
    TBassObj(const TBassObj&) = delete;
    TBassObj& operator=(const TBassObj&) = delete;

    virtual void Load();
    // Starts one playback; returns its handle, 0 when nothing plays.
    virtual uint32_t Play();
    virtual void Stop();

    uint32_t Handle() const { return handle_; }
    // The name exactly as the caller passed it; the bank's key.
    const std::string& Name() const { return name_; }
    const TLoadFile& File() const { return file_; }
    int32_t Tag = 0;

protected:
    uint32_t handle_ = 0;
    std::string name_;
    TLoadFile file_;
};

// A sound file from the sound folder, read whole into memory and handed to the mixer.
// At most two playbacks of one sample sound at once: a third Play while two still sound
// is refused (returns 0) rather than cutting one of them off.
class TSample : public TBassObj {
public:
    // loadNow: Load at once (which may raise).
    TSample(std::string name, bool loadNow);
    ~TSample() override;

    // (Re)loads from the file. A missing file shows "File Not Found : %s"; a missing file or
    // data the mixer refuses raises "Error when loading sample." and leaves the sample empty.
    void Load() override;
    uint32_t Play() override;
    // Stops every playback of this sample.
    void Stop() override;
};

// A sample class: the virtual constructor GetSample builds new samples through.
using TBassObjClass = std::unique_ptr<TBassObj> (*)(const std::string& name, bool loadNow);
template <class T>
std::unique_ptr<TBassObj> ConstructBassObj(const std::string& name, bool loadNow) {
    return std::make_unique<T>(name, loadNow);
}
inline constexpr TBassObjClass TSampleClass = &ConstructBassObj<TSample>;

// One sample per name (names compared with TextEquals; the first match wins).
class TSampleBank {
public:
    // Empty name: nothing. A name already in the bank: that sample. Otherwise a new sample of
    // the class (TSample when null) is constructed with load now = true, tagged and appended;
    // when construction raises, the error reaches the caller and nothing is appended.
    TBassObj* GetSample(std::string_view name, TBassObjClass sampleClass = nullptr,
                        int32_t tag = 0);
    TBassObj* FindSample(std::string_view name) const;
    bool SampleExists(std::string_view name) const;

    size_t Count() const { return samples_.size(); }
    TBassObj* Item(size_t index) const { return samples_.at(index).get(); }

private:
    std::vector<std::unique_ptr<TBassObj>> samples_;
};

// The process-wide bank. None exists unless a host creates one; engine code that finds no
// bank gets no sample and plays nothing.
TSampleBank* SampleBank();
TSampleBank& CreateSampleBank(); // returns the existing bank when there is one
void DestroySampleBank();

// Asks the bank for the sample and plays it; 0 (and nothing played) without a bank or for an
// empty name. Load failures raise as in GetSample.
uint32_t PlaySample(std::string_view name, TBassObjClass sampleClass = nullptr, int32_t tag = 0);

// Plays a WAVE held in memory once and returns at once; a sound still playing from an earlier
// call is stopped and replaced. The data is copied. Returns false, and plays nothing, for no
// data or data the mixer refuses (the earlier sound is stopped all the same).
bool PlayMemorySound(const void* data, size_t size);
// Sounds started by PlayMemorySound since the process began, and whether the last one still
// sounds.
uint32_t MemorySoundStarts();
bool MemorySoundPlaying();

// The mixer is opened on the first sample load. Where no audio device can be opened, the
// mixer runs on SDL's dummy driver, so samples load and "play" silently.
bool SoundOutputOpen();

} // namespace tv
