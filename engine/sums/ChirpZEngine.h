#pragma once

#include <span>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {

// The hologram by separable chirp-z transforms. The sum
//   F(u, v) = Re Σy e^{i v αy} Σx A(x, y) e^{i u αx},  A = e^{iφ} at each point,
// has angles αx = x·C / (W − 1) on a regular grid: for each lit canvas row
// y, G(u, y) = Σx A(x, y) e^{i u αx} for every hologram column u is one
// chirp-z transform along the canvas row, and for each hologram column u,
// F(u, ·) is the real part of one along G's row of u, written into the
// field's column in place. Each is a few convolutions of a few hundred
// values by FFT (ChirpZ), so the work grows as (lit rows + columns) × N log N
// instead of with the products' lit columns × lit rows × values. The
// transforms run in 32-bit; each sum is added to the field and rounded to
// 32-bit once. Equal to the exact engine's up to the transforms' rounding: a few
// millionths of the field's range.
//
// Adds the sums of `points` (scan order, one phase each) into `field` (the
// geometry's bounds, normally zero-filled), the transforms shared among the
// context's pool. The context's columnDone runs on the calling thread for
// every canvas column in order, spread over the work as it progresses. With
// `range`, also gives what FindRange would give on the result, found while
// each value is written. Throws CalculationCancelled soon after the context's
// cancel flag is set and std::invalid_argument for points out of scan order.
void AccumulateChirpZ(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                      std::span<const double> phases, HologramField& field, FieldRange* range = nullptr,
                      const ExecutionContext& context = {});

// The values the FFTs of AccumulateChirpZ run through: lit canvas rows ×
// ChirpZ::TransformedValues along the columns plus hologram columns × those
// along the rows.
double ChirpZTransformValues(const HologramGeometry& geometry, std::span<const ObjectPoint> points);

}  // namespace marbleck
