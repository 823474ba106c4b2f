#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "PointSumReference.h"
#include "engine/scenes/PointSum.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

constexpr double Wavelength = 633e-9;
constexpr double Pitch = 8e-6;

// `count` points 5–15 cm in front of the plane, spread over its width, each
// with its own colour.
Scene RandomScene(int count, const ScenePlane& plane, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> across(-0.5, 0.5), depth(0.05, 0.15);
    std::uniform_real_distribution<float> colour(0.2f, 1.0f);
    Scene scene;
    scene.coloured = true;
    for (int j = 0; j < count; ++j)
        scene.points.push_back({across(random) * plane.columns * plane.pitch,
                                across(random) * plane.rows * plane.pitch,
                                depth(random),
                                {colour(random), colour(random), colour(random)}});
    return scene;
}

ExecutionContext Threads(int threads) {
    ExecutionContext context;
    context.threads = threads;
    return context;
}

// columns, rows, channel, random phases, panel limit
using AccuracyCase = std::tuple<int, int, int, bool, bool>;
class PointSumAccuracy : public testing::TestWithParam<AccuracyCase> {};

TEST_P(PointSumAccuracy, WithinAThousandthOfDoublePrecision) {
    const auto [columns, rows, channel, randomPhases, panelLimit] = GetParam();
    const ScenePlane plane{columns, rows, Pitch};
    const Scene scene = RandomScene(60, plane, 7);
    PointSumOptions options;
    options.wavelength = Wavelength;
    options.channel = channel;
    options.randomPhases = randomPhases;
    options.seed = 99;
    options.panelLimit = panelLimit;
    const SceneField field = SumPoints(scene, plane, options, Threads(2));
    const std::vector<std::complex<double>> exact = PlainPointSum(scene, plane, options);
    ASSERT_EQ(field.values.size(), exact.size());
    double largest = 0, worst = 0;
    for (std::size_t i = 0; i < exact.size(); ++i) {
        largest = std::max(largest, std::abs(exact[i]));
        worst = std::max(worst, std::abs(exact[i] - std::complex<double>(field.values[i])));
    }
    ASSERT_GT(largest, 0);
    EXPECT_LE(worst, 1e-3 * largest) << "largest |U| " << largest;
}

INSTANTIATE_TEST_SUITE_P(Planes, PointSumAccuracy,
                         testing::Values(AccuracyCase{256, 192, 0, false, true},
                                         AccuracyCase{257, 191, 1, true, true},
                                         AccuracyCase{255, 193, 2, true, false},
                                         AccuracyCase{64, 301, 0, false, false}));

// Every instruction set the kernel is compiled for gives the sum as closely
// as the widest (2·10⁻⁶ of the largest value here, where a coarse estimate
// of 1/r gave 2·10⁻⁵), each chosen as on a processor with no better one.
TEST(PointSum, EveryCompiledTargetSumsAlike) {
    const ScenePlane plane{77, 45, Pitch};
    const Scene scene = RandomScene(20, plane, 11);
    PointSumOptions options;
    options.wavelength = Wavelength;
    options.randomPhases = true;
    const std::vector<std::complex<double>> exact = PlainPointSum(scene, plane, options);
    double largest = 0;
    for (const auto& value : exact) largest = std::max(largest, std::abs(value));
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    EXPECT_GE(targets.size(), 2u);
    for (const std::int64_t target : targets) {
        SCOPED_TRACE(hwy::TargetName(target));
        hwy::SetSupportedTargetsForTest(target);
        const SceneField field = SumPoints(scene, plane, options, Threads(1));
        double worst = 0;
        for (std::size_t i = 0; i < exact.size(); ++i)
            worst = std::max(worst, std::abs(exact[i] - std::complex<double>(field.values[i])));
        EXPECT_LE(worst, 1e-5 * largest);
    }
    hwy::SetSupportedTargetsForTest(0);
}

// A point's wave near its foot is a Fresnel zone pattern centred under it:
// phase k·z + k·ρ²/(2z) and amplitude 1/z to first order.
TEST(PointSum, OnePointIsAFresnelZonePattern) {
    const ScenePlane plane{64, 48, Pitch};
    const double z = 0.1, x0 = 3 * Pitch, y0 = -2.5 * Pitch;
    const Scene scene{{{x0, y0, z, {1, 1, 1}}}, false};
    PointSumOptions options;
    options.wavelength = Wavelength;
    options.panelLimit = false;
    const SceneField field = SumPoints(scene, plane, options, Threads(1));
    const double k = 2 * std::numbers::pi / Wavelength;
    double worstPhase = 0, worstAmplitude = 0;
    for (int row = 0; row < plane.rows; ++row)
        for (int column = 0; column < plane.columns; ++column) {
            const double dx = plane.x(column) - x0, dy = plane.y(row) - y0;
            const double rhoSquared = dx * dx + dy * dy;
            const std::complex<double> value = field.row(row)[column];
            const double expected = k * z + k * rhoSquared / (2 * z);
            worstPhase = std::max(worstPhase,
                                  std::abs(std::remainder(std::arg(value) - expected, 2 * std::numbers::pi)));
            worstAmplitude = std::max(worstAmplitude, std::abs(std::abs(value) * z - 1));
        }
    // The next term, k·ρ⁴/(8z³), stays below 1e-4 rad on this plane.
    EXPECT_LT(worstPhase, 1e-3);
    EXPECT_LT(worstAmplitude, 1e-4);
}

