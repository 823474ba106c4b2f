#pragma once

// Object point sets shared by the engine tests and the benchmarks.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck::cases {

struct Case {
    HologramGeometry geometry;
    std::vector<ObjectPoint> points;  // scan order
    std::vector<double> phases;       // one per point
};

// Random phases as "Calculate" draws them: one uniform draw per point.
inline std::vector<double> RandomPhases(std::size_t count, std::uint64_t seed) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<float> draw(0.0f, 1.0f);
    std::vector<double> phases(count);
    for (double& phase : phases) phase = PhaseOfDraw(draw(engine));
    return phases;
}

// About `count` distinct canvas samples chosen at random, in scan order.
inline Case RandomPoints(float W, float H, double R, int count, std::uint64_t seed) {
    Case c{MakeHologramGeometry(W, H, R), {}, {}};
    const long long samples = static_cast<long long>(c.geometry.canvasColumns) * c.geometry.canvasRows;
    std::mt19937_64 engine(seed);
    std::vector<bool> lit(static_cast<std::size_t>(samples), false);
    std::uniform_int_distribution<long long> pick(0, samples - 1);
    for (int i = 0; i < count && i < samples; ++i) lit[static_cast<std::size_t>(pick(engine))] = true;
    for (int x = 0; x < c.geometry.canvasColumns; ++x)
        for (int y = 0; y < c.geometry.canvasRows; ++y)
            if (lit[static_cast<std::size_t>(x) * static_cast<std::size_t>(c.geometry.canvasRows) + y])
                c.points.push_back({x, y});
    c.phases = RandomPhases(c.points.size(), seed + 1);
    return c;
}

// A filled disc about half the canvas's area, centred.
inline Case Disc(float W, float H, double R, std::uint64_t seed) {
    Case c{MakeHologramGeometry(W, H, R), {}, {}};
    const double cx = (c.geometry.canvasColumns - 1) / 2.0, cy = (c.geometry.canvasRows - 1) / 2.0;
    const double radius = 0.399 * std::min(c.geometry.canvasColumns, c.geometry.canvasRows);
    for (int x = 0; x < c.geometry.canvasColumns; ++x)
        for (int y = 0; y < c.geometry.canvasRows; ++y)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) c.points.push_back({x, y});
    c.phases = RandomPhases(c.points.size(), seed);
    return c;
}

// The three cases the benchmarks time.
inline Case SmallDrawing() { return RandomPoints(100.0f, 100.0f, 1.0, 300, 11); }
inline Case ManyPoints() { return RandomPoints(100.0f, 100.0f, 3.0, 2000, 12); }
inline Case HalfLitDisc(double R = 10.0) { return Disc(165.33333f, 165.33333f, R, 13); }

// A letter F with strokes 2 px wide on a size x size canvas, in scan order.
inline std::vector<ObjectPoint> ThinLetterF(int size) {
    std::vector<ObjectPoint> points;
    const int left = size / 4, top = size / 6, bottom = size - size / 6, middle = size / 2;
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y) {
            const bool stem = x >= left && x < left + 2 && y >= top && y < bottom;
            const bool bar = x >= left && ((y >= top && y < top + 2 && x < size - size / 4) ||
                                           (y >= middle && y < middle + 2 && x < size * 5 / 8));
            if (stem || bar) points.push_back({x, y});
        }
    return points;
}

// An n x n grid of single points, evenly spread over a square canvas of
// `size` pixels, in scan order.
inline std::vector<ObjectPoint> PointGrid(int size, int n) {
    std::vector<ObjectPoint> points;
    const int step = size / n;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) points.push_back({step / 2 + i * step, step / 2 + j * step});
    return points;
}

}  // namespace marbleck::cases
