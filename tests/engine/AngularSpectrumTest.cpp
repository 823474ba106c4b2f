#include "engine/scenes/AngularSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

#include "CaseName.h"
#include "SceneFields.h"
#include "engine/core/Cancellation.h"

namespace marbleck {
namespace {

using test::Energy;
using test::GaussianBeam;
using test::RelativeDifference;

constexpr double Red = 633e-9;

struct TransferCase {
    std::string name;
    int columns, rows;
    double pitch, distance, wavelength;
};

class TransferFunction : public ::testing::TestWithParam<TransferCase> {};

// Every value of H on the padded spectrum (its wrapped frequencies, the
// mirrored half included) against exp(i·2π·z·√(1/λ² − f²)) formed in long
// double, zero exactly outside the band limit and where the wave is
// evanescent.
TEST_P(TransferFunction, CutsTheBandAndKeepsThePhase) {
    const TransferCase c = GetParam();
    const AngularSpectrum spectrum({c.columns, c.rows, c.pitch}, c.wavelength);
    const auto h = spectrum.transfer(c.distance);
    const int width = spectrum.paddedColumns();
    const int height = spectrum.paddedRows();
    const double limitU = BandLimit(width * c.pitch, c.distance, c.wavelength);
    const double limitV = BandLimit(height * c.pitch, c.distance, c.wavelength);
    int kept = 0, cut = 0;
    double worst = 0;
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u) {
            const long double fx = (u < width / 2 ? u : u - width) / (width * c.pitch);
            const long double fy = (v < height / 2 ? v : v - height) / (height * c.pitch);
            const long double left = 1.0L / (c.wavelength * c.wavelength) - fx * fx - fy * fy;
            const std::complex<double> got = std::complex<double>(h.at(u, v)) * (1.0 * width * height);
            if (std::abs(fx) > limitU || std::abs(fy) > limitV || left <= 0) {
                EXPECT_EQ(got, std::complex<double>()) << "u " << u << " v " << v;
                ++cut;
                continue;
            }
            ++kept;
            const long double phase =
                std::fmod(2 * std::numbers::pi_v<long double> * c.distance * std::sqrt(left),
                          2 * std::numbers::pi_v<long double>);
            const std::complex<double> expected = std::polar(1.0, static_cast<double>(phase));
            worst = std::max(worst, std::abs(got - expected));
        }
    EXPECT_LT(worst, 2e-6);
    EXPECT_GT(kept, 0);
    EXPECT_GT(cut, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TransferFunction,
                         ::testing::Values(
                             // Far enough that the band limit cuts both axes, 10⁶ rad on the axis.
                             TransferCase{"FarCutsBoth", 40, 24, 8e-6, 0.5, Red},
                             TransferCase{"BackwardsCutsBoth", 33, 17, 8e-6, -0.3, Red},
                             // A pitch below λ/2: the corners are evanescent, no band limit near.
                             TransferCase{"EvanescentCorners", 16, 16, 0.25e-6, 1e-6, Red},
                             TransferCase{"WideCutsOneAxis", 64, 8, 4e-6, 0.02, 450e-9}),
                         [](const auto& info) { return info.param.name; });

// A Gaussian beam that stays well inside the plane, taken by z and back by
// −z (on one thread and on two): it comes back, and its energy stays.
TEST(AngularSpectrum, ThereAndBackGivesTheFieldAndKeepsItsEnergy) {
    const ScenePlane plane{160, 128, 8e-6};
    const SceneField beam = GaussianBeam(plane, 60e-6, 40e-6, -24e-6, 3000, -5000);
    for (int threads : {1, 2}) {
        ExecutionContext context;
        context.threads = threads;
        const SceneField there = Propagate(beam, 0.01, Red, context);
        EXPECT_NEAR(Energy(there) / Energy(beam), 1.0, 1e-4) << threads << " threads";
        EXPECT_GT(RelativeDifference(there, beam), 0.5) << "the beam should have changed";
        const SceneField back = Propagate(there, -0.01, Red, context);
        EXPECT_LT(RelativeDifference(back, beam), 1e-4) << threads << " threads";
    }
}

// A tilted plane wave over a wide plane only turns by 2π·z·√(1/λ² − f²) away
// from the edges, whose diffraction reaches in within the band's angle.
TEST(AngularSpectrum, PlaneWaveOnlyTurns) {
    const ScenePlane plane{256, 192, 8e-6};
    const double fx = 20 / (2 * 256 * 8e-6);
    const double fy = -12 / (2 * 192 * 8e-6);
    const double z = 2e-3;
    SceneField wave = GaussianBeam(plane, 1e9, 0, 0, fx, fy);
    const SceneField moved = Propagate(wave, z, Red);
    const double turn = std::fmod(2 * std::numbers::pi * z * std::sqrt(1 / (Red * Red) - fx * fx - fy * fy),
                                  2 * std::numbers::pi);
    double worst = 0;
    const int margin = 64;
    for (int r = margin; r < plane.rows - margin; ++r)
        for (int c = margin; c < plane.columns - margin; ++c) {
            const auto expected = std::complex<double>(wave.row(r)[c]) * std::polar(1.0, turn);
            worst = std::max(worst, std::abs(std::complex<double>(moved.row(r)[c]) - expected));
        }
    EXPECT_LT(worst, 2e-2);
}

// A narrow band of frequencies at half the band limit is kept (its beam
// lands beside where it started), one at 1.5 times the limit is taken away.
TEST(AngularSpectrum, BandLimitTakesAwayWhatTheWindowCannotHold) {
    const ScenePlane plane{128, 128, 8e-6};
    const double z = 0.05;
    const double limit = BandLimit(256 * 8e-6, z, Red);
    ASSERT_LT(1.5 * limit, 1 / (2 * 8e-6)) << "the cut should lie below the highest frequency";
    for (double share : {0.5, 1.5}) {
        const double f = share * limit;
        // Where kept, the beam moves by z·λ·f: it starts as far the other way.
        const double shift = share < 1 ? z * Red * f : 0;
        const SceneField beam = GaussianBeam(plane, 150e-6, -shift / 2, 0, f, 0);
        const double kept = Energy(Propagate(beam, z, Red)) / Energy(beam);
        if (share < 1)
            EXPECT_GT(kept, 0.98) << share;
        else
            EXPECT_LT(kept, 1e-3) << share;
    }
}

TEST(AngularSpectrum, CancelStopsIt) {
    CancelFlag cancel{true};
    ExecutionContext context;
    context.cancelFlag = &cancel;
    const ScenePlane plane{128, 128, 8e-6};
    EXPECT_THROW(Propagate(SceneField(plane), 0.01, Red, context), CalculationCancelled);
}

TEST(AngularSpectrum, RefusesWhatItCannotPropagate) {
    const ScenePlane plane{8, 8, 8e-6};
    EXPECT_THROW(AngularSpectrum(plane, 0), std::invalid_argument);
    EXPECT_THROW(AngularSpectrum({8, 8, 0}, Red), std::invalid_argument);
    EXPECT_THROW(AngularSpectrum({0, 8, 8e-6}, Red), std::invalid_argument);
    EXPECT_THROW(Propagate(SceneField(plane), std::nan(""), Red), std::invalid_argument);
    SceneField shortField(plane);
    shortField.values.pop_back();
    EXPECT_THROW(Propagate(shortField, 0.01, Red), std::invalid_argument);
}

}  // namespace
}  // namespace marbleck
