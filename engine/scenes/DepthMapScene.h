#pragma once

#include <cstdint>
#include <span>

#include "engine/scenes/Scene.h"

namespace marbleck {

// A colour picture as plain values, row by row, three a pixel (red, green,
// blue): bytes 0 … 255, or floats 0 … 1.
template <typename Value>
struct RgbPixels {
    int width = 0;
    int height = 0;
    std::span<const Value> values;  // 3 · width · height
};

// A depth picture's grey levels, row by row: 0 the nearest, `largestLevel`
// the farthest (255 for an 8-bit picture, 65535 for a 16-bit one).
struct DepthLevels {
    int width = 0;
    int height = 0;
    std::span<const std::uint16_t> levels;  // width · height
    int largestLevel = 255;
};

// The distances, in metres, that the nearest and the farthest level stand for.
struct DepthRange {
    double near = 0;
    double far = 0;
};

// The scene of a colour picture and its depth picture of the same size: a
// point for every pixel with light in any channel, at
// x = (c − (W − 1)/2)·pitch, y = (r − (H − 1)/2)·pitch,
// z = near + (far − near)·level/largestLevel, its colour the pixel's (0 … 1);
// `coloured`, in scan order. Throws RunTimeError 380 "Invalid property value:
// ..." when near ≤ 0, far < near, pitch ≤ 0 or any of them is not finite,
// when the two sizes differ or a span does not hold its size, when the
// largest level is not 1 … 65535 or a level exceeds it, or a float colour is
// not 0 … 1; std::bad_alloc when there is no memory for the points.
Scene DepthMapScene(const RgbPixels<std::uint8_t>& colour, const DepthLevels& depth, const DepthRange& range,
                    double pitch);
Scene DepthMapScene(const RgbPixels<float>& colour, const DepthLevels& depth, const DepthRange& range,
                    double pitch);

}  // namespace marbleck
