#include "engine/scenes/DepthMapScene.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <type_traits>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void Refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + why);
}

std::string SizeText(int width, int height) { return std::to_string(width) + " × " + std::to_string(height); }

void CheckSettings(int width, int height, std::size_t colourValues, const DepthLevels& depth,
                   const DepthRange& range, double pitch) {
    if (!std::isfinite(range.near) || range.near <= 0) Refuse("the nearest distance must be more than 0 m");
    if (!std::isfinite(range.far) || range.far < range.near)
        Refuse("the farthest distance must be at least the nearest");
    if (!std::isfinite(pitch) || pitch <= 0) Refuse("the pitch must be more than 0 m");
    if (width < 0 || height < 0 || depth.width < 0 || depth.height < 0)
        Refuse("a picture has a negative size");
    if (width != depth.width || height != depth.height)
        Refuse("the colour picture is " + SizeText(width, height) + " pixels, the depth picture " +
               SizeText(depth.width, depth.height));
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (colourValues != 3 * pixels)
        Refuse("the colour picture holds " + std::to_string(colourValues) + " values where " +
               std::to_string(3 * pixels) + " are needed");
    if (depth.levels.size() != pixels)
        Refuse("the depth picture holds " + std::to_string(depth.levels.size()) + " levels where " +
               std::to_string(pixels) + " are needed");
    if (depth.largestLevel < 1 || depth.largestLevel > 65535)
        Refuse("the largest depth level must be 1 to 65535");
}

template <typename Value>
Scene Make(const RgbPixels<Value>& colour, const DepthLevels& depth, const DepthRange& range, double pitch) {
    CheckSettings(colour.width, colour.height, colour.values.size(), depth, range, pitch);
    const std::size_t pixels = depth.levels.size();
    std::size_t lit = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const Value* rgb = colour.values.data() + 3 * i;
        if constexpr (std::is_floating_point_v<Value>) {
            for (int channel = 0; channel < 3; ++channel)
                if (!(rgb[channel] >= 0 && rgb[channel] <= 1))
                    Refuse("the colour at row " + std::to_string(i / static_cast<std::size_t>(colour.width)) +
                           ", column " + std::to_string(i % static_cast<std::size_t>(colour.width)) +
                           " is not 0 to 1");
        }
        if (depth.levels[i] > depth.largestLevel)
            Refuse("the depth level " + std::to_string(depth.levels[i]) + " is more than the largest, " +
                   std::to_string(depth.largestLevel));
        if (rgb[0] != 0 || rgb[1] != 0 || rgb[2] != 0) ++lit;
    }
    Scene scene;
    scene.coloured = true;
    scene.points.reserve(lit);
    const double step = (range.far - range.near) / depth.largestLevel;
    const double scale = std::is_floating_point_v<Value> ? 1.0 : 1.0 / 255.0;
    for (int row = 0; row < colour.height; ++row) {
        const double y = (row - (colour.height - 1) / 2.0) * pitch;
        for (int column = 0; column < colour.width; ++column) {
            const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(colour.width) +
                                  static_cast<std::size_t>(column);
            const Value* rgb = colour.values.data() + 3 * i;
            if (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0) continue;
            ScenePoint point;
            point.x = (column - (colour.width - 1) / 2.0) * pitch;
            point.y = y;
            // The largest level stands for `far` exactly.
            point.z = depth.levels[i] == depth.largestLevel ? range.far : range.near + step * depth.levels[i];
            for (int channel = 0; channel < 3; ++channel)
                point.colour[static_cast<std::size_t>(channel)] = static_cast<float>(rgb[channel] * scale);
            scene.points.push_back(point);
        }
    }
    return scene;
}

}  // namespace

Scene DepthMapScene(const RgbPixels<std::uint8_t>& colour, const DepthLevels& depth, const DepthRange& range,
                    double pitch) {
    return Make(colour, depth, range, pitch);
}

Scene DepthMapScene(const RgbPixels<float>& colour, const DepthLevels& depth, const DepthRange& range,
                    double pitch) {
    return Make(colour, depth, range, pitch);
}

}  // namespace marbleck
