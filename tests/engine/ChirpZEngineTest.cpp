#include "engine/sums/ChirpZEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "CaseName.h"
#include "EngineAgreement.h"
#include "HologramCases.h"
#include "engine/phase/Kinoform.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

using test::Compute;
using test::Normalised;

// Normalised values within 4e-6 of the exact engine's, grey levels at most 1
// apart.
void ExpectCloseToExact(const cases::Case& c) { test::ExpectCloseToExact(c, "czt", 4e-6); }

struct SizeCase {
    float W, H;
    double R;
    int points;
};

class ChirpZCloseToExact : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ChirpZCloseToExact, WithRandomPhases) {
    const SizeCase p = GetParam();
    ExpectCloseToExact(cases::RandomPoints(p.W, p.H, p.R, p.points, 41));
}

INSTANTIATE_TEST_SUITE_P(Table, ChirpZCloseToExact,
                         ::testing::Values(
                             // Odd, even and prime canvases; fractional sizes and reps.
                             SizeCase{7, 5, 1, 12}, SizeCase{13, 11, 3, 40}, SizeCase{16, 12, 2, 60},
                             SizeCase{64, 48, 4, 900}, SizeCase{17, 23, 3, 100}, SizeCase{61, 47, 7, 2000},
                             SizeCase{10.6f, 9.4f, 2.5, 50}, SizeCase{37, 23, 3.3, 400},
                             SizeCase{31, 29, 0.8, 200},
                             // One-pixel and two-pixel sides; tall objects, the taller
                             // one's transforms too long for 16 columns at a time.
                             SizeCase{1, 9, 3, 4}, SizeCase{9, 1, 3, 4}, SizeCase{2, 1500, 3.5, 1500},
                             SizeCase{2, 3000, 6, 300}),
                         [](const auto& info) {
                             const SizeCase& c = info.param;
                             return test::CaseName("W", c.W, "_H", c.H, "_R", c.R, "_Points", c.points);
                         });

TEST(ChirpZEngine, BenchmarkCasesAgreeWithExact) {
    ExpectCloseToExact(cases::SmallDrawing());
    ExpectCloseToExact(cases::ManyPoints());
    ExpectCloseToExact(cases::HalfLitDisc(1.0));
}

TEST(ChirpZEngine, WithoutRandomPhaseToo) {
    cases::Case c = cases::RandomPoints(31, 29, 3, 200, 42);
    std::fill(c.phases.begin(), c.phases.end(), 0.0);
    ExpectCloseToExact(c);
}

// One point gives the stripes cos(u·αx + v·αy + φ), without normalising.
TEST(ChirpZEngine, OnePointGivesItsClosedFormStripes) {
    struct Point {
        float W, H;
        double R;
        ObjectPoint p;
        double phase;
    };
    for (const Point c : {Point{40, 30, 2, {7, 21}, 0.0}, Point{165.33333f, 165.33333f, 10, {160, 3}, 2.5},
                          Point{10.6f, 9.4f, 2.5, {0, 8}, 4.0}, Point{13, 1, 3, {12, 0}, 1.0}}) {
        const HologramGeometry g = MakeHologramGeometry(c.W, c.H, c.R);
        HologramField field(g.fieldColumns, g.fieldRows);
        const std::vector<ObjectPoint> points{c.p};
        const std::vector<double> phases{c.phase};
        FieldRange range;
        AccumulateChirpZ(g, points, phases, field, &range);
        const double ax = PointAngle(c.p.x, g.W), ay = PointAngle(c.p.y, g.H);
        double worst = 0;
        for (int u = 0; u < g.columns; ++u)
            for (int v = 0; v < g.rows; ++v)
                worst = std::max(worst, std::abs(field(u, v) - std::cos(u * ax + v * ay + c.phase)));
        EXPECT_LE(worst, 2e-6) << c.W << " " << c.p.x << "," << c.p.y;
        const FieldRange found = FindRange(field, g);
        EXPECT_EQ(range.minimum, found.minimum);
        EXPECT_EQ(range.maximum, found.maximum);
    }
}

// The sums add into what the field holds.
TEST(ChirpZEngine, AddsIntoTheFieldAndFindsItsRange) {
    const cases::Case c = cases::RandomPoints(21, 17, 2, 60, 43);
    HologramField once(c.geometry.fieldColumns, c.geometry.fieldRows);
    AccumulateChirpZ(c.geometry, c.points, c.phases, once);
    HologramField twice = once;
    FieldRange range;
    AccumulateChirpZ(c.geometry, c.points, c.phases, twice, &range);
    for (std::size_t i = 0; i < once.values().size(); ++i)
        ASSERT_NEAR(twice.values()[i], 2 * once.values()[i], 1e-5) << i;
    // The range found while writing, in vectors and in the ends of blocks,
    // is the one a search of the whole field finds.
    const FieldRange found = FindRange(twice, c.geometry);
    EXPECT_EQ(range.minimum, found.minimum);
    EXPECT_EQ(range.maximum, found.maximum);
}