// The limit lights exactly the disc ρ/r ≤ λ/(2·pitch) under the point.
TEST(PointSum, PanelLimitLightsTheDiscOnly) {
    const ScenePlane plane{97, 80, Pitch};
    const double z = 0.005, x0 = 1.3 * Pitch, y0 = 0.4 * Pitch;
    const Scene scene{{{x0, y0, z, {1, 1, 1}}}, false};
    PointSumOptions options;
    options.wavelength = Wavelength;
    const SceneField field = SumPoints(scene, plane, options, Threads(2));
    const double limit = Wavelength / (2 * Pitch);
    int lit = 0, dark = 0;
    for (int row = 0; row < plane.rows; ++row)
        for (int column = 0; column < plane.columns; ++column) {
            const double dx = plane.x(column) - x0, dy = plane.y(row) - y0;
            const double rho = std::hypot(dx, dy), r = std::sqrt(rho * rho + z * z);
            const bool inside = rho / r <= limit;
            (inside ? lit : dark)++;
            EXPECT_EQ(field.row(row)[column] != std::complex<float>(0), inside) << row << ", " << column;
        }
    // The disc lies inside the plane, with dark values around it.
    EXPECT_GT(lit, 1000);
    EXPECT_GT(dark, 1000);
}

TEST(PointSum, RandomPhasesFollowTheSeedOnAnyThreads) {
    const ScenePlane plane{131, 67, Pitch};
    const Scene scene = RandomScene(40, plane, 3);
    PointSumOptions options;
    options.wavelength = Wavelength;
    options.randomPhases = true;
    options.seed = 12345;
    const SceneField one = SumPoints(scene, plane, options, Threads(1));
    const SceneField two = SumPoints(scene, plane, options, Threads(2));
    EXPECT_EQ(one.values, two.values);
    options.seed = 12346;
    EXPECT_NE(SumPoints(scene, plane, options, Threads(2)).values, one.values);
    options.randomPhases = false;
    EXPECT_NE(SumPoints(scene, plane, options, Threads(2)).values, one.values);
}

// Progress climbs to 1 on the calling thread; a cancel flag set from it, or
// the caller's own question, stops the sum before the rest of the bands.
TEST(PointSum, ReportsProgressAndStopsWhenCancelled) {
    const ScenePlane plane{128, 256, Pitch};
    const Scene scene = RandomScene(50, plane, 5);
    PointSumOptions options;
    options.wavelength = Wavelength;
    ExecutionContext context = Threads(2);
    std::vector<double> fractions;
    context.progress = [&](double fraction) { fractions.push_back(fraction); };
    SumPoints(scene, plane, options, context);
    ASSERT_GE(fractions.size(), 2u);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);

    const std::size_t all = fractions.size();
    CancelFlag cancel{false};
    context.cancelFlag = &cancel;
    fractions.clear();
    context.progress = [&](double fraction) {
        fractions.push_back(fraction);
        cancel = true;
    };
    EXPECT_THROW(SumPoints(scene, plane, options, context), CalculationCancelled);
    EXPECT_LT(fractions.size(), all);

    cancel = false;
    int asked = 0;
    context.progress = nullptr;
    context.cancelRequested = [&] { return ++asked == 3; };
    EXPECT_THROW(SumPoints(scene, plane, options, context), CalculationCancelled);
    EXPECT_EQ(asked, 3);
}

// One bad point among good ones: its place and the fault, error 380.
TEST(PointSum, RefusesPointsItCannotSum) {
    const ScenePlane plane{16, 16, Pitch};
    PointSumOptions options;
    options.wavelength = Wavelength;
    options.channel = 1;
    const double nan = std::nan("");
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<ScenePoint> bad = {
        {0, 0, 0, {1, 1, 1}},     {0, 0, -0.1, {1, 1, 1}},
        {nan, 0, 0.1, {1, 1, 1}}, {0, 0, std::numeric_limits<double>::infinity(), {1, 1, 1}},
        {0, 0, 0.1, {1, inf, 1}}, {0, 0, 0.1, {1, -0.5f, 1}},
        {0, 0, 1e-12, {1, 1, 1}}, {-2e3, 0, 0.1, {1, 1, 1}},
        {0, 0, 1e300, {1, 1, 1}}};
    for (const ScenePoint& point : bad) {
        const Scene scene{{{0, 0, 0.1, {1, 1, 1}}, point}, true};
        try {
            SumPoints(scene, plane, options, Threads(1));
            ADD_FAILURE() << "accepted " << point.x << ", " << point.z;
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::InvalidPropertyValue);
            EXPECT_NE(error.description().find("Point 2 "), std::string::npos) << error.description();
        }
    }
    const Scene good{{{0, 0, 0.1, {1, 1, 1}}}, false};
    EXPECT_THROW(SumPoints(good, {0, 16, Pitch}, options, Threads(1)), std::invalid_argument);
    EXPECT_THROW(SumPoints(good, {16, 16, 0}, options, Threads(1)), std::invalid_argument);
    options.wavelength = nan;
    EXPECT_THROW(SumPoints(good, plane, options, Threads(1)), std::invalid_argument);
    options.wavelength = Wavelength;
    options.channel = 3;
    EXPECT_THROW(SumPoints(good, plane, options, Threads(1)), std::invalid_argument);
}

}  // namespace
}  // namespace marbleck
