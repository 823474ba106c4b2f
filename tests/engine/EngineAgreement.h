#pragma once

// A case calculated and normalised by an engine of the table, and the check
// that one engine gives the exact engine's hologram to within a tolerance.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HologramCases.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck::test {

struct Normalised {
    HologramField field;
    std::vector<std::uint8_t> grey;
};

inline Normalised Compute(const cases::Case& c, const char* engine, const ExecutionContext& context = {}) {
    Normalised n;
    CalculateHologram(CalculationEngineNamed(engine), c.geometry, c.points, c.phases, n.field, n.grey,
                      context);
    return n;
}

// Normalised values within `tolerance` of the exact engine's, grey levels at
// most 1 apart.
inline void ExpectCloseToExact(const cases::Case& c, const char* engine, double tolerance) {
    const Normalised exact = Compute(c, "exact");
    const Normalised other = Compute(c, engine);
    ASSERT_EQ(exact.field.values().size(), other.field.values().size());
    double worst = 0;
    for (std::size_t i = 0; i < exact.field.values().size(); ++i)
        worst =
            std::max(worst, std::abs(static_cast<double>(exact.field.values()[i]) - other.field.values()[i]));
    EXPECT_LE(worst, tolerance) << engine;
    int worstGrey = 0;
    for (std::size_t i = 0; i < exact.grey.size(); ++i)
        worstGrey = std::max(worstGrey, std::abs(exact.grey[i] - other.grey[i]));
    EXPECT_LE(worstGrey, 1) << engine;
}

}  // namespace marbleck::test
