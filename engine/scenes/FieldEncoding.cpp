#include "engine/scenes/FieldEncoding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/core/ParallelFor.h"
#include "engine/phase/PhaseSteps.h"

namespace marbleck {
namespace {

using phase_steps::TwoPi;
using phase_steps::WrappedPhase;

constexpr std::array<std::string_view, 4> Names = {"complex", "phase", "amplitude", "double-phase"};

// Runs task(first, last) over the plane's columns, a slice a thread for
// large planes, looking at the cancel flag between columns.
// task(part, c) runs on the part's thread; returns the parts used.
template <typename Task>
int OverColumns(const ScenePlane& plane, const ExecutionContext& context, Task&& task) {
    ThreadPool& pool = context.pool();
    const int parts = std::min(pool.size(), PartsFor(pool, static_cast<long long>(plane.size()), 1LL << 16));
    ParallelFor(pool, parts, plane.columns, [&](int part, int first, int last) {
        for (int c = first; c < last; ++c) {
            StopIfCancelled(context.cancelFlag);
            task(part, c);
        }
    });
    return parts;
}

// max |U| over the field, in 64-bit.
double LargestMagnitude(const SceneField& field) {
    double largest = 0;
    for (const std::complex<float>& u : field.values) {
        if (!std::isfinite(u.real()) || !std::isfinite(u.imag()))
            throw std::invalid_argument("a hologram field holds a value that is not a finite number");
        largest = std::max(largest, std::hypot(static_cast<double>(u.real()), static_cast<double>(u.imag())));
    }
    return largest;
}

std::complex<double> Widened(std::complex<float> u) { return {u.real(), u.imag()}; }

// e^(i 2π s·position/λ) for each position, the cycles reduced in 64-bit
// before the angle is formed.
std::vector<std::complex<double>> Carrier(int count, double (ScenePlane::*position)(int) const,
                                          const ScenePlane& plane, double cyclesPerMetre) {
    std::vector<std::complex<double>> carrier(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double cycles = (plane.*position)(i)*cyclesPerMetre;
        carrier[static_cast<std::size_t>(i)] = std::polar(1.0, TwoPi * (cycles - std::floor(cycles)));
    }
    return carrier;
}

void CheckReference(const ScenePlane& plane, double wavelength, const ReferenceWave& reference) {
    if (!(wavelength > 0) || !std::isfinite(wavelength))
        throw std::invalid_argument("the wavelength must be a number above 0");
    if (!(reference.amplitude > 0) || !std::isfinite(reference.amplitude))
        throw std::invalid_argument("the reference wave's amplitude must be a number above 0");
    const double limit = wavelength / (2 * plane.pitch);
    for (double s : {reference.sinX, reference.sinY})
        if (!std::isfinite(s) || std::abs(s) > limit || std::abs(s) > 1)
            throw std::invalid_argument(
                "the reference wave's angle is beyond what the hologram's pitch resolves");
}

}  // namespace

std::span<const std::string_view> FieldEncodingNames() { return Names; }

std::string_view FieldEncodingName(FieldEncoding encoding) {
    return Names.at(static_cast<std::size_t>(encoding));
}

std::optional<FieldEncoding> FindFieldEncoding(std::string_view name) {
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (Names[i] == name) return static_cast<FieldEncoding>(i);
    return std::nullopt;
}

ReferenceWave DefaultReferenceWave(double wavelength, double pitch) {
    return ReferenceWave{wavelength / (4 * pitch), 0, 1};
}

void CheckSceneField(const SceneField& field) {
    const ScenePlane& p = field.plane;
    if (p.columns < 1 || p.rows < 1 || !(p.pitch > 0) || !std::isfinite(p.pitch))
        throw std::invalid_argument("a hologram field needs at least one value and a pitch above 0");
    if (field.values.size() != p.size())
        throw std::invalid_argument("a hologram field's values do not fill its plane");
}

HologramGeometry GeometryOfPlane(const ScenePlane& plane) {
    return MakeHologramGeometry(static_cast<float>(plane.columns), static_cast<float>(plane.rows), 1.0);
}

HologramField PhaseOfField(const SceneField& field, const ExecutionContext& context) {
    CheckExecutionContext(context);
    CheckSceneField(field);
    LargestMagnitude(field);  // refuses values that are not numbers
    const ScenePlane& plane = field.plane;
    HologramField phase(plane.columns, plane.rows);
    OverColumns(plane, context, [&](int, int c) {
        float* out = phase.column(c);
        for (int r = 0; r < plane.rows; ++r) {
            const std::complex<double> u = Widened(field.row(r)[c]);
            out[r] = WrappedPhase(std::atan2(u.imag(), u.real()));
        }
    });
    return phase;
}

HologramField DoublePhaseOfField(const SceneField& field, const ExecutionContext& context) {
    CheckExecutionContext(context);
    CheckSceneField(field);
    const double largest = LargestMagnitude(field);
    const ScenePlane& plane = field.plane;
    HologramField phase(plane.columns, plane.rows);
    OverColumns(plane, context, [&](int, int c) {
        float* out = phase.column(c);
        for (int r = 0; r < plane.rows; ++r) {
            const std::complex<double> u = Widened(field.row(r)[c]);
            const double a = largest > 0 ? std::min(1.0, std::abs(u) / largest) : 0.0;
            const double spread = std::acos(a);
            const double centre = std::atan2(u.imag(), u.real());
            out[r] = WrappedPhase((r + c) % 2 == 0 ? centre + spread : centre - spread);
        }
    });
    return phase;
}

HologramField AmplitudeOfField(const SceneField& field, double wavelength, const ReferenceWave& reference,
                               const ExecutionContext& context) {
    CheckExecutionContext(context);
    CheckSceneField(field);
    const ScenePlane& plane = field.plane;
    CheckReference(plane, wavelength, reference);
    const double largest = LargestMagnitude(field);
    const double scale = largest > 0 ? 1 / largest : 0;
    // e^(iψ) = e^(iψx(c))·e^(iψy(r)): one carrier a column and one a row.
    const auto alongX = Carrier(plane.columns, &ScenePlane::x, plane, reference.sinX / wavelength);
    const auto alongY = Carrier(plane.rows, &ScenePlane::y, plane, reference.sinY / wavelength);

    // Two passes over I, formed the same way in both: its range, then the
    // normalised values; no copy of the field in 64-bit.
    const auto intensityAt = [&](int c, int r) {
        const std::complex<double> ref =
            reference.amplitude * alongX[static_cast<std::size_t>(c)] * alongY[static_cast<std::size_t>(r)];
        return std::norm(Widened(field.row(r)[c]) * scale + ref);
    };
    std::vector<std::pair<double, double>> ranges(static_cast<std::size_t>(context.pool().size()),
                                                  {HUGE_VAL, -HUGE_VAL});
    const int parts = OverColumns(plane, context, [&](int part, int c) {
        auto& [low, high] = ranges[static_cast<std::size_t>(part)];
        for (int r = 0; r < plane.rows; ++r) {
            const double i = intensityAt(c, r);
            low = std::min(low, i);
            high = std::max(high, i);
        }
    });
    double minimum = HUGE_VAL, maximum = -HUGE_VAL;
    for (int part = 0; part < parts; ++part) {
        minimum = std::min(minimum, ranges[static_cast<std::size_t>(part)].first);
        maximum = std::max(maximum, ranges[static_cast<std::size_t>(part)].second);
    }
    context.stopIfCancelled();
    const double span = maximum - minimum;
    HologramField normalised(plane.columns, plane.rows);
    if (span > 0)
        OverColumns(plane, context, [&](int, int c) {
            float* out = normalised.column(c);
            for (int r = 0; r < plane.rows; ++r)
                out[r] = static_cast<float>((intensityAt(c, r) - minimum) / span);
        });
    return normalised;
}

PhaseHologram PhaseHologramOfField(HologramField phase) {
    for (float phi : phase.values())
        if (!(phi >= 0 && phi < static_cast<float>(TwoPi)))
            throw std::invalid_argument("a phase hologram's phases must lie in [0, 2π)");
    PhaseHologram hologram;
    hologram.geometry =
        MakeHologramGeometry(static_cast<float>(phase.columns()), static_cast<float>(phase.rows()), 1.0);
    hologram.greyLevels = phase_steps::ViewLevels(phase);
    hologram.phase = std::move(phase);
    return hologram;
}

}  // namespace marbleck
