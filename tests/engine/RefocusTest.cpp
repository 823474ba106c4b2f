#include "engine/scenes/Refocus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "CaseName.h"
#include "SceneFields.h"
#include "engine/core/Cancellation.h"

namespace marbleck {
namespace {

constexpr double Red = 633e-9;
const ScenePlane Plane{128, 112, 8e-6};

ScenePoint AtPixel(int column, int row, double z) { return {Plane.x(column), Plane.y(row), z}; }

// The brightest pixel within `radius` pixels of (column, row), and the
// light within 3 pixels of it.
struct Spot {
    int column = 0, row = 0;
    double peak = 0, light = 0;
};
Spot SpotNear(const std::vector<float>& intensity, int column, int row, int radius) {
    Spot spot;
    for (int r = std::max(0, row - radius); r <= std::min(Plane.rows - 1, row + radius); ++r)
        for (int c = std::max(0, column - radius); c <= std::min(Plane.columns - 1, column + radius); ++c) {
            const double value = intensity[static_cast<std::size_t>(r) * Plane.columns + c];
            if (value > spot.peak) spot = {c, r, value, 0};
        }
    for (int r = spot.row - 3; r <= spot.row + 3; ++r)
        for (int c = spot.column - 3; c <= spot.column + 3; ++c)
            if (r >= 0 && r < Plane.rows && c >= 0 && c < Plane.columns)
                spot.light += intensity[static_cast<std::size_t>(r) * Plane.columns + c];
    return spot;
}

// Three points at 4, 7 and 10 cm, off the axis, their field the point sum
// Σ e^{ikr}/r in double.
std::vector<ScenePoint> ThreePoints() {
    return {AtPixel(40, 50, 0.04), AtPixel(85, 30, 0.07), AtPixel(70, 80, 0.1)};
}

// Each point comes to focus at its own depth, its peak within one pixel of
// (x/p, y/p) on the plane; the others' light there is spread, and so is its
// own at the others' depths and on the far side of the hologram (+z).
TEST(Refocus, EachPointFocusesAtItsDepthAndSpreadsElsewhere) {
    const auto points = ThreePoints();
    const Refocus refocus(test::PointSum(Plane, points, Red, false), Red);
    std::vector<std::vector<float>> pictures;
    for (const ScenePoint& p : points) pictures.push_back(refocus.intensityAt(p.z));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int column =
            static_cast<int>(std::lround(points[i].x / Plane.pitch + (Plane.columns - 1) / 2.0));
        const int row = static_cast<int>(std::lround(points[i].y / Plane.pitch + (Plane.rows - 1) / 2.0));
        const Spot focused = SpotNear(pictures[i], column, row, 10);
        EXPECT_LE(std::abs(focused.column - column), 1) << i;
        EXPECT_LE(std::abs(focused.row - row), 1) << i;
        for (std::size_t j = 0; j < points.size(); ++j) {
            if (j == i) continue;
            const Spot elsewhere = SpotNear(pictures[j], column, row, 3);
            // The farthest point, 3 cm out of focus, keeps a tenth of its peak.
            EXPECT_LT(elsewhere.peak, 0.2 * focused.peak) << "point " << i << " at depth " << j;
        }
        const Spot mirrored = SpotNear(refocus.intensityAt(-points[i].z), column, row, 3);
        EXPECT_LT(mirrored.peak, 0.05 * focused.peak) << i;
    }
}

// The figures: most of a lone point's light lies within 3 pixels of it at
// its depth; named at a pixel ten away it has almost none; a point beyond
// the plane has none and stays out of the mean.
TEST(Refocus, FocusFiguresMeasureTheLightAroundEachPoint) {
    const ScenePoint point = AtPixel(60, 50, 0.06);
    const Refocus refocus(test::PointSum(Plane, std::vector{point}, Red, false), Red);
    ScenePoint away = point;
    away.x += 10 * Plane.pitch;
    ScenePoint outside = point;
    outside.x = Plane.x(Plane.columns + 5);
    const std::vector<ScenePoint> named{point, away, outside};
    const FocusFigures figures = MeasureFocus(refocus, named);
    ASSERT_EQ(figures.shares.size(), 3u);
    EXPECT_GT(figures.shares[0], 0.6);
    EXPECT_LT(figures.shares[1], 0.02);
    EXPECT_TRUE(std::isnan(figures.shares[2]));
    EXPECT_NEAR(figures.meanShare, (figures.shares[0] + figures.shares[1]) / 2, 1e-12);
}

// Depth 0 gives the hologram back; a focal stack's pictures are the
// refocus at evenly spaced depths, both ends included.
TEST(Refocus, FocalStackRunsFromNearToFar) {
    const SceneField hologram = test::PointSum(Plane, ThreePoints(), Red, false);
    const Refocus refocus(hologram, Red);
    EXPECT_LT(test::RelativeDifference(refocus.fieldAt(0), hologram), 1e-5);
    int reports = 0;
    ExecutionContext context;
    context.progress = [&](double) { ++reports; };
    const FocalStack stack = MakeFocalStack(refocus, 0.04, 0.1, 3, context);
    EXPECT_EQ(reports, 3);
    ASSERT_EQ(stack.depths, (std::vector<double>{0.04, 0.07, 0.1}));
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(stack.intensities[k], refocus.intensityAt(stack.depths[k]));
    EXPECT_THROW(MakeFocalStack(refocus, 0.05, 0.08, 0), std::invalid_argument);
    CancelFlag cancel{true};
    context.cancelFlag = &cancel;
    EXPECT_THROW(MakeFocalStack(refocus, 0.04, 0.1, 3, context), CalculationCancelled);
}

// The intensity of a depth asked again, after other depths and after a
// cancelled one (each taking the work arrays an earlier call left), is the
// same, and is |U|² of the field there.
TEST(Refocus, WorkArraysLeaveNoTrace) {
    const Refocus refocus(test::PointSum(Plane, ThreePoints(), Red, false), Red);
    const std::vector<float> first = refocus.intensityAt(0.07);
    const SceneField field = refocus.fieldAt(0.07);
    ASSERT_EQ(first.size(), field.values.size());
    for (std::size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i], std::norm(field.values[i])) << i;
    CancelFlag cancel{true};
    ExecutionContext cancelled;
    cancelled.cancelFlag = &cancel;
    EXPECT_THROW(refocus.intensityAt(0.04, cancelled), CalculationCancelled);
    std::vector<float> again(first.size(), -1.0f);
    refocus.intensityAt(0.1, again);
    refocus.intensityAt(0.07, again);
    EXPECT_EQ(again, first);
    std::vector<float> wrongSize(first.size() - 1);
    EXPECT_THROW(refocus.intensityAt(0.07, wrongSize), std::invalid_argument);
}

