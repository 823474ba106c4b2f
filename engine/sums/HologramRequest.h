#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/binarization/Binarization.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck {

// The object of a calculation as plain data.
struct HologramObject {
    // W and H: the object's size in pixels. A canvas measured in twips may be
    // fractional; the samples run over the whole pixels within it
    // (SampleCount).
    float width = 0;
    float height = 0;
    // The lit samples in scan order: x outer, y inner.
    std::vector<ObjectPoint> litSamples;
};

// Everything one calculation needs.
struct HologramRequest {
    HologramObject object;
    // The repetition factor R: the hologram has R·W × R·H values.
    double reps = 1;
    // The engine's name in the engine table (CalculationEngines).
    std::string engine = "exact";
    // Every lit sample gets the phase PhaseOfDraw(r) of its own draw r from
    // a RandomGenerator seeded with `seed`, in scan order; otherwise every
    // phase is 0.
    bool randomPhase = false;
    std::uint64_t seed = 0;
    // Applied to the calculated field, which the result keeps as well.
    std::optional<BinarizationRequest> binarization;
    // Whether the result holds the grey levels too; a caller that wants the
    // normalised field alone saves writing them.
    bool greyLevels = true;
};

}  // namespace marbleck
