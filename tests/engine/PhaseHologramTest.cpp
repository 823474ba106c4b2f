#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "HologramCases.h"

namespace marbleck {
namespace {

constexpr double TwoPi = 2.0 * std::numbers::pi;

HologramRequest RequestOf(float size, double reps, std::vector<ObjectPoint> points, bool randomPhase = false,
                          std::string engine = "exact") {
    HologramRequest request;
    request.object = {size, size, std::move(points)};
    request.reps = reps;
    request.engine = std::move(engine);
    request.randomPhase = randomPhase;
    request.seed = 7;
    return request;
}

// The distance between two angles round the circle.
double AngleBetween(double a, double b) {
    const double d = std::fmod(std::abs(a - b), TwoPi);
    return std::min(d, TwoPi - d);
}

// The bin of a reconstruction's brightest value, as an offset from its centre.
BinOffset Brightest(const Reconstruction& r) {
    const auto at =
        static_cast<int>(std::max_element(r.intensity.begin(), r.intensity.end()) - r.intensity.begin());
    return {at % r.columns - r.centreX(), at / r.columns - r.centreY()};
}

// A phase hologram of the given values, columns x rows, for the panel's map.
PhaseHologram Uniform(int columns, int rows, float phase) {
    PhaseHologram h;
    h.phase = HologramField(columns, rows);
    std::fill(h.phase.values().begin(), h.phase.values().end(), phase);
    return h;
}

PanelSettings PanelOf(int width, int height, PanelFill fill = PanelFill::Tile) {
    PanelSettings panel;
    panel.width = width;
    panel.height = height;
    panel.fill = fill;
    return panel;
}

TEST(Kinoform, OfOnePointIsItsPhaseRamp) {
    for (const char* engine : {"exact", "fast"}) {
        const PhaseHologram h = MakeKinoform(RequestOf(40, 1.5, {{7, 30}}, true, engine));
        const HologramGeometry& g = h.geometry;
        ASSERT_EQ(h.phase.columns(), g.columns);
        ASSERT_EQ(h.phase.rows(), g.rows);
        const double ax = PointAngle(7, g.W), ay = PointAngle(30, g.H);
        double worst = 0;
        for (int u = 0; u < g.columns; ++u)
            for (int v = 0; v < g.rows; ++v) {
                const double phi = h.phase(u, v);
                ASSERT_TRUE(phi >= 0 && phi < TwoPi);
                worst = std::max(worst, AngleBetween(phi, u * ax + v * ay + h.phases[0]));
            }
        EXPECT_LT(worst, 2e-5) << engine;
        // The view's levels are the phase over 2π as 0 .. 255.
        for (std::size_t i = 0; i < h.greyLevels.size(); i += 97)
            EXPECT_EQ(h.greyLevels[i], std::lround(h.phase.values()[i] / TwoPi * 255)) << i;
    }
}

TEST(Kinoform, KeepsTheObjectsImageWithoutTwinAndRejectsBadBrightness) {
    const auto letter = cases::ThinLetterF(100);
    const PhaseHologram h = MakeKinoform(RequestOf(100, 2, letter));
    // The unrefined kinoform already puts most light on the letter; a real
    // hologram's light splits between the image and its twin.
    EXPECT_GT(h.figures.efficiency, 0.7);
    EXPECT_GT(h.figures.fidelity, 100);
    EXPECT_EQ(h.figures.efficiency, MeasurePhaseFigures(h.phase, h.litSamples, h.geometry).efficiency);
    EXPECT_THROW(MakeKinoform(RequestOf(100, 2, letter), {1.0f, 2.0f}), std::invalid_argument);
    EXPECT_THROW(MakeKinoform(RequestOf(10, 1, {{1, 1}}), {-1.0f}), std::invalid_argument);
}

TEST(PhaseFiguresTest, ByHand) {
    // Points at x = 0 and x = 4 of 5 at reps 4 land on bins 0 and 10 of 20.
    // A phase of 0 on even columns and θ on odd ones puts (1 + e^iθ)/2 of
    // the amplitude on bin 0 and (1 − e^iθ)/2 on bin 10, nothing elsewhere:
    // intensities 3 : 1 for θ = π/3.
    const HologramGeometry g = MakeHologramGeometry(5, 5, 4);
    ASSERT_EQ(g.columns, 20);
    const std::vector<ObjectPoint> points{{0, 0}, {4, 0}};
    HologramField phase(g.columns, g.rows);
    for (int u = 1; u < g.columns; u += 2)
        for (int v = 0; v < g.rows; ++v) phase(u, v) = static_cast<float>(std::numbers::pi / 3);
    const PhaseFigures f = MeasurePhaseFigures(phase, points, g);
    EXPECT_NEAR(f.efficiency, 1.0, 1e-6);
    EXPECT_NEAR(f.uniformity, 0.5, 1e-5);
    EXPECT_NEAR(f.spread, 0.5, 1e-5);
    EXPECT_EQ(f.fidelity, std::numeric_limits<double>::infinity());
    const Reconstruction r = ReconstructPhase(phase, g.columns, g.rows, {.removeZeroOrder = false});
    EXPECT_NEAR(r.zeroOrder, 400.0 * 400.0 * 3 / 4, 1);
    EXPECT_NEAR(r.intensity[WrappedBin(r, r.centreX() + 10, r.centreY())], 400.0 * 400.0 / 4, 1);
    // One point alone: one even spot.
    const PhaseHologram one = MakeKinoform(RequestOf(20, 2, {{5, 5}}));
    EXPECT_DOUBLE_EQ(one.figures.uniformity, 1.0);
    EXPECT_DOUBLE_EQ(one.figures.spread, 0.0);
    EXPECT_GT(one.figures.efficiency, 0.8);
    EXPECT_LE(one.figures.efficiency, 1.0);
}

struct RefineCase {
    const char* name;
    std::vector<ObjectPoint> points;
    bool randomPhase;
    RefinementMethod method;
};

class Refinement : public testing::TestWithParam<RefineCase> {};

TEST_P(Refinement, RaisesTheEfficiencyAndRecordsIt) {
    const RefineCase& c = GetParam();
    PhaseHologram h = MakeKinoform(RequestOf(100, 2, c.points, c.randomPhase));
    const PhaseFigures start = h.figures;
    std::vector<double> progress;
    ExecutionContext control;
    control.progress = [&](double f) { progress.push_back(f); };
    RefinePhaseHologram(h, {.method = c.method, .iterations = 30}, control);
    ASSERT_TRUE(h.refinement);
    const RefinementRecord& record = *h.refinement;
    std::printf("%s: efficiency %.3f -> %.3f, uniformity %.3f -> %.3f, fidelity %.0f -> %.0f\n", c.name,
                start.efficiency, record.end.efficiency, start.uniformity, record.end.uniformity,
                start.fidelity, record.end.fidelity);
    EXPECT_EQ(record.start.efficiency, start.efficiency);
    EXPECT_EQ(record.end.efficiency, h.figures.efficiency);
    EXPECT_EQ(record.end.efficiency, MeasurePhaseFigures(h.phase, h.litSamples, h.geometry).efficiency);
    EXPECT_EQ(record.iterations, 30);
    EXPECT_EQ(record.method, c.method);
    EXPECT_GE(record.end.efficiency, start.efficiency);
    EXPECT_GT(record.end.fidelity, start.fidelity);
    ASSERT_EQ(progress.size(), 30u);
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_EQ(h.greyLevels[123], std::lround(h.phase.values()[123] / TwoPi * 255));
    if (c.method == RefinementMethod::GerchbergSaxton) {
        EXPECT_GE(record.end.efficiency, 0.86);
    } else {
        EXPECT_GE(record.end.uniformity, start.uniformity);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refinement,
    testing::Values(RefineCase{"F gs", cases::ThinLetterF(100), false, RefinementMethod::GerchbergSaxton},
                    RefineCase{"F random gs", cases::ThinLetterF(100), true,
                               RefinementMethod::GerchbergSaxton},
                    RefineCase{"F weighted", cases::ThinLetterF(100), true, RefinementMethod::Weighted},
                    RefineCase{"grid weighted", cases::PointGrid(100, 10), true, RefinementMethod::Weighted}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(RefinementTest, WeightedEvensAGridOfPoints) {
    PhaseHologram h = MakeKinoform(RequestOf(100, 2, cases::PointGrid(100, 10), true));
    RefinePhaseHologram(h, {.method = RefinementMethod::Weighted, .iterations = 30});
    EXPECT_GE(h.figures.uniformity, 0.97);
    EXPECT_GE(h.figures.efficiency, 0.85);
}

TEST(RefinementTest, GivesEachSpotItsBrightness) {
    // Two points, the second asked four times as bright.
    PhaseHologram h = MakeKinoform(RequestOf(40, 2, {{10, 10}, {25, 30}}, true), {1.0f, 4.0f});
    RefinePhaseHologram(h, {.method = RefinementMethod::Weighted, .iterations = 30});
    const Reconstruction r = ReconstructPhase(h.phase, h.geometry.columns, h.geometry.rows);
    auto binLight = [&](ObjectPoint p) {
        const BinOffset b = ObjectBin(p, h.geometry, r.columns, r.rows);
        return r.at(r.centreX() + b.dx, r.centreY() + b.dy);
    };
    EXPECT_NEAR(binLight({25, 30}) / binLight({10, 10}), 4.0, 0.2);
}

TEST(RefinementTest, CancelLeavesTheHologramAndBadRequestsThrow) {
    PhaseHologram h = MakeKinoform(RequestOf(60, 2, cases::ThinLetterF(60)));
    const PhaseHologram before = h;
    int steps = 0;
    ExecutionContext control;
    control.cancelRequested = [&] { return ++steps > 5; };
    EXPECT_THROW(RefinePhaseHologram(h, {.iterations = 30}, control), CalculationCancelled);
    EXPECT_EQ(h.phase, before.phase);
    EXPECT_FALSE(h.refinement);
    EXPECT_THROW(RefinePhaseHologram(h, {.iterations = 0}), std::invalid_argument);
    EXPECT_THROW(RefinePhaseHologram(h, {.iterations = 3, .budgetSeconds = -1}), std::invalid_argument);
    // A tiny time limit stops after the first iteration.
    RefinePhaseHologram(h, {.iterations = 1000, .budgetSeconds = 1e-9});
    EXPECT_EQ(h.refinement->iterations, 1);
}

TEST(LookupTable, LinearAndParsed) {
    const PhaseLookupTable full = LinearLookupTable();
    EXPECT_EQ(full[0], 0);
    EXPECT_EQ(full[128], 128);  // 127.5 rounds up
    EXPECT_EQ(full[255], 254);  // 255 itself is 2π, the same as 0
    const PhaseLookupTable half = LinearLookupTable(128);
    EXPECT_EQ(half[128], 64);
    EXPECT_EQ(half[255], 128);
    EXPECT_THROW(LinearLookupTable(0), std::invalid_argument);
    EXPECT_THROW(LinearLookupTable(256), std::invalid_argument);

    std::string oneColumn = "# made by hand\r\n\r\n";
    std::string twoColumns;
    for (int k = 0; k < 256; ++k) {
        oneColumn += std::to_string(255 - k) + "\r\n";
        twoColumns += std::to_string(k) + "\t" + std::to_string(k / 2) + "\n";
    }
    EXPECT_EQ(ParseLookupTable(oneColumn)[0], 255);
    EXPECT_EQ(ParseLookupTable(oneColumn)[255], 0);
    EXPECT_EQ(ParseLookupTable(twoColumns)[201], 100);

    auto reason = [](const std::string& text) {
        try {
            ParseLookupTable(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(reason(oneColumn.substr(0, oneColumn.size() - 3)), "255 entries where 256 are needed");
    EXPECT_EQ(reason(oneColumn + "7\n"), "line 259: more than 256 entries");
    EXPECT_EQ(reason("1\n2\n300\n"), "line 3: 300 is not a grey level 0 to 255");
    EXPECT_EQ(reason("1\nx2\n"), "line 2: \"x2\" is not a whole number");
    EXPECT_EQ(reason("0 1\n2 2\n"), "line 2: index 2 where 1 was expected");
    EXPECT_EQ(reason("1.5\n"), "line 1: \"1.5\" is not a whole number");
}

TEST(Panel, LevelsGoThroughTheLookupTable) {
    PanelSettings panel;
    panel.lookup = LinearLookupTable(128);
    // π is step 128 of 256, shown at 64; just under 2π wraps to step 0.
    EXPECT_EQ(MapToPanel(Uniform(3, 2, static_cast<float>(std::numbers::pi)), panel).levels,
              std::vector<std::uint8_t>(6, 64));
    EXPECT_EQ(MapToPanel(Uniform(3, 2, std::nextafter(static_cast<float>(TwoPi), 0.0f)), panel).levels,
              std::vector<std::uint8_t>(6, 0));
    PhaseLookupTable reversed;
    for (int k = 0; k < 256; ++k) reversed[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(255 - k);
    panel.lookup = reversed;
    EXPECT_EQ(MapToPanel(Uniform(1, 1, static_cast<float>(TwoPi / 4)), panel).levels[0], 255 - 64);
}

TEST(Panel, TilesOrPadsTheHologram) {
    PhaseHologram h = Uniform(3, 2, 0);
    for (int u = 0; u < 3; ++u)
        for (int v = 0; v < 2; ++v) h.phase(u, v) = 0.5f + u + 3 * v * 0.3f;
    PanelSettings panel = PanelOf(7, 5);
    const PanelMap tiled = MapToPanel(h, panel);
    ASSERT_EQ(tiled.phase.columns(), 7);
    ASSERT_EQ(tiled.phase.rows(), 5);
    for (int x = 0; x < 7; ++x)
        for (int y = 0; y < 5; ++y) EXPECT_EQ(tiled.phase(x, y), h.phase(x % 3, y % 2)) << x << "," << y;
    panel.fill = PanelFill::Pad;
    const PanelMap padded = MapToPanel(h, panel);
    for (int x = 0; x < 7; ++x)
        for (int y = 0; y < 5; ++y) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(padded.phase(x, y), inside ? h.phase(x - 2, y - 1) : 0.0f) << x << "," << y;
        }
    // A smaller panel cuts the hologram round its centre.
    const PanelMap cut = MapToPanel(h, PanelOf(1, 1, PanelFill::Pad));
    EXPECT_EQ(cut.phase(0, 0), h.phase(1, 0));
    // Without a size the panel is the hologram's.
    EXPECT_EQ(MapToPanel(h, {}).phase, h.phase);
}

TEST(Panel, TiltMovesTheImageBySetBins) {
    const PhaseHologram h = MakeKinoform(RequestOf(32, 2, {{6, 9}}));
    const int columns = h.geometry.columns, rows = h.geometry.rows;
    PanelSettings panel;
    const BinOffset at = Brightest(ReconstructPhase(MapToPanel(h, panel).phase, columns, rows));
    panel.tiltX = 5.0 / columns;
    panel.tiltY = -3.0 / rows;
    const BinOffset moved = Brightest(ReconstructPhase(MapToPanel(h, panel).phase, columns, rows));
    EXPECT_EQ(moved, (BinOffset{at.dx + 5, at.dy - 3}));
}

TEST(Panel, LensIsAQuadraticPhaseFromTheCentre) {
    PanelSettings panel = PanelOf(4, 2);
    panel.lens = LensTerm{.focalMetres = 0.5, .wavelengthNm = 633, .pitchMicrometres = 8};
    const PanelMap map = MapToPanel(Uniform(4, 2, 0), panel);
    // Pixel (0, 0)'s centre is 1.5 and 0.5 pitches from the panel's centre.
    const double r2 = (1.5 * 8e-6) * (1.5 * 8e-6) + (0.5 * 8e-6) * (0.5 * 8e-6);
    const double expected = -std::numbers::pi * r2 / (633e-9 * 0.5);
    EXPECT_NEAR(AngleBetween(map.phase(0, 0), expected), 0, 1e-5);
    EXPECT_EQ(map.phase(0, 0), map.phase(3, 1));  // symmetric round the centre
    panel.lens->focalMetres = 0;
    EXPECT_THROW(MapToPanel(Uniform(4, 2, 0), panel), std::invalid_argument);
    panel.lens.reset();
    for (auto [w, h] :
         {std::pair{0, 5}, std::pair{-1, 5}, std::pair{MaxPanelSide + 1, 1}, std::pair{16384, 16384}})
        EXPECT_THROW(MapToPanel(Uniform(4, 2, 0), PanelOf(w, h)), std::invalid_argument) << w << "x" << h;
}

// Reps just under one value a side leave the field one bound that no sum
// reaches: no kinoform, as no amplitude hologram outside the window.
TEST(Kinoform, RepsThatVisitNoValueLeaveNoHologram) {
    for (const double reps : {0.03125, 0.05}) {
        try {
            MakeKinoform(RequestOf(16, reps, {{3, 4}}));
            ADD_FAILURE() << reps;
        } catch (const NoHologramError& error) {
            EXPECT_EQ(error.description(),
                      "Invalid property value: the repetition factor leaves no hologram");
        }
    }
    EXPECT_EQ(MakeKinoform(RequestOf(16, 0.0625, {{3, 4}})).phase.columns(), 1);
}

}  // namespace
}  // namespace marbleck
