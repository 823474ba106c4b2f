#include "engine/sums/Normalisation.h"

#include "engine/sums/NormalisedGrey.h"

#ifdef __FAST_MATH__
#error "normalising must be built without -ffast-math: it reorders the roundings"
#endif

namespace marbleck {

FieldRange FindRange(const HologramField& field, const HologramGeometry& g) {
    FieldRange range;
    for (int u = 0; u < g.columns; ++u) {
        const float* column = field.column(u);
        for (int v = 0; v < g.rows; ++v) {
            if (column[v] > range.maximum) range.maximum = column[v];
            if (column[v] < range.minimum) range.minimum = column[v];
        }
    }
    return range;
}

void Normalise(HologramField& field, const HologramGeometry& g, FieldRange range) {
    const double minimum = range.minimum;
    const double span = static_cast<double>(range.maximum) - minimum;
    if (span == 0.0) return;  // no object point: every value is and stays 0
    for (int u = 0; u < g.columns; ++u) {
        float* column = field.column(u);
        for (int v = 0; v < g.rows; ++v) column[v] = detail::NormalisedValue(column[v], minimum, span);
    }
}

std::uint8_t GreyLevel(float normalised) { return detail::GreyOf(normalised); }

}  // namespace marbleck
