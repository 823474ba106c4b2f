#pragma once

#include <functional>
#include <vector>

#include "engine/core/Cancellation.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck::cli {

// Called while an object is calculated; either may be left empty.
struct ExportProgress {
    // While the sums are formed: the points done so far and in all.
    std::function<void(long long done, long long total)> points;
    // While an iterative stage (an optimised binarization, a refinement)
    // runs: the share of it done, 0 to 1.
    std::function<void(double fraction)> binarization;
};

// The context of the engine calls of a run with --threads `threads`: one
// for each count, kept for the whole run, so that its copies share one pool
// and the run starts its threads once.
const ExecutionContext& RunContext(int threads);

// The context of one object's calculation: RunContext(threads) with its
// progress as points done (those of the canvas columns summed) and the
// iterative stage's share.
class ObjectControl {
public:
    ObjectControl(const HologramGeometry& geometry, const std::vector<ObjectPoint>& points,
                  const ExportProgress& progress, int threads);
    ObjectControl(const ObjectControl&) = delete;
    ObjectControl& operator=(const ObjectControl&) = delete;

    const ExecutionContext& context() const { return context_; }

private:
    ExportProgress progress_;
    // The points done once canvas column x is summed: those of columns 0 .. x.
    std::vector<long long> pointsThroughColumn_;
    ExecutionContext context_;
};

}  // namespace marbleck::cli
