#pragma once

#include <span>

#include "engine/HologramEngine.h"

namespace marbleck {

// Which computation "Calculate" runs.
enum class EngineKind {
    Reference,  // the straightforward scalar recurrence, one thread
    Exact,      // the same values bit for bit, on every core and vector lane (the default)
    Fast,       // two 64-bit matrix products; equal to Exact up to rounding (opt-in)
};

// Adds the sums of `points` (scan order, one phase each) into `field`, which
// has the geometry's bounds and is normally zero-filled. columnDone runs on
// the calling thread once per canvas column, in order. Throws
// CalculationCancelled soon after `cancel` is set.
void AccumulateHologram(EngineKind kind, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, std::span<const double> phases,
                        HologramField& field, const ColumnDone& columnDone = {},
                        const CancelFlag* cancel = nullptr);

}  // namespace marbleck
