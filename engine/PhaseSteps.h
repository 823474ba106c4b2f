#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>

#include "engine/ExecutionContext.h"
#include "engine/ParallelFor.h"

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

}  // namespace marbleck::phase_steps
