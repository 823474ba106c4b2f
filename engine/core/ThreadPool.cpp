#include "engine/core/ThreadPool.h"

#include <algorithm>
#include <system_error>

namespace marbleck {

namespace {

// After a thread could not be started, the pool waits this long before it
// tries again, so that a lasting shortage costs one failed start per second
// and not one per run.
constexpr auto RetryAfter = std::chrono::seconds(1);

}  // namespace

ThreadPool& ThreadPool::Shared() {
    static ThreadPool pool(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    return pool;
}

ThreadPool::ThreadPool(int threads) : wanted_(std::max(1, threads)) {
    std::lock_guard runLock(runMutex_);
    startWorkers(wanted_);
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_) worker.join();
}

// Called with runMutex_ held, so no run is under way and the generation
// stays as it is: a new worker waits for the next one.
void ThreadPool::startWorkers(int threads) {
    if (lastFailedStart_ && std::chrono::steady_clock::now() - *lastFailedStart_ < RetryAfter) return;
    std::uint64_t current = 0;
    {
        std::lock_guard lock(mutex_);
        current = generation_;
    }
    while (static_cast<int>(workers_.size()) + 1 < threads) {
        const int index = static_cast<int>(workers_.size()) + 1;
        try {
            workers_.emplace_back([this, index, current] { work(index, current); });
        } catch (const std::exception&) {
            // No room for another thread (its stack, or a process or thread
            // limit): the pool runs on with the threads it has.
            lastFailedStart_ = std::chrono::steady_clock::now();
            break;
        }
        started_.store(static_cast<int>(workers_.size()), std::memory_order_release);
    }
    if (static_cast<int>(workers_.size()) + 1 >= threads) lastFailedStart_.reset();
}

void ThreadPool::run(int count, const std::function<void(int)>& task) {
    if (count <= 0) return;
    if (count == 1) {
        task(0);
        return;
    }
    std::lock_guard runLock(runMutex_);
    if (count > size()) startWorkers(std::min(count, wanted_));
    count = std::min(count, size());
    if (count == 1) {
        task(0);
        return;
    }
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

void ThreadPool::work(int index, std::uint64_t seen) {
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
