#include "engine/ThreadPool.h"

#include <algorithm>

namespace marbleck {

ThreadPool& ThreadPool::Shared() {
    static ThreadPool pool(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    return pool;
}

ThreadPool::ThreadPool(int threads) {
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this, i] { work(i); });
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_) worker.join();
}

void ThreadPool::run(int count, const std::function<void(int)>& task) {
    count = std::min(count, size());
    if (count <= 0) return;
    if (count == 1) {
        task(0);
        return;
    }
    std::lock_guard runLock(runMutex_);
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        count_ = count;
        pending_ = count - 1;
        failure_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    std::exception_ptr callerFailure;
    try {
        task(0);
    } catch (...) {
        callerFailure = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    task_ = nullptr;
    if (callerFailure) std::rethrow_exception(callerFailure);
    if (failure_) std::rethrow_exception(failure_);
}

void ThreadPool::work(int index) {
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* task = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            if (index >= count_) continue;  // not needed in this run
            task = task_;
        }
        std::exception_ptr failure;
        try {
            (*task)(index);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        if (failure && !failure_) failure_ = failure;
        if (--pending_ == 0) done_.notify_one();
    }
}

}  // namespace marbleck
