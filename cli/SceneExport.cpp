#include "cli/SceneExport.h"

#include <QElapsedTimer>
#include <cmath>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/ExitStatus.h"
#include "cli/ExportSteps.h"
#include "engine/core/CalculationWork.h"
#include "engine/kinds/HologramJob.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/scenes/LayerHologram.h"
#include "engine/scenes/PointCloudFile.h"
#include "input/picture/DepthScene.h"
#include "input/picture/NativeFileName.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

std::string Bytes(const QString& name) { return EncodeNativeFileName(name).toStdString(); }

std::shared_ptr<const Scene> ReadScene(const QString& object, const ScenePostProcessing& steps) {
    try {
        const std::filesystem::path path(Bytes(object));
        if (const std::optional<SceneFileKind> kind = SceneFileKindOf(path))
            return std::make_shared<const Scene>(ReadPointCloudFile(path, *kind));
        const QString depth = DecodeNativeFileName(QByteArray::fromStdString(steps.depthMap));
        return std::make_shared<const Scene>(
            ReadDepthScene(object, depth, DepthRange{steps.nearDepth, steps.farDepth},
                           steps.objectPitch > 0 ? steps.objectPitch : steps.plane.pitch));
    } catch (const SceneFileError& error) {
        throw ExportError(ExitStatus::Input, object, error.reason());
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
}

// The layer method's transformed values, which without --max-seconds may
// not pass LayerWorkBound.
void RefuseUnboundedLayers(const Scene& scene, const ScenePostProcessing& steps) {
    LayerOptions layering;
    layering.layers = steps.layers;
    const std::size_t layers = LayerDepths(scene, layering).size();
    const double work = LayerTransformValues(layers, steps.plane, steps.occlusion) *
                        static_cast<double>(SceneWaves(scene, steps).size());
    if (work <= LayerWorkBound) return;
    throw CalculationTooLong(
        QStringLiteral("%1 layers of %2 values (%3 padded values transformed in all) are more than the 2^%4 "
                       "bound of the layer method; use fewer --layers, or --max-seconds S to go on")
            .arg(layers)
            .arg(static_cast<long long>(steps.plane.size()))
            .arg(work, 0, 'g', 3)
            .arg(LayerWorkBoundExponent)
            .toStdString());
}

// The report's focus figures take a picture of each of the scene's depths
// (MeasureFocus's, as many as the default layers), which without
// --max-seconds may not pass LayerWorkBound either.
void RefuseUnboundedFocusFigures(const Scene& scene, const ScenePlane& plane) {
    const std::size_t depths = LayerDepths(scene, {}).size();
    const double work = LayerTransformValues(depths, plane, false);
    if (work <= LayerWorkBound) return;
    throw CalculationTooLong(
        QStringLiteral(
            "the focus figures of %1 depths on %2 values (%3 padded values transformed) are more "
            "than the 2^%4 bound of the layer method; leave out --report, or --max-seconds S to go "
            "on")
            .arg(depths)
            .arg(static_cast<long long>(plane.size()))
            .arg(work, 0, 'g', 3)
            .arg(LayerWorkBoundExponent)
            .toStdString());
}

// The exact sums' point-pixels (a refinement's: twice each iteration's and
// the start's), which without --max-seconds may not pass ExactWorkBound.
void RefuseUnboundedSceneWork(const CliOptions& options, const HologramJob& job,
                              const ScenePostProcessing& steps) {
    if (options.maxSeconds) return;
    const Scene& scene = *job.scene;
    if (job.figures && job.reconstruction) RefuseUnboundedFocusFigures(scene, steps.plane);
    if (steps.spotIterations == 0 && steps.method == SceneMethod::Layers)
        return RefuseUnboundedLayers(scene, steps);
    const double pointPixels =
        static_cast<double>(scene.points.size()) * static_cast<double>(steps.plane.size());
    const double work = steps.spotIterations > 0 ? pointPixels * 2 * (steps.spotIterations + 1)
                        : steps.method == SceneMethod::Points
                            ? pointPixels * static_cast<double>(SceneWaves(scene, steps).size())
                            : 0;
    if (work <= ExactWorkBound) return;
    const QString how = steps.spotIterations > 0 ? QStringLiteral("use fewer iterations")
                                                 : QStringLiteral("use --method layers");
    throw CalculationTooLong(
        QStringLiteral("%1 points × %2 values is more than the 2^%3 bound of the exact point sum (%4 "
                       "point-pixels in all); %5, or --max-seconds S to go on")
            .arg(scene.points.size())
            .arg(static_cast<long long>(steps.plane.size()))
            .arg(ExactWorkBoundExponent)
            .arg(work, 0, 'g', 3)
            .arg(how)
            .toStdString());
}

}  // namespace

ExportSummary ExportScene(const CliOptions& options, const QString& object, const QString& output,
                          std::uint64_t seed, const ExportProgress& progress, const QString& reconstruction) {
    QElapsedTimer timer;
    timer.start();
    static const ScenePostProcessing plain;
    const auto* given = dynamic_cast<const ScenePostProcessing*>(options.postProcessing.get());
    const ScenePostProcessing& steps = given != nullptr ? *given : plain;

    HologramJob job;
    job.kind = std::string(options.kind->name);
    job.scene = ReadScene(object, steps);
    job.randomPhase = options.randomPhase;
    job.seed = seed;
    job.postProcessing = options.postProcessing;
    job.figures = options.report;
    const QString reconstructed = options.reconstruct.isEmpty() ? QString() : reconstruction;
    job.reconstruction = !reconstructed.isEmpty();
    if (!output.isEmpty()) job.outputs.push_back({Bytes(output), options.depth});
    if (job.reconstruction) job.reconstructionPath = Bytes(reconstructed);

    JobResult result;
    AsObjectsFailure(object, [&] {
        RefuseUnboundedSceneWork(options, job, steps);
        ExecutionContext context = RunContext(options.threads);
        context.progress = progress.binarization;
        result = RunUntilDeadline(job, context, options.maxSeconds);
    });
    WriteOutputs(job, result, options.threads);

    ExportSummary summary;
    summary.input = object;
    summary.output = output;
    summary.width = steps.plane.columns;
    summary.height = steps.plane.rows;
    summary.reps = 1;
    summary.points = static_cast<long long>(job.scene->points.size());
    // The scene's own engine: its method.
    summary.engine = steps.spotIterations > 0              ? QStringLiteral("spots")
                     : steps.method == SceneMethod::Layers ? QStringLiteral("layers")
                                                           : QStringLiteral("points");
    if (options.randomPhase) summary.seed = seed;
    TakeResult(summary, result);
    if (result.reconstruction) summary.reconstruction = reconstructed;
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

}  // namespace marbleck::cli
