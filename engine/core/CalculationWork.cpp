#include "engine/core/CalculationWork.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace marbleck {

namespace {

// The number of distinct canvas columns and rows among the points.
std::pair<double, double> LitColumnsAndRows(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    std::vector<bool> column(static_cast<std::size_t>(std::max(0, g.canvasColumns)));
    std::vector<bool> row(static_cast<std::size_t>(std::max(0, g.canvasRows)));
    double columns = 0, rows = 0;
    for (const ObjectPoint& p : points) {
        if (p.x >= 0 && p.x < g.canvasColumns && !column[static_cast<std::size_t>(p.x)]) {
            column[static_cast<std::size_t>(p.x)] = true;
            ++columns;
        }
        if (p.y >= 0 && p.y < g.canvasRows && !row[static_cast<std::size_t>(p.y)]) {
            row[static_cast<std::size_t>(p.y)] = true;
            ++rows;
        }
    }
    return {columns, rows};
}

}  // namespace

double PointValues(const HologramGeometry& geometry, std::size_t points) {
    return static_cast<double>(points) * geometry.columns * geometry.rows;
}

double SweepSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int threads,
                    double pointValuesPerSecond) {
    return PointValues(g, points.size()) / (pointValuesPerSecond * std::max(1, threads));
}

double ProductSeconds(const HologramGeometry& g, std::span<const ObjectPoint> points, int threads,
                      double multiplyAddsPerSecond) {
    const auto [columns, rows] = LitColumnsAndRows(g, points);
    const double multiplyAdds = 4.0 * g.rows * columns * rows + 2.0 * g.columns * g.rows * columns;
    return multiplyAdds / (multiplyAddsPerSecond * std::max(1, threads));
}

double EstimatedSeconds(const CalculationEngine& engine, const HologramGeometry& g,
                        std::span<const ObjectPoint> points, int threads) {
    return engine.estimatedSeconds(g, points, threads);
}

double RefinementValues(const HologramGeometry& geometry, int iterations) {
    return static_cast<double>(geometry.columns) * geometry.rows * std::max(0, iterations);
}

double RefinementSeconds(const HologramGeometry& geometry, int iterations, int threads) {
    // Operations a second on one thread, in a transform too large for its
    // caches; the steps between transforms are some 40 operations a value.
    constexpr double OperationsPerSecond = 2e9;
    const double values = static_cast<double>(geometry.columns) * geometry.rows;
    if (values < 1) return 0;
    const double perValue = 2 * 5 * std::log2(std::max(2.0, values)) + 40;
    return RefinementValues(geometry, iterations) * perValue / (OperationsPerSecond * std::max(1, threads));
}

}  // namespace marbleck
