#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/phase/PanelMap.h"
#include "engine/scenes/FieldEncoding.h"

namespace marbleck {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Wavelength = 633e-9;
constexpr double Pitch = 8e-6;

using Value = std::function<std::complex<double>(const ScenePlane&, int c, int r)>;

SceneField FieldOf(int columns, int rows, const Value& value) {
    SceneField field(ScenePlane{columns, rows, Pitch});
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) field.row(r)[c] = std::complex<float>(value(field.plane, c, r));
    return field;
}

// How far apart two phases are on the circle.
double PhaseDistance(double a, double b) {
    const double d = std::remainder(a - b, 2 * Pi);
    return std::abs(d);
}

TEST(FieldEncoding, NamesFindTheirEncoding) {
    for (std::string_view name : FieldEncodingNames()) {
        const auto found = FindFieldEncoding(name);
        ASSERT_TRUE(found.has_value()) << name;
        EXPECT_EQ(FieldEncodingName(*found), name);
    }
    EXPECT_EQ(FindFieldEncoding("double-phase"), FieldEncoding::DoublePhase);
    EXPECT_FALSE(FindFieldEncoding("Phase").has_value());
    EXPECT_FALSE(FindFieldEncoding("").has_value());
}

// A tilted, curved wave: its phase, put on the panel with the tilt and the
// lens that undo it, leaves the panel flat, as a kinoform's would.
TEST(FieldEncoding, PhaseFeedsThePanelMapUnchanged) {
    const double tiltX = 0.07, tiltY = -0.11, focal = 0.25;
    const SceneField field = FieldOf(40, 30, [&](const ScenePlane& p, int c, int r) {
        const double rho2 = p.x(c) * p.x(c) + p.y(r) * p.y(r);
        return 0.3 *
               std::polar(1.0, Pi * rho2 / (Wavelength * focal) - 2 * Pi * (tiltX * c + tiltY * r) + 1.0);
    });
    const HologramField phase = PhaseOfField(field);
    ASSERT_EQ(phase.columns(), 40);
    ASSERT_EQ(phase.rows(), 30);
    for (float phi : phase.values()) ASSERT_TRUE(phi >= 0 && phi < 2 * Pi);
    // Column c, row r of the field is (c, r) of the phase.
    EXPECT_NEAR(PhaseDistance(phase(5, 3), std::arg(std::complex<double>(field.row(3)[5]))), 0, 1e-6);

    PanelSettings panel;
    panel.tiltX = tiltX;
    panel.tiltY = tiltY;
    panel.lens = LensTerm{focal, Wavelength * 1e9, Pitch * 1e6};
    const PhaseHologram hologram = PhaseHologramOfField(phase);
    EXPECT_EQ(hologram.greyLevels.size(), phase.values().size());
    const PanelMap map = MapToPanel(hologram, panel);
    for (float phi : map.phase.values()) ASSERT_LT(PhaseDistance(phi, 1.0), 2e-4);
}

struct AmplitudeCase {
    const char* name;
    double fieldSinX;             // the object wave's own tilt
    double expectedCosineFactor;  // I = 2 + 2 cos(factor · ψ), ψ the reference's phase
};

class AmplitudeEncoding : public testing::TestWithParam<AmplitudeCase> {};

