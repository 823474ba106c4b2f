#pragma once

#include <span>

#include "engine/core/Cancellation.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck {

// Accumulates the raw sums of all object points into `field` (zero-filled,
// fieldColumns x fieldRows; only the first columns x rows are visited) with the straightforward
// rotation recurrence: every value is formed in 64-bit from the stored 32-bit
// value and rounded once per object point. `phases[i]` is the phase of
// points[i]. This is the reference every faster form is tested against.
// Throws CalculationCancelled soon after `cancel` is set.
void AccumulateReference(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                         std::span<const double> phases, HologramField& field,
                         const ColumnDone& columnDone = {}, const CancelFlag* cancel = nullptr);

}  // namespace marbleck
