#include "cli/ObjectControl.h"

#include <map>
#include <mutex>

namespace marbleck::cli {

const ExecutionContext& RunContext(int threads) {
    static std::mutex mutex;
    static std::map<int, ExecutionContext> contexts;
    std::lock_guard lock(mutex);
    ExecutionContext& context = contexts[threads];
    context.threads = threads;
    return context;
}

ObjectControl::ObjectControl(const HologramGeometry& geometry, const std::vector<ObjectPoint>& points,
                             const ExportProgress& progress, int threads)
    : progress_(progress), context_(RunContext(threads)) {
    context_.progress = progress_.binarization;
    if (!progress_.points) return;
    pointsThroughColumn_.assign(static_cast<std::size_t>(geometry.canvasColumns), 0);
    for (const ObjectPoint& p : points)
        if (p.x >= 0 && p.x < geometry.canvasColumns) ++pointsThroughColumn_[static_cast<std::size_t>(p.x)];
    for (std::size_t x = 1; x < pointsThroughColumn_.size(); ++x)
        pointsThroughColumn_[x] += pointsThroughColumn_[x - 1];
    const auto total = static_cast<long long>(points.size());
    context_.columnDone = [this, total](int x) {
        progress_.points(pointsThroughColumn_[static_cast<std::size_t>(x)], total);
    };
}

}  // namespace marbleck::cli
