#include "engine/reconstruction/ComplexFarField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "engine/core/HologramField.h"
#include "engine/phase/PhaseFigures.h"

using namespace marbleck;

namespace {

// t at (u, v) of a field of columns x rows, column by column.
std::vector<std::complex<float>> FieldOf(int columns, int rows, auto value) {
    std::vector<std::complex<float>> t;
    for (int u = 0; u < columns; ++u)
        for (int v = 0; v < rows; ++v) t.push_back(value(u, v));
    return t;
}

// |Σ t e^(−2πi(kx u / columns + ky v / rows))|², summed directly in 64-bit.
double DirectIntensity(const std::vector<std::complex<float>>& t, int columns, int rows, int kx, int ky) {
    std::complex<double> sum = 0;
    for (int u = 0; u < columns; ++u)
        for (int v = 0; v < rows; ++v) {
            const double angle = -2 * std::numbers::pi * (double(kx) * u / columns + double(ky) * v / rows);
            sum += std::complex<double>(t[static_cast<std::size_t>(u * rows + v)]) * std::polar(1.0, angle);
        }
    return std::norm(sum);
}

}  // namespace

TEST(ComplexFarField, EveryBinIsTheTransformsCentred) {
    const int columns = 6, rows = 5;
    // Amplitude and phase both vary, so neither a phase-only nor a real
    // reconstruction would give these bins.
    const auto t = FieldOf(columns, rows, [](int u, int v) {
        return std::polar(0.2f + 0.1f * static_cast<float>((u * 3 + v) % 5),
                          0.7f * static_cast<float>(u * v));
    });
    const Reconstruction r = ReconstructComplex(t, columns, rows, {.removeZeroOrder = false});
    ASSERT_EQ(r.columns, columns);
    ASSERT_EQ(r.rows, rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const double expected = DirectIntensity(t, columns, rows, x - r.centreX(), y - r.centreY());
            EXPECT_NEAR(r.at(x, y), expected, 1e-4 * (1 + expected)) << x << ", " << y;
        }
    EXPECT_NEAR(r.zeroOrder, DirectIntensity(t, columns, rows, 0, 0), 1e-4);
    const Reconstruction removed = ReconstructComplex(t, columns, rows);
    EXPECT_NEAR(removed.at(r.centreX(), r.centreY()), 0.0, 1e-6);
    EXPECT_NEAR(removed.at(0, 1), r.at(0, 1), 1e-4 * (1 + r.at(0, 1)));
}

TEST(ComplexFarField, PhaseOnlyFieldIsThePhaseHologramsFarField) {
    const int columns = 8, rows = 7;
    HologramField phase(columns, rows);
    for (int u = 0; u < columns; ++u)
        for (int v = 0; v < rows; ++v)
            phase.column(u)[v] = std::fmod(0.9f * static_cast<float>(u * u + 2 * v), 6.28f);
    const auto t = FieldOf(columns, rows, [&](int u, int v) { return std::polar(1.0f, phase.column(u)[v]); });
    const Reconstruction expected = ReconstructPhase(phase, columns, rows);
    const Reconstruction r = ReconstructComplex(t, columns, rows);
    EXPECT_EQ(r.intensity, expected.intensity);
    EXPECT_EQ(r.zeroOrder, expected.zeroOrder);
}

TEST(ComplexFarField, WrongSizeOrEmptyField) {
    const std::vector<std::complex<float>> t(11);
    EXPECT_THROW(ReconstructComplex(t, 3, 4), std::invalid_argument);
    EXPECT_TRUE(ReconstructComplex({}, 0, 4).intensity.empty());
}