// A plane object wave against the default reference: the fringes are
// cos((1 − s/s₀)ψ), s the wave's sine and s₀ the reference's.
TEST_P(AmplitudeEncoding, PlaneWaveFringes) {
    const AmplitudeCase& t = GetParam();
    const ReferenceWave reference = DefaultReferenceWave(Wavelength, Pitch);
    EXPECT_DOUBLE_EQ(reference.sinX, Wavelength / (4 * Pitch));
    const SceneField field = FieldOf(15, 5, [&](const ScenePlane& p, int c, int) {
        return std::polar(2.5, 2 * Pi * t.fieldSinX * p.x(c) / Wavelength);
    });
    const HologramField encoded = AmplitudeOfField(field, Wavelength, reference);
    ASSERT_EQ(encoded.columns(), 15);
    std::vector<double> expected(15);
    for (int c = 0; c < 15; ++c) {
        const double psi = 2 * Pi * reference.sinX * field.plane.x(c) / Wavelength;
        expected[static_cast<std::size_t>(c)] = 2 + 2 * std::cos(t.expectedCosineFactor * psi);
    }
    const auto [low, high] = std::minmax_element(expected.begin(), expected.end());
    for (int c = 0; c < 15; ++c)
        for (int r = 0; r < 5; ++r) {
            const double want =
                *high - *low > 1e-9 ? (expected[static_cast<std::size_t>(c)] - *low) / (*high - *low) : 0;
            ASSERT_NEAR(encoded(c, r), want, 1e-5) << c << ", " << r;
        }
}

