#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace marbleck {

// A fixed set of worker threads that live as long as the program, so that a
// calculation pays no thread start-up. run() hands out task indices 0 .. n − 1:
// index 0 runs on the calling thread, the others on the workers, and run()
// returns when all are done. One run at a time; concurrent callers queue.
// A thread that cannot be started (no room for its stack, a thread limit)
// leaves the pool with fewer threads, down to the caller alone; a later run
// that wants more tries again.
class ThreadPool {
public:
    // One thread per hardware thread, the caller included.
    static ThreadPool& Shared();

    // Up to `threads` threads, the caller included.
    explicit ThreadPool(int threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Threads available to a run, the caller included; it only grows.
    int size() const { return started_.load(std::memory_order_acquire) + 1; }

    // Runs task(i) for i in 0 .. min(count, size()) − 1, in parallel. The first
    // exception a task throws is rethrown here after all tasks have ended.
    void run(int count, const std::function<void(int)>& task);

private:
    void startWorkers(int threads);
    void work(int index, std::uint64_t seen);

    std::mutex runMutex_;  // one run at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* task_ = nullptr;
    int count_ = 0;
    int pending_ = 0;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    const int wanted_;
    std::vector<std::thread> workers_;  // changed only with runMutex_ held
    std::atomic<int> started_{0};       // workers_.size(), for size()
    std::optional<std::chrono::steady_clock::time_point> lastFailedStart_;
};

}  // namespace marbleck
