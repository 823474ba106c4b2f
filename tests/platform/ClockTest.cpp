#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace marbleck {
namespace {

TEST(Clock, ElapsedWithinOneDay) {
    EXPECT_FLOAT_EQ(ElapsedSeconds(100.0f, 102.5f), 2.5f);
    EXPECT_EQ(ElapsedSeconds(5.0f, 5.0f), 0.0f);
}

TEST(Clock, ElapsedAcrossMidnightAddsADay) {
    EXPECT_FLOAT_EQ(ElapsedSeconds(86399.0f, 1.0f), 2.0f);
    EXPECT_FLOAT_EQ(ElapsedSeconds(86000.0f, 0.0f), 400.0f);
}

TEST(Clock, SecondsSinceMidnightLiesWithinADay) {
    const float now = SecondsSinceMidnight();
    EXPECT_GE(now, 0.0f);
    EXPECT_LT(now, 86401.0f);
}

}  // namespace
}  // namespace marbleck
