#include "engine/Sound.h"

#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Paths.h"

#include <QElapsedTimer>
#include <QFile>
#include <SDL_mixer.h>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace tv;
using tvtest::Bytes;

namespace {

// A PCM WAV file: 8-bit mono at 8 kHz, a square wave.
Bytes MakeWav(uint32_t milliseconds) {
    const uint32_t rate = 8000;
    const uint32_t samples = rate * milliseconds / 1000;
    tvtest::ByteWriter w;
    w.ascii("RIFF").i32(static_cast<int32_t>(36 + samples)).ascii("WAVE");
    w.ascii("fmt ").i32(16).u16(1).u16(1).i32(rate).i32(rate).u16(1).u16(8);
    w.ascii("data").i32(static_cast<int32_t>(samples));
    for (uint32_t i = 0; i < samples; ++i)
        w.u8((i / 20) % 2 ? 0xC0 : 0x40);
    return w.bytes();
}

// Counts the playbacks of a sample class of the test's own.
class CountingSample : public TSample {
public:
    CountingSample(std::string name, bool loadNow) : TSample(std::move(name), loadNow) {
        ++constructed;
    }
    static inline int constructed = 0;
};

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedBase_ = BaseFolder();
        SetBaseFolder(dir_.path());
        dir_.write("Data/Sound/gui/butclick.wav", MakeWav(50));
        dir_.write("Data/Sound/long.wav", MakeWav(3000));
        dir_.write("Data/Sound/other.wav", MakeWav(3000));
        dir_.write("Data/Sound/noise.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
        DestroySampleBank();
    }
    void TearDown() override {
        DestroySampleBank();
        SetBaseFolder(savedBase_);
    }

    static int Sounding() { return Mix_Playing(-1); }

    tvtest::TempDir dir_;
    tvtest::MessageBoxRecorder boxes_;
    std::string savedBase_;
};

TEST_F(SoundTest, BankLoadsEachNameOnce) {
    TSampleBank& bank = CreateSampleBank();
    EXPECT_EQ(SampleBank(), &bank);
    EXPECT_EQ(&CreateSampleBank(), &bank);

    TBassObj* first = bank.GetSample("gui\\butclick.wav", nullptr, 5);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->Handle(), 0u);
    EXPECT_TRUE(SoundOutputOpen());
    EXPECT_EQ(first->Tag, 5);
    EXPECT_EQ(first->File().FileName, dir_.path() + "Data\\Sound\\gui\\butclick.wav");
    EXPECT_EQ(first->File().Size, static_cast<int32_t>(MakeWav(50).size()));

    TBassObj* again = bank.GetSample("GUI\\BUTCLICK.WAV", TSampleClass, 9);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->Name(), "gui\\butclick.wav");
    EXPECT_EQ(again->Tag, 5);
    EXPECT_EQ(bank.Count(), 1u);
    EXPECT_TRUE(bank.SampleExists("Gui\\ButClick.wav"));
    EXPECT_EQ(bank.FindSample("gui/butclick.wav"), nullptr);

    // A class of the caller's own is built through its constructor.
    CountingSample::constructed = 0;
    TBassObj* counted = bank.GetSample("long.wav", &ConstructBassObj<CountingSample>, 0);
    EXPECT_NE(dynamic_cast<CountingSample*>(counted), nullptr);
    bank.GetSample("LONG.wav", &ConstructBassObj<CountingSample>, 0);
    EXPECT_EQ(CountingSample::constructed, 1);
    EXPECT_EQ(bank.Count(), 2u);
    EXPECT_EQ(bank.Item(1), counted);
    EXPECT_TRUE(boxes_.messages().empty());
}

// Opening the sound output must leave the process's signal dispositions alone: a program that
// played a sample still ends on SIGTERM (a logout) and SIGINT.
TEST_F(SoundTest, OpeningTheOutputKeepsTheTerminationSignals) {
    TSampleBank& bank = CreateSampleBank();
    ASSERT_NE(bank.GetSample("gui\\butclick.wav", nullptr, 0), nullptr);
    ASSERT_TRUE(SoundOutputOpen());
    for (const int signal : {SIGTERM, SIGINT}) {
        struct sigaction current = {};
        ASSERT_EQ(sigaction(signal, nullptr, &current), 0);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "signal " << signal;
    }
}

TEST_F(SoundTest, EmptyNameGivesNothing) {
    TSampleBank& bank = CreateSampleBank();
    EXPECT_EQ(bank.GetSample("", nullptr, 0), nullptr);
    EXPECT_EQ(bank.Count(), 0u);
    EXPECT_FALSE(bank.SampleExists(""));
    EXPECT_EQ(PlaySample(""), 0u);
    EXPECT_TRUE(boxes_.messages().empty());
}

