// The optimised binarization: its cost and flip gains against whole
// transforms, what it returns, and the figures beside the fidelity figure.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "HologramCases.h"
#include "engine/binarization/BinaryOptimiser.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck {
namespace {

HologramRequest LetterRequest(int size, double reps, bool randomPhase, BinarizationRequest binarization) {
    HologramRequest request;
    request.object = {static_cast<float>(size), static_cast<float>(size), cases::ThinLetterF(size)};
    request.reps = reps;
    request.randomPhase = randomPhase;
    request.seed = 3;
    request.binarization = binarization;
    return request;
}

BinarizationRequest Optimised(int maxIterations, double budget = 60) {
    return {"optimised", 0, budget, maxIterations};
}

std::vector<std::uint8_t> Bits(const HologramField& field, const HologramGeometry& g) {
    std::vector<std::uint8_t> bits;
    for (int u = 0; u < g.columns; ++u)
        for (int v = 0; v < g.rows; ++v) bits.push_back(field(u, v) > 0 ? 1 : 0);
    return bits;
}

// The noise part of the cost, from the reconstruction the window shows.
double NoiseLight(const std::vector<std::uint8_t>& bits, const HologramGeometry& g,
                  const std::vector<ObjectPoint>& points) {
    std::vector<std::uint8_t> grey(bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i) grey[i] = bits[i] ? 255 : 0;
    const Reconstruction r = Reconstruct(grey.data(), g.columns, g.rows, g.rows);
    const std::vector<BinKind> kinds = ClassifyBins(g.columns, g.rows, points, g);
    double noise = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i] == BinKind::Noise) noise += r.intensity[i];
    return noise;
}

// Odd and even sizes: the gains come from a Hermitian half spectrum, whose
// last row is its own mirror only on an even side.
class FlipGains : public ::testing::TestWithParam<std::pair<float, double>> {};

TEST_P(FlipGains, EqualTheCostOfEachFlipByAWholeTransform) {
    const auto [size, reps] = GetParam();
    const HologramGeometry g = MakeHologramGeometry(size, size, reps);
    const std::vector<ObjectPoint> points{{1, 2}, {2, 2}, {3, 1}};
    const HologramResult balanced =
        MakeHologram(LetterRequest(static_cast<int>(size), reps, true, {"balanced", 0}));
    std::vector<std::uint8_t> bits = Bits(balanced.binarization->field, g);

    // Without the unevenness the cost is the noise's light, quadratic in
    // the pattern: the gains are exact.
    BinaryPatternCost noiseOnly(g, points, 0.0);
    const double start = noiseOnly.evaluate(bits);
    noiseOnly.accept();
    EXPECT_NEAR(start, NoiseLight(bits, g, points), 1e-4 * start);
    std::vector<float> gains;
    noiseOnly.flipGains(bits, gains);
    ASSERT_EQ(gains.size(), bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        bits[i] ^= 1;
        const double flipped = noiseOnly.evaluate(bits);
        bits[i] ^= 1;
        EXPECT_NEAR(gains[i], flipped - start, 1e-3 * start) << "value " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(OddAndEven, FlipGains,
                         ::testing::Values(std::pair{7.0f, 1.0}, std::pair{9.0f, 1.0}, std::pair{8.0f, 1.0},
                                           std::pair{5.0f, 1.8}));

// With the unevenness the gains are first order: on a letter's hologram,
// where one flip is a small change, they foretell which flips pay.
TEST(FlipGainsWithUnevenness, ForetellWhichFlipsLowerTheCost) {
    const HologramResult balanced = MakeHologram(LetterRequest(16, 2.0, true, {"balanced", 0}));
    const HologramGeometry& g = balanced.geometry;
    std::vector<std::uint8_t> bits = Bits(balanced.binarization->field, g);
    BinaryPatternCost cost(g, balanced.litSamples, 1.0);
    const double start = cost.evaluate(bits);
    cost.accept();
    std::vector<float> gains;
    cost.flipGains(bits, gains);
    std::vector<double> changes;
    double largest = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        bits[i] ^= 1;
        changes.push_back(cost.evaluate(bits) - start);
        bits[i] ^= 1;
        largest = std::max(largest, std::abs(changes.back()));
    }
    int agree = 0, clear = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (std::abs(changes[i]) < 0.1 * largest) continue;
        ++clear;
        agree += (gains[i] < 0) == (changes[i] < 0);
    }
    EXPECT_GT(clear, 100);
    EXPECT_GT(agree, clear * 9 / 10);
}

