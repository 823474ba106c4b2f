// The simulated far field of holograms made by the real pipeline: where a
// point's image lands, how a letter shows, balanced binarization, and the
// transform against a direct sum.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "HologramCases.h"
#include "engine/binarization/Binarization.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

constexpr double TwoPi = 2.0 * 3.14159265358979323846;

struct Calculated {
    HologramGeometry geometry;
    std::vector<ObjectPoint> points;
    HologramField field;
    std::vector<std::uint8_t> grey;
};

// "Calculate" on a W x H canvas at reps R, random phase on or off.
Calculated Calculate(float W, float H, double R, std::vector<ObjectPoint> points, bool randomPhase) {
    Calculated c{MakeHologramGeometry(W, H, R), std::move(points), {}, {}};
    const std::vector<double> phases =
        randomPhase ? cases::RandomPhases(c.points.size(), 5) : std::vector<double>(c.points.size(), 0.0);
    CalculateHologram(CalculationEngineNamed("exact"), c.geometry, c.points, phases, c.field, c.grey);
    return c;
}

// A letter F drawn on a 100 x 100 canvas, in scan order.
std::vector<ObjectPoint> LetterF() {
    std::vector<ObjectPoint> points;
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 100; ++y) {
            const bool stem = x >= 25 && x <= 34 && y >= 15 && y <= 84;
            const bool top = x >= 25 && x <= 74 && y >= 15 && y <= 24;
            const bool middle = x >= 25 && x <= 59 && y >= 45 && y <= 54;
            if (stem || top || middle) points.push_back({x, y});
        }
    return points;
}

Reconstruction OfGrey(const Calculated& c) {
    return Reconstruct(c.grey.data(), c.geometry.columns, c.geometry.rows, c.geometry.rows);
}

struct PointCase {
    float W, H;
    double R;
    int x, y;
};

class SinglePoint : public ::testing::TestWithParam<PointCase> {};

