// The bookkeeping of kept view pictures against a model of the device's slots: whatever the
// order of keeping, finding and shrinking, a picture found is the one last kept for its shot.
#include "document/KeptPictures.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {

tv::TSceneShot ShotNumber(int n) {
    tv::TSceneShot shot;
    shot.WorldX = n;
    return shot;
}

TEST(KeptPictures, AFoundPictureIsTheOneLastKeptInItsSlotForThatShot) {
    std::mt19937 random(7);
    tv::TKeptPictures kept;
    kept.SetSlots(5);
    std::map<uint32_t, int> device; // slot -> the shot whose picture it holds
    int found = 0;
    for (int step = 0; step < 5000; ++step) {
        const int n = std::uniform_int_distribution<int>(0, 11)(random);
        const int what = std::uniform_int_distribution<int>(0, 19)(random);
        if (what == 0) {
            kept.SetSlots(std::uniform_int_distribution<uint32_t>(0, 6)(random));
        } else if (what < 10) {
            const std::optional<uint32_t> slot = kept.Place(ShotNumber(n), n * 10);
            ASSERT_EQ(slot.has_value(), kept.Slots() > 0);
            if (slot) {
                ASSERT_LT(*slot, kept.Slots());
                device[*slot] = n;
            }
        } else if (const tv::TKeptPictures::TKept* picture = kept.Find(ShotNumber(n))) {
            ++found;
            ASSERT_LT(picture->Slot, kept.Slots());
            ASSERT_EQ(device.at(picture->Slot), n) << "step " << step;
            EXPECT_EQ(picture->FrameRate, n * 10);
        }
        ASSERT_LE(kept.Count(), kept.Slots());
    }
    EXPECT_GT(found, 500);
}

TEST(KeptPictures, TheOneUsedLongestAgoMakesRoomAndTheBudgetLimitsTheSlots) {
    tv::TKeptPictures kept;
    kept.SetSlots(2);
    const uint32_t a = *kept.Place(ShotNumber(1), 0);
    const uint32_t b = *kept.Place(ShotNumber(2), 0);
    EXPECT_NE(a, b);
    ASSERT_NE(kept.Find(ShotNumber(1)), nullptr); // 2 is now the older one
    EXPECT_EQ(*kept.Place(ShotNumber(3), 0), b);
    EXPECT_EQ(kept.Find(ShotNumber(2)), nullptr);
    EXPECT_EQ(*kept.Place(ShotNumber(1), 5), a) << "a shot kept already keeps its slot";

    EXPECT_EQ(tv::TKeptPictures::SlotsFor(446, 356), tv::TD3DDevice::kKeptPictureSlots);
    EXPECT_EQ(tv::TKeptPictures::SlotsFor(1920, 1080), 6u);
    EXPECT_EQ(tv::TKeptPictures::SlotsFor(8192, 8192), 0u);
    EXPECT_EQ(tv::TKeptPictures::SlotsFor(0, 100), 0u);
}

} // namespace
