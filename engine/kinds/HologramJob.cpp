#include "engine/kinds/HologramJob.h"

#include <chrono>
#include <stdexcept>

namespace marbleck {

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