TEST_P(SinglePoint, BrightestTwoBinsAreThePointAndItsTwin) {
    const PointCase p = GetParam();
    const Calculated c = Calculate(p.W, p.H, p.R, {{p.x, p.y}}, false);
    const Reconstruction r = OfGrey(c);
    ASSERT_EQ(r.columns, c.geometry.columns);
    ASSERT_EQ(r.rows, c.geometry.rows);

    std::vector<int> order(r.intensity.size());
    std::iota(order.begin(), order.end(), 0);
    std::partial_sort(order.begin(), order.begin() + 2, order.end(),
                      [&](int a, int b) { return r.intensity[a] > r.intensity[b]; });
    const double fx = p.x / (p.W - 1.0) * (3.1415 / TwoPi) * r.columns;
    const double fy = p.y / (p.H - 1.0) * (3.1415 / TwoPi) * r.rows;
    std::vector<double> signs;
    for (int k = 0; k < 2; ++k) {
        const double dx = order[k] % r.columns - r.centreX();
        const double dy = order[k] / r.columns - r.centreY();
        const double sign = dx * fx + dy * fy > 0 ? 1.0 : -1.0;
        EXPECT_NEAR(dx, sign * fx, 1.0) << "bin " << k;
        EXPECT_NEAR(dy, sign * fy, 1.0) << "bin " << k;
        signs.push_back(sign);
    }
    EXPECT_NE(signs[0], signs[1]) << "the object and its twin";
    const BinOffset b = ObjectBin(c.points[0], c.geometry, r.columns, r.rows);
    EXPECT_NEAR(b.dx, fx, 0.5);
    EXPECT_NEAR(b.dy, fy, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Points, SinglePoint,
                         ::testing::Values(PointCase{100, 100, 1.0, 20, 30}, PointCase{100, 100, 1.0, 70, 10},
                                           PointCase{60, 40, 1.3, 5, 33}, PointCase{81, 57, 1.5, 77, 50}),
                         [](const ::testing::TestParamInfo<PointCase>& info) {
                             const PointCase& p = info.param;
                             return "Canvas" + std::to_string(static_cast<int>(p.W)) + "x" +
                                    std::to_string(static_cast<int>(p.H)) + "At" + std::to_string(p.x) + "_" +
                                    std::to_string(p.y) + "Reps" + std::to_string(static_cast<int>(p.R * 10));
                         });

// Pearson correlation of the log-scale picture with the bins where `points`
// and their twins land.
double Correlation(const Reconstruction& r, const std::vector<ObjectPoint>& points,
                   const HologramGeometry& g) {
    std::vector<double> mask(r.intensity.size(), 0.0);
    for (const ObjectPoint p : points) {
        const BinOffset b = ObjectBin(p, g, r.columns, r.rows);
        for (int s : {1, -1}) {
            const int x = ((r.centreX() + s * b.dx) % r.columns + r.columns) % r.columns;
            const int y = ((r.centreY() + s * b.dy) % r.rows + r.rows) % r.rows;
            mask[static_cast<std::size_t>(y) * r.columns + x] = 1.0;
        }
    }
    const std::vector<std::uint8_t> levels = LogScaleLevels(r);
    const double n = static_cast<double>(levels.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) ma += levels[i], mb += mask[i];
    ma /= n, mb /= n;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        ab += (levels[i] - ma) * (mask[i] - mb);
        aa += (levels[i] - ma) * (levels[i] - ma);
        bb += (mask[i] - mb) * (mask[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

TEST(LetterObject, ReconstructionShowsTheLetterAndItsTwin) {
    for (bool randomPhase : {false, true}) {
        const Calculated c = Calculate(100, 100, 1.0, LetterF(), randomPhase);
        const Reconstruction r = OfGrey(c);
        const cases::Case other = cases::RandomPoints(100, 100, 1.0, static_cast<int>(c.points.size()), 3);
        const double letter = Correlation(r, c.points, c.geometry);
        const double random = Correlation(r, other.points, c.geometry);
        EXPECT_GT(letter, 0.5) << "random phase " << randomPhase;
        EXPECT_GT(letter, 2.5 * std::fabs(random))
            << "random phase " << randomPhase << ", random object " << random;

        // The field itself reconstructs as its grey levels do.
        const Reconstruction fromField = Reconstruct(c.field, c.geometry.columns, c.geometry.rows);
        EXPECT_EQ(fromField.intensity, r.intensity);
    }
}

// An 11 x 11 far field, centre (5, 5), with the point (4, 0) of an 11 x 11
// canvas: 4 x 3.1415 / 10 radians a column is 2.2 bins, so the signal is the
// 3 x 3 bins around (7, 5) (reaching into the centre's 5 x 5), its twin those
// around (3, 5). Only the bins outside all three are noise.
TEST(FidelityFigure, SignalOverNoiseLeavingOutTheTwinAndTheCentre) {
    const HologramGeometry g = MakeHologramGeometry(11, 11, 1.0);
    Reconstruction r{11, 11, std::vector<float>(121, 1.0f)};
    auto set = [&](int cx, int cy, int half, float value) {
        for (int y = cy - half; y <= cy + half; ++y)
            for (int x = cx - half; x <= cx + half; ++x)
                r.intensity[static_cast<std::size_t>(y) * 11 + x] = value;
    };
    set(5, 5, 2, 1000.0f);
    set(3, 5, 1, 7.0f);
    set(7, 5, 1, 10.0f);
    r.intensity[0] = 4.0f;  // one noise bin brighter
    const std::vector<ObjectPoint> point{{4, 0}};
    EXPECT_EQ(ObjectBin(point[0], g, 11, 11), (BinOffset{2, 0}));
    // Noise: 121 bins less the 5 x 5 centre, less the signal's and twin's 3
    // bins each outside it (x = 8 and x = 2): 90 bins, one of them 4.
    EXPECT_DOUBLE_EQ(FidelityFigure(r, point, g), 10.0 / ((89.0 + 4.0) / 90.0));
    EXPECT_TRUE(std::isnan(FidelityFigure(r, {}, g)));
}

double Fidelity(const Calculated& c) { return FidelityFigure(OfGrey(c), c.points, c.geometry); }

// Binarizes as "Binarize" does and reconstructs the field's levels.
double BinarizedFidelity(Calculated c, double threshold) {
    Binarize(c.field, threshold, c.grey);
    const Reconstruction r = Reconstruct(c.grey.data(), c.geometry.columns, c.geometry.rows, c.field.rows());
    return FidelityFigure(r, c.points, c.geometry);
}

TEST(BalancedBinarization, HalfTheValuesBecomeWhiteAndTheLetterShowsBetterThanAtTheFixedThreshold) {
    for (bool randomPhase : {false, true}) {
        const Calculated c = Calculate(100, 100, 1.0, LetterF(), randomPhase);
        const double median = MedianThreshold(c.field, c.geometry.columns, c.geometry.rows);
        Calculated balanced = c;
        Binarize(balanced.field, median, balanced.grey);
        long long white = 0;
        for (int u = 0; u < c.geometry.columns; ++u)
            for (int v = 0; v < c.geometry.rows; ++v) white += balanced.field(u, v) == 255.0f;
        const long long n = static_cast<long long>(c.geometry.columns) * c.geometry.rows;
        EXPECT_NEAR(static_cast<double>(white), n / 2.0, 1.0) << "random phase " << randomPhase;

        const double grey = Fidelity(c);
        const double fixed = BinarizedFidelity(c, 0.6);
        const double half = BinarizedFidelity(c, median);
        EXPECT_GT(half, fixed) << "random phase " << randomPhase;
        EXPECT_GT(grey, 1.0);
        std::printf(
            "letter F, random phase %s: grey %.1f, threshold 0.6 %.1f, balanced %.1f (threshold %.4f)\n",
            randomPhase ? "on" : "off", grey, fixed, half, median);
    }
}

TEST(BalancedBinarization, ThresholdLeavesFloorHalfOfDistinctValuesAbove) {
    for (int n : {1, 2, 5, 6}) {
        HologramField field(n, 1);
        for (int u = 0; u < n; ++u) field(u, 0) = static_cast<float>((u * 7) % n) / static_cast<float>(n);
        std::vector<std::uint8_t> grey;
        Binarize(field, MedianThreshold(field, n, 1), grey);
        EXPECT_EQ(std::count(grey.begin(), grey.end(), 255), n / 2) << n << " values";
    }
}

// |sum t(u, v) e^(-2 pi i (ku u / C + kv v / R))|^2 formed directly, centred.
std::vector<double> DirectIntensity(const std::vector<double>& t, int columns, int rows) {
    std::vector<double> out(t.size());
    for (int ku = 0; ku < columns; ++ku)
        for (int kv = 0; kv < rows; ++kv) {
            std::complex<double> sum = 0;
            for (int u = 0; u < columns; ++u)
                for (int v = 0; v < rows; ++v)
                    sum += t[static_cast<std::size_t>(u) * rows + v] *
                           std::polar(1.0, -TwoPi * (static_cast<double>(ku) * u / columns +
                                                     static_cast<double>(kv) * v / rows));
            const int x = (ku + columns / 2) % columns;
            const int y = (kv + rows / 2) % rows;
            out[static_cast<std::size_t>(y) * columns + x] = std::norm(sum);
        }
    return out;
}

struct Size {
    int columns, rows;
};

class AgainstDirectSum : public ::testing::TestWithParam<Size> {};

TEST_P(AgainstDirectSum, EveryBinAgrees) {
    const Size s = GetParam();
    const int stride = s.rows + 3;  // the levels of a column need not be adjacent to the next column's
    std::mt19937 random(s.columns * 100 + s.rows);
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(s.columns) * stride);
    for (auto& level : levels) level = static_cast<std::uint8_t>(random() % 256);
    for (bool removeZeroOrder : {false, true}) {
        std::vector<double> t(static_cast<std::size_t>(s.columns) * s.rows);
        double mean = 0;
        for (int u = 0; u < s.columns; ++u)
            for (int v = 0; v < s.rows; ++v)
                mean += t[static_cast<std::size_t>(u) * s.rows + v] =
                    levels[static_cast<std::size_t>(u) * stride + v] / 255.0;
        mean /= static_cast<double>(t.size());
        if (removeZeroOrder)
            for (double& value : t) value -= mean;
        const std::vector<double> expected = DirectIntensity(t, s.columns, s.rows);
        const Reconstruction r = Reconstruct(levels.data(), s.columns, s.rows, stride, {removeZeroOrder});
        ASSERT_EQ(r.intensity.size(), expected.size());
        const double largest = *std::max_element(expected.begin(), expected.end());
        for (int y = 0; y < s.rows; ++y)
            for (int x = 0; x < s.columns; ++x)
                EXPECT_NEAR(r.at(x, y), expected[static_cast<std::size_t>(y) * s.columns + x], 1e-5 * largest)
                    << "bin " << x << ", " << y << (removeZeroOrder ? " without" : " with")
                    << " the zero order";
        // Either way, the zero order the mean alone would put at the centre.
        const double dc = mean * static_cast<double>(t.size());
        EXPECT_NEAR(r.zeroOrder, dc * dc, 1e-9 * dc * dc);
    }
}

INSTANTIATE_TEST_SUITE_P(OddPrimeAndEvenSizes, AgainstDirectSum,
                         ::testing::Values(Size{7, 5}, Size{13, 11}, Size{9, 16}, Size{16, 9}, Size{1, 7},
                                           Size{6, 1}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.columns) + "x" +
                                    std::to_string(info.param.rows);
                         });

TEST(Reconstruct, ThreadsReconstructingAtOnceGetWhatOneAloneGets) {
    const Calculated c = Calculate(100, 100, 3.0, LetterF(), true);
    const Reconstruction alone = OfGrey(c);
    std::vector<Reconstruction> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) threads.emplace_back([&] { result = OfGrey(c); });
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result.intensity, alone.intensity);
}

TEST(LogScaleLevels, DecadesBelowTheBrightestBinFadeLinearlyToBlack) {
    Reconstruction r{5, 1, {1000.0f, 100.0f, 1.0f, 0.5f, 0.0f}};
    EXPECT_EQ(LogScaleLevels(r, 3.0), (std::vector<std::uint8_t>{255, 170, 0, 0, 0}));
    EXPECT_EQ(LogScaleLevels(r, 2.0), (std::vector<std::uint8_t>{255, 128, 0, 0, 0}));
    EXPECT_EQ(LogScaleLevels(Reconstruction{2, 1, {0.0f, 0.0f}}, 3.0), (std::vector<std::uint8_t>{0, 0}));
}

}  // namespace
}  // namespace marbleck
