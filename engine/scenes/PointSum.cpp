#include "engine/scenes/PointSum.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/ParallelFor.h"
#include "engine/scenes/PointSumKernel.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

constexpr double TwoPi = 2 * std::numbers::pi;
// Rows a band holds: its values stay in the core's caches while every point
// passes over them, and the bands dealt out in turn keep the threads' shares
// of the scene's discs alike.
constexpr int BandRows = 4;
constexpr double NearestDistance = 1e-9;
constexpr double FarthestDistance = 1e3;
// Points summed between two looks at the cancel flag.
constexpr std::size_t PointsBetweenChecks = 16;

// What every run of one point shares, worked out once in double precision.
struct PreparedPoint {
    double x = 0;
    double y = 0;
    double radiusSquared = 0;  // the panel's limit; infinity for none
    float z = 0;
    float phase = 0;  // k·z + φ, reduced into [−π, π)
    float amplitude = 0;
};

void CheckArguments(const ScenePlane& plane, const PointSumOptions& options) {
    if (plane.columns <= 0 || plane.rows <= 0)
        throw std::invalid_argument("SumPoints: the plane has no values");
    if (!(plane.pitch > 0) || !std::isfinite(plane.pitch))
        throw std::invalid_argument("SumPoints: the pitch is not a positive number");
    if (!(options.wavelength > 0) || !std::isfinite(options.wavelength))
        throw std::invalid_argument("SumPoints: the wavelength is not a positive number");
    if (options.channel < 0 || options.channel > 2)
        throw std::invalid_argument("SumPoints: the channel is not 0, 1 or 2");
}

std::vector<PreparedPoint> PreparePoints(const Scene& scene, const ScenePlane& plane,
                                         const PointSumOptions& options) {
    const double k = TwoPi / options.wavelength;
    std::vector<PreparedPoint> prepared;
    prepared.reserve(scene.points.size());
    for (std::size_t j = 0; j < scene.points.size(); ++j) {
        const ScenePoint& point = scene.points[j];
        const float amplitude = point.colour[static_cast<std::size_t>(options.channel)];
        const std::string place = "Point " + std::to_string(j + 1);
        if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z))
            throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                               place + " has a coordinate that is not a number");
        if (point.z <= 0)
            throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                               place + " is not in front of the hologram (z <= 0)");
        // Single precision holds the distances of points between these.
        if (point.z < NearestDistance)
            throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                               place + " lies nearer the hologram than 1 nm");
        if (std::max({std::abs(point.x), std::abs(point.y), point.z}) > FarthestDistance)
            throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                               place + " lies farther than 1 km from the hologram");
        if (!std::isfinite(amplitude) || amplitude < 0)
            throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                               place + " has an amplitude that is not a number >= 0");
        if (amplitude == 0) continue;
        double phase = std::fmod(k * point.z, TwoPi);
        if (options.randomPhases) phase += PointPhase(options.seed, j);
        phase = std::remainder(phase, TwoPi);
        prepared.push_back({point.x, point.y,
                            options.panelLimit
                                ? PanelLimitRadiusSquared(point.z, options.wavelength, plane.pitch)
                                : std::numeric_limits<double>::infinity(),
                            static_cast<float>(point.z), static_cast<float>(phase), amplitude});
    }
    return prepared;
}