TEST(OptimisedBinarization, LowersItsCostAndRaisesTheFidelityFromTheBalancedHologram) {
    for (const bool randomPhase : {false, true}) {
        SCOPED_TRACE(randomPhase ? "random phase" : "no random phase");
        const HologramResult result = MakeHologram(LetterRequest(40, 2.0, randomPhase, Optimised(0)));
        const HologramResult balanced = MakeHologram(LetterRequest(40, 2.0, randomPhase, {"balanced", 0}));
        const HologramGeometry& g = result.geometry;
        const BinarizedHologram& optimised = *result.binarization;
        ASSERT_TRUE(optimised.optimisation.has_value());
        const OptimisationRecord& record = *optimised.optimisation;
        EXPECT_GT(record.iterations, 0);

        BinaryPatternCost cost(g, result.litSamples);
        const double start = cost.evaluate(Bits(balanced.binarization->field, g));
        const double end = cost.evaluate(Bits(optimised.field, g));
        EXPECT_LT(end, start);

        // The record's start is the balanced hologram; its end what it returns.
        const auto figures = [&](const HologramField& field) {
            return MeasureFigures(Reconstruct(field, g.columns, g.rows), result.litSamples, g);
        };
        EXPECT_DOUBLE_EQ(record.start.fidelity, figures(balanced.binarization->field).fidelity);
        EXPECT_DOUBLE_EQ(record.end.fidelity, figures(optimised.field).fidelity);
        EXPECT_GT(record.end.fidelity, 1.3 * record.start.fidelity);
        EXPECT_GT(record.end.efficiency, record.start.efficiency);
        EXPECT_LT(record.end.uniformity, 0.5);

        std::size_t white = 0;
        for (const float value : optimised.field.values()) {
            ASSERT_TRUE(value == 0.0f || value == 255.0f);
            white += value == 255.0f;
        }
        const double share =
            static_cast<double>(white) / static_cast<double>(optimised.field.values().size());
        EXPECT_GT(share, 0.3);
        EXPECT_LT(share, 0.7);
        std::size_t i = 0;
        for (const float value : optimised.field.values()) EXPECT_EQ(optimised.greyLevels[i++], value);
    }
}

TEST(OptimisedBinarization, IsDeterministicAndStopsAtItsLimits) {
    const HologramResult a = MakeHologram(LetterRequest(30, 2.0, true, Optimised(5)));
    const HologramResult b = MakeHologram(LetterRequest(30, 2.0, true, Optimised(5)));
    EXPECT_EQ(a.binarization->optimisation->iterations, 5);
    EXPECT_EQ(a.binarization->field, b.binarization->field);

    // No time at all: the balanced hologram, bit for bit.
    const HologramResult none = MakeHologram(LetterRequest(30, 2.0, true, Optimised(0, 0.0)));
    const HologramResult balanced = MakeHologram(LetterRequest(30, 2.0, true, {"balanced", 0}));
    EXPECT_EQ(none.binarization->optimisation->iterations, 0);
    EXPECT_EQ(none.binarization->field, balanced.binarization->field);
    EXPECT_EQ(none.binarization->greyLevels, balanced.binarization->greyLevels);
}

TEST(OptimisedBinarization, ReportsProgressAndStopsWhenCancelled) {
    std::vector<double> progress;
    ExecutionContext control;
    control.progress = [&](double fraction) { progress.push_back(fraction); };
    control.cancelRequested = [&] { return progress.size() >= 3; };
    EXPECT_THROW(MakeHologram(LetterRequest(30, 2.0, true, Optimised(0)), control), CalculationCancelled);
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_GE(progress[0], 0.0);
    EXPECT_LE(progress[2], 1.0);
    EXPECT_LE(progress[0], progress[2]);
}

