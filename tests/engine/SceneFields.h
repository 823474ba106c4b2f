#pragma once

// Fields on a ScenePlane for the propagation tests, formed in double
// precision: a Gaussian beam, the field of points summed directly, and
// comparisons of fields.

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>

#include "engine/scenes/Scene.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck::test {

// e^{−ρ²/w²}·e^{i·2π(fx·x + fy·y)} around (x0, y0).
inline SceneField GaussianBeam(const ScenePlane& plane, double waist, double x0 = 0, double y0 = 0,
                               double fx = 0, double fy = 0) {
    SceneField field(plane);
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) {
            const double x = plane.x(c) - x0;
            const double y = plane.y(r) - y0;
            const double phase = 2 * std::numbers::pi * (fx * plane.x(c) + fy * plane.y(r));
            field.row(r)[c] =
                std::complex<float>(std::polar(std::exp(-(x * x + y * y) / (waist * waist)), phase));
        }
    return field;
}

// Σ a·(z/r)·(1 + i/(k·r))·e^{ikr}/r over the points, each point's amplitude
// its red channel: the Rayleigh–Sommerfeld field of points, which the layer
// method's points give. With `obliquity` false, the plain point sum
// Σ a·e^{ikr}/r. Only where ρ/r ≤ λ/(2p), the fringes a plane of pitch p
// can hold.
// `phases`, when given, holds each point's own phase.
inline SceneField PointSum(const ScenePlane& plane, std::span<const ScenePoint> points, double wavelength,
                           bool obliquity, std::span<const double> phases = {}) {
    const double k = 2 * std::numbers::pi / wavelength;
    const double limit = wavelength / (2 * plane.pitch);
    SceneField field(plane);
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) {
            std::complex<double> sum;
            for (std::size_t j = 0; j < points.size(); ++j) {
                const ScenePoint& p = points[j];
                const double dx = plane.x(c) - p.x;
                const double dy = plane.y(r) - p.y;
                const double rho2 = dx * dx + dy * dy;
                const double distance = std::sqrt(rho2 + p.z * p.z);
                if (std::sqrt(rho2) > limit * distance) continue;
                // k·r with its whole turns of k·z taken away in double.
                const double phase = std::remainder(p.z / wavelength, 1.0) * 2 * std::numbers::pi +
                                     k * rho2 / (distance + std::abs(p.z)) +
                                     (phases.empty() ? 0.0 : phases[j]);
                std::complex<double> value = std::polar(static_cast<double>(p.colour[0]) / distance, phase);
                if (obliquity)
                    value *= std::abs(p.z) / distance * std::complex<double>(1.0, 1.0 / (k * distance));
                sum += value;
            }
            field.row(r)[c] = std::complex<float>(sum);
        }
    return field;
}

// The largest |a − b| over the largest |b|.
inline double RelativeDifference(const SceneField& a, const SceneField& b) {
    double worst = 0;
    double peak = 0;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        worst = std::max(worst, static_cast<double>(std::abs(a.values[i] - b.values[i])));
        peak = std::max(peak, static_cast<double>(std::abs(b.values[i])));
    }
    return worst / peak;
}

inline double Energy(const SceneField& field) {
    double sum = 0;
    for (const auto& v : field.values) sum += std::norm(std::complex<double>(v));
    return sum;
}

}  // namespace marbleck::test
