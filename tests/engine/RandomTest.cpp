#include "engine/Random.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace tv;

TEST(RandomTest, SeededSequencesRepeatAndStayInRange) {
    RandSeed(1234);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(Random(1000));
    RandSeed(1234);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(Random(1000), first[static_cast<size_t>(i)]);

    std::set<int> seen;
    for (int i = 0; i < 600; ++i) {
        const int v = Random(6);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);

    for (int i = 0; i < 1000; ++i) {
        const double f = RandomFloat();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
    }
}

TEST(RandomTest, EmptyAndNegativeRangesGiveZero) {
    RandSeed(7);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    EXPECT_EQ(Random(INT32_MIN), 0);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Random(1), 0);
    const int big = Random(INT32_MAX);
    EXPECT_GE(big, 0);
}
