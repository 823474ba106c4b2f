#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "engine/core/Cancellation.h"
#include "engine/scenes/SpotRefinement.h"

namespace marbleck {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Wavelength = 633e-9;
constexpr double Pitch = 8e-6;

// 5 × 5 spots 150 µm apart at 6, 10 and 14 cm, each depth's grid moved by a
// third of that, so that the spots of different depths lie apart by more
// than a 256-pixel plane resolves.
std::vector<Spot> GridOfSpots() {
    std::vector<Spot> spots;
    for (int d = 0; d < 3; ++d)
        for (int i = -2; i <= 2; ++i)
            for (int j = -2; j <= 2; ++j)
                spots.push_back(Spot{i * 150e-6 + d * 50e-6, j * 150e-6 - d * 50e-6, 0.06 + 0.04 * d, 1});
    return spots;
}

SpotRequest Request(int columns, int rows, std::vector<Spot> spots, int iterations) {
    return SpotRequest{ScenePlane{columns, rows, Pitch}, Wavelength, std::move(spots), iterations};
}

// Vⱼ of a phase, summed pixel by pixel in 64-bit with the Fresnel distance.
std::complex<double> DirectField(const HologramField& phase, const ScenePlane& plane, const Spot& s) {
    const double k = 2 * Pi / Wavelength;
    std::complex<double> sum = 0;
    for (int c = 0; c < plane.columns; ++c)
        for (int r = 0; r < plane.rows; ++r) {
            const double dx = plane.x(c) - s.x, dy = plane.y(r) - s.y;
            sum += std::polar(1.0, phase(c, r) - k * s.z - k * (dx * dx + dy * dy) / (2 * s.z));
        }
    return sum / static_cast<double>(plane.size());
}

TEST(SpotRefinement, GridAtThreeDepthsBecomesUniform) {
    const SpotRequest request = Request(256, 256, GridOfSpots(), 30);
    const SpotHologram h = RefineSpots(request);
    ASSERT_EQ(h.history.size(), 31u);
    ASSERT_EQ(h.figures.depths.size(), 3u);
    std::printf("start: uniformity %.4f efficiency %.4f; after 30: uniformity %.4f efficiency %.4f\n",
                h.history.front().uniformity, h.history.front().efficiency, h.figures.overall.uniformity,
                h.figures.overall.efficiency);
    EXPECT_GE(h.figures.overall.uniformity, 0.97);
    EXPECT_GT(h.figures.overall.uniformity, h.history.front().uniformity);
    EXPECT_GT(h.figures.overall.efficiency, 0.5);
    double efficiency = 0;
    for (const SpotGroupFigures& depth : h.figures.depths) {
        EXPECT_EQ(depth.spots, 25);
        EXPECT_GE(depth.uniformity, h.figures.overall.uniformity);
        efficiency += depth.efficiency;
    }
    EXPECT_NEAR(efficiency, h.figures.overall.efficiency, 1e-12);
    EXPECT_EQ(h.figures.depths[0].z, 0.06);
    EXPECT_EQ(h.figures.depths[2].z, 0.14);
    // The fields the figures come from are those of the phase returned,
    // summed directly pixel by pixel.
    for (std::size_t j : {0u, 37u, 74u}) {
        const std::complex<double> direct = DirectField(h.phase, request.plane, request.spots[j]);
        EXPECT_LT(std::abs(direct - h.spotFields[j]), 2e-4 * std::abs(direct)) << j;
    }
}

// Spots asking for 1 to 4 parts of the light get them.
TEST(SpotRefinement, TargetIntensitiesAreMet) {
    std::vector<Spot> spots = {
        {-200e-6, 0, 0.08, 1}, {150e-6, 90e-6, 0.08, 2}, {0, -160e-6, 0.12, 3}, {100e-6, 200e-6, 0.12, 4}};
    const SpotHologram h = RefineSpots(Request(128, 96, spots, 30));
    EXPECT_GE(h.figures.overall.uniformity, 0.97);
    const double first = std::norm(h.spotFields[0]);
    for (std::size_t j = 1; j < spots.size(); ++j)
        EXPECT_NEAR(std::norm(h.spotFields[j]) / first, spots[j].intensity, 0.06 * spots[j].intensity) << j;
}

class SingleSpot : public testing::TestWithParam<Spot> {};

// One spot's phase is a lens of focal length z centred on the spot:
// π((x − xⱼ)² + (y − yⱼ)²)/(λz), a lens and a tilt, up to a constant; all the
// light reaches it.
TEST_P(SingleSpot, PhaseIsLensAndTilt) {
    const Spot s = GetParam();
    for (int iterations : {0, 3}) {
        const SpotRequest request = Request(48, 36, {s}, iterations);
        const SpotHologram h = RefineSpots(request);
        const ScenePlane& p = request.plane;
        const auto offset = [&](int c, int r) {
            const double dx = p.x(c) - s.x, dy = p.y(r) - s.y;
            return h.phase(c, r) - Pi * (dx * dx + dy * dy) / (Wavelength * s.z);
        };
        const double constant = offset(0, 0);
        for (int c = 0; c < p.columns; ++c)
            for (int r = 0; r < p.rows; ++r) {
                ASSERT_TRUE(h.phase(c, r) >= 0 && h.phase(c, r) < 2 * Pi);
                ASSERT_LT(std::abs(std::remainder(offset(c, r) - constant, 2 * Pi)), 1e-4) << c << ", " << r;
            }
        EXPECT_NEAR(h.figures.overall.efficiency, 1, 1e-5);
        EXPECT_EQ(h.figures.overall.uniformity, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(SpotRefinement, SingleSpot,
                         testing::Values(Spot{0, 0, 0.1, 1}, Spot{150e-6, -80e-6, 0.05, 1},
                                         Spot{-300e-6, 200e-6, 0.2, 7}));

TEST(SpotRefinement, SameResultOnOneAndTwoThreads) {
    const SpotRequest request = Request(96, 80, GridOfSpots(), 4);
    ExecutionContext one, two;
    one.threads = 1;
    two.threads = 2;
    const SpotHologram a = RefineSpots(request, one);
    const SpotHologram b = RefineSpots(request, two);
    EXPECT_EQ(a.phase, b.phase);
    EXPECT_EQ(a.spotFields, b.spotFields);
    EXPECT_EQ(a.weights, b.weights);
    EXPECT_EQ(a.figures.overall.uniformity, b.figures.overall.uniformity);
    EXPECT_EQ(a.figures.overall.efficiency, b.figures.overall.efficiency);
}

TEST(SpotRefinement, CancelStopsIt) {
    const SpotRequest request = Request(128, 128, GridOfSpots(), 30);
    for (int threads : {1, 2}) {
        CancelFlag cancel{false};
        std::vector<double> fractions;
        ExecutionContext context;
        context.threads = threads;
        context.cancelFlag = &cancel;
        context.progress = [&](double fraction) {
            fractions.push_back(fraction);
            if (fractions.size() == 2) cancel = true;
        };
        EXPECT_THROW(RefineSpots(request, context), CalculationCancelled);
        ASSERT_EQ(fractions.size(), 2u);
        EXPECT_DOUBLE_EQ(fractions[0], 1.0 / 30);

        // Asked on the calling thread only.
        ExecutionContext asked;
        asked.threads = threads;
        int questions = 0;
        asked.cancelRequested = [&] { return ++questions > 3; };
        EXPECT_THROW(RefineSpots(request, asked), CalculationCancelled);
        EXPECT_EQ(questions, 4);
    }
}

TEST(SpotRefinement, RefusesRequestsItCannotRun) {
    const std::vector<std::function<void(SpotRequest&)>> spoil = {
        [](SpotRequest& r) { r.plane.columns = 0; },
        [](SpotRequest& r) { r.plane.pitch = 0; },
        [](SpotRequest& r) { r.wavelength = -1; },
        [](SpotRequest& r) { r.wavelength = std::nan(""); },
        [](SpotRequest& r) { r.spots.clear(); },
        [](SpotRequest& r) {
            r.spots.assign(MaxSpots + 1, Spot{0, 0, 0.1, 1});
        },
        [](SpotRequest& r) { r.spots[1].z = 0; },
        [](SpotRequest& r) { r.spots[1].x = INFINITY; },
        [](SpotRequest& r) { r.spots[1].intensity = 0; },
        [](SpotRequest& r) { r.iterations = -1; },
        [](SpotRequest& r) { r.iterations = MaxSpotIterations + 1; },
        [](SpotRequest& r) {
            r.plane = ScenePlane{1 << 16, 1, Pitch};
            r.spots.assign(300, Spot{0, 0, 0.1, 1});
        },
    };
    for (std::size_t i = 0; i < spoil.size(); ++i) {
        SpotRequest request = Request(16, 16, {{0, 0, 0.1, 1}, {1e-4, 0, 0.2, 1}}, 2);
        EXPECT_NO_THROW(CheckSpotRequest(request));
        spoil[i](request);
        EXPECT_THROW(RefineSpots(request), std::invalid_argument) << i;
    }
}

}  // namespace
}  // namespace marbleck
