#pragma once

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/core/ParallelFor.h"
#include "engine/core/ThreadPool.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck::phase_steps {

// Steps the phase hologram's calculation and its panel map share.

inline constexpr double TwoPi = 2.0 * std::numbers::pi;

// An angle wrapped into [0, 2π) and rounded to 32-bit, never to 2π itself.
inline float WrappedPhase(double angle) {
    double wrapped = angle - TwoPi * std::floor(angle / TwoPi);
    const auto phase = static_cast<float>(wrapped);
    return phase >= static_cast<float>(TwoPi) || phase < 0 ? 0.0f : phase;
}

// Runs task(first, last) over [0, count) in one slice a thread of the
// context's pool for large counts.
template <typename Task>
void Sliced(std::size_t count, const ExecutionContext& context, Task&& task) {
    ThreadPool& pool = context.pool();
    ParallelFor(pool, PartsFor(pool, static_cast<long long>(count), 1LL << 16), count,
                [&](int, std::size_t first, std::size_t last) { task(first, last); });
}

// The seconds since `start` on the steady clock.
double SecondsSince(std::chrono::steady_clock::time_point start);

// e^(iφ) of the first columns x rows values of `phase` into the plan.
void LoadTransmittance(const ComplexSpectrumPlan& plan, const HologramField& phase,
                       const ExecutionContext& context);

// A phase hologram's grey levels as the view shows them: φ / 2π × 255
// rounded, value for value.
std::vector<std::uint8_t> ViewLevels(const HologramField& phase);

// The figures of a phase hologram's far field `r`, taken with the zero order
// kept; the fidelity is measured with the zero order's bin set to 0 in `r`.
PhaseFigures FiguresOfFarField(Reconstruction& r, std::span<const ObjectPoint> points,
                               const HologramGeometry& geometry);

}  // namespace marbleck::phase_steps
