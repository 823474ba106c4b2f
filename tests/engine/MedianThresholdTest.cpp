// The balanced threshold against a plain sort of the visited values: the
// same value, bit for bit, on odd and even counts, ties, values that share
// their upper bits, signs and zeros, and visited areas smaller than the field.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/binarization/Binarization.h"

namespace marbleck {
namespace {

struct MedianCase {
    std::string name;
    int columns, rows;            // the visited values
    int fieldColumns, fieldRows;  // the whole field
    // The value at (u, v), from a generator seeded per case.
    std::function<float(int u, int v, std::mt19937& random)> value;
};

void PrintTo(const MedianCase& c, std::ostream* out) { *out << c.name; }

float Uniform(std::mt19937& random) { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); }

// Sorts a copy of the visited values and takes the largest that stays black
// when half of them (rounded down) become white.
float SortedReference(const HologramField& field, int columns, int rows) {
    std::vector<float> values;
    for (int u = 0; u < columns; ++u)
        for (int v = 0; v < rows; ++v) values.push_back(field(u, v));
    std::sort(values.begin(), values.end());
    const float median = values[values.size() - values.size() / 2 - 1];
    return median == 0.0f ? 0.0f : median;  // −0 and +0 compare equal
}

class MedianThresholdTable : public ::testing::TestWithParam<MedianCase> {};

TEST_P(MedianThresholdTable, EqualsTheSortedValue) {
    const MedianCase& c = GetParam();
    std::mt19937 random(1234);
    HologramField field(c.fieldColumns, c.fieldRows);
    for (int u = 0; u < c.fieldColumns; ++u)
        for (int v = 0; v < c.fieldRows; ++v)
            // Values outside the visited area are far above every visited one.
            field(u, v) = (u < c.columns && v < c.rows) ? c.value(u, v, random) : 1e30f;
    const float expected = SortedReference(field, c.columns, c.rows);
    for (int threads : {1, 3}) {
        ExecutionContext context;
        context.threads = threads;
        const double threshold = MedianThreshold(field, c.columns, c.rows, context);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(threshold),
                  std::bit_cast<std::uint64_t>(static_cast<double>(expected)))
            << threads << " threads: " << threshold << " against " << expected;
    }
}

const float Ulp = std::numeric_limits<float>::epsilon();

INSTANTIATE_TEST_SUITE_P(
    Fields, MedianThresholdTable,
    ::testing::Values(
        MedianCase{"OneValue", 1, 1, 1, 1, [](int, int, std::mt19937& r) { return Uniform(r); }},
        MedianCase{"TwoValues", 2, 1, 2, 1, [](int u, int, std::mt19937&) { return u ? 0.25f : 0.75f; }},
        MedianCase{"OddDistinct", 101, 37, 101, 37, [](int, int, std::mt19937& r) { return Uniform(r); }},
        MedianCase{"EvenDistinct", 64, 50, 64, 50, [](int, int, std::mt19937& r) { return Uniform(r); }},
        MedianCase{"FourLevels", 77, 40, 77, 40,
                   [](int, int, std::mt19937& r) { return static_cast<float>(r() % 4) / 4.0f; }},
        MedianCase{"AllEqual", 48, 48, 48, 48, [](int, int, std::mt19937&) { return 0.6f; }},
        MedianCase{"HalfZeroHalfOne", 40, 40, 40, 40,
                   [](int u, int, std::mt19937&) { return u < 20 ? 0.0f : 1.0f; }},
        // Values that share their upper 16 bits and differ in the lower ones.
        MedianCase{"NeighbouringFloats", 90, 33, 90, 33,
                   [](int, int, std::mt19937& r) { return 0.5f + static_cast<float>(r() % 3000) * Ulp; }},
        // Both signs, both zeros, the infinities and the smallest numbers.
        MedianCase{"SignsAndZeros", 61, 29, 61, 29,
                   [](int, int, std::mt19937& r) {
                       static const float special[] = {-0.0f,
                                                       0.0f,
                                                       -std::numeric_limits<float>::infinity(),
                                                       std::numeric_limits<float>::infinity(),
                                                       std::numeric_limits<float>::denorm_min(),
                                                       -std::numeric_limits<float>::denorm_min()};
                       const unsigned pick = r() % 10;
                       return pick < 6 ? special[pick] : (Uniform(r) - 0.5f) * 1e4f;
                   }},
        MedianCase{"MedianIsMinusZero", 3, 1, 3, 1,
                   [](int u, int, std::mt19937&) { return u == 0 ? -1.0f : u == 1 ? -0.0f : 1.0f; }},
        MedianCase{"AllNegative", 50, 31, 50, 31, [](int, int, std::mt19937& r) { return -Uniform(r); }},
        // Only the first columns x rows of a larger field count.
        MedianCase{"VisitedCorner", 35, 22, 47, 30, [](int, int, std::mt19937& r) { return Uniform(r); }}),
    [](const ::testing::TestParamInfo<MedianCase>& info) { return info.param.name; });

// A normalised hologram's worth of values: what "Balanced" binarizes, with
// the count of white values the threshold gives.
TEST(MedianThreshold, HalfOfALargeNormalisedFieldBecomesWhite) {
    std::mt19937 random(99);
    HologramField field(701, 503);
    for (float& value : field.values())
        value = static_cast<float>(std::uniform_int_distribution<int>(0, 1 << 20)(random)) / (1 << 20);
    const double threshold = MedianThreshold(field, 701, 503);
    EXPECT_EQ(threshold, SortedReference(field, 701, 503));
    std::vector<std::uint8_t> grey;
    Binarize(field, threshold, grey);
    const auto white = std::count(grey.begin(), grey.end(), 255);
    // Exactly half, less only the values equal to the threshold.
    const std::size_t n = field.values().size();
    EXPECT_LE(static_cast<std::size_t>(white), n / 2);
    EXPECT_GT(static_cast<std::size_t>(white), n / 2 - 10);
}

}  // namespace
}  // namespace marbleck
