#pragma once

#include <vector>

#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/ObjectControl.h"
#include "engine/HologramJob.h"

namespace marbleck::cli {

// Throws CalculationTooLong for a job of `kind` whose engine adds every
// point into every value of `geometry` above ExactWorkBound without
// options.maxSeconds; the kind's sums a point give the time the message
// estimates.
void RefuseUnboundedWork(const CliOptions& options, const HologramKind& kind,
                         const HologramGeometry& geometry, const std::vector<ObjectPoint>& points);

// Throws CalculationTooLong for a --refine above RefinementWorkBound without
// options.maxSeconds.
void RefuseUnboundedRefinement(const CliOptions& options, const HologramGeometry& geometry);

// Runs `job` within the command line's limits: the work refused above,
// before any sum, and a --max-seconds deadline over the making of the
// hologram (its figures and reconstruction then run to their end), which
// becomes CalculationTooLong when it passes. Progress as points done and the
// iterative stage's share.
JobResult RunWithinLimits(const CliOptions& options, const HologramJob& job, const ExportProgress& progress);

}  // namespace marbleck::cli
