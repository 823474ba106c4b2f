#include "cli/WorkLimits.h"

#include <cmath>

#include "cli/ExportSteps.h"
#include "cli/ObjectJob.h"
#include "engine/core/CalculationWork.h"
#include "engine/sums/CalculationEngine.h"

namespace marbleck::cli {

void RefuseUnboundedWork(const CliOptions& options, const HologramKind& kind,
                         const HologramGeometry& geometry, const std::vector<ObjectPoint>& points) {
    const CalculationEngine& engine = CalculationEngineNamed(options.engine);
    if (!engine.addsEveryPointToEveryValue || options.maxSeconds ||
        PointValues(geometry, points.size()) <= ExactWorkBound)
        return;
    const double minutes =
        kind.sumsPerPoint *
        EstimatedSeconds(engine, geometry, points, RunContext(options.threads).pool().size()) / 60.0;
    throw CalculationTooLong(
        QStringLiteral("%1 points × %2 values is more than the 2^%3 bound of the %4 engine (about %5 "
                       "min here); use --engine fast, or --max-seconds S to go on")
            .arg(points.size())
            .arg(static_cast<long long>(geometry.columns) * geometry.rows)
            .arg(ExactWorkBoundExponent)
            .arg(QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size())))
            .arg(std::ceil(minutes))
            .toStdString());
}

void RefuseUnboundedRefinement(const CliOptions& options, const HologramGeometry& geometry) {
    const int iterations = options.postProcessing ? options.postProcessing->iterationsOverValues() : 0;
    if (iterations == 0 || options.maxSeconds) return;
    if (RefinementValues(geometry, iterations) <= RefinementWorkBound) return;
    const double minutes =
        RefinementSeconds(geometry, iterations, RunContext(options.threads).pool().size()) / 60.0;
    throw CalculationTooLong(
        QStringLiteral("%1 iterations × %2 values is more than the 2^%3 bound of a refinement (about %4 "
                       "min here); use fewer iterations, or --max-seconds S to go on")
            .arg(iterations)
            .arg(static_cast<long long>(geometry.columns) * geometry.rows)
            .arg(RefinementWorkBoundExponent)
            .arg(std::ceil(minutes), 0, 'f', 0)
            .toStdString());
}

ObjectRun RunWithinLimits(const CliOptions& options, const QImage& image, std::uint64_t seed,
                          const QString& output, const QString& reconstruction,
                          const ExportProgress& progress) {
    const HologramGeometry geometry = MakeHologramGeometry(static_cast<float>(image.width()),
                                                           static_cast<float>(image.height()), options.reps);
    RefuseUnvisitedHologram(geometry);
    RefuseUnboundedRefinement(options, geometry);
    ObjectRun run{ObjectJob(options, image, seed, output, reconstruction), {}};
    const HologramKind* kind = FindHologramKind(run.job.kind);
    if (kind == nullptr) throw std::invalid_argument("unknown hologram kind " + run.job.kind);
    RefuseUnboundedWork(options, *kind, geometry, run.job.object.litSamples);
    const ObjectControl control(geometry, run.job.object.litSamples, progress, options.threads);
    run.result = RunUntilDeadline(run.job, control.context(), options.maxSeconds);
    return run;
}

}  // namespace marbleck::cli