INSTANTIATE_TEST_SUITE_P(FieldEncoding, AmplitudeEncoding,
                         testing::Values(AmplitudeCase{"onAxis", 0, 1},
                                         AmplitudeCase{"half", Wavelength / (8 * Pitch), 0.5},
                                         AmplitudeCase{"opposite", -Wavelength / (4 * Pitch), 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// The amplitude encoding is a field the balanced threshold takes as the
// amplitude kind's: half of its values become white.
TEST(FieldEncoding, AmplitudeBinarizesBalanced) {
    const SceneField field = FieldOf(64, 48, [](const ScenePlane& p, int c, int r) {
        const double rho2 = p.x(c) * p.x(c) + p.y(r) * p.y(r);
        return std::polar(1.0 + 0.1 * c, Pi * rho2 / (Wavelength * 0.05));
    });
    HologramField encoded = AmplitudeOfField(field, Wavelength, DefaultReferenceWave(Wavelength, Pitch));
    const HologramGeometry geometry = GeometryOfPlane(field.plane);
    EXPECT_EQ(geometry.columns, 64);
    EXPECT_EQ(geometry.rows, 48);
    EXPECT_EQ(geometry.fieldColumns, 64);
    EXPECT_EQ(geometry.fieldRows, 48);
    const auto [low, high] = std::minmax_element(encoded.values().begin(), encoded.values().end());
    EXPECT_EQ(*low, 0.0f);
    EXPECT_EQ(*high, 1.0f);
    const double threshold = MedianThreshold(encoded, geometry.columns, geometry.rows);
    std::vector<std::uint8_t> grey;
    Binarize(encoded, threshold, grey);
    EXPECT_EQ(std::count(grey.begin(), grey.end(), 255), 64 * 48 / 2);
}

TEST(FieldEncoding, DoublePhaseOfSingleValues) {
    // One value of the largest magnitude, the others below it and one 0.
    const std::vector<std::complex<double>> values = {std::polar(2.0, 0.4),  std::polar(1.0, -1.2),
                                                      std::polar(0.5, 3.0),  0.0,
                                                      std::polar(2.0, -2.5), std::polar(1.5, 0.0)};
    const SceneField field =
        FieldOf(3, 2, [&](const ScenePlane&, int c, int r) { return values[r * 3 + c]; });
    const HologramField phase = DoublePhaseOfField(field);
    double largest = 0;
    for (std::complex<float> u : field.values) largest = std::max(largest, std::abs(std::complex<double>(u)));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            // As stored: the field's values are 32-bit.
            const std::complex<double> u(field.row(r)[c]);
            const double spread = std::acos(std::abs(u) / largest);
            const double want = std::arg(u) + ((r + c) % 2 == 0 ? spread : -spread);
            EXPECT_LT(PhaseDistance(phase(c, r), want), 1e-6) << c << ", " << r;
            EXPECT_TRUE(phase(c, r) >= 0 && phase(c, r) < 2 * Pi);
        }
}

// [1 2 1]/4 along both axes: it takes the checkerboard's frequency away.
std::vector<std::complex<double>> LowPass(const std::vector<std::complex<double>>& v, int columns, int rows) {
    std::vector<std::complex<double>> out(v.size());
    for (int r = 1; r + 1 < rows; ++r)
        for (int c = 1; c + 1 < columns; ++c) {
            std::complex<double> sum = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc)
                    sum += v[static_cast<std::size_t>((r + dr) * columns + c + dc)] *
                           double((2 - std::abs(dr)) * (2 - std::abs(dc)));
            out[static_cast<std::size_t>(r * columns + c)] = sum / 16.0;
        }
    return out;
}

// A smooth beam (Gaussian amplitude, curved phase): the low-pass filtered
// transmittance of its double-phase coding is the beam over its largest
// value; that of its phase alone is not.
TEST(FieldEncoding, DoublePhaseLowPassGivesTheField) {
    const int columns = 96, rows = 80;
    const SceneField field = FieldOf(columns, rows, [](const ScenePlane& p, int c, int r) {
        const double rho2 = p.x(c) * p.x(c) + p.y(r) * p.y(r);
        const double w = 30 * Pitch;
        return 3.0 * std::polar(std::exp(-rho2 / (w * w)), Pi * rho2 / (Wavelength * 0.5) + 0.2 * c);
    });
    const auto transmitted = [&](const HologramField& phase) {
        std::vector<std::complex<double>> t(field.values.size());
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                t[static_cast<std::size_t>(r * columns + c)] = std::polar(1.0, double(phase(c, r)));
        return LowPass(t, columns, rows);
    };
    std::vector<std::complex<double>> target(field.values.size());
    for (std::size_t i = 0; i < target.size(); ++i) target[i] = std::complex<double>(field.values[i]) / 3.0;
    target = LowPass(target, columns, rows);
    const auto worst = [&](const std::vector<std::complex<double>>& got) {
        double w = 0;
        for (std::size_t i = 0; i < got.size(); ++i) w = std::max(w, std::abs(got[i] - target[i]));
        return w;
    };
    EXPECT_LT(worst(transmitted(DoublePhaseOfField(field))), 0.03);
    EXPECT_GT(worst(transmitted(PhaseOfField(field))), 0.5);
}

TEST(FieldEncoding, RefusesWhatItCannotEncode) {
    const SceneField good =
        FieldOf(8, 4, [](const ScenePlane&, int c, int) { return std::complex<double>(c, 1); });
    SceneField notNumber = good;
    notNumber.values[5] = {std::nanf(""), 0};
    SceneField short_ = good;
    short_.values.pop_back();
    for (const SceneField* bad : {&notNumber, &short_}) {
        EXPECT_THROW(PhaseOfField(*bad), std::invalid_argument);
        EXPECT_THROW(DoublePhaseOfField(*bad), std::invalid_argument);
        EXPECT_THROW(AmplitudeOfField(*bad, Wavelength, ReferenceWave{}), std::invalid_argument);
    }
    const double limit = Wavelength / (2 * Pitch);
    EXPECT_NO_THROW(AmplitudeOfField(good, Wavelength, ReferenceWave{limit, -limit, 1}));
    for (const ReferenceWave& bad : {ReferenceWave{limit * 1.01, 0, 1}, ReferenceWave{0, -limit * 1.01, 1},
                                     ReferenceWave{0, 0, 0}, ReferenceWave{std::nan(""), 0, 1}})
        EXPECT_THROW(AmplitudeOfField(good, Wavelength, bad), std::invalid_argument);
    EXPECT_THROW(AmplitudeOfField(good, 0, ReferenceWave{}), std::invalid_argument);
    HologramField outside(2, 2);
    outside(1, 1) = static_cast<float>(2 * Pi);
    EXPECT_THROW(PhaseHologramOfField(outside), std::invalid_argument);
}

}  // namespace
}  // namespace marbleck
