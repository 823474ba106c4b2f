#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "CaseName.h"
#include "HologramCases.h"
#include "engine/core/Cancellation.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramPipeline.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {
namespace {

// Σ cos(u·x·3.1415/(W − 1) + v·y·3.1415/(H − 1) + φ), straight from the
// closed form with direct cosines in long double.
long double ClosedForm(const cases::Case& c, int u, int v) {
    const long double pi = 3.1415L;
    const long double lastX = static_cast<long double>(c.geometry.W) - 1;
    const long double H1 = static_cast<long double>(c.geometry.H) - 1;
    long double sum = 0;
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        const long double ax = lastX == 0 ? 0 : c.points[i].x * pi / lastX;
        const long double ay = H1 == 0 ? 0 : c.points[i].y * pi / H1;
        sum += std::cos(u * ax + v * ay + static_cast<long double>(c.phases[i]));
    }
    return sum;
}

HologramField Accumulate(const CalculationEngine* engine, const cases::Case& c) {
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    AccumulateHologram(*engine, c.geometry, c.points, c.phases, field);
    return field;
}

struct ClosedFormCase {
    float W, H;
    double R;
    int points;
};

class ReferenceClosedForm : public ::testing::TestWithParam<ClosedFormCase> {};

TEST_P(ReferenceClosedForm, MatchesDirectCosines) {
    const ClosedFormCase p = GetParam();
    const cases::Case c = cases::RandomPoints(p.W, p.H, p.R, p.points, 5);
    ASSERT_FALSE(c.points.empty());
    const HologramField field = Accumulate(&CalculationEngineNamed("reference"), c);
    // Each of the P roundings to 32-bit is at most half an ulp of a partial
    // sum, whose size is at most P: |error| <= P · P · 2^-24; the rotation
    // recurrences drift by far less.
    const double count = static_cast<double>(c.points.size());
    const double tolerance = count * count * std::ldexp(1.0, -24) + 1e-9;
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v)
            ASSERT_NEAR(field(u, v), static_cast<double>(ClosedForm(c, u, v)), tolerance)
                << "u = " << u << ", v = " << v;
    // The unvisited last column and row, if any, stay 0.
    for (int u = c.geometry.columns; u < c.geometry.fieldColumns; ++u)
        for (int v = 0; v < c.geometry.fieldRows; ++v) ASSERT_EQ(field(u, v), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Table, ReferenceClosedForm,
                         ::testing::Values(ClosedFormCase{7, 5, 1, 12}, ClosedFormCase{13, 11, 3, 40},
                                           ClosedFormCase{9, 17, 2.5, 30},
                                           ClosedFormCase{10.6f, 9.4f, 1.5, 25}, ClosedFormCase{1, 9, 3, 4},
                                           ClosedFormCase{11, 1, 2, 5}),
                         [](const auto& info) {
                             const ClosedFormCase& c = info.param;
                             return test::CaseName("W", c.W, "_H", c.H, "_R", c.R, "_Points", c.points);
                         });

// A context that reports each canvas column to `done`.
ExecutionContext Reporting(ColumnDone done) {
    ExecutionContext context;
    context.columnDone = std::move(done);
    return context;
}

class EveryEngine : public ::testing::TestWithParam<const CalculationEngine*> {};

}  // namespace

// Names the engine in test listings.
void PrintTo(const CalculationEngine* engine, std::ostream* out) { *out << engine->name; }

namespace {

TEST_P(EveryEngine, PointAtOriginGivesOneEverywhereAndAWhiteView) {
    cases::Case c{MakeHologramGeometry(9, 7, 3), {{0, 0}}, {0.0}};
    const HologramField raw = Accumulate(GetParam(), c);
    for (float value : raw.values()) ASSERT_EQ(value, 1.0f);
    HologramField field;
    std::vector<std::uint8_t> grey;
    const FieldRange range = CalculateHologram(*GetParam(), c.geometry, c.points, c.phases, field, grey);
    EXPECT_EQ(range.minimum, 0.0f);
    EXPECT_EQ(range.maximum, 1.0f);
    for (float value : field.values()) ASSERT_EQ(value, 1.0f);
    ASSERT_EQ(grey.size(), 27u * 21u);
    for (std::uint8_t g : grey) ASSERT_EQ(g, 255);
}

TEST_P(EveryEngine, PointAtRightColumnGivesVerticalStripes) {
    cases::Case c{MakeHologramGeometry(9, 7, 3), {{8, 0}}, {0.0}};
    const HologramField field = Accumulate(GetParam(), c);
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v) {
            ASSERT_NEAR(field(u, v), std::cos(u * 3.1415), 1e-6) << u << ", " << v;
            ASSERT_EQ(field(u, v), field(u, 0)) << "column " << u << " is not flat";
        }
    EXPECT_EQ(field(0, 0), 1.0f);
    EXPECT_LT(field(1, 0), -0.99f);
}

TEST_P(EveryEngine, PointAtBottomRowGivesHorizontalStripes) {
    cases::Case c{MakeHologramGeometry(9, 7, 3), {{0, 6}}, {0.0}};
    const HologramField field = Accumulate(GetParam(), c);
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v) {
            ASSERT_NEAR(field(u, v), std::cos(v * 3.1415), 1e-6) << u << ", " << v;
            ASSERT_EQ(field(u, v), field(0, v)) << "row " << v << " is not flat";
        }
}

TEST_P(EveryEngine, OnePixelWideCanvasVariesOnlyAlongV) {
    cases::Case c{MakeHologramGeometry(1, 5, 3), {{0, 2}}, {0.0}};
    const HologramField field = Accumulate(GetParam(), c);
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v) {
            ASSERT_FALSE(std::isnan(field(u, v)));
            ASSERT_NEAR(field(u, v), std::cos(v * 2 * 3.1415 / 4), 1e-6);
        }
}

