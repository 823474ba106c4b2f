#include "cli/ObjectExport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "cli/ExitStatus.h"
#include "cli/ExportSteps.h"
#include "cli/SceneExport.h"
#include "cli/WorkLimits.h"
#include "input/picture/ObjectFile.h"
#include "platform/RunTimeError.h"

namespace marbleck::cli {

namespace {

// libpng prints its errors itself on standard error, beside the one line per
// failure that the command line promises; while an object is read, standard
// error goes nowhere.
class StandardErrorSilenced {
public:
    StandardErrorSilenced() {
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) ::close(nowhere);
    }
    ~StandardErrorSilenced() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

private:
    int saved_ = -1;
};

}  // namespace

QImage ReadObjectImage(const QString& object) {
    try {
        // The window's reader: the same checks, and the same picture of the same file.
        const StandardErrorSilenced quiet;
        return ReadObjectFile(object, ObjectFileKindOf(object), WholePicture).picture;
    } catch (const RunTimeError& error) {
        throw ExportError(ExitStatus::Input, object, error.description());
    } catch (const std::bad_alloc&) {
        throw ExportError(ExitStatus::Input, object, "out of memory");
    }
}

ExportSummary ExportObject(const CliOptions& options, const QString& object, const QString& output,
                           std::uint64_t seed, const ExportProgress& progress,
                           const QString& reconstruction) {
    // A kind of 3-D scenes reads its scene, not a picture's lit samples.
    if (!options.kind->sceneFiles.empty())
        return ExportScene(options, object, output, seed, progress, reconstruction);
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
    ObjectRun run;
    AsObjectsFailure(object,
                     [&] { run = RunWithinLimits(options, image, seed, output, reconstructed, progress); });
    const JobResult& result = run.result;
    const Hologram& hologram = *result.hologram;
    summary.points = static_cast<long long>(hologram.litSamples().size());
    TakeResult(summary, result);

    WriteOutputs(run.job, result, options.threads);
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
