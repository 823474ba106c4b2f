#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CaseName.h"
#include "engine/core/HologramGeometry.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

struct BoundsCase {
    float W;
    double R;
    int canvasColumns;
    int fieldColumns;  // R·W − 1 rounded half to even, plus 1
    int columns;       // the largest whole u <= R·W − 1, plus 1
};

class GeometryBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(GeometryBounds, FieldAndLoopBounds) {
    const BoundsCase c = GetParam();
    // The same rule holds along both sides; give H a different size to keep
    // the two apart.
    const HologramGeometry g = MakeHologramGeometry(c.W, 200.0f, c.R);
    EXPECT_EQ(g.canvasColumns, c.canvasColumns);
    EXPECT_EQ(g.fieldColumns, c.fieldColumns);
    EXPECT_EQ(g.columns, c.columns);
    EXPECT_LE(g.columns, g.fieldColumns);

    const HologramGeometry t = MakeHologramGeometry(200.0f, c.W, c.R);
    EXPECT_EQ(t.canvasRows, c.canvasColumns);
    EXPECT_EQ(t.fieldRows, c.fieldColumns);
    EXPECT_EQ(t.rows, c.columns);
}

INSTANTIATE_TEST_SUITE_P(Table, GeometryBounds,
                         ::testing::Values(BoundsCase{100.0f, 1.0, 100, 100, 100},
                                           BoundsCase{100.0f, 3.0, 100, 300, 300},
                                           BoundsCase{165.33333f, 10.0, 165, 1653, 1653},
                                           // 99.6 rounds to 100 but the loop stops at 99.
                                           BoundsCase{100.6f, 1.0, 100, 101, 100},
                                           // Halves to even: 0.5 → 0 and 3.5 → 4.
                                           BoundsCase{3.0f, 0.5, 3, 1, 1}, BoundsCase{3.0f, 1.5, 3, 5, 4},
                                           BoundsCase{1.0f, 3.0, 1, 3, 3},
                                           // −0.5 rounds to 0: a one-value field that no loop visits.
                                           BoundsCase{100.0f, 0.005, 100, 1, 0}),
                         [](const auto& info) {
                             return test::CaseName("W", info.param.W, "_R", info.param.R);
                         });

class GeometryRefused : public ::testing::TestWithParam<std::pair<double, int>> {};

TEST_P(GeometryRefused, RaisesRunTimeError) {
    const auto [R, number] = GetParam();
    try {
        MakeHologramGeometry(100.0f, 100.0f, R);
        FAIL() << "R = " << R << " was accepted";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number(), number) << "R = " << R;
        // The engine names no control: the window that read R adds its caption.
        EXPECT_EQ(e.description().find('"'), std::string::npos) << e.description();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, GeometryRefused,
                         ::testing::Values(std::pair{0.0, 380}, std::pair{-2.0, 380}, std::pair{0.004, 380},
                                           // 8200 × 8200 values is just over 2^26.
                                           std::pair{82.0, 7}, std::pair{1e300, 7},
                                           std::pair{std::numeric_limits<double>::infinity(), 7}),
                         [](const auto& info) { return test::CaseName("R", info.param.first); });

TEST(Geometry, ExactlyTwoToThe26ValuesIsAllowed) {
    const HologramGeometry g = MakeHologramGeometry(100.0f, 100.0f, 81.92);
    EXPECT_EQ(static_cast<long long>(g.fieldColumns) * g.fieldRows, MaxHologramValues);
}

TEST(Geometry, OnePixelSideHasNoAngleStep) {
    const HologramGeometry g = MakeHologramGeometry(1.0f, 5.0f, 2.0);
    EXPECT_EQ(g.canvasColumns, 1);
    EXPECT_EQ(PointAngle(0, 1.0f), 0.0);
    EXPECT_FALSE(std::isnan(PointAngle(0, 1.0f)));
    EXPECT_EQ(PointAngle(4, 5.0f), 4 * 3.1415 / 4.0);
}

TEST(Geometry, AngleMultipliesBeforeDividing) {
    // x·3.1415/(W − 1) and x·(3.1415/(W − 1)) differ in the last bit here.
    bool anyDiffers = false;
    for (int x = 0; x < 165; ++x) {
        const double expected = x * 3.1415 / (165.33333f - 1.0);
        EXPECT_EQ(PointAngle(x, 165.33333f), expected);
        anyDiffers = anyDiffers || expected != x * (3.1415 / (165.33333f - 1.0));
    }
    EXPECT_TRUE(anyDiffers);
}

TEST(Geometry, PhaseOfDrawIsTwoRPi) {
    EXPECT_EQ(PhaseOfDraw(0.0f), 0.0);
    EXPECT_EQ(PhaseOfDraw(0.5f), 3.1415);
    EXPECT_EQ(PhaseOfDraw(0.25f), 2.0 * 0.25 * 3.1415);
}

}  // namespace
}  // namespace marbleck
