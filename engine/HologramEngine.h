#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/Cancellation.h"
#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"

namespace marbleck {

// A lit canvas sample, in scan order (x outer, y inner).
struct ObjectPoint {
    int x = 0;
    int y = 0;
};

// Called on the calling thread after canvas column x has been accumulated,
// for every x from 0 to canvasColumns - 1 in order, whether or not the column
// held object points.
using ColumnDone = std::function<void(int x)>;

// Accumulates the raw sums of all object points into `field` (zero-filled,
// fieldColumns x fieldRows; only the first columns x rows are visited) with the straightforward
// rotation recurrence: every value is formed in 64-bit from the stored 32-bit
// value and rounded once per object point. `phases[i]` is the phase of
// points[i]. This is the reference every faster form is tested against.
// Throws CalculationCancelled soon after `cancel` is set.
void AccumulateReference(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                         std::span<const double> phases, HologramField& field,
                         const ColumnDone& columnDone = {}, const CancelFlag* cancel = nullptr);

// The range of a field: both ends start at 0, so minimum <= 0 <= maximum.
struct FieldRange {
    float minimum = 0;
    float maximum = 0;
};
FieldRange FindRange(const HologramField& field, const HologramGeometry& geometry);

// Replaces every visited value by (value − minimum) / (maximum − minimum)
// rounded to 32-bit. A field whose range is empty (no object point) stays all
// zeros.
void Normalise(HologramField& field, const HologramGeometry& geometry, FieldRange range);

// Grey level of a normalised value: value × 255 in 32-bit, rounded half to even.
std::uint8_t GreyLevel(float normalised);

}  // namespace marbleck
