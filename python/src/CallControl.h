// How a call into the engine is followed and stopped from Python: Ctrl+C
// through the interpreter's own SIGINT handler, and an optional deadline.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "engine/core/ExecutionContext.h"

namespace marbleck::python {

// Watches SIGINT while it lives, where the calling thread is the main one
// (which alone runs Python's handlers) and the interpreter handles the
// signal at all. Python's handlers run only on the main thread between
// bytecodes, which never come while the engine runs, so the signal is also
// handed to the interpreter's pending checks that the control makes between
// pieces of work. The engine's threads are stopped at once (within a tile)
// only when Python's handler is the default one, which always raises
// KeyboardInterrupt; a handler of the program's own decides: the call stops
// only when it raises.
class InterruptWatch {
public:
    explicit InterruptWatch(CancelFlag& stop);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    bool installed_ = false;
};

// Sets `stop` once `seconds` have passed, unless it ends first.
class Deadline {
public:
    Deadline(double seconds, CancelFlag& stop);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    bool passed() const { return passed_.load(); }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ended_ = false;
    std::atomic<bool> passed_{false};
    std::thread thread_;
};

// A context of `threads` threads (0: every core) that stops on `stop` and
// asks the interpreter, on the calling thread between pieces of work,
// whether a signal handler raised; the exception stays pending until the
// calculation has stopped.
ExecutionContext InterruptibleContext(const CancelFlag& stop, int threads);

// Runs `work` without the interpreter's lock; a calculation that stopped
// for a signal raises what its Python handler raised (KeyboardInterrupt).
template <class Work>
auto RunReleased(Work&& work) {
    try {
        pybind11::gil_scoped_release released;
        return work();
    } catch (const CalculationCancelled&) {
        if (PyErr_Occurred() != nullptr || PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
        throw;
    }
}

// The execution context of one call: its threads, stop flag, SIGINT watch
// and deadline; `seconds` 0 sets no deadline. A call stopped by the deadline
// raises TimeoutError saying `what` stopped. Made with the interpreter's
// lock held.
class CallLimits {
public:
    explicit CallLimits(int threads, double seconds = 0);
    CallLimits(const CallLimits&) = delete;
    CallLimits& operator=(const CallLimits&) = delete;

    const ExecutionContext& context() const { return context_; }

    template <class Work>
    auto run(Work&& work, const char* what) const {
        try {
            return RunReleased(std::forward<Work>(work));
        } catch (const CalculationCancelled&) {
            if (deadline_ && deadline_->passed()) ThrowTimeout(what);
            throw;
        }
    }

private:
    [[noreturn]] void ThrowTimeout(const char* what) const;

    CancelFlag stop_{false};
    double seconds_;
    InterruptWatch watch_;
    std::optional<Deadline> deadline_;
    ExecutionContext context_;
};

}  // namespace marbleck::python
