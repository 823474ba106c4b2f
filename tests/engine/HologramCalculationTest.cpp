#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "CaseName.h"
#include "HologramCases.h"
#include "engine/binarization/Binarization.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramCalculation.h"
#include "engine/sums/HologramPipeline.h"
#include "platform/RandomGenerator.h"

namespace marbleck {
namespace {

struct RequestCase {
    float W, H;
    double R;
    int points;
    bool randomPhase;
};

HologramRequest RequestOf(const cases::Case& c, const std::string& engine, bool randomPhase,
                          std::uint64_t seed) {
    HologramRequest request;
    request.object = {c.geometry.W, c.geometry.H, c.points};
    request.reps = c.geometry.R;
    request.engine = engine;
    request.randomPhase = randomPhase;
    request.seed = seed;
    return request;
}

// The phases as the command line draws them: one draw each from a
// generator seeded with the seed, in scan order.
std::vector<double> PhasesFromSeed(std::size_t count, std::uint64_t seed) {
    RandomGenerator random;
    random.seed(seed);
    std::vector<double> phases(count);
    for (double& phase : phases) phase = PhaseOfDraw(random.next());
    return phases;
}

class RequestEqualsSteps
    : public ::testing::TestWithParam<std::tuple<const CalculationEngine*, RequestCase>> {};

// The result is what the separate steps give, bit for bit: the engine's sums
// into a zero field, their range, the normalised values, each value's grey
// level; and what the pipeline gives from the same samples and phases.
TEST_P(RequestEqualsSteps, BitForBit) {
    const auto [engine, p] = GetParam();
    const std::uint64_t seed = 977;
    cases::Case c = cases::RandomPoints(p.W, p.H, p.R, p.points, 17);
    c.phases = p.randomPhase ? PhasesFromSeed(c.points.size(), seed) : std::vector<double>(c.points.size());

    const HologramResult result = MakeHologram(RequestOf(c, std::string(engine->name), p.randomPhase, seed));

    HologramField expected(c.geometry.fieldColumns, c.geometry.fieldRows);
    AccumulateHologram(*engine, c.geometry, c.points, c.phases, expected);
    const FieldRange range = FindRange(expected, c.geometry);
    Normalise(expected, c.geometry, range);
    EXPECT_EQ(result.phases, c.phases);
    EXPECT_EQ(result.rawRange.minimum, range.minimum);
    EXPECT_EQ(result.rawRange.maximum, range.maximum);
    ASSERT_EQ(result.field, expected);
    ASSERT_EQ(result.greyLevels.size(), static_cast<std::size_t>(c.geometry.columns) * c.geometry.rows);
    std::size_t i = 0;
    for (int u = 0; u < c.geometry.columns; ++u)
        for (int v = 0; v < c.geometry.rows; ++v, ++i)
            ASSERT_EQ(result.greyLevels[i], GreyLevel(expected(u, v))) << u << "," << v;

    HologramField pipelineField;
    std::vector<std::uint8_t> pipelineGrey;
    CalculateHologram(*engine, c.geometry, c.points, c.phases, pipelineField, pipelineGrey);
    EXPECT_EQ(result.field, pipelineField);
    EXPECT_EQ(result.greyLevels, pipelineGrey);
    EXPECT_EQ(result.litSamples.size(), c.points.size());
    EXPECT_EQ(result.geometry.fieldColumns, c.geometry.fieldColumns);
    EXPECT_FALSE(result.binarization);

    // Without grey levels, the same normalised field.
    HologramRequest fieldOnly = RequestOf(c, std::string(engine->name), p.randomPhase, seed);
    fieldOnly.greyLevels = false;
    const HologramResult alone = MakeHologram(std::move(fieldOnly));
    EXPECT_EQ(alone.field, result.field);
    EXPECT_TRUE(alone.greyLevels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EnginesAndSizes, RequestEqualsSteps,
    ::testing::Combine(::testing::Values(&CalculationEngineNamed("exact"), &CalculationEngineNamed("fast"),
                                         &CalculationEngineNamed("czt"),
                                         &CalculationEngineNamed("reference")),
                       // Odd and prime sizes, a fractional canvas, and one large enough for
                       // the normalising to be shared among threads, with an unvisited last
                       // column and row.
                       ::testing::Values(RequestCase{7, 5, 3, 12, false}, RequestCase{13, 11, 2.5, 40, true},
                                         RequestCase{10.6f, 9.4f, 1.5, 25, true},
                                         RequestCase{37.53125f, 30.03125f, 16, 60, true})),
    [](const auto& info) {
        const RequestCase& c = std::get<1>(info.param);
        return std::string(std::get<0>(info.param)->name) +
               test::CaseName("_W", c.W, "_H", c.H, "_R", c.R, c.randomPhase ? "_Random" : "_Flat");
    });

class RequestOnEveryEngine : public ::testing::TestWithParam<const CalculationEngine*> {};

TEST_P(RequestOnEveryEngine, ReportsEveryCanvasColumnInOrderOnTheCallingThread) {
    const cases::Case c = cases::RandomPoints(60, 40, 4, 300, 3);
    std::vector<int> reported;
    const auto caller = std::this_thread::get_id();
    ExecutionContext control;
    control.columnDone = [&](int x) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        reported.push_back(x);
    };
    MakeHologram(RequestOf(c, std::string(GetParam()->name), true, 1), control);
    ASSERT_EQ(reported.size(), 60u);
    for (int x = 0; x < 60; ++x) EXPECT_EQ(reported[static_cast<std::size_t>(x)], x);
}

TEST_P(RequestOnEveryEngine, StopsWhenAskedOnTheCallingThreadOrByItsFlag) {
    const cases::Case c = cases::RandomPoints(60, 40, 10, 300, 5);
    int last = -1;
    ExecutionContext asked;
    asked.columnDone = [&](int x) { last = x; };
    asked.cancelRequested = [&] { return last >= 2; };
    EXPECT_THROW(MakeHologram(RequestOf(c, std::string(GetParam()->name), true, 1), asked),
                 CalculationCancelled);
    EXPECT_EQ(last, 2);

    CancelFlag cancel{false};
    ExecutionContext flagged;
    flagged.cancelFlag = &cancel;
    flagged.columnDone = [&](int x) {
        last = x;
        if (x >= 2) cancel.store(true);
    };
    EXPECT_THROW(MakeHologram(RequestOf(c, std::string(GetParam()->name), true, 1), flagged),
                 CalculationCancelled);
    EXPECT_LT(last, c.geometry.canvasColumns - 1);

    // Asked before it starts, no column is summed.
    ExecutionContext before;
    before.cancelRequested = [] { return true; };
    before.columnDone = [](int x) { ADD_FAILURE() << "column " << x << " summed"; };
    EXPECT_THROW(MakeHologram(RequestOf(c, std::string(GetParam()->name), true, 1), before),
                 CalculationCancelled);
}

INSTANTIATE_TEST_SUITE_P(Engines, RequestOnEveryEngine,
                         ::testing::Values(&CalculationEngineNamed("exact"), &CalculationEngineNamed("fast"),
                                           &CalculationEngineNamed("reference")),
                         [](const auto& info) { return std::string(info.param->label); });

TEST(HologramRequest, RefusesAGeometryOrNameBeforeAnySum) {
    const cases::Case c = cases::RandomPoints(9, 7, 1, 10, 2);
    ExecutionContext control;
    control.columnDone = [](int x) { ADD_FAILURE() << "column " << x << " summed"; };
    HologramRequest none = RequestOf(c, "exact", false, 0);
    none.reps = 0.05;  // R·W − 1 rounds below 0
    try {
        MakeHologram(none, control);
        ADD_FAILURE() << "no error";
    } catch (const NoHologramError& error) {
        EXPECT_EQ(error.number(), 380);
    }
    HologramRequest huge = RequestOf(c, "exact", false, 0);
    huge.reps = 2000;
    try {
        MakeHologram(huge, control);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), 7);
    }
    EXPECT_THROW(MakeHologram(RequestOf(c, "gpu", false, 0), control), std::invalid_argument);
    HologramRequest unknownMethod = RequestOf(c, "exact", false, 0);
    unknownMethod.binarization = BinarizationRequest{"dither", 0};
    EXPECT_THROW(MakeHologram(unknownMethod, control), std::invalid_argument);
}

