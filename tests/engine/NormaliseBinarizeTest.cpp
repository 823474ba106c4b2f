#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "CaseName.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {
namespace {

// A 2 × 3 hologram (R = 1 on a 2 × 3 canvas) holding `values` column by column.
struct SmallField {
    explicit SmallField(std::vector<float> values) : field(2, 3) { field.values() = std::move(values); }
    HologramGeometry geometry = MakeHologramGeometry(2, 3, 1);
    HologramField field;
};

TEST(Normalise, RangeStartsAtZeroWhenEveryValueIsPositive) {
    SmallField f({2, 3, 4, 2.5f, 3.5f, 2});
    const FieldRange range = FindRange(f.field, f.geometry);
    EXPECT_EQ(range.minimum, 0.0f);
    EXPECT_EQ(range.maximum, 4.0f);
    Normalise(f.field, f.geometry, range);
    EXPECT_EQ(f.field.values(), (std::vector<float>{0.5f, 0.75f, 1.0f, 0.625f, 0.875f, 0.5f}));
}

TEST(Normalise, RangeStartsAtZeroWhenEveryValueIsNegative) {
    SmallField f({-2, -4, -1, -3, -2, -1});
    const FieldRange range = FindRange(f.field, f.geometry);
    EXPECT_EQ(range.minimum, -4.0f);
    EXPECT_EQ(range.maximum, 0.0f);
    Normalise(f.field, f.geometry, range);
    EXPECT_EQ(f.field.values(), (std::vector<float>{0.5f, 0.0f, 0.75f, 0.25f, 0.5f, 0.75f}));
}

TEST(Normalise, DividesIn64BitAndRoundsOnce) {
    // (1 − (−3)) / (5 − (−3)) is 0.5 exactly, (0.1f + 3) / 8 is rounded once.
    SmallField f({1, -3, 5, 0.1f, 0, 0});
    Normalise(f.field, f.geometry, FindRange(f.field, f.geometry));
    EXPECT_EQ(f.field(0, 0), 0.5f);
    EXPECT_EQ(f.field(1, 0), static_cast<float>((static_cast<double>(0.1f) + 3.0) / 8.0));
}

// The normalised value nearest to target/255 whose 32-bit product with 255 is
// exactly `target`.
float ScalingTo(float target) {
    float value = target / 255.0f;
    for (int step = 0; step < 64; ++step) {
        for (float candidate : {std::nextafter(value, 0.0f), value, std::nextafter(value, 1.0f)})
            if (candidate * 255.0f == target) return candidate;
        value = value * 255.0f < target ? std::nextafter(value, 1.0f) : std::nextafter(value, 0.0f);
    }
    ADD_FAILURE() << "no value scales to " << target;
    return 0;
}

class GreyLevelRounding : public ::testing::TestWithParam<std::pair<float, int>> {};

TEST_P(GreyLevelRounding, HalvesGoToEven) {
    const auto [scaled, grey] = GetParam();
    EXPECT_EQ(GreyLevel(ScalingTo(scaled)), grey) << scaled;
}

INSTANTIATE_TEST_SUITE_P(Table, GreyLevelRounding,
                         ::testing::Values(std::pair{0.5f, 0}, std::pair{1.5f, 2}, std::pair{2.5f, 2},
                                           std::pair{126.5f, 126}, std::pair{127.5f, 128},
                                           std::pair{254.5f, 254}, std::pair{254.4f, 254}, std::pair{0.0f, 0},
                                           std::pair{255.0f, 255}),
                         [](const auto& info) { return test::CaseName("Scaled", info.param.first); });

TEST(GreyLevel, EqualsRoundingTheProductToNearestEvenThroughout) {
    // Every value a normalised field can hold near the halfway points, and a
    // regular sweep of 0 .. 1 and beyond, against the library's rounding.
    auto expected = [](float normalised) {
        const float rounded = std::nearbyint(normalised * 255.0f);
        return rounded > 0.0f ? static_cast<int>(std::min(rounded, 255.0f)) : 0;
    };
    for (int k = -1000; k <= (1 << 20) + 1000; ++k) {
        const float value = static_cast<float>(k) / static_cast<float>(1 << 20);
        ASSERT_EQ(GreyLevel(value), expected(value)) << value;
    }
    for (int half = 0; half < 256; ++half) {
        float value = (static_cast<float>(half) + 0.5f) / 255.0f;
        for (int step = 0; step < 8; ++step) value = std::nextafter(value, 0.0f);
        for (int step = 0; step < 16; ++step, value = std::nextafter(value, 2.0f))
            ASSERT_EQ(GreyLevel(value), expected(value)) << value;
    }
}

TEST(GreyLevel, OutOfRangeValuesClampInsteadOfWrapping) {
    EXPECT_EQ(GreyLevel(255.0f), 255);
    EXPECT_EQ(GreyLevel(-0.5f), 0);
    EXPECT_EQ(GreyLevel(std::nanf("")), 0);
    EXPECT_EQ(GreyLevel(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(GreyLevel(1e30f), 255);
}

struct ThresholdCase {
    float value;
    double threshold;
    int level;
};

class BinarizeThreshold : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(BinarizeThreshold, OnlyValuesStrictlyAboveBecomeWhite) {
    const ThresholdCase c = GetParam();
    HologramField field(1, 1);
    field(0, 0) = c.value;
    std::vector<std::uint8_t> grey;
    Binarize(field, c.threshold, grey);
    EXPECT_EQ(field(0, 0), static_cast<float>(c.level));
    ASSERT_EQ(grey.size(), 1u);
    EXPECT_EQ(grey[0], c.level);
}

INSTANTIATE_TEST_SUITE_P(Table, BinarizeThreshold,
                         ::testing::Values(ThresholdCase{0.5f, 0.5, 0},
                                           // 0.6f is slightly above 0.6.
                                           ThresholdCase{0.6f, 0.6, 255},
                                           ThresholdCase{std::nextafter(0.6f, 0.0f), 0.6, 0},
                                           ThresholdCase{0.0f, 0.0, 0}, ThresholdCase{1e-7f, 0.0, 255},
                                           ThresholdCase{1.0f, 1.0, 0}, ThresholdCase{1.0f, 1.2, 0},
                                           ThresholdCase{0.0f, -0.1, 255}, ThresholdCase{1.0f, -0.1, 255}),
                         [](const auto& info) {
                             return test::CaseName("Value", info.param.value, "_Threshold",
                                                   info.param.threshold);
                         });

TEST(Binarize, SecondRunBelow255ChangesNothing) {
    HologramField field(3, 2);
    field.values() = {0.0f, 0.2f, 0.6f, 0.61f, 0.9f, 1.0f};
    std::vector<std::uint8_t> grey;
    Binarize(field, 0.6, grey);
    const std::vector<float> once = field.values();
    EXPECT_EQ(once, (std::vector<float>{0, 0, 255, 255, 255, 255}));
    for (double threshold : {0.0, 0.6, 254.9}) {
        std::vector<std::uint8_t> again;
        Binarize(field, threshold, again);
        EXPECT_EQ(field.values(), once) << threshold;
        EXPECT_EQ(again, grey) << threshold;
    }
    Binarize(field, 255.0, grey);
    for (float value : field.values()) EXPECT_EQ(value, 0.0f);
}

// Many values at and around each threshold, enough for the vector lanes and
// for the pool's shares: each is white exactly when it is above the threshold
// compared in 64 bits, also where the threshold lies between two floats or
// beyond the floats' range.
TEST(Binarize, LargeFieldsCompareEveryValueIn64Bit) {
    const float inf = std::numeric_limits<float>::infinity();
    const double max = std::numeric_limits<float>::max();
    for (const double threshold :
         {0.6, 0.5, 1.0 / 3.0, -0.1, 0.0, -0.0, max, max * 1.0000001, -max * 1.0000001, 1e-300, -1e-300,
          static_cast<double>(inf), -static_cast<double>(inf)}) {
        const float near = static_cast<float>(threshold);
        const std::vector<float> around = {std::nextafter(std::nextafter(near, -inf), -inf),
                                           std::nextafter(near, -inf),
                                           near,
                                           std::nextafter(near, inf),
                                           -inf,
                                           inf,
                                           0.0f,
                                           -0.0f};
        HologramField field(300, 300);  // more values than the pool's shares start at
        for (std::size_t i = 0; i < field.values().size(); ++i)
            field.values()[i] = around[(i * 7 + i / 13) % around.size()];
        const HologramField calculated = field;
        std::vector<std::uint8_t> grey;
        Binarize(field, threshold, grey);
        const HologramGeometry g = MakeHologramGeometry(300, 300, 1);
        const BinarizedHologram pooled =
            ApplyBinarization({"threshold", threshold}, calculated, {g, {}, ExecutionContext{}});
        for (std::size_t i = 0; i < grey.size(); ++i) {
            const int level = static_cast<double>(calculated.values()[i]) > threshold ? 255 : 0;
            ASSERT_EQ(grey[i], level) << threshold << " value " << calculated.values()[i];
            ASSERT_EQ(field.values()[i], static_cast<float>(level));
            ASSERT_EQ(pooled.greyLevels[i], level) << threshold;
            ASSERT_EQ(pooled.field.values()[i], static_cast<float>(level));
        }
    }
}

}  // namespace
}  // namespace marbleck