TEST_P(EveryEngine, EmptyCanvasStaysZeroAndPaintsBlack) {
    cases::Case c{MakeHologramGeometry(9, 7, 2), {}, {}};
    HologramField field;
    std::vector<std::uint8_t> grey(5, 7);  // leftovers of an earlier calculation
    const FieldRange range = CalculateHologram(*GetParam(), c.geometry, c.points, c.phases, field, grey);
    EXPECT_EQ(range.minimum, 0.0f);
    EXPECT_EQ(range.maximum, 0.0f);
    ASSERT_EQ(field.columns(), c.geometry.fieldColumns);
    for (float value : field.values()) ASSERT_EQ(value, 0.0f);
    ASSERT_EQ(grey.size(), static_cast<std::size_t>(c.geometry.columns) * c.geometry.rows);
    for (std::uint8_t g : grey) ASSERT_EQ(g, 0);
}

TEST_P(EveryEngine, CalculationGivesTheRangeNormalisedFieldAndGreyLevelsOfItsSum) {
    // Enough values for the normalising to be shared among threads, an odd
    // size, and an unvisited last column and row (R·W − 1 = 599.5 rounds to
    // 600, while u runs to 599 only).
    const cases::Case c = cases::RandomPoints(37.53125f, 30.03125f, 16, 60, 41);
    ASSERT_GT(c.geometry.fieldColumns, c.geometry.columns);
    HologramField expected = Accumulate(GetParam(), c);
    const FieldRange expectedRange = FindRange(expected, c.geometry);
    Normalise(expected, c.geometry, expectedRange);

    HologramField field;
    std::vector<std::uint8_t> grey;
    std::vector<int> reported;
    const FieldRange range = CalculateHologram(*GetParam(), c.geometry, c.points, c.phases, field, grey,
                                               Reporting([&](int x) { reported.push_back(x); }));
    EXPECT_EQ(range.minimum, expectedRange.minimum);
    EXPECT_EQ(range.maximum, expectedRange.maximum);
    EXPECT_LT(range.minimum, 0.0f);
    EXPECT_EQ(reported.size(), static_cast<std::size_t>(c.geometry.canvasColumns));
    ASSERT_EQ(field, expected);
    ASSERT_EQ(grey.size(), static_cast<std::size_t>(c.geometry.columns) * c.geometry.rows);
    std::size_t i = 0;
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v, ++i)
            ASSERT_EQ(grey[i], GreyLevel(expected(u, v))) << u << "," << v;
}

TEST_P(EveryEngine, ReportsEveryCanvasColumnOnceInOrderOnTheCallingThread) {
    // Points only in a few columns, enough work for the exact engine to use
    // its threads.
    cases::Case c = cases::RandomPoints(60, 40, 4, 30, 3);
    std::erase_if(c.points, [](ObjectPoint p) { return p.x % 7 != 2; });
    c.phases.resize(c.points.size());
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    std::vector<int> reported;
    const auto caller = std::this_thread::get_id();
    AccumulateHologram(*GetParam(), c.geometry, c.points, c.phases, field, Reporting([&](int x) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        reported.push_back(x);
    }));
    ASSERT_EQ(reported.size(), 60u);
    for (int x = 0; x < 60; ++x) EXPECT_EQ(reported[static_cast<std::size_t>(x)], x);
}

TEST_P(EveryEngine, RefusesPointsOutOfScanOrder) {
    cases::Case c{MakeHologramGeometry(9, 7, 1), {{3, 2}, {1, 1}}, {0.0, 0.0}};
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    EXPECT_THROW(AccumulateHologram(*GetParam(), c.geometry, c.points, c.phases, field),
                 std::invalid_argument);
    c.points = {{1, 1}, {9, 0}};  // x = 9 is outside a 9-wide canvas
    EXPECT_THROW(AccumulateHologram(*GetParam(), c.geometry, c.points, c.phases, field),
                 std::invalid_argument);
    for (float value : field.values()) ASSERT_EQ(value, 0.0f);
}

TEST_P(EveryEngine, StopsSoonAfterItIsCancelled) {
    // Several batches of points and blocks of hologram columns, so that every
    // engine has work left after its first report.
    const cases::Case c = cases::RandomPoints(60, 40, 10, 300, 5);
    HologramField field;
    std::vector<std::uint8_t> grey;
    CancelFlag cancel{false};
    int last = -1;
    ExecutionContext context;
    context.cancelFlag = &cancel;
    context.columnDone = [&](int x) {
        last = x;
        if (x >= 2) cancel.store(true);
    };
    EXPECT_THROW(CalculateHologram(*GetParam(), c.geometry, c.points, c.phases, field, grey, context),
                 CalculationCancelled);
    EXPECT_GE(last, 2);
    EXPECT_LT(last, c.geometry.canvasColumns - 1);

    // Not cancelled, the same call runs to its end.
    cancel.store(false);
    context.columnDone = {};
    const FieldRange range =
        CalculateHologram(*GetParam(), c.geometry, c.points, c.phases, field, grey, context);
    EXPECT_GT(range.maximum, range.minimum);
}

INSTANTIATE_TEST_SUITE_P(Engines, EveryEngine,
                         ::testing::Values(&CalculationEngineNamed("reference"),
                                           &CalculationEngineNamed("exact"), &CalculationEngineNamed("fast")),
                         [](const auto& info) { return std::string(info.param->label); });

}  // namespace
}  // namespace marbleck
