#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace marbleck {

// A fixed set of worker threads that live as long as the program, so that a
// calculation pays no thread start-up. run() hands out task indices 0 .. n − 1:
// index 0 runs on the calling thread, the others on the workers, and run()
// returns when all are done. One run at a time; concurrent callers queue.
class ThreadPool {
public:
    // One thread per hardware thread, the caller included.
    static ThreadPool& Shared();

    explicit ThreadPool(int threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Threads available to a run, the caller included.
    int size() const { return static_cast<int>(workers_.size()) + 1; }

    // Runs task(i) for i in 0 .. min(count, size()) − 1, in parallel. The first
    // exception a task throws is rethrown here after all tasks have ended.
    void run(int count, const std::function<void(int)>& task);

private:
    void work(int index);

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
    std::vector<std::thread> workers_;
};

}  // namespace marbleck
