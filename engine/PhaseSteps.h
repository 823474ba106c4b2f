#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>

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

}  // namespace marbleck::phase_steps
