#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/sums/CalculationEngine.h"

namespace marbleck {

// The first stage of a calculation: `field` becomes a fresh field of the
// geometry's bounds holding the sums of `points` (lit canvas samples in scan
// order, x outer, y inner; one phase each) by `engine`. The context's
// columnDone runs on the calling thread once per canvas column, in order.
// Returns the range of the sums. Once the context's cancel flag is set, soon
// throws CalculationCancelled, leaving `field` partly written.
FieldRange SumHologram(const CalculationEngine& engine, const HologramGeometry& geometry,
                       std::span<const ObjectPoint> points, std::span<const double> phases,
                       HologramField& field, const ExecutionContext& context = {});

// The second stage: normalises the visited values of `field` by `range` in
// place (the unvisited last column and row, if any, stay as they are) and
// writes their grey levels into `grey`: the visited columns × rows, column by
// column (v contiguous), as HologramField stores them; its memory is reused.
// Without `grey`, normalises only.
// A field whose range is empty (no object point) keeps its values, and its
// grey levels are theirs. One pass over the field, shared among the threads
// of the context's pool when it is large.
void NormaliseHologram(HologramField& field, const HologramGeometry& geometry, FieldRange range,
                       std::vector<std::uint8_t>* grey, const ExecutionContext& context = {});

// Both stages in one call: SumHologram, then NormaliseHologram, as
// MakeHologram runs them between the samples' phases and the binarization.
// Returns the range of the raw sums.
FieldRange CalculateHologram(const CalculationEngine& engine, const HologramGeometry& geometry,
                             std::span<const ObjectPoint> points, std::span<const double> phases,
                             HologramField& field, std::vector<std::uint8_t>& grey,
                             const ExecutionContext& context = {});

}  // namespace marbleck