// Symmetric objects on a 100 x 100 canvas without random phases: near
// their balanced holograms lie patterns ever whiter (or blacker) whose light
// goes into the zero order, which the cost does not count: a constant
// pattern would cost nothing.
std::vector<ObjectPoint> Sorted(std::vector<ObjectPoint> points) {
    std::sort(points.begin(), points.end(),
              [](ObjectPoint a, ObjectPoint b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    points.erase(std::unique(points.begin(), points.end(),
                             [](ObjectPoint a, ObjectPoint b) { return a.x == b.x && a.y == b.y; }),
                 points.end());
    return points;
}

// 24 dots of 2 x 2 pixels on a circle of radius 30; each dot's corner at
// `centre` + the circle's point (rounded down), shifted by `shift`.
std::vector<ObjectPoint> Ring(double centre, int shift) {
    std::vector<ObjectPoint> points;
    for (int k = 0; k < 24; ++k) {
        const double a = 2 * 3.141592653589793 * k / 24;
        const int x = static_cast<int>(centre + 30 * std::cos(a)) + shift;
        const int y = static_cast<int>(centre + 30 * std::sin(a)) + shift;
        for (int dx = 0; dx < 2; ++dx)
            for (int dy = 0; dy < 2; ++dy) points.push_back({x + dx, y + dy});
    }
    return Sorted(points);
}

std::vector<ObjectPoint> Grid() {
    std::vector<ObjectPoint> points;
    for (int x = 10; x < 100; x += 20)
        for (int y = 10; y < 100; y += 20) points.push_back({x, y});
    return points;
}

struct SymmetricCase {
    const char* name;
    std::vector<ObjectPoint> points;
    const char* engine;
};

HologramRequest SymmetricRequest(const SymmetricCase& c, BinarizationRequest binarization) {
    HologramRequest request;
    request.object = {100.0f, 100.0f, c.points};
    request.reps = 2;
    request.engine = c.engine;
    request.binarization = binarization;
    return request;
}

class SymmetricObject : public ::testing::TestWithParam<SymmetricCase> {};

// The result keeps its white share within the band and its figures finite,
// and never ends below the balanced start's fidelity.
TEST_P(SymmetricObject, KeepsAPatternThatShowsTheObject) {
    const SymmetricCase& c = GetParam();
    const HologramResult result = MakeHologram(SymmetricRequest(c, Optimised(1200, 30)));
    const HologramResult balanced = MakeHologram(SymmetricRequest(c, {"balanced", 0}));
    const HologramGeometry& g = result.geometry;
    const BinarizedHologram& optimised = *result.binarization;
    const OptimisationRecord& record = *optimised.optimisation;

    const std::vector<std::uint8_t> bits = Bits(optimised.field, g);
    const double share =
        static_cast<double>(std::count(bits.begin(), bits.end(), 1)) / static_cast<double>(bits.size());
    EXPECT_GE(share, MinWhiteShare);
    EXPECT_LE(share, MaxWhiteShare);
    const HologramFigures end =
        MeasureFigures(Reconstruct(optimised.field, g.columns, g.rows), result.litSamples, g);
    for (const double figure : {end.fidelity, end.uniformity, end.efficiency})
        EXPECT_TRUE(std::isfinite(figure));
    EXPECT_DOUBLE_EQ(record.end.fidelity, end.fidelity);
    EXPECT_DOUBLE_EQ(record.end.efficiency, end.efficiency);
    EXPECT_GE(record.end.fidelity, record.start.fidelity);
    if (record.keptStart) {
        EXPECT_EQ(optimised.field, balanced.binarization->field);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SymmetricObject,
                         ::testing::Values(SymmetricCase{"Ring", Ring(49.5, 0), "fast"},
                                           SymmetricCase{"Ring", Ring(49.5, 0), "exact"},
                                           SymmetricCase{"ShiftedRing", Ring(50.5, -1), "fast"},
                                           SymmetricCase{"RoundRing", Ring(49, 0), "fast"},
                                           SymmetricCase{"CentredPoint", {{50, 50}}, "fast"},
                                           SymmetricCase{"Grid", Grid(), "fast"},
                                           SymmetricCase{"SinglePoint", {{30, 60}}, "exact"}),
                         [](const auto& info) {
                             return std::string(info.param.name) + "_" + info.param.engine;
                         });

// A point at the canvas's corner adds the same value everywhere: no pattern
// of its hologram shows it, and the optimiser says so instead of returning
// a blank one.
TEST(OptimisedBinarization, RefusesAHologramThatCannotShowTheObject) {
    const SymmetricCase corner{"Corner", {{0, 0}}, "fast"};
    try {
        MakeHologram(SymmetricRequest(corner, Optimised(200, 30)));
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::InvalidPicture);
        EXPECT_EQ(error.description(),
                  "Invalid picture: the optimised binarization found no pattern that shows the object");
    }
}

// Figures of hand-made far fields: 11 x 11 bins, centre (5, 5); canvas
// point (4, 0) lands 2 bins right of the centre, (0, 4) 2 bins below.
TEST(HologramFigures, UniformityAndEfficiencyOfOneAndTwoPoints) {
    const HologramGeometry g = MakeHologramGeometry(11, 11, 1.0);
    Reconstruction r{11, 11, std::vector<float>(121, 1.0f)};
    r.intensity[5 * 11 + 5] = 0.0f;  // the mean removed
    auto at = [&](int x, int y) -> float& { return r.intensity[static_cast<std::size_t>(y) * 11 + x]; };

    const std::vector<ObjectPoint> one{{4, 0}};
    at(7, 5) = 91.0f;  // the point's bin: its box holds 91 + 8
    at(3, 5) = 91.0f;  // the twin's
    HologramFigures f = MeasureFigures(r, one, g);
    EXPECT_DOUBLE_EQ(f.uniformity, 0.0);
    // Signal and twin: 2 x 9 bins (none shared) holding 2 x 99 of 120 + 180.
    EXPECT_DOUBLE_EQ(f.efficiency, 198.0 / 300.0);
    EXPECT_DOUBLE_EQ(f.fidelity, FidelityFigure(r, one, g));

    const std::vector<ObjectPoint> two{{4, 0}, {0, 4}};
    at(5, 7) = 11.0f;  // the second point's box holds 11 + 8 = 19, the first's 99
    at(5, 3) = 11.0f;
    f = MeasureFigures(r, two, g);
    EXPECT_DOUBLE_EQ(f.uniformity, 40.0 / 59.0);  // standard deviation 40, mean 59
    // The boxes share the bins (6, 6) and (4, 4) with the other's twin: 32 bins.
    EXPECT_DOUBLE_EQ(f.efficiency, (90.0 + 90.0 + 10.0 + 10.0 + 32.0) / (120.0 + 180.0 + 20.0));

    EXPECT_TRUE(std::isnan(MeasureFigures(r, {}, g).uniformity));
}

}  // namespace
}  // namespace marbleck
