#include "engine/scenes/LayerHologram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "CaseName.h"
#include "SceneFields.h"
#include "engine/core/Cancellation.h"
#include "platform/RandomGenerator.h"

namespace marbleck {
namespace {

using test::Energy;
using test::PointSum;
using test::RelativeDifference;

constexpr double Red = 633e-9;
constexpr double Pitch = 8e-6;
// A plane on which a point 4.6 to 5 cm away is a zone pattern whose finest
// fringes the pitch holds over the whole plane (for points within 25
// pixels of its centre), and whose padded window is wide enough that the
// band limit keeps every frequency the pitch holds (z ≤ 2·C·p²/λ): there
// the layer method and the point sum agree but for the point sum's round
// cut against the padded grid's square one. Where the band limit cuts
// (farther points), what it cuts rings through the plane (see the report
// of the layer method's accuracy in bench/RESULTS.md).
const ScenePlane Plane{256, 256, Pitch};

// A point at pixel (column, row) of Plane, at depth z.
ScenePoint AtPixel(int column, int row, double z, float amplitude = 1.0f) {
    return {Plane.x(column), Plane.y(row), z, {amplitude, amplitude / 2, 0.0f}};
}

// Points on three planes 4.6, 4.8 and 5 cm away, two sharing a pixel and a
// depth, one beyond the plane's right edge.
Scene LayeredScene() {
    Scene scene;
    scene.points = {AtPixel(256, 10, 0.048),        AtPixel(110, 120, 0.046),
                    AtPixel(140, 150, 0.048, 0.5f), AtPixel(127, 131, 0.05),
                    AtPixel(105, 145, 0.05, 0.8f),  AtPixel(105, 145, 0.05, 0.3f),
                    AtPixel(150, 106, 0.046, 0.6f)};
    return scene;
}

struct LayerCase {
    std::string name;
    bool randomPhase;
    int threads;
};

class LayerMethod : public ::testing::TestWithParam<LayerCase> {};

// Points lying on the layers' planes (the layers the scene's own depths
// give): the layer method against the Rayleigh–Sommerfeld sum of the same
// points in double, with the same phases. Within 2.5 % of the peak (1.5 to
// 2 % here): what stays is the ringing of the grid's square band edge,
// which the point sum cuts round, a few fringes beyond the plane's corners.
TEST_P(LayerMethod, EqualsTheDirectSumOfPointsOnTheLayers) {
    const LayerCase c = GetParam();
    const Scene scene = LayeredScene();
    LayerOptions options;
    options.randomPhase = c.randomPhase;
    options.seed = 17;
    ExecutionContext context;
    context.threads = c.threads;
    const LayerHologram made = MakeLayerHologram(scene, Plane, Red, options, context);
    EXPECT_EQ(made.depths, (std::vector<double>{0.046, 0.048, 0.05}));
    EXPECT_EQ(made.pointsSkipped, 1u);
    EXPECT_EQ(made.pointsUsed, scene.points.size() - 1);
    // The phases as documented: one draw for every point, in order.
    std::vector<double> phases;
    RandomGenerator random;
    random.seed(options.seed);
    for (std::size_t j = 0; j < scene.points.size(); ++j)
        phases.push_back(c.randomPhase ? 2.0f * std::numbers::pi_v<float> * random.next() : 0.0);
    // The point beyond the edge (the first) drew its phase but gives no light.
    const std::vector<ScenePoint> used(scene.points.begin() + 1, scene.points.end());
    phases.erase(phases.begin());
    const SceneField expected = PointSum(Plane, used, Red, true, phases);
    EXPECT_LT(RelativeDifference(made.field, expected), 2.5e-2);
}

INSTANTIATE_TEST_SUITE_P(Cases, LayerMethod,
                         ::testing::Values(LayerCase{"ZeroPhaseOneThread", false, 1},
                                           LayerCase{"RandomPhaseTwoThreads", true, 2}),
                         [](const auto& info) { return info.param.name; });

// A layer between two points' depths takes them both, each at its nearest
// layer: the field is that of the points moved onto the layers.
TEST(LayerMethod, PointsGoToTheirNearestLayer) {
    Scene scene;
    scene.points = {AtPixel(120, 110, 0.0461), AtPixel(140, 130, 0.0497), AtPixel(110, 140, 0.0479)};
    LayerOptions options;
    options.depths = {0.05, 0.046, 0.048};
    const LayerHologram made = MakeLayerHologram(scene, Plane, Red, options);
    Scene moved = scene;
    moved.points[0].z = 0.046;
    moved.points[1].z = 0.05;
    moved.points[2].z = 0.048;
    EXPECT_LT(RelativeDifference(made.field, PointSum(Plane, moved.points, Red, true)), 2.5e-2);
    EXPECT_GT(RelativeDifference(made.field, PointSum(Plane, scene.points, Red, true)), 0.1);
}

struct DepthsCase {
    std::string name;
    int distinctDepths;
    int layers;
    std::vector<double> given;
    std::vector<double> expected;  // empty: evenly from 1 to 2
    std::size_t expectedCount;
};

class LayerDepthsCases : public ::testing::TestWithParam<DepthsCase> {};

TEST_P(LayerDepthsCases, FollowTheOptions) {
    const DepthsCase c = GetParam();
    Scene scene;
    // Depths 1 .. 2 m, each twice, in a shuffled order.
    for (int k = 0; k < 2 * c.distinctDepths; ++k) {
        const int level = (k * 7919) % c.distinctDepths;
        scene.points.push_back({0, 0, 1.0 + (c.distinctDepths > 1 ? level / (c.distinctDepths - 1.0) : 0.0)});
    }
    scene.points.push_back({0, 0, std::nan("")});
    LayerOptions options;
    options.layers = c.layers;
    options.depths = c.given;
    const std::vector<double> depths = LayerDepths(scene, options);
    ASSERT_EQ(depths.size(), c.expectedCount);
    if (!c.expected.empty()) {
        EXPECT_EQ(depths, c.expected);
        return;
    }
    for (std::size_t l = 0; l < depths.size(); ++l)
        EXPECT_NEAR(depths[l], depths.size() == 1 ? 1.5 : 1.0 + l / (depths.size() - 1.0), 1e-12) << l;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayerDepthsCases,
    ::testing::Values(DepthsCase{"EachDistinctDepth", 200, 0, {}, {}, 200},
                      DepthsCase{"TooManyDepthsGiveTheLimit", 1000, 0, {}, {}, DefaultLayerLimit},
                      DepthsCase{"CountEvenly", 1000, 64, {}, {}, 64},
                      DepthsCase{"OneInTheMiddle", 10, 1, {}, {}, 1},
                      DepthsCase{"GivenSortedOnce", 10, 5, {0.3, 0.1, 0.2, 0.1}, {0.1, 0.2, 0.3}, 3},
                      DepthsCase{"OneDepthOneLayer", 1, 8, {}, {1.0}, 1}),
    [](const auto& info) { return info.param.name; });

// A bright point 6 cm away behind a black disc of points 5.5 cm away: with
// occlusion the disc's silhouette holds back the point's light where it
// covers the cone of light that reaches the plane, and changes little where
// it lies to one side.
TEST(LayerMethod, OcclusionHidesWhatIsBehindTheSilhouette) {
    const ScenePlane plane{96, 80, Pitch};
    const auto at = [&](int column, int row, double z, float amplitude) {
        return ScenePoint{plane.x(column), plane.y(row), z, {amplitude, 0.0f, 0.0f}};
    };
    for (bool covering : {true, false}) {
        Scene scene;
        scene.points.push_back(at(48, 40, 0.06, 1.0f));
        const int centre = covering ? 48 : 16;
        for (int r = 0; r < plane.rows; ++r)
            for (int c = 0; c < plane.columns; ++c)
                if (std::hypot(c - centre, r - 40) < 8) scene.points.push_back(at(c, r, 0.055, 0.0f));
        LayerOptions options;
        const double open = Energy(MakeLayerHologram(scene, plane, Red, options).field);
        options.occlusion = true;
        const double hidden = Energy(MakeLayerHologram(scene, plane, Red, options).field);
        if (covering)
            EXPECT_LT(hidden, 0.2 * open);
        else
            EXPECT_NEAR(hidden / open, 1.0, 0.05);
    }
}

// Cancelling from the progress after the first layer stops the rest.
TEST(LayerMethod, CancelStopsIt) {
    for (bool occlusion : {false, true}) {
        CancelFlag cancel{false};
        int reports = 0;
        ExecutionContext context;
        context.cancelFlag = &cancel;
        context.progress = [&](double) {
            ++reports;
            cancel = true;
        };
        LayerOptions options;
        options.occlusion = occlusion;
        EXPECT_THROW(MakeLayerHologram(LayeredScene(), Plane, Red, options, context), CalculationCancelled);
        EXPECT_EQ(reports, 1) << occlusion;
    }
}

TEST(LayerMethod, RefusesBadOptions) {
    LayerOptions options;
    options.channel = 3;
    EXPECT_THROW(MakeLayerHologram(LayeredScene(), Plane, Red, options), std::invalid_argument);
    options = {};
    options.layers = -1;
    EXPECT_THROW(MakeLayerHologram(LayeredScene(), Plane, Red, options), std::invalid_argument);
    options = {};
    options.depths = {0.1, std::nan("")};
    EXPECT_THROW(MakeLayerHologram(LayeredScene(), Plane, Red, options), std::invalid_argument);
}

}  // namespace
}  // namespace marbleck
