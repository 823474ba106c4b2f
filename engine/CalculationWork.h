#pragma once

#include <span>

#include "engine/HologramCompute.h"

namespace marbleck {

// How much work a calculation is, known before it starts.

// Object points × hologram values: the exact and reference engines add
// every point into every value once.
double PointValues(const HologramGeometry& geometry, std::size_t points);

// The seconds a calculation of `points` may take on `threads` threads, at
// rates a current desktop processor reaches per thread (about 1.5 × 10^9
// point-values a second in the exact engine, 4 × 10^9 multiply-adds in the
// fast one's products, one tenth of that in the reference). An estimate
// for telling the user, within a factor of a few.
double EstimatedSeconds(EngineKind kind, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, int threads);

}  // namespace marbleck
