#pragma once

#include <cstdint>
#include <random>

namespace marbleck {

// A seed from the clock's ticks: every calculation of the window seeds its
// phases with one.
std::uint64_t ClockSeed();

// The program's pseudo-random generator: uniform single-precision values in
// [0, 1).
class RandomGenerator {
public:
    void reseedFromClock() { seed(ClockSeed()); }
    void seed(std::uint64_t value) { engine_.seed(value); }
    float next();

private:
    std::mt19937_64 engine_{0};
};

}  // namespace marbleck
