#pragma once

#include <string>

#include "platform/RunTimeError.h"

namespace marbleck {

// RunTimeError 380 of a repetition factor that leaves no hologram. Its
// description names the factor, not where it came from; a caller that read it
// from a box gives the box's caption with forBox.
class NoHologramError : public RunTimeError {
public:
    NoHologramError();
    // The same error, its description naming the box captioned `caption`.
    RunTimeError forBox(const std::string& caption) const;
};

// The constant of the angle steps and phases: 3.1415 exactly, not pi.
inline constexpr double HologramPi = 3.1415;

// The most values a hologram may have (2^26 floats, 256 MiB).
inline constexpr long long MaxHologramValues = 1LL << 26;

// Sizes of one calculation. W and H are the canvas size in pixels (single
// precision, possibly fractional), R the repetition factor.
struct HologramGeometry {
    float W = 0;
    float H = 0;
    double R = 0;
    int canvasColumns = 0;  // x runs 0 .. canvasColumns - 1 (the largest whole x <= W - 1)
    int canvasRows = 0;     // y runs 0 .. canvasRows - 1
    int fieldColumns = 0;   // the field's bounds: R·W − 1 rounded half to even, plus 1
    int fieldRows = 0;
    int columns = 0;  // u runs 0 .. columns - 1 (the largest whole u <= R·W − 1);
    int rows = 0;     // v likewise. Never more than the field's bounds.
};

// Rounds to the nearest whole number, halves to even.
double RoundHalfEven(double value);

// The angle of canvas column (or row) `index` on a side of `size` pixels:
// index × 3.1415 / (size − 1), multiplied before dividing, in 64-bit. A side
// one pixel long has no angle to spread, so every point on it sits at 0.
double PointAngle(int index, float size);

// The canvas samples along a side of `size` pixels: 0 .. the largest whole
// number not above size − 1, none for a side under one pixel.
int SampleCount(float size);

// The phase of one random draw r in [0, 1): 2 × r × 3.1415 in 64-bit.
double PhaseOfDraw(float r);

// Derives the loop bounds of a calculation. Throws NoHologramError (380) when
// R·W − 1 or R·H − 1 rounds below 0 and RunTimeError 7 when the hologram
// would have more than MaxHologramValues values.
HologramGeometry MakeHologramGeometry(float W, float H, double R);

// Throws NoHologramError when the geometry's loops visit no value (columns
// or rows 0): reps that put R·W − 1 just below 0 leave the field one value
// that no sum reaches. The window's "Calculate" of an amplitude hologram
// keeps that value as it always has; everything else refuses it.
void RefuseUnvisitedHologram(const HologramGeometry& geometry);

}  // namespace marbleck
