#pragma once

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

#include "engine/HologramField.h"
#include "engine/HologramGeometry.h"
#include "engine/ObjectPoint.h"
#include "engine/PhaseFigures.h"
#include "engine/Reconstruction.h"
#include "engine/SpectrumPlan.h"
#include "engine/ThreadPool.h"

namespace marbleck::phase_steps {

// Steps the phase hologram's calculation and its panel map share.

inline constexpr double TwoPi = 2.0 * std::numbers::pi;

// An angle wrapped into [0, 2π) and rounded to 32-bit, never to 2π itself.
inline float WrappedPhase(double angle) {
    double wrapped = angle - TwoPi * std::floor(angle / TwoPi);
    const auto phase = static_cast<float>(wrapped);
    return phase >= static_cast<float>(TwoPi) || phase < 0 ? 0.0f : phase;
}

// Runs task(first, last) over [0, count) in one slice a pool thread for
// large counts.
template <typename Task>
void Sliced(std::size_t count, Task&& task) {
    ThreadPool& pool = ThreadPool::Shared();
    const int slices = count >= (1u << 16) ? pool.size() : 1;
    if (slices == 1) {
        task(std::size_t{0}, count);
        return;
    }
    pool.run(slices, [&](int k) {
        task(count * static_cast<std::size_t>(k) / static_cast<std::size_t>(slices),
             count * static_cast<std::size_t>(k + 1) / static_cast<std::size_t>(slices));
    });
}

// The seconds since `start` on the steady clock.
double SecondsSince(std::chrono::steady_clock::time_point start);

// e^(iφ) of the first columns x rows values of `phase` into the plan.
void LoadTransmittance(const ComplexSpectrumPlan& plan, const HologramField& phase);

// A phase hologram's grey levels as the view shows them: φ / 2π × 255
// rounded, value for value.
std::vector<std::uint8_t> ViewLevels(const HologramField& phase);

// The figures of a phase hologram's far field `r`, taken with the zero order
// kept; the fidelity is measured with the zero order's bin set to 0 in `r`.
PhaseFigures FiguresOfFarField(Reconstruction& r, std::span<const ObjectPoint> points,
                               const HologramGeometry& geometry);

}  // namespace marbleck::phase_steps
