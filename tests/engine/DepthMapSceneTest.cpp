#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/scenes/DepthMapScene.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

// A 3 × 2 picture: one black pixel, the others lit in one or more channels.
const std::vector<std::uint8_t> Colour = {10, 0, 0, 0, 0, 0, 0, 0, 255, 1, 2, 3, 255, 255, 255, 0, 9, 0};

// Each lit pixel is one point at the pixel's place, its depth between near
// and far by its level, its colour the pixel's; black pixels are left out.
TEST(DepthMapScene, PixelsBecomePointsAtTheirDepths) {
    const double near = 0.05, far = 0.15, pitch = 8e-6;
    for (const int largest : {255, 65535}) {
        const std::vector<std::uint16_t> levels = {0, 7, static_cast<std::uint16_t>(largest), 1, 100, 200};
        const Scene scene =
            DepthMapScene(RgbPixels<std::uint8_t>{3, 2, Colour}, {3, 2, levels, largest}, {near, far}, pitch);
        EXPECT_TRUE(scene.coloured);
        ASSERT_EQ(scene.points.size(), 5u);
        std::size_t point = 0;
        for (int pixel = 0; pixel < 6; ++pixel) {
            if (pixel == 1) continue;  // black
            const ScenePoint& p = scene.points[point++];
            const int row = pixel / 3, column = pixel % 3;
            EXPECT_DOUBLE_EQ(p.x, (column - 1) * pitch) << pixel;
            EXPECT_DOUBLE_EQ(p.y, (row - 0.5) * pitch) << pixel;
            EXPECT_NEAR(p.z, near + (far - near) * levels[pixel] / largest, 1e-15) << pixel;
            for (int c = 0; c < 3; ++c)
                EXPECT_FLOAT_EQ(p.colour[c], Colour[3 * pixel + c] / 255.0f) << pixel << " " << c;
        }
        EXPECT_EQ(scene.points[0].z, near);
        EXPECT_EQ(scene.points[1].z, far);  // the largest level, exactly
    }
}

TEST(DepthMapScene, FloatColoursAsTheyAre) {
    const std::vector<float> colour = {0.5f, 0.25f, 0, 0, 0, 0};
    const std::vector<std::uint16_t> levels = {3, 3};
    const Scene scene = DepthMapScene(RgbPixels<float>{2, 1, colour}, {2, 1, levels, 255}, {0.1, 0.1}, 1e-5);
    ASSERT_EQ(scene.points.size(), 1u);
    EXPECT_EQ(scene.points[0].colour, (std::array<float, 3>{0.5f, 0.25f, 0.0f}));
    EXPECT_EQ(scene.points[0].z, 0.1);
    EXPECT_DOUBLE_EQ(scene.points[0].x, -0.5e-5);
}

// Every setting a scene cannot have is refused with a message saying which.
TEST(DepthMapScene, RefusesWhatMakesNoScene) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::uint16_t> levels(6, 0), fewer(5, 0), deep = {0, 0, 0, 0, 256, 0};
    const std::vector<std::uint8_t> shortColour(Colour.begin(), Colour.end() - 1);
    const std::vector<float> wrongFloat = {0, 0, 0, 0, 1.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    struct Case {
        const char* what;
        RgbPixels<std::uint8_t> colour;
        DepthLevels depth;
        DepthRange range;
        double pitch;
        std::string message;
    };
    const RgbPixels<std::uint8_t> colour{3, 2, Colour};
    const DepthLevels depth{3, 2, levels, 255};
    const Case cases[] = {
        {"near 0", colour, depth, {0, 1}, 1e-5, "the nearest distance must be more than 0 m"},
        {"near nan", colour, depth, {nan, 1}, 1e-5, "the nearest distance must be more than 0 m"},
        {"far before", colour, depth, {0.2, 0.1}, 1e-5, "the farthest distance must be at least the nearest"},
        {"far infinite",
         colour,
         depth,
         {0.2, HUGE_VAL},
         1e-5,
         "the farthest distance must be at least the nearest"},
        {"pitch 0", colour, depth, {0.1, 0.2}, 0, "the pitch must be more than 0 m"},
        {"sizes",
         colour,
         {2, 3, levels, 255},
         {0.1, 0.2},
         1e-5,
         "the colour picture is 3 × 2 pixels, the depth picture 2 × 3"},
        {"colour short",
         {3, 2, shortColour},
         depth,
         {0.1, 0.2},
         1e-5,
         "the colour picture holds 17 values where 18 are needed"},
        {"levels short",
         colour,
         {3, 2, fewer, 255},
         {0.1, 0.2},
         1e-5,
         "the depth picture holds 5 levels where 6 are needed"},
        {"largest 0",
         colour,
         {3, 2, levels, 0},
         {0.1, 0.2},
         1e-5,
         "the largest depth level must be 1 to 65535"},
        {"level over",
         colour,
         {3, 2, deep, 255},
         {0.1, 0.2},
         1e-5,
         "the depth level 256 is more than the largest, 255"},
    };
    for (const Case& c : cases) {
        try {
            DepthMapScene(c.colour, c.depth, c.range, c.pitch);
            ADD_FAILURE() << c.what;
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::InvalidPropertyValue) << c.what;
            EXPECT_EQ(error.description(), "Invalid property value: " + c.message) << c.what;
        }
    }
    try {
        DepthMapScene(RgbPixels<float>{3, 2, wrongFloat}, depth, {0.1, 0.2}, 1e-5);
        ADD_FAILURE() << "float colour 1.5";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.description(), "Invalid property value: the colour at row 0, column 1 is not 0 to 1");
    }
}

}  // namespace
}  // namespace marbleck
