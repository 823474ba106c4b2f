#pragma once

#include <span>

#include "engine/sums/CalculationEngine.h"

namespace marbleck {

// How much work a calculation is, known before it starts.

// The most object points × hologram values a calculation by an engine that
// adds every point into every value may have without a time limit: 2^38, a
// few minutes on a desktop processor. The command line and the Python package
// refuse more unless they are given a deadline.
inline constexpr double ExactWorkBound = 274877906944.0;
inline constexpr int ExactWorkBoundExponent = 38;

// Object points × hologram values: the exact and reference engines add
// every point into every value once.
double PointValues(const HologramGeometry& geometry, std::size_t points);

// The seconds of adding every point into every value at
// `pointValuesPerSecond` on each of `threads` threads.
double SweepSeconds(const HologramGeometry& geometry, std::span<const ObjectPoint> points, int threads,
                    double pointValuesPerSecond);

// The seconds of the fast engine's products at `multiplyAddsPerSecond` on
// each of `threads` threads: one complex product of rows × lit columns × lit
// rows, then one real product of the values × twice the lit columns.
double ProductSeconds(const HologramGeometry& geometry, std::span<const ObjectPoint> points, int threads,
                      double multiplyAddsPerSecond);

// The seconds a calculation of `points` by `engine` may take on `threads`
// threads, at rates a current desktop processor reaches per thread. An
// estimate for telling the user, within a factor of a few.
double EstimatedSeconds(const CalculationEngine& engine, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, int threads);

// Hologram values × iterations: each iteration of a refinement transforms
// every value forward and back.
double RefinementValues(const HologramGeometry& geometry, int iterations);

// The most RefinementValues a refinement may have without a time limit:
// 2^32, a few minutes on a desktop processor.
inline constexpr double RefinementWorkBound = 4294967296.0;
inline constexpr int RefinementWorkBoundExponent = 32;

// The seconds `iterations` of a refinement of `geometry` may take on
// `threads` threads: two transforms of 5 N log2 N operations and the steps
// between them, at a rate a current desktop processor reaches per thread.
// An estimate for telling the user, within a factor of a few.
double RefinementSeconds(const HologramGeometry& geometry, int iterations, int threads);

}  // namespace marbleck