// The binarization comes apart from the calculated field, which stays as an
// unbinarized request gives it.
TEST(HologramRequest, BinarizesBesideTheCalculatedField) {
    const cases::Case c = cases::RandomPoints(37.53125f, 30.03125f, 4, 60, 8);
    const HologramResult plain = MakeHologram(RequestOf(c, "exact", true, 5));
    for (const auto& [method, threshold] : {std::pair{"threshold", 0.6}, std::pair{"balanced", 0.0}}) {
        SCOPED_TRACE(method);
        HologramRequest request = RequestOf(c, "exact", true, 5);
        request.binarization = BinarizationRequest{method, threshold};
        const HologramResult result = MakeHologram(request);
        EXPECT_EQ(result.field, plain.field);
        EXPECT_EQ(result.greyLevels, plain.greyLevels);
        ASSERT_TRUE(result.binarization);
        const double expectedThreshold =
            std::string(method) == "balanced"
                ? MedianThreshold(plain.field, c.geometry.columns, c.geometry.rows)
                : threshold;
        EXPECT_EQ(result.binarization->method, method);
        EXPECT_EQ(result.binarization->threshold, expectedThreshold);
        HologramField expected = plain.field;
        std::vector<std::uint8_t> grey;
        Binarize(expected, expectedThreshold, grey);
        EXPECT_EQ(result.binarization->field, expected);
        EXPECT_EQ(result.binarization->greyLevels, grey);
        EXPECT_GE(result.seconds.binarizing, 0.0);
    }
}

