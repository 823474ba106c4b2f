#pragma once

#include <array>
#include <vector>

namespace marbleck {

// A lit point of a 3-D scene, in metres on the hologram's own axes: x along
// the hologram's rows (to the right), y down its columns, z the distance in
// front of the hologram plane (z > 0 for every point a hologram can show).
// `colour` is the point's amplitude in red, green and blue (0 … 1 as read);
// a grey point has three equal values.
struct ScenePoint {
    double x = 0;
    double y = 0;
    double z = 0;
    std::array<float, 3> colour{1.0f, 1.0f, 1.0f};
};

// A scene: its points, and whether their colours differ by channel (a PLY
// with red/green/blue, a colour picture) or are one grey amplitude.
struct Scene {
    std::vector<ScenePoint> points;
    bool coloured = false;
};

}  // namespace marbleck
