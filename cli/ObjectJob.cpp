#include "cli/ObjectJob.h"

#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "input/picture/NativeFileName.h"
#include "input/picture/PictureSamples.h"

namespace marbleck::cli {

namespace {

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

HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output, const QString& reconstruction) {
    HologramJob job;
    job.object = PictureObject(image);
    job.kind = options.phase ? "phase" : "amplitude";
    // An amplitude hologram adds every sample at full strength.
    if (options.phase) job.brightness = PictureBrightness(image, job.object.litSamples);
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