template <typename Entry>
void ExpectUniqueNamesAndLookups(std::span<const Entry> table, const Entry* (*find)(std::string_view)) {
    std::set<std::string_view> names, labels;
    for (const Entry& entry : table) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(labels.insert(entry.label).second) << entry.label;
        EXPECT_EQ(find(entry.name), &entry);
    }
    EXPECT_EQ(find("unknown"), nullptr);
    EXPECT_EQ(find(""), nullptr);
}

TEST(EngineTable, NamesAreUniqueAndAnUnknownOneIsRefused) {
    ExpectUniqueNamesAndLookups(CalculationEngines(), FindCalculationEngine);
    EXPECT_EQ(DefaultCalculationEngine().name, "exact");
    EXPECT_THROW(CalculationEngineNamed("Exact"), std::invalid_argument);
    const std::vector<std::string_view> expected{"exact", "fast", "czt", "reference"};
    std::vector<std::string_view> names;
    for (const CalculationEngine& engine : CalculationEngines()) names.push_back(engine.name);
    EXPECT_EQ(names, expected);
}

TEST(BinarizationTable, NamesAreUniqueAndAnUnknownOneIsRefused) {
    ExpectUniqueNamesAndLookups(BinarizationMethods(), FindBinarizationMethod);
    ASSERT_NE(FindBinarizationMethod("threshold"), nullptr);
    EXPECT_EQ(FindBinarizationMethod("threshold")->label, "Threshold");
    ASSERT_NE(FindBinarizationMethod("balanced"), nullptr);
    EXPECT_EQ(FindBinarizationMethod("balanced")->label, "Balanced");
}

// A method is handed the context: it may reconstruct and judge a field, and
// it leaves the calculated field as it was.
TEST(BinarizationTable, MethodsLeaveTheirInputAndReachTheReconstruction) {
    const cases::Case c = cases::RandomPoints(21, 17, 3, 30, 4);
    const HologramResult calculated = MakeHologram(RequestOf(c, "exact", true, 3));
    const ExecutionContext execution;
    const BinarizationContext context{calculated.geometry, calculated.litSamples, execution};
    for (const BinarizationMethod& method : BinarizationMethods()) {
        SCOPED_TRACE(method.name);
        const HologramField before = calculated.field;
        const BinarizedHologram binarized =
            ApplyBinarization({std::string(method.name), 0.5}, calculated.field, context);
        EXPECT_EQ(calculated.field, before);
        EXPECT_EQ(binarized.method, method.name);
        const double fidelity = context.fidelity(context.reconstruct(binarized.field));
        EXPECT_EQ(fidelity, FidelityFigure(Reconstruct(binarized.field, c.geometry.columns, c.geometry.rows),
                                           calculated.litSamples, calculated.geometry));
        EXPECT_GT(fidelity, 1.0);
    }
}

}  // namespace
}  // namespace marbleck
