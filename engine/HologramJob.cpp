#include "engine/HologramJob.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "engine/PhaseHologram.h"

namespace marbleck {

float BrightnessOfColour(int red, int green, int blue) {
    return BrightnessOfLevel(std::max({red, green, blue}));
}

HologramRequest RequestOf(const HologramJob& job) {
    HologramRequest request;
    request.object = job.object;
    request.reps = job.reps;
    request.engine = job.engine;
    request.randomPhase = job.randomPhase;
    request.seed = job.seed;
    return request;
}

JobResult RunJob(const HologramJob& job, const ExecutionContext& context) {
    const HologramKind* kind = FindHologramKind(job.kind);
    if (kind == nullptr) throw std::invalid_argument("unknown hologram kind " + job.kind);
    JobResult result;
    result.hologram = kind->make(job, context, result.seconds);
    if (!job.figures && !job.reconstruction) return result;
    const auto start = std::chrono::steady_clock::now();
    context.stopIfCancelled();
    if (job.reconstruction) result.reconstruction = result.hologram->reconstruct(context);
    if (job.figures)
        result.figures =
            result.hologram->figures(result.reconstruction ? &*result.reconstruction : nullptr, context);
    result.seconds.measuring =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace marbleck
