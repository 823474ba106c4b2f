#include "app/BackgroundJob.h"

#include <utility>

namespace marbleck {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob() { cancelAndWait(); }

void BackgroundJob::start(Work work) {
    work_ = std::move(work);
    failure_ = nullptr;
    outcome_ = Outcome::Done;
    percentDone_.store(-1);
    cancel_.store(false);
    const std::uint64_t run = ++runs_;
    worker_ = std::thread([this, run] {
        try {
            work_(percentDone_, cancel_);
            outcome_ = Outcome::Done;
        } catch (const CalculationCancelled&) {
            outcome_ = Outcome::Cancelled;
        } catch (...) {
            outcome_ = Outcome::Failed;
            failure_ = std::current_exception();
        }
        // Back on the owner's thread; dropped if this object is gone by then.
        QMetaObject::invokeMethod(
            this, [this, run] { finish(run); }, Qt::QueuedConnection);
    });
}

void BackgroundJob::cancelAndWait() {
    if (!worker_.joinable()) return;
    cancel_.store(true);
    worker_.join();
}

// A worker already waited for by cancelAndWait has nothing left to report.
void BackgroundJob::finish(std::uint64_t run) {
    if (run != runs_ || !worker_.joinable()) return;
    worker_.join();
    if (outcome_ == Outcome::Done && cancel_.load()) outcome_ = Outcome::Cancelled;
    emit ended();
}

}  // namespace marbleck
