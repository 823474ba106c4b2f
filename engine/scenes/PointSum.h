#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/ExecutionContext.h"
#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// How the exact point sum runs: the light's wavelength, the scene's colour
// channel it takes its amplitudes from, the points' own phases and whether a
// point lights only the values its fringes can be shown on.
struct PointSumOptions {
    double wavelength = 0;  // metres
    // The channel of each point's colour: 0 red, 1 green, 2 blue.
    int channel = 0;
    // Each point's phase: zero, or drawn from `seed` (PointPhase).
    bool randomPhases = false;
    std::uint64_t seed = 0;
    // A point lights only the values where ρ/r ≤ λ/(2·pitch): beyond it its
    // fringes are finer than two of the plane's values can show.
    bool panelLimit = true;
};

// The exact sum of the scene's spherical waves on `plane`:
// U(x, y) = Σⱼ aⱼ / rⱼ · exp(i(k rⱼ + φⱼ)), rⱼ the distance from point j to
// the value at (x, y, 0), k = 2π/λ, aⱼ the point's colour in the options'
// channel and φⱼ its phase. Each point's k·zⱼ is kept in double precision
// and every value's k·(rⱼ − zⱼ) = k·ρ²/(rⱼ + zⱼ) in single, in vectors on
// every thread of the context's pool, rows in bands; the same scene, plane
// and options give the same field on any number of threads. Reports its
// progress and stops with CalculationCancelled as the context asks.
// Throws RunTimeError 380 for a point that is not in front of the plane
// (z ≤ 0), lies nearer it than 1 nm or farther than 1 km (a coordinate
// beyond), or has a coordinate or amplitude that is not a finite number
// (amplitudes below 0 too), naming the point by its place (from 1);
// std::invalid_argument for a plane without values, a pitch or wavelength
// that is not a positive number, or a channel outside 0 … 2.
SceneField SumPoints(const Scene& scene, const ScenePlane& plane, const PointSumOptions& options,
                     const ExecutionContext& context);

// The phase φ of point `index` (from 0) of a scene summed with random
// phases from `seed`: uniform in [0, 2π), drawn from the seed and the index
// alone, so that it is the same on any thread.
double PointPhase(std::uint64_t seed, std::size_t index);

// The largest ρ² a point at distance z lights under the panel's limit
// ρ/r ≤ λ/(2·pitch); infinity where the limit allows every angle.
double PanelLimitRadiusSquared(double z, double wavelength, double pitch);

}  // namespace marbleck
