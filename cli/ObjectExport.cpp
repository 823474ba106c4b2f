#include "cli/ObjectExport.h"

#include <QElapsedTimer>
#include <new>
#include <stdexcept>

#include "cli/ExitStatus.h"
#include "cli/ObjectJob.h"
#include "cli/WorkLimits.h"
#include "output/FileWriteError.h"
#include "output/HologramOutput.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

// Runs `make`, its failures as the object's input errors.
template <typename Make>
void AsObjectsFailure(const QString& object, const Make& make) {
    try {
        make();
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const CalculationTooLong& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(ExitStatus::Input, object, error.what());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
}

}  // namespace

ExportSummary ExportObject(const CliOptions& options, const QString& object, const QString& output,
                           std::uint64_t seed, const ExportProgress& progress,
                           const QString& reconstruction) {
    QElapsedTimer timer;
    timer.start();
    const QImage image = ReadObjectImage(object);
    ExportSummary summary;
    summary.input = object;
    summary.output = output;
    summary.width = image.width();
    summary.height = image.height();
    summary.reps = options.reps;
    summary.engine = QString::fromStdString(options.engine);
    if (options.randomPhase) summary.seed = seed;

    const QString reconstructed = options.reconstruct.isEmpty() ? QString() : reconstruction;
    HologramJob job;
    JobResult result;
    AsObjectsFailure(object, [&] {
        // The reps and a long refinement are refused before the picture is
        // read into samples.
        const HologramGeometry geometry = MakeHologramGeometry(
            static_cast<float>(image.width()), static_cast<float>(image.height()), options.reps);
        RefuseUnvisitedHologram(geometry);
        RefuseUnboundedRefinement(options, geometry);
        job = ObjectJob(options, image, seed, output, reconstructed);
        result = RunWithinLimits(options, job, progress);
    });
    const Hologram& hologram = *result.hologram;
    summary.points = static_cast<long long>(hologram.litSamples().size());
    summary.details = hologram.details();
    summary.figures = result.figures;
    summary.recordName = hologram.kind().recordName;
    summary.record = hologram.record();

    try {
        WriteJobOutputs(job, result);
    } catch (const FileWriteError& error) {
        throw ExportError(ExitStatus::Write, error.file(), error.what(), error.runTimeError());
    }
    if (result.reconstruction) summary.reconstruction = reconstructed;
    if (options.dpi) {
        const HologramField& written = *hologram.fileContent().values;
        summary.physical = ComputePhysicalFigures(written.columns(), written.rows(), *options.dpi,
                                                  options.scale, options.wavelengthNm, options.distanceM);
    }
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

}  // namespace marbleck::cli
