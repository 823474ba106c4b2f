#pragma once

#include <cstdint>

#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"

namespace marbleck {

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
