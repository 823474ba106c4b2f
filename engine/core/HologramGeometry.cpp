#include "engine/core/HologramGeometry.h"

#include <algorithm>
#include <cmath>

namespace marbleck {

NoHologramError::NoHologramError()
    : RunTimeError(ErrorNumber::InvalidPropertyValue,
                   "Invalid property value: the repetition factor leaves no hologram") {}

RunTimeError NoHologramError::forBox(const std::string& caption) const {
    return RunTimeError(number(), "Invalid property value: \"" + caption + "\" leaves no hologram");
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

namespace {

// Number of steps of a loop "for i = 0 to end" when end may be fractional.
int loopCount(double end) { return static_cast<int>(std::floor(end)) + 1; }

}  // namespace

double PointAngle(int index, float size) {
    const double span = static_cast<double>(size) - 1.0;
    if (span == 0.0) return 0.0;
    return static_cast<double>(index) * HologramPi / span;
}

int SampleCount(float size) { return std::max(0, loopCount(static_cast<double>(size) - 1.0)); }

double PhaseOfDraw(float r) { return 2.0 * static_cast<double>(r) * HologramPi; }

HologramGeometry MakeHologramGeometry(float W, float H, double R) {
    const double lastU = R * static_cast<double>(W) - 1.0;
    const double lastV = R * static_cast<double>(H) - 1.0;
    if (!(RoundHalfEven(lastU) >= 0.0) || !(RoundHalfEven(lastV) >= 0.0)) throw NoHologramError();
    const double boundU = RoundHalfEven(lastU);
    const double boundV = RoundHalfEven(lastV);
    if ((boundU + 1.0) * (boundV + 1.0) > static_cast<double>(MaxHologramValues))
        throw RunTimeError(ErrorNumber::OutOfMemory,
                           "Out of memory: the hologram would have more than 67108864 values");

    HologramGeometry g;
    g.W = W;
    g.H = H;
    g.R = R;
    g.canvasColumns = SampleCount(W);
    g.canvasRows = SampleCount(H);
    g.fieldColumns = static_cast<int>(boundU) + 1;
    g.fieldRows = static_cast<int>(boundV) + 1;
    // The loops "for u = 0 to R·W − 1" stop at the largest whole u not above
    // the end, while the field's bound is that end rounded half to even, which
    // can be one more: the field's last column and row may stay unvisited.
    g.columns = std::max(0, loopCount(lastU));
    g.rows = std::max(0, loopCount(lastV));
    return g;
}

void RefuseUnvisitedHologram(const HologramGeometry& geometry) {
    if (geometry.columns <= 0 || geometry.rows <= 0) throw NoHologramError();
}

}  // namespace marbleck
