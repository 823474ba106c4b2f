#include "engine/BinaryOptimiser.h"

#include <chrono>

namespace marbleck {

BinarizedHologram OptimiseBinary(const HologramField& calculated, const BinarizationRequest&,
                                 const BinarizationContext& context) {
    const auto started = std::chrono::steady_clock::now();
    const HologramGeometry& g = context.geometry;
    BinarizedHologram binarized;
    binarized.threshold = MedianThreshold(calculated, g.columns, g.rows);
    binarized.field = calculated;
    Binarize(binarized.field, binarized.threshold, binarized.greyLevels);
    OptimisationRecord record;
    record.start = context.figures(context.reconstruct(binarized.field));
    record.end = record.start;
    record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    binarized.optimisation = record;
    return binarized;
}

}  // namespace marbleck
