#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

#include "engine/core/Cancellation.h"

namespace marbleck {

// Runs one job at a time (a calculation, an optimised
// binarization) on a thread of its own, so that the window stays
// responsive. Its owner polls percentDone(), may cancel(), and hears ended()
// on its own thread once the worker has stopped, however it stopped; the
// outcome is then read from here, and what the work wrote for its owner is
// the owner's to read. Destroying it cancels running work and waits for the
// worker.
class BackgroundJob : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Done, Cancelled, Failed };

    // The work, run on the worker: it stores how far it is, in percent, in
    // `percentDone` and stops with CalculationCancelled soon after `cancel`
    // is set.
    using Work = std::function<void(std::atomic<float>& percentDone, const CancelFlag& cancel)>;

    explicit BackgroundJob(QObject* parent = nullptr);
    ~BackgroundJob() override;

    // Starts `work`; nothing may be running.
    void start(Work work);
    bool running() const { return worker_.joinable(); }

    // How far the work is, in percent; negative before its first report.
    float percentDone() const { return percentDone_.load(std::memory_order_relaxed); }

    // Asks the worker to stop; ended() follows soon.
    void cancel() { cancel_.store(true); }
    // Stops the worker and waits for it; ended() is not sent for it.
    void cancelAndWait();

    // After ended(): how it ended and its error (when Failed). Work asked to
    // stop before its end was handled here counts as cancelled even where it
    // ended first: what the user stopped is not shown.
    Outcome outcome() const { return outcome_; }
    std::exception_ptr failure() const { return failure_; }

signals:
    void ended();

private:
    void finish(std::uint64_t run);

    Work work_;
    Outcome outcome_ = Outcome::Done;
    std::exception_ptr failure_;
    std::atomic<float> percentDone_{-1};
    CancelFlag cancel_{false};
    std::uint64_t runs_ = 0;  // pieces of work started, the running one's number
    std::thread worker_;
};

}  // namespace marbleck
