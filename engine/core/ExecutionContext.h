#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "engine/core/Cancellation.h"
#include "engine/core/ObjectPoint.h"
#include "engine/core/ThreadPool.h"

namespace marbleck {

namespace detail {
// The pool a context with a thread count makes, shared by its copies.
struct OwnPool {
    std::mutex mutex;
    std::unique_ptr<ThreadPool> pool;
};
}  // namespace detail

// Where and how one engine call runs: the threads it may use, how the caller
// stops it and follows it, and the transforms' back end. Every engine call
// takes one. Copies share the pool of their own that a thread count makes,
// so that calls with copies of one context pay its threads' start-up once.
struct ExecutionContext {
    // The threads the call may use, the calling thread included: 0 for every
    // core (the program's shared pool), 1 for the calling thread alone.
    int threads = 0;
    // Looked at by every engine thread between small pieces of work; set it
    // from any thread or a signal handler.
    const CancelFlag* cancelFlag = nullptr;
    // Asked on the calling thread before the sums, after each canvas column,
    // between the stages and between a long step's pieces; true stops the
    // call with CalculationCancelled. For a caller that can only be asked on
    // its own thread (an interpreter's pending signals, say).
    std::function<bool()> cancelRequested;
    // Runs on the calling thread after canvas column x has been summed, for
    // every canvas column in order.
    ColumnDone columnDone;
    // A long step's progress from 0 to 1 (a binarization, a refinement), on
    // the calling thread.
    std::function<void(double fraction)> progress;
    // The name of the transforms' back end, an entry of TransformBackEnds().
    std::string transforms = "fftw";

    // The pool the call's work runs on: the shared pool for threads = 0, a
    // pool without workers (the calling thread alone) for 1, else one of
    // this context's own with that many threads (at most the hardware's),
    // made on first use. Throws std::invalid_argument for threads below 0.
    ThreadPool& pool() const;

    // Throws CalculationCancelled when either way of stopping says so.
    void stopIfCancelled() const {
        StopIfCancelled(cancelFlag);
        if (cancelRequested && cancelRequested()) throw CalculationCancelled();
    }

private:
    std::shared_ptr<detail::OwnPool> ownPool_ = std::make_shared<detail::OwnPool>();
};

// One way of running the transforms: an entry of the transforms' back-end
// table, named by ExecutionContext::transforms.
struct TransformBackEnd {
    std::string_view name;
    // Whether the back end can run on this machine.
    bool (*available)() = nullptr;
};

// The table: "fftw" (FFTW3 on the context's threads), always available.
std::span<const TransformBackEnd> TransformBackEnds();

// Throws std::invalid_argument when `context` cannot run a call: threads
// below 0, or transforms that name no back end of the table or one that is
// not available here. Every engine call checks it before any work.
void CheckExecutionContext(const ExecutionContext& context);

}  // namespace marbleck
