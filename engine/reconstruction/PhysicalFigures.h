#pragma once

#include <optional>

namespace marbleck {

// What a printed hologram measures and what it shows when lit by a laser.
// All lengths in millimetres, angles in degrees.
struct PhysicalFigures {
    double pitchMm = 0;       // the printed pixel pitch p = 25.4 mm · scale / dpi
    double widthMm = 0;       // columns · p
    double heightMm = 0;      // rows · p
    double wavelengthNm = 0;  // λ as given
    double distanceM = 0;     // the screen's distance D as given
    // The largest diffraction angle θ = asin(λ / 2p), that of the highest
    // frequency the print holds (half a cycle a pixel); empty when λ / 2p > 1
    // (pixels finer than half a wavelength diffract no propagating order).
    std::optional<double> maxAngleDegrees;
    // The first-order image on a screen at D: the object's image reaches from
    // the undiffracted spot to the highest object frequency (3.1415 / 2π
    // cycles a pixel) along each axis, so its side is D · tan(asin(λ·f / p))
    // with that f; the twin lies point-mirrored on the other side, so the
    // whole pattern spans about twice that (screenSpanMm = 2 · D · tan θ).
    // Pixels are square, so both axes measure the same. Empty with no angle.
    std::optional<double> screenImageMm;
    std::optional<double> screenSpanMm;
};

// Throws RunTimeError 380 when dpi, scale, wavelength or distance is not a
// positive finite number, or columns or rows is negative.
PhysicalFigures ComputePhysicalFigures(int columns, int rows, double dpi, double scale, double wavelengthNm,
                                       double distanceM);

// The angle of a reconstruction bin `offset` bins from the centre on an axis
// of `n` bins: asin(λ · f / p) with f = offset / n cycles a pixel (negative
// offsets give negative angles). Empty when |λ · f / p| > 1.
std::optional<double> BinAngleDegrees(double offset, int n, double pitchMm, double wavelengthNm);

// Where that bin lands on a screen at `distanceM`: D · tan(angle), in mm from
// the undiffracted spot. Empty when the bin has no angle.
std::optional<double> BinScreenMm(double offset, int n, double pitchMm, double wavelengthNm,
                                  double distanceM);

}  // namespace marbleck
