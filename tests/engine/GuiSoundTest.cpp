// Sounds of the GUI: the click sample of controls, and the one-shot in-memory sound that
// replaces itself.

#include "TestSupport.h"
#include "engine/GUI.h"
#include "engine/KeyState.h"
#include "engine/Sound.h"
#include "mapdata/Errors.h"
#include "mapdata/Paths.h"

#include <gtest/gtest.h>

using namespace tv;

namespace {

// A PCM WAV: 8-bit mono at 8 kHz.
tvtest::Bytes MakeWav(uint32_t milliseconds) {
    const uint32_t rate = 8000;
    const uint32_t samples = rate * milliseconds / 1000;
    tvtest::ByteWriter w;
    w.ascii("RIFF").i32(static_cast<int32_t>(36 + samples)).ascii("WAVE");
    w.ascii("fmt ").i32(16).u16(1).u16(1).i32(rate).i32(rate).u16(1).u16(8);
    w.ascii("data").i32(static_cast<int32_t>(samples));
    for (uint32_t i = 0; i < samples; ++i)
        w.u8((i / 16) % 2 ? 0xB0 : 0x50);
    return w.bytes();
}

class GuiClickSound : public ::testing::Test {
protected:
    void SetUp() override {
        savedBase_ = BaseFolder();
        SetBaseFolder(dir_.path());
        DestroySampleBank();
        ResetKeyState();
        manager_.MouseSource = [this] { return mouse_; };
        manager_.OnGuiEvent = [this](TGMSG& m) { codes_.push_back(m.Code); };
        window_ = manager_.AddWindow(
            new TGuiWin(nullptr, "W", TDXBounds{0, 0, 200, 200}, 0, nullptr, "", true, nullptr));
        window_->Show();
        button_ = window_->AddChild(
            new TGuiObj(nullptr, "B", TDXBounds{10, 10, 50, 20}, 0, nullptr, "", true, nullptr));
    }
    void TearDown() override {
        ResetKeyState();
        DestroySampleBank();
        SetBaseFolder(savedBase_);
    }

    void Click(TPoint at) {
        mouse_ = at;
        SetKeyDown(VK_LBUTTON, true);
        manager_.Process();
        SetKeyDown(VK_LBUTTON, false);
        manager_.Process();
    }

    tvtest::TempDir dir_;
    tvtest::MessageBoxRecorder boxes_;
    std::string savedBase_;
    TGuiManager manager_;
    TPoint mouse_{};
    std::vector<int32_t> codes_;
    TGuiWin* window_ = nullptr;
    TGuiObj* button_ = nullptr;
};

} // namespace

TEST_F(GuiClickSound, ControlsClickAudiblyWindowsSilently) {
    dir_.write("Data/Sound/gui/butclick.wav", MakeWav(40));
    Click(TPoint{20, 20}); // no bank: nothing plays, the click still counts
    EXPECT_EQ(codes_.back(), GUI_BUTTON_UP);
    EXPECT_EQ(SampleBank(), nullptr);

    TSampleBank& bank = CreateSampleBank();
    Click(TPoint{100, 100}); // the window
    EXPECT_EQ(bank.Count(), 0u);
    Click(TPoint{20, 20}); // the button
    ASSERT_NE(bank.FindSample("GUI\\BUTCLICK.WAV"), nullptr);
    EXPECT_NE(bank.FindSample("gui\\butclick.wav")->Handle(), 0u);
    EXPECT_TRUE(boxes_.messages().empty());
}

TEST_F(GuiClickSound, AMissingClickSampleRaisesAfterTheClickArrived) {
    CreateSampleBank();
    mouse_ = TPoint{20, 20};
    SetKeyDown(VK_LBUTTON, true);
    manager_.Process();
    SetKeyDown(VK_LBUTTON, false);
    codes_.clear();
    try {
        manager_.Process();
        ADD_FAILURE() << "no error";
    } catch (const EError& e) {
        EXPECT_STREQ(e.what(), "Error when loading sample.");
    }
    EXPECT_EQ(codes_, (std::vector<int32_t>{GUI_CLICK, GUI_BUTTON_UP}));
    ASSERT_EQ(boxes_.messages().size(), 1u);
    EXPECT_NE(boxes_.messages()[0].find("File Not Found : "), std::string::npos);
    // The press is over: the next frame raises nothing and sends nothing.
    codes_.clear();
    manager_.Process();
    EXPECT_TRUE(codes_.empty());
}

TEST(MemorySound, EachPlayReplacesTheSoundBefore) {
    const tvtest::Bytes wav = MakeWav(3000);
    const uint32_t starts = MemorySoundStarts();
    ASSERT_TRUE(PlayMemorySound(wav.data(), wav.size()));
    EXPECT_EQ(MemorySoundStarts(), starts + 1);
    EXPECT_TRUE(MemorySoundPlaying());
    ASSERT_TRUE(PlayMemorySound(wav.data(), wav.size()));
    EXPECT_EQ(MemorySoundStarts(), starts + 2);
    EXPECT_TRUE(MemorySoundPlaying());

    // Refused data: nothing plays, and the earlier sound is gone all the same.
    const tvtest::Bytes junk{'R', 'I', 'F', 'F', 1, 2, 3};
    EXPECT_FALSE(PlayMemorySound(junk.data(), junk.size()));
    EXPECT_FALSE(PlayMemorySound(nullptr, 0));
    EXPECT_FALSE(MemorySoundPlaying());
    EXPECT_EQ(MemorySoundStarts(), starts + 2);
}
