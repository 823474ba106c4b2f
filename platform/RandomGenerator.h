#pragma once

#include <cstdint>
#include <random>

namespace marbleck {

// The program's pseudo-random generator: reseeded from the clock by every
// calculation, uniform single-precision values in [0, 1).
class RandomGenerator {
public:
    void reseedFromClock();
    void seed(std::uint64_t value) { engine_.seed(value); }
    float next();

private:
    std::mt19937_64 engine_{0};
};

}  // namespace marbleck
