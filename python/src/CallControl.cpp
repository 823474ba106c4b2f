#include "CallControl.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/NumberText.h"

namespace py = pybind11;

namespace marbleck::python {

namespace {

// What the watch set up: the flag that a SIGINT sets (none when Python's
// handler may not raise) and the handler it hands the signal on to.
std::atomic<CancelFlag*> interruptTarget{nullptr};
struct sigaction interruptHandedOn;

extern "C" void OnInterrupt(int signal, siginfo_t* info, void* context) {
    if (CancelFlag* stop = interruptTarget.load(std::memory_order_relaxed))
        stop->store(true, std::memory_order_relaxed);
    if ((interruptHandedOn.sa_flags & SA_SIGINFO) != 0)
        interruptHandedOn.sa_sigaction(signal, info, context);
    else
        interruptHandedOn.sa_handler(signal);
}

}  // namespace

InterruptWatch::InterruptWatch(CancelFlag& stop) {
    const py::module_ threading = py::module_::import("threading");
    if (!threading.attr("current_thread")().is(threading.attr("main_thread")())) return;
    struct sigaction current {};
    if (sigaction(SIGINT, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) == 0 &&
        (current.sa_handler == SIG_IGN || current.sa_handler == SIG_DFL))
        return;
    const py::module_ signalModule = py::module_::import("signal");
    const bool alwaysRaises =
        signalModule.attr("getsignal")(static_cast<int>(SIGINT)).is(signalModule.attr("default_int_handler"));
    interruptHandedOn = current;
    interruptTarget.store(alwaysRaises ? &stop : nullptr);
    struct sigaction watching {};
    watching.sa_sigaction = OnInterrupt;
    watching.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&watching.sa_mask);
    installed_ = sigaction(SIGINT, &watching, nullptr) == 0;
}

InterruptWatch::~InterruptWatch() {
    if (!installed_) return;
    sigaction(SIGINT, &interruptHandedOn, nullptr);
    interruptTarget.store(nullptr);
}

Deadline::Deadline(double seconds, CancelFlag& stop) {
    // Beyond a year the clock's arithmetic could overflow; no call lasts that long.
    const auto wait = std::chrono::duration<double>(std::min(seconds, 3.2e7));
    thread_ = std::thread([this, wait, &stop] {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, wait, [this] { return ended_; })) {
            passed_.store(true);
            stop.store(true);
        }
    });
}

Deadline::~Deadline() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

ExecutionContext InterruptibleContext(const CancelFlag& stop, int threads) {
    ExecutionContext context;
    context.threads = threads;
    context.cancelFlag = &stop;
    context.cancelRequested = [] {
        py::gil_scoped_acquire interpreter;
        return PyErr_CheckSignals() != 0;
    };
    return context;
}

CallLimits::CallLimits(int threads, double seconds)
    : seconds_(seconds), watch_(stop_), context_(InterruptibleContext(stop_, threads)) {
    if (seconds > 0) deadline_.emplace(seconds, stop_);
}

void CallLimits::ThrowTimeout(const char* what) const {
    PyErr_SetString(
        PyExc_TimeoutError,
        (std::string(what) + " stopped after " + WriteNumber(seconds_) + " s (time_limit)").c_str());
    throw py::error_already_set();
}

}  // namespace marbleck::python
