#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "engine/scenes/PointSum.h"

namespace marbleck {

// The exact point sum the plain way, for the tests and benchmarks to measure
// the engine by: every value of rows [firstRow, lastRow) of the plane, row
// by row, each point's wave in double precision with k·r taken whole, the
// panel's limit as ρ/r ≤ λ/(2·pitch) itself.
inline std::vector<std::complex<double>> PlainPointSum(const Scene& scene, const ScenePlane& plane,
                                                       const PointSumOptions& options, int firstRow = 0,
                                                       int lastRow = -1) {
    if (lastRow < 0) lastRow = plane.rows;
    const double k = 2 * std::numbers::pi / options.wavelength;
    const double limit = options.wavelength / (2 * plane.pitch);
    std::vector<std::complex<double>> field;
    field.reserve(static_cast<std::size_t>(lastRow - firstRow) * static_cast<std::size_t>(plane.columns));
    for (int row = firstRow; row < lastRow; ++row)
        for (int column = 0; column < plane.columns; ++column) {
            std::complex<double> sum = 0;
            for (std::size_t j = 0; j < scene.points.size(); ++j) {
                const ScenePoint& point = scene.points[j];
                const double dx = plane.x(column) - point.x, dy = plane.y(row) - point.y;
                const double rho = std::sqrt(dx * dx + dy * dy);
                const double r = std::sqrt(dx * dx + dy * dy + point.z * point.z);
                if (options.panelLimit && rho / r > limit) continue;
                const double phase = k * r + (options.randomPhases ? PointPhase(options.seed, j) : 0.0);
                sum += point.colour[static_cast<std::size_t>(options.channel)] / r *
                       std::complex<double>(std::cos(phase), std::sin(phase));
            }
            field.push_back(sum);
        }
    return field;
}

}  // namespace marbleck
