#include <gtest/gtest.h>

#include <set>

#include "platform/RandomGenerator.h"

namespace marbleck {
namespace {

TEST(RandomGenerator, ValuesLieInZeroToOne) {
    RandomGenerator generator;
    generator.seed(42);
    float lowest = 1, highest = 0;
    for (int i = 0; i < 100000; ++i) {
        const float r = generator.next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

TEST(RandomGenerator, SameSeedSameSequence) {
    RandomGenerator a, b;
    a.seed(7);
    b.seed(7);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(a.next(), b.next());
}

TEST(RandomGenerator, ReseedFromClockGivesDifferentSequences) {
    RandomGenerator a, b;
    a.reseedFromClock();
    std::set<float> first;
    for (int i = 0; i < 8; ++i) first.insert(a.next());
    b.reseedFromClock();
    bool differs = false;
    for (int i = 0; i < 8; ++i) differs = differs || !first.contains(b.next());
    EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace marbleck