TEST_F(SoundTest, LoadFailuresRaiseAndAddNothing) {
    TSampleBank& bank = CreateSampleBank();
    try {
        bank.GetSample("missing.wav");
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(), "Error when loading sample.");
    }
    ASSERT_EQ(boxes_.messages().size(), 1u);
    EXPECT_EQ(boxes_.messages()[0], "File Not Found : " + dir_.path() + "Data/Sound/missing.wav");

    // Data the mixer cannot read: no notice, the same error.
    EXPECT_THROW(bank.GetSample("noise.wav"), EError);
    EXPECT_EQ(boxes_.messages().size(), 1u);
    EXPECT_EQ(bank.Count(), 0u);
}

TEST_F(SoundTest, ReloadAfterTheFileVanishedLeavesAnEmptySample) {
    TSampleBank& bank = CreateSampleBank();
    TBassObj* sample = bank.GetSample("long.wav");
    ASSERT_NE(sample, nullptr);
    EXPECT_NE(sample->Play(), 0u);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(dir_.file("Data/Sound/long.wav"))));

    EXPECT_THROW(sample->Load(), EError);
    ASSERT_EQ(boxes_.messages().size(), 1u);
    EXPECT_EQ(boxes_.messages()[0], "File Not Found : " + dir_.path() + "Data/Sound/long.wav");
    EXPECT_EQ(sample->Handle(), 0u);
    EXPECT_EQ(sample->File().Size, 0);
    EXPECT_TRUE(sample->File().FileName.empty());
    EXPECT_EQ(Sounding(), 0); // freeing the old data stopped its playback
    EXPECT_EQ(bank.FindSample("long.wav"), sample);
    EXPECT_EQ(sample->Play(), 0u);
    sample->Stop();
    // Asking the bank again gives the same empty sample, without loading.
    EXPECT_EQ(bank.GetSample("long.wav"), sample);
    EXPECT_EQ(boxes_.messages().size(), 1u);

    // Once the file is back, a reload works again.
    dir_.write("Data/Sound/long.wav", MakeWav(3000));
    sample->Load();
    EXPECT_NE(sample->Handle(), 0u);
    EXPECT_NE(sample->Play(), 0u);
}

TEST_F(SoundTest, PlayAndStopWithTwoPlaybacksPerSample) {
    TSample sample("long.wav", true);
    TSample other("other.wav", true);
    const uint32_t a = sample.Play();
    const uint32_t b = sample.Play();
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(sample.Play(), 0u); // a third one is refused while two sound
    EXPECT_EQ(Sounding(), 2);
    EXPECT_NE(other.Play(), 0u); // the limit is per sample
    EXPECT_EQ(Sounding(), 3);

    sample.Stop(); // every playback of this sample, none of the other's
    EXPECT_EQ(Sounding(), 1);
    EXPECT_NE(sample.Play(), 0u);
    EXPECT_NE(sample.Play(), 0u);
    EXPECT_EQ(Sounding(), 3);
    other.Stop();
    sample.Stop();
    EXPECT_EQ(Sounding(), 0);

    // A playback cut short from outside frees its place.
    sample.Play();
    sample.Play();
    Mix_HaltChannel(-1);
    EXPECT_NE(sample.Play(), 0u);
    sample.Stop();

    // Samples play once: a 50 ms click is over well within two seconds (one that loops never
    // is), and its places are free again.
    TSample click("gui\\butclick.wav", true);
    EXPECT_NE(click.Play(), 0u);
    EXPECT_NE(click.Play(), 0u);
    EXPECT_EQ(Sounding(), 2);
    QElapsedTimer waited;
    waited.start();
    while (Sounding() > 0 && waited.elapsed() < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(Sounding(), 0) << "still sounding after " << waited.elapsed() << " ms";
    EXPECT_NE(click.Play(), 0u);
    EXPECT_NE(click.Play(), 0u);
}

TEST_F(SoundTest, FreeingASampleStopsIt) {
    {
        TSample sample("long.wav", true);
        sample.Play();
        sample.Play();
        EXPECT_EQ(Sounding(), 2);
    }
    EXPECT_EQ(Sounding(), 0);

    TSample notLoaded("long.wav", false);
    EXPECT_EQ(notLoaded.Handle(), 0u);
    EXPECT_EQ(notLoaded.Play(), 0u);
    TBassObj base("long.wav", true);
    EXPECT_EQ(base.Play(), 0u);
    EXPECT_EQ(base.Handle(), 0u);
}

TEST_F(SoundTest, PlaySampleNeedsABank) {
    EXPECT_EQ(SampleBank(), nullptr);
    EXPECT_EQ(PlaySample("long.wav"), 0u);
    EXPECT_EQ(PlaySample("missing.wav"), 0u); // nothing is even looked for
    EXPECT_TRUE(boxes_.messages().empty());

    CreateSampleBank();
    EXPECT_NE(PlaySample("long.wav"), 0u);
    EXPECT_EQ(SampleBank()->Count(), 1u);
    EXPECT_THROW(PlaySample("missing.wav"), EError);
    DestroySampleBank();
    EXPECT_EQ(Sounding(), 0);
}

} // namespace
