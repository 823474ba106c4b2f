#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "CaseName.h"
#include "EngineAgreement.h"
#include "HologramCases.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

using test::Normalised;

using test::Compute;

// Normalised values within 1e-5 of the exact engine, grey levels at most 1 apart.
void ExpectCloseToExact(const cases::Case& c) { test::ExpectCloseToExact(c, "fast", 1e-5); }

struct FastCase {
    float W, H;
    double R;
    int points;
};

class FastCloseToExact : public ::testing::TestWithParam<FastCase> {};

TEST_P(FastCloseToExact, OddSizesWithRandomPhases) {
    const FastCase p = GetParam();
    ExpectCloseToExact(cases::RandomPoints(p.W, p.H, p.R, p.points, 31));
}

INSTANTIATE_TEST_SUITE_P(Table, FastCloseToExact,
                         ::testing::Values(FastCase{7, 5, 1, 12}, FastCase{13, 11, 3, 40},
                                           FastCase{10.6f, 9.4f, 2.5, 50}, FastCase{1, 9, 3, 4},
                                           FastCase{37, 23, 3, 400}, FastCase{61, 47, 7, 2000},
                                           // A tall object: its rows are formed a block at a time.
                                           FastCase{1, 3000, 2, 3000}, FastCase{2, 1500, 3.5, 1500}),
                         [](const auto& info) {
                             const FastCase& c = info.param;
                             return test::CaseName("W", c.W, "_H", c.H, "_R", c.R, "_Points", c.points);
                         });

TEST(FastEngine, SmallDrawingCase) { ExpectCloseToExact(cases::SmallDrawing()); }

TEST(FastEngine, ManyPointsCase) { ExpectCloseToExact(cases::ManyPoints()); }

// The benchmark's disc at R = 1; at R = 10 the exact engine takes seconds, so
// that comparison runs in the benchmark instead.
TEST(FastEngine, HalfLitDiscCase) { ExpectCloseToExact(cases::HalfLitDisc(1.0)); }

TEST(FastEngine, WithoutRandomPhaseToo) {
    cases::Case c = cases::RandomPoints(31, 29, 3, 200, 32);
    std::fill(c.phases.begin(), c.phases.end(), 0.0);
    ExpectCloseToExact(c);
}

TEST(FastEngine, SecondCalculationReusesBuffersAndGivesTheSameField) {
    // A large case, then a smaller one, then the large one again: leftovers of
    // a previous calculation must not leak into the next.
    const cases::Case large = cases::RandomPoints(37, 23, 3, 400, 33);
    const cases::Case small = cases::RandomPoints(9, 7, 2, 10, 34);
    const Normalised first = Compute(large, "fast");
    const Normalised between = Compute(small, "fast");
    const Normalised fresh = Compute(small, "exact");
    const Normalised second = Compute(large, "fast");
    EXPECT_EQ(first.field, second.field);
    for (std::size_t i = 0; i < fresh.field.values().size(); ++i)
        EXPECT_NEAR(between.field.values()[i], fresh.field.values()[i], 1e-5);
}

}  // namespace
}  // namespace marbleck
