#include "cli/ObjectJob.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <new>

#include "cli/ExitStatus.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "input/picture/NativeFileName.h"
#include "input/picture/ObjectFile.h"
#include "input/picture/PictureSamples.h"
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

std::shared_ptr<const KindPostProcessing> PostProcessingOf(const CliOptions& options) {
    if (options.phase) {
        auto steps = std::make_shared<PhasePostProcessing>();
        steps->refinement = options.phase->refinement;
        steps->panel = options.phase->panel;
        return steps;
    }
    auto steps = std::make_shared<AmplitudePostProcessing>();
    if (options.balanced)
        steps->binarization = BinarizationRequest{"balanced", 0};
    else if (options.binarizeThreshold)
        steps->binarization = BinarizationRequest{"threshold", *options.binarizeThreshold};
    else if (options.optimised)
        steps->binarization = BinarizationRequest{"optimised", 0, options.budgetSeconds};
    return steps;
}

std::string Bytes(const QString& name) { return EncodeNativeFileName(name).toStdString(); }

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

std::vector<float> SampleBrightness(const QImage& image, const std::vector<ObjectPoint>& samples) {
    // The object reader's pictures are 32-bit already; anything else is converted once.
    const QImage colours = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                               ? image
                               : image.convertToFormat(QImage::Format_RGB32);
    if (colours.isNull() && !image.isNull()) throw std::bad_alloc();
    std::vector<float> brightness;
    brightness.reserve(samples.size());
    for (const ObjectPoint& p : samples) {
        const QRgb pixel = reinterpret_cast<const QRgb*>(colours.constScanLine(p.y))[p.x];
        brightness.push_back(BrightnessOfColour(qRed(pixel), qGreen(pixel), qBlue(pixel)));
    }
    return brightness;
}

HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output, const QString& reconstruction) {
    HologramJob job;
    job.object = PictureObject(image);
    job.kind = options.phase ? "phase" : "amplitude";
    // An amplitude hologram adds every sample at full strength.
    if (options.phase) job.brightness = SampleBrightness(image, job.object.litSamples);
    job.reps = options.reps;
    job.engine = options.engine;
    job.randomPhase = options.randomPhase;
    job.seed = seed;
    job.postProcessing = PostProcessingOf(options);
    job.figures = options.report;
    job.reconstruction = !reconstruction.isEmpty();
    if (!output.isEmpty()) job.outputs.push_back({Bytes(output), options.depth});
    if (!reconstruction.isEmpty()) job.reconstructionPath = Bytes(reconstruction);
    return job;
}

}  // namespace marbleck::cli