// Adds every point's light into rows [first, last), held as real and
// imaginary parts `stride` apart from row to row.
void SumBand(const std::vector<PreparedPoint>& points, const ScenePlane& plane, double k, int first, int last,
             std::size_t stride, float* real, float* imag, const CancelFlag& stop, const CancelFlag* cancel) {
    const double centre = (plane.columns - 1) / 2.0;
    for (std::size_t j = 0; j < points.size(); ++j) {
        if (j % PointsBetweenChecks == 0) {
            StopIfCancelled(cancel);
            StopIfCancelled(&stop);
        }
        const PreparedPoint& point = points[j];
        PointRun run;
        run.pitch = static_cast<float>(plane.pitch);
        run.z = point.z;
        run.k = static_cast<float>(k);
        run.phase = point.phase;
        run.amplitude = point.amplitude;
        for (int row = first; row < last; ++row) {
            const double dy = plane.y(row) - point.y;
            const double halfWidthSquared = point.radiusSquared - dy * dy;
            if (halfWidthSquared < 0) continue;
            int from = 0;
            int to = plane.columns - 1;
            if (std::isfinite(halfWidthSquared)) {
                const double halfWidth = std::sqrt(halfWidthSquared) / plane.pitch;
                const double at = point.x / plane.pitch + centre;
                const double left = std::max(0.0, std::ceil(at - halfWidth));
                const double right = std::min<double>(plane.columns - 1, std::floor(at + halfWidth));
                if (left > right) continue;
                from = static_cast<int>(left);
                to = static_cast<int>(right);
            }
            run.firstDx = static_cast<float>(plane.x(from) - point.x);
            run.dySquared = static_cast<float>(dy * dy);
            const std::size_t offset =
                static_cast<std::size_t>(row - first) * stride + static_cast<std::size_t>(from);
            AddPointRun(run, real + offset, imag + offset, to - from + 1);
        }
    }
}

}  // namespace

double PointPhase(std::uint64_t seed, std::size_t index) {
    // SplitMix64 of the seed and the index: a counter-based draw.
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(index) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53 * TwoPi;
}

double PanelLimitRadiusSquared(double z, double wavelength, double pitch) {
    // ρ/r ≤ s with r² = ρ² + z² is ρ² ≤ s²z² / (1 − s²).
    const double s = wavelength / (2 * pitch);
    if (s >= 1) return std::numeric_limits<double>::infinity();
    return s * s * z * z / (1 - s * s);
}

SceneField SumPoints(const Scene& scene, const ScenePlane& plane, const PointSumOptions& options,
                     const ExecutionContext& context) {
    CheckExecutionContext(context);
    CheckArguments(plane, options);
    const std::vector<PreparedPoint> points = PreparePoints(scene, plane, options);
    const double k = TwoPi / options.wavelength;
    SceneField field(plane);
    context.stopIfCancelled();

    const int bands = (plane.rows + BandRows - 1) / BandRows;
    const std::size_t stride =
        static_cast<std::size_t>(plane.columns) + static_cast<std::size_t>(RunPadding());
    ThreadPool& pool = context.pool();
    const long long work = static_cast<long long>(points.size()) * static_cast<long long>(plane.size());
    const int parts = std::min(bands, PartsFor(pool, work, 1 << 16));
    // Set by the calling thread when its caller asks to stop, so that the
    // other threads stop too.
    CancelFlag stop{false};
    ParallelFor(pool, parts, parts, [&](int part, int, int) {
        std::vector<float> real(stride * BandRows), imag(stride * BandRows);
        const int ownBands = (bands - part + parts - 1) / parts;
        int done = 0;
        // Band b goes to part b mod parts: the discs' rows spread evenly.
        for (int band = part; band < bands; band += parts) {
            const int first = band * BandRows;
            const int last = std::min(plane.rows, first + BandRows);
            std::fill(real.begin(), real.end(), 0.0f);
            std::fill(imag.begin(), imag.end(), 0.0f);
            try {
                SumBand(points, plane, k, first, last, stride, real.data(), imag.data(), stop,
                        context.cancelFlag);
                if (part == 0) context.stopIfCancelled();
            } catch (...) {
                stop = true;
                throw;
            }
            for (int row = first; row < last; ++row) {
                std::complex<float>* out = field.row(row);
                const std::size_t at = static_cast<std::size_t>(row - first) * stride;
                for (int c = 0; c < plane.columns; ++c) out[c] = {real[at + c], imag[at + c]};
            }
            ++done;
            if (part == 0 && context.progress) context.progress(static_cast<double>(done) / ownBands);
        }
    });
    return field;
}

}  // namespace marbleck
