#include "engine/ExecutionContext.h"

#include <algorithm>
#include <thread>

namespace marbleck {

ThreadPool& ExecutionContext::pool() const {
    if (threads <= 0) return ThreadPool::Shared();
    if (!ownPool_) {
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        ownPool_ = std::make_shared<ThreadPool>(std::min(threads, cores));
    }
    return *ownPool_;
}

}  // namespace marbleck
