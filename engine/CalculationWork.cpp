#include "engine/CalculationWork.h"

#include <algorithm>
#include <vector>

namespace marbleck {

namespace {

constexpr double ExactPointValuesPerSecond = 1.5e9;
constexpr double FastMultiplyAddsPerSecond = 4e9;
constexpr double ReferencePointValuesPerSecond = 1.5e8;

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

double EstimatedSeconds(EngineKind kind, const HologramGeometry& g, std::span<const ObjectPoint> points,
                        int threads) {
    const double parallel = std::max(1, threads);
    switch (kind) {
        case EngineKind::Reference:
            return PointValues(g, points.size()) / ReferencePointValuesPerSecond;
        case EngineKind::Exact:
            return PointValues(g, points.size()) / (ExactPointValuesPerSecond * parallel);
        case EngineKind::Fast: {
            // One complex product of rows × lit columns × lit rows, then one
            // real product of the values × twice the lit columns.
            const auto [columns, rows] = LitColumnsAndRows(g, points);
            const double multiplyAdds = 4.0 * g.rows * columns * rows + 2.0 * g.columns * g.rows * columns;
            return multiplyAdds / (FastMultiplyAddsPerSecond * parallel);
        }
    }
    return 0;
}

}  // namespace marbleck
