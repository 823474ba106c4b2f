#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/ObjectControl.h"
#include "engine/kinds/HologramJob.h"

namespace marbleck::cli {

// Throws CalculationTooLong for a job of `kind` whose engine adds every
// point into every value of `geometry` above ExactWorkBound without
// options.maxSeconds; the kind's sums a point give the time the message
// estimates.
void RefuseUnboundedWork(const CliOptions& options, const HologramKind& kind,
                         const HologramGeometry& geometry, const std::vector<ObjectPoint>& points);

// Throws CalculationTooLong for a post-processing whose iterations over every
// value (a refinement's, KindPostProcessing::iterationsOverValues) are above
// RefinementWorkBound without options.maxSeconds.
void RefuseUnboundedRefinement(const CliOptions& options, const HologramGeometry& geometry);

// An object's job and what it made.
struct ObjectRun {
    HologramJob job;
    JobResult result;
};

// Makes the hologram of a decoded object image (ObjectJob) within the
// command line's limits: reps that leave no hologram and a refinement above
// its bound are refused before the picture is read into samples, unbounded
// work before any sum, and a --max-seconds deadline bounds the whole job
// (its figures and reconstruction included), becoming CalculationTooLong
// when it passes. Progress as points done and the iterative stage's share.
ObjectRun RunWithinLimits(const CliOptions& options, const QImage& image, std::uint64_t seed,
                          const QString& output, const QString& reconstruction,
                          const ExportProgress& progress);

}  // namespace marbleck::cli