struct ScaleCase {
    std::string name;
    IntensityScale scale;
    std::vector<float> intensity;
    std::vector<std::uint8_t> levels;
};

class IntensityScales : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(IntensityScales, MapToGreyLevels) {
    const ScaleCase c = GetParam();
    EXPECT_EQ(GreyLevelsOf(ScaleIntensity(c.intensity, c.scale)), c.levels);
    // Straight into scan lines, a value a line: the bytes past each line stay.
    std::vector<std::uint8_t> lines(3 * c.intensity.size(), 7);
    WriteGreyLevels(c.intensity, 1, lines.data(), 3, c.scale);
    for (std::size_t k = 0; k < c.levels.size(); ++k) {
        EXPECT_EQ(lines[3 * k], c.levels[k]) << k;
        EXPECT_EQ(lines[3 * k + 1], 7) << k;
        EXPECT_EQ(lines[3 * k + 2], 7) << k;
    }
}

// A picture large enough to be cut over the threads, with values that are
// no numbers: the scan lines hold GreyLevelsOf(ScaleIntensity(...)) level
// for level, on either scale, with the picture's own maximum or a given one.
TEST(IntensityScales, ScanLinesMatchTheLevelsOverThreads) {
    constexpr int Columns = 301;
    constexpr int Rows = 257;
    constexpr int Stride = 304;
    std::vector<float> intensity(static_cast<std::size_t>(Columns) * Rows);
    unsigned seed = 12345;
    for (float& value : intensity) {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<float>(seed >> 8) * 1e-3f;
    }
    intensity[77] = std::numeric_limits<float>::quiet_NaN();
    intensity[1000] = std::numeric_limits<float>::infinity();
    for (const IntensityScale scale : {IntensityScale::linear, IntensityScale::log})
        for (const double maximum : {0.0, 5e3}) {
            const std::vector<std::uint8_t> levels =
                GreyLevelsOf(ScaleIntensity(intensity, scale, DefaultRefocusDecades, maximum));
            std::vector<std::uint8_t> lines(static_cast<std::size_t>(Stride) * Rows, 7);
            WriteGreyLevels(intensity, Columns, lines.data(), Stride, scale, DefaultRefocusDecades, maximum);
            int wrong = 0;
            for (int r = 0; r < Rows; ++r)
                for (int c = 0; c < Columns; ++c)
                    wrong += lines[static_cast<std::size_t>(r) * Stride + c] !=
                             levels[static_cast<std::size_t>(r) * Columns + c];
            EXPECT_EQ(wrong, 0) << static_cast<int>(scale) << " " << maximum;
        }
    std::vector<std::uint8_t> lines(Stride);
    EXPECT_THROW(WriteGreyLevels(intensity, Columns, lines.data(), Columns - 1, IntensityScale::linear),
                 std::invalid_argument);
    EXPECT_THROW(WriteGreyLevels(std::span<const float>(intensity).first(Columns + 1), Columns, lines.data(),
                                 Stride, IntensityScale::linear),
                 std::invalid_argument);
}

