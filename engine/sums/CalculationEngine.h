#pragma once

#include <span>
#include <string_view>

#include "engine/core/Cancellation.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"
#include "engine/core/ThreadPool.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {

// One way of forming a hologram's sums: an entry of the engine table. Its
// name is what the settings, the command line's --engine and its report use;
// its label is what a menu shows.
struct CalculationEngine {
    // Adds the sums of `points` (scan order, one phase each) into `field`,
    // which has the geometry's bounds and is normally zero-filled. The
    // context's columnDone runs on the calling thread once per canvas column,
    // in order; the work may use the threads of the context's pool. With
    // `range`, also gives what FindRange would give on the result. Throws
    // CalculationCancelled soon after the context's cancel flag is set and
    // std::invalid_argument for points out of scan order.
    using Accumulate = void (*)(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                                std::span<const double> phases, HologramField& field, FieldRange* range,
                                const ExecutionContext& context);
    // The seconds the sums of `points` may take on `threads` threads.
    using Estimate = double (*)(const HologramGeometry& geometry, std::span<const ObjectPoint> points,
                                int threads);

    std::string_view name;
    std::string_view label;
    Accumulate accumulate = nullptr;
    Estimate estimatedSeconds = nullptr;
    // Whether the engine can run on this machine (all the processor's
    // engines can; one that needs a device may not).
    bool (*available)() = nullptr;
    // Adds every point into every value once, so that its work is
    // PointValues: the command line bounds such work.
    bool addsEveryPointToEveryValue = false;
};

// The engine table: "exact" (the default), "fast", "czt" and "reference". Names
// are unique.
std::span<const CalculationEngine> CalculationEngines();

// The entry named `name`, or nullptr for a name not in the table.
const CalculationEngine* FindCalculationEngine(std::string_view name);

// The entry named `name`; throws std::invalid_argument for a name not in the
// table or an engine that is not available on this machine.
const CalculationEngine& CalculationEngineNamed(std::string_view name);

// "exact".
const CalculationEngine& DefaultCalculationEngine();

// engine.accumulate without the range.
void AccumulateHologram(const CalculationEngine& engine, const HologramGeometry& geometry,
                        std::span<const ObjectPoint> points, std::span<const double> phases,
                        HologramField& field, const ExecutionContext& context = {});

}  // namespace marbleck
