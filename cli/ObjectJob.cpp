#include "cli/ObjectJob.h"

#include "input/picture/NativeFileName.h"
#include "input/picture/PictureSamples.h"

namespace marbleck::cli {

namespace {

std::string Bytes(const QString& name) { return EncodeNativeFileName(name).toStdString(); }

}  // namespace

HologramJob ObjectJob(const CliOptions& options, const QImage& image, std::uint64_t seed,
                      const QString& output, const QString& reconstruction) {
    HologramJob job;
    job.object = PictureObject(image);
    job.kind = std::string(options.kind->name);
    if (options.kind->weighsBrightness) job.brightness = PictureBrightness(image, job.object.litSamples);
    job.reps = options.reps;
    job.engine = options.engine;
    job.randomPhase = options.randomPhase;
    job.seed = seed;
    job.postProcessing = options.postProcessing;
    job.figures = options.report;
    job.reconstruction = !reconstruction.isEmpty();
    if (!output.isEmpty()) job.outputs.push_back({Bytes(output), options.depth});
    if (!reconstruction.isEmpty()) job.reconstructionPath = Bytes(reconstruction);
    return job;
}

}  // namespace marbleck::cli
