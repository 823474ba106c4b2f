#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/scenes/Refocus.h"
#include "engine/scenes/Scene.h"

namespace marbleck {

// How well the points of one depth come to focus: MeasureFocus's shares of
// the points at that depth (the light within 3 pixels of each point over all
// the light of the depth's picture), their mean leaving out those that have
// none.
struct DepthFocus {
    double depth = 0;
    std::size_t points = 0;
    double meanShare = 0;  // NaN where no point of the depth has a share
};

// Every point's focus and each depth's (MeasureFocus's depths, nearest first).
struct SceneFocusFigures {
    double meanShare = 0;
    std::vector<DepthFocus> depths;
};

// MeasureFocus of `points` through `refocus`, gathered by depth. Throws what
// MeasureFocus throws.
SceneFocusFigures MeasureFocusByDepth(const Refocus& refocus, std::span<const ScenePoint> points,
                                      const ExecutionContext& context = {});

}  // namespace marbleck