// Each transform is the same whichever thread runs it, so the field is too;
// every canvas column is reported once, in order, after the work.
TEST(ChirpZEngine, SameFieldOnOneAndTwoThreadsAndEveryColumnReported) {
    const cases::Case c = cases::HalfLitDisc(3.0);
    std::vector<int> columns;
    ExecutionContext two;
    two.threads = 2;
    two.columnDone = [&](int x) { columns.push_back(x); };
    ExecutionContext one;
    one.threads = 1;
    const Normalised a = Compute(c, "czt", two), b = Compute(c, "czt", one);
    EXPECT_EQ(a.field, b.field);
    ASSERT_EQ(static_cast<int>(columns.size()), c.geometry.canvasColumns);
    for (int x = 0; x < c.geometry.canvasColumns; ++x) EXPECT_EQ(columns[static_cast<std::size_t>(x)], x);
}

TEST(ChirpZEngine, StopsWhenCancelledPartWay) {
    const cases::Case c = cases::HalfLitDisc(3.0);
    CancelFlag cancel{false};
    ExecutionContext context;
    context.cancelFlag = &cancel;
    int reported = 0;
    context.columnDone = [&](int) {
        if (++reported == 3) cancel = true;
    };
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    EXPECT_THROW(AccumulateChirpZ(c.geometry, c.points, c.phases, field, nullptr, context),
                 CalculationCancelled);
    EXPECT_LT(reported, c.geometry.canvasColumns);
}

TEST(ChirpZEngine, RefusesPointsOutOfScanOrder) {
    const HologramGeometry g = MakeHologramGeometry(10, 10, 2);
    HologramField field(g.fieldColumns, g.fieldRows);
    const std::vector<ObjectPoint> points{{3, 4}, {2, 5}};
    const std::vector<double> phases{0, 0};
    EXPECT_THROW(AccumulateChirpZ(g, points, phases, field), std::invalid_argument);
}

TEST(ChirpZEngine, IsInTheTableAndAvailable) {
    const CalculationEngine* engine = FindCalculationEngine("czt");
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(engine->available());
    EXPECT_FALSE(engine->addsEveryPointToEveryValue);
    const cases::Case disc = cases::HalfLitDisc(10.0);
    // Its estimate for the disc is below the products' and shared by the threads.
    const double estimate = engine->estimatedSeconds(disc.geometry, disc.points, 2);
    EXPECT_GT(estimate, 0);
    EXPECT_LT(estimate, CalculationEngineNamed("fast").estimatedSeconds(disc.geometry, disc.points, 2));
    EXPECT_DOUBLE_EQ(engine->estimatedSeconds(disc.geometry, disc.points, 1), 2 * estimate);
}

// The kinoform's complex sum through the transforms: its phases within the
// tolerance of the exact engine's, relative to each value's modulus.
TEST(ChirpZEngine, KinoformAgreesWithTheExactEngines) {
    for (const float size : {23.0f, 40.5f}) {
        HologramRequest request;
        request.object = {size, size, cases::RandomPoints(size, size, 1, 150, 44).points};
        request.reps = 2.5;
        request.randomPhase = true;
        request.seed = 3;
        const PhaseHologram exact = MakeKinoform(request);
        request.engine = "czt";
        const PhaseHologram czt = MakeKinoform(request);
        ASSERT_EQ(exact.phase.values().size(), czt.phase.values().size());
        // The moduli from the exact engine's two sums, as the kinoform forms them.
        HologramField re, im;
        std::vector<double> turned(exact.phases);
        for (double& phase : turned) phase -= std::numbers::pi / 2;
        SumHologram(CalculationEngineNamed("exact"), exact.geometry, exact.litSamples, exact.phases, re);
        SumHologram(CalculationEngineNamed("exact"), exact.geometry, exact.litSamples, turned, im);
        double largest = 0;
        for (std::size_t i = 0; i < re.values().size(); ++i)
            largest = std::max(largest, std::hypot(static_cast<double>(re.values()[i]),
                                                   static_cast<double>(im.values()[i])));
        double worst = 0;
        for (int u = 0; u < exact.geometry.columns; ++u)
            for (int v = 0; v < exact.geometry.rows; ++v) {
                const double d =
                    std::abs(std::remainder(exact.phase(u, v) - czt.phase(u, v), 2 * std::numbers::pi));
                worst = std::max(
                    worst,
                    d * std::hypot(static_cast<double>(re(u, v)), static_cast<double>(im(u, v))) / largest);
            }
        EXPECT_LE(worst, 4e-6) << size;
    }
}

}  // namespace
}  // namespace marbleck
