#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {

// Seconds each stage of a calculation took.
struct CalculationTimings {
    double sums = 0;
    double normalising = 0;
    double binarizing = 0;  // 0 without a binarization
};

// What one calculation made.
struct HologramResult {
    HologramGeometry geometry;
    // The request's lit samples (scan order) and their phases.
    std::vector<ObjectPoint> litSamples;
    std::vector<double> phases;
    // The range of the raw sums, before normalising.
    FieldRange rawRange;
    // The calculated field: the geometry's bounds, its visited values
    // normalised (an unvisited last column and row stay 0).
    HologramField field;
    // The grey levels of the visited values: columns × rows, column by column
    // (none where the request did not ask for them).
    std::vector<std::uint8_t> greyLevels;
    // The binarization the request asked for, apart from `field`.
    std::optional<BinarizedHologram> binarization;
    CalculationTimings seconds;
};

}  // namespace marbleck
