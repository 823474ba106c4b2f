#include "engine/core/ExecutionContext.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "engine/core/NamedTable.h"

namespace marbleck {

namespace {

bool Always() { return true; }

constexpr std::array<TransformBackEnd, 1> BackEnds{{
    {"fftw", Always},
}};

}  // namespace

ThreadPool& ExecutionContext::pool() const {
    if (threads < 0) throw std::invalid_argument("a negative thread count");
    if (threads == 0) return ThreadPool::Shared();
    std::lock_guard lock(ownPool_->mutex);
    if (!ownPool_->pool) {
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        ownPool_->pool = std::make_unique<ThreadPool>(std::min(threads, cores));
    }
    return *ownPool_->pool;
}

std::span<const TransformBackEnd> TransformBackEnds() { return BackEnds; }

void CheckExecutionContext(const ExecutionContext& context) {
    if (context.threads < 0)
        throw std::invalid_argument("a negative thread count: " + std::to_string(context.threads));
    const TransformBackEnd* backEnd = FindNamed(TransformBackEnds(), context.transforms);
    if (backEnd == nullptr) throw std::invalid_argument("unknown transforms back end " + context.transforms);
    if (!backEnd->available())
        throw std::invalid_argument("the transforms back end " + context.transforms +
                                    " is not available on this machine");
}

}  // namespace marbleck
