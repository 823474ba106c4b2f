#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/Cancellation.h"
#include "engine/ObjectPoint.h"
#include "engine/ThreadPool.h"

namespace marbleck {

// Where and how one engine call runs: the threads it may use, how the caller
// stops it and follows it, and the transforms' back end. Every engine call
// takes one; copies share the pool of their own that a thread count makes.
struct ExecutionContext {
    // The threads the call may use, the calling thread included: 0 for every
    // core (the program's shared pool), 1 for the calling thread alone.
    int threads = 0;
    // Looked at by every engine thread between small pieces of work; set it
    // from any thread or a signal handler.
    const CancelFlag* cancelFlag = nullptr;
    // Asked on the calling thread between pieces of work; true stops the
    // call with CalculationCancelled. For a caller that can only be asked on
    // its own thread (an interpreter's pending signals, say).
    std::function<bool()> cancelRequested;
    // Runs on the calling thread after canvas column x has been summed, for
    // every canvas column in order.
    ColumnDone columnDone;
    // A long step's progress from 0 to 1 (a binarization, a refinement), on
    // the calling thread.
    std::function<void(double fraction)> progress;
    // The name of the transforms' back end.
    std::string transforms = "fftw";

    // The pool the call's work runs on: the shared pool for threads = 0, else
    // one of this context's own with that many threads (at most the
    // hardware's), made on first use.
    ThreadPool& pool() const;

    // Throws CalculationCancelled when either way of stopping says so.
    void stopIfCancelled() const {
        StopIfCancelled(cancelFlag);
        if (cancelRequested && cancelRequested()) throw CalculationCancelled();
    }

private:
    mutable std::shared_ptr<ThreadPool> ownPool_;
};

}  // namespace marbleck
