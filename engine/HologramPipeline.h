#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/HologramCompute.h"
#include "engine/ThreadPool.h"

namespace marbleck {

// One whole calculation, as "Calculate" runs it: the sums of `points` (lit
// canvas samples in scan order, x outer, y inner; one phase each) by the
// engine `kind`, their range, the normalised field and its grey levels.
//  - `field` becomes a fresh field of the geometry's bounds holding the
//    normalised values (the unvisited last column and row, if any, stay 0);
//  - `grey` receives the grey levels of the visited columns × rows, column by
//    column (v contiguous), as HologramField stores them; its memory is reused;
//  - `columnDone` runs on the calling thread once per canvas column, in order,
//    while the sums are formed;
//  - once `cancel` is set, the call soon throws CalculationCancelled, leaving
//    `field` and `grey` partly written.
// Returns the range of the raw sums (before normalisation). The fast engine
// finds it while writing the sums; normalising and grey levels are one pass
// over the field, shared among the threads of `pool`.
FieldRange CalculateHologram(EngineKind kind, const HologramGeometry& geometry,
                             std::span<const ObjectPoint> points, std::span<const double> phases,
                             HologramField& field, std::vector<std::uint8_t>& grey,
                             const ColumnDone& columnDone = {}, ThreadPool& pool = ThreadPool::Shared(),
                             const CancelFlag* cancel = nullptr);

}  // namespace marbleck
