#include "platform/RandomGenerator.h"

#include <chrono>

namespace marbleck {

std::uint64_t ClockSeed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<std::uint64_t>(ticks);
}

float RandomGenerator::next() {
    // 24 random bits give every float of the form k / 2^24, all below 1.
    return static_cast<float>(engine_() >> 40) * (1.0f / 16777216.0f);
}

}  // namespace marbleck