const float NaN = std::numeric_limits<float>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Cases, IntensityScales,
    ::testing::Values(ScaleCase{"Linear", IntensityScale::linear, {0, 2, 8, 4, NaN}, {0, 64, 255, 128, 0}},
                      // 0, −10, −20 and −30 dB of three decades; below is black.
                      ScaleCase{
                          "Log", IntensityScale::log, {1000, 100, 10, 1, 0.1f, 0}, {255, 170, 85, 0, 0, 0}},
                      ScaleCase{"AllDark", IntensityScale::log, {0, 0}, {0, 0}}),
    [](const auto& info) { return info.param.name; });

// One point a wavelength, each at its own pixel: in the composite each
// spot shows its wavelength's colour.
TEST(Refocus, ColourPictureShowsEachWavelengthsColour) {
    const std::vector<double> wavelengths{638e-9, 520e-9, 450e-9};
    const std::vector<ScenePoint> points{AtPixel(30, 30, 0.06), AtPixel(64, 56, 0.06),
                                         AtPixel(100, 80, 0.06)};
    std::vector<std::unique_ptr<Refocus>> fields;
    std::vector<const Refocus*> pointers;
    for (std::size_t k = 0; k < 3; ++k) {
        fields.push_back(std::make_unique<Refocus>(
            test::PointSum(Plane, std::vector{points[k]}, wavelengths[k], false), wavelengths[k]));
        pointers.push_back(fields.back().get());
    }
    const ColourPicture picture = ColourAt(pointers, 0.06, IntensityScale::linear);
    for (std::size_t k = 0; k < 3; ++k) {
        const int column =
            static_cast<int>(std::lround(points[k].x / Plane.pitch + (Plane.columns - 1) / 2.0));
        const int row = static_cast<int>(std::lround(points[k].y / Plane.pitch + (Plane.rows - 1) / 2.0));
        const auto colour = picture.values[static_cast<std::size_t>(row) * Plane.columns + column];
        for (std::size_t other = 0; other < 3; ++other) {
            if (other == k) continue;
            EXPECT_GT(colour[k], 2 * colour[other]) << "wavelength " << k;
        }
    }
    EXPECT_EQ(ColourOfWavelength(1064e-9), (std::array<float, 3>{1, 1, 1}));
}

}  // namespace
}  // namespace marbleck
