#include "engine/reconstruction/PhysicalFigures.h"

#include <cmath>

#include "engine/core/HologramGeometry.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double DegreesPerRadian = 180.0 / Pi;

bool Positive(double value) { return std::isfinite(value) && value > 0; }

// asin(λ·f / p) in radians; f in cycles a pixel, λ in nm, p in mm.
std::optional<double> AngleRadians(double cyclesPerPixel, double pitchMm, double wavelengthNm) {
    const double sine = wavelengthNm * 1e-6 * cyclesPerPixel / pitchMm;
    if (!(std::fabs(sine) <= 1.0)) return std::nullopt;
    return std::asin(sine);
}

}  // namespace

PhysicalFigures ComputePhysicalFigures(int columns, int rows, double dpi, double scale, double wavelengthNm,
                                       double distanceM) {
    if (!Positive(dpi) || !Positive(scale) || !Positive(wavelengthNm) || !Positive(distanceM) ||
        columns < 0 || rows < 0)
        throw RunTimeError(
            ErrorNumber::InvalidPropertyValue,
            "Invalid property value: resolution, scale, wavelength and distance must be positive");
    PhysicalFigures f;
    f.pitchMm = 25.4 * scale / dpi;
    f.widthMm = columns * f.pitchMm;
    f.heightMm = rows * f.pitchMm;
    f.wavelengthNm = wavelengthNm;
    f.distanceM = distanceM;
    const std::optional<double> largest = AngleRadians(0.5, f.pitchMm, wavelengthNm);
    if (!largest) return f;
    f.maxAngleDegrees = *largest * DegreesPerRadian;
    f.screenSpanMm = 2.0 * distanceM * 1000.0 * std::tan(*largest);
    const std::optional<double> object = AngleRadians(HologramPi / (2.0 * Pi), f.pitchMm, wavelengthNm);
    if (object) f.screenImageMm = distanceM * 1000.0 * std::tan(*object);
    return f;
}

std::optional<double> BinAngleDegrees(double offset, int n, double pitchMm, double wavelengthNm) {
    if (n <= 0 || !Positive(pitchMm)) return std::nullopt;
    const std::optional<double> angle = AngleRadians(offset / n, pitchMm, wavelengthNm);
    if (!angle) return std::nullopt;
    return *angle * DegreesPerRadian;
}

std::optional<double> BinScreenMm(double offset, int n, double pitchMm, double wavelengthNm,
                                  double distanceM) {
    if (n <= 0 || !Positive(pitchMm)) return std::nullopt;
    const std::optional<double> angle = AngleRadians(offset / n, pitchMm, wavelengthNm);
    if (!angle) return std::nullopt;
    return distanceM * 1000.0 * std::tan(*angle);
}

}  // namespace marbleck
