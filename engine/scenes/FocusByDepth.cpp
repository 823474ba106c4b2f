#include "engine/scenes/FocusByDepth.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/scenes/LayerHologram.h"

namespace marbleck {

SceneFocusFigures MeasureFocusByDepth(const Refocus& refocus, std::span<const ScenePoint> points,
                                      const ExecutionContext& context) {
    const FocusFigures shares = MeasureFocus(refocus, points, context);
    Scene scene;
    scene.points.assign(points.begin(), points.end());
    // The depths MeasureFocus draws, each point at the nearest.
    const std::vector<double> depths = LayerDepths(scene, {});
    std::vector<double> sums(depths.size(), 0);
    std::vector<std::size_t> counted(depths.size(), 0);
    SceneFocusFigures figures;
    figures.meanShare = shares.meanShare;
    for (const double depth : depths) figures.depths.push_back({depth, 0, 0});
    for (std::size_t j = 0; j < points.size(); ++j) {
        const double z = points[j].z;
        if (!std::isfinite(z) || depths.empty()) continue;
        const auto above = std::lower_bound(depths.begin(), depths.end(), z);
        auto level = static_cast<std::size_t>(above - depths.begin());
        if (level == depths.size() || (level > 0 && z - depths[level - 1] <= *above - z)) --level;
        ++figures.depths[level].points;
        if (std::isnan(shares.shares[j])) continue;
        sums[level] += shares.shares[j];
        ++counted[level];
    }
    for (std::size_t level = 0; level < depths.size(); ++level)
        figures.depths[level].meanShare = counted[level] > 0
                                              ? sums[level] / static_cast<double>(counted[level])
                                              : std::numeric_limits<double>::quiet_NaN();
    std::erase_if(figures.depths, [](const DepthFocus& depth) { return depth.points == 0; });
    return figures;
}

}  // namespace marbleck
