#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>

#include "app/HologramProcedures.h"

namespace marbleck {

// Runs one prepared calculation at a time on a thread of its own, so that
// the window stays responsive. Its owner polls lastColumnDone(), may cancel(), and
// hears ended() on its own thread once the worker has stopped, however it
// stopped; the outcome and the result are then read from here. Destroying it
// cancels a running calculation and waits for the worker.
class BackgroundCalculation : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Calculated, Cancelled, Failed };

    explicit BackgroundCalculation(QObject* parent = nullptr);
    ~BackgroundCalculation() override;

    // Starts `job`; nothing may be running.
    void start(PreparedCalculation job);
    bool running() const { return worker_.joinable(); }

    // The last canvas column accumulated so far; −1 before the first.
    int lastColumnDone() const { return lastColumnDone_.load(std::memory_order_relaxed); }
    const PreparedCalculation& job() const { return job_; }

    // Asks the worker to stop; ended() follows soon.
    void cancel() { cancel_.store(true); }
    // Stops the worker and waits for it; ended() is not sent for it.
    void cancelAndWait();

    // After ended(): how it ended, its result (when Calculated) and its error
    // (when Failed).
    Outcome outcome() const { return outcome_; }
    HologramResult& result() { return result_; }
    std::exception_ptr failure() const { return failure_; }

signals:
    void ended();

private:
    void finish(std::uint64_t run);

    PreparedCalculation job_;
    HologramResult result_;
    Outcome outcome_ = Outcome::Calculated;
    std::exception_ptr failure_;
    std::atomic<int> lastColumnDone_{-1};
    CancelFlag cancel_{false};
    std::uint64_t runs_ = 0;  // calculations started, the running one's number
    std::thread worker_;
};

}  // namespace marbleck
