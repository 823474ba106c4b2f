#include "app/JobController.h"

#include <QApplication>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <exception>
#include <utility>

#include "app/BackgroundJob.h"
#include "widgets/ErrorReporter.h"
#include "widgets/InputHold.h"
#include "widgets/ProgressBar.h"

namespace marbleck {

namespace {

// How often the progress bar follows a running calculation, in ms.
constexpr int ProgressPollMs = 30;

// How long a calculation runs before the window shows it busy, in ms. A
// shorter one ends without a flash of greyed controls and cursor, and without
// the repaints that would share the processor with its sums.
constexpr int BusyShowDelayMs = 200;

}  // namespace

JobController::JobController(QWidget& window, ProgressBar& progressBar, QPushButton& cancelButton,
                             Controls waitingControls)
    : QObject(&window),
      window_(window),
      progressBar_(progressBar),
      cancelButton_(cancelButton),
      waitingControls_(std::move(waitingControls)) {
    worker_ = new BackgroundJob(this);
    cancelShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    cancelShortcut_->setContext(Qt::WindowShortcut);
    cancelShortcut_->setEnabled(false);
    progressPoll_ = new QTimer(this);
    progressPoll_->setInterval(ProgressPollMs);
    busyShowDelay_ = new QTimer(this);
    busyShowDelay_->setSingleShot(true);
    busyShowDelay_->setInterval(BusyShowDelayMs);
    waitingInput_ = new InputHold(this);
    cancelButton_.hide();

    connect(&cancelButton_, &QPushButton::clicked, this, &JobController::cancel);
    connect(cancelShortcut_, &QShortcut::activated, this, &JobController::cancel);
    connect(worker_, &BackgroundJob::ended, this, &JobController::end);
    connect(progressPoll_, &QTimer::timeout, this, &JobController::showProgress);
    connect(busyShowDelay_, &QTimer::timeout, this, &JobController::showBusy);
}

JobController::~JobController() { worker_->cancelAndWait(); }

void JobController::start(PreparedCalculation prepared, float startSeconds) {
    const QString text = CalculationStartText(prepared);
    const bool longJob = IsLongCalculation(prepared);
    calculationGeometry_ = prepared.geometry;
    calculationJob_ = CalculationJob(std::move(prepared));
    begin(
        Job::Calculation,
        [this](std::atomic<float>& percentDone, const CancelFlag& cancel) {
            ExecutionContext context;
            context.cancelFlag = &cancel;
            context.columnDone = [&](int x) {
                percentDone.store(ProgressAfterColumn(calculationGeometry_, x), std::memory_order_relaxed);
            };
            // A scene's sums say their progress as a share.
            if (calculationJob_.scene)
                context.progress = [&](double fraction) {
                    percentDone.store(static_cast<float>(100 * fraction), std::memory_order_relaxed);
                };
            return std::shared_ptr<const Hologram>(RunJob(calculationJob_, context).hologram);
        },
        text, longJob);
    startSeconds_ = startSeconds;
}

void JobController::start(PreparedPostProcessing prepared, Job job) {
    const QString text = prepared.startText;
    const bool longJob = prepared.longJob;
    postProcessingJob_ = std::move(prepared);
    begin(
        job,
        [this](std::atomic<float>& percentDone, const CancelFlag& cancel) {
            ExecutionContext context;
            context.cancelFlag = &cancel;
            context.progress = [&](double fraction) {
                percentDone.store(static_cast<float>(100 * fraction), std::memory_order_relaxed);
            };
            return RunPostProcessing(postProcessingJob_, context);
        },
        text, longJob);
}

// The commands wait at once, their input held back and their menu items
// disabled; the controls, the cursor and the status bar show it only if the
// work lasts.
void JobController::begin(Job job, Work work, const QString& startText, bool longJob) {
    worker_->start([this, work = std::move(work)](std::atomic<float>& percentDone, const CancelFlag& cancel) {
        made_ = work(percentDone, cancel);
    });
    job_ = job;
    startText_ = startText;
    state_ = State::InputHeld;
    emit stateChanged();
    waitingInput_->hold(waitingControls_());
    cancelShortcut_->setEnabled(true);
    progressBar_.setVisible(true);
    progressPoll_->start();
    busyShowDelay_->start();
    // A job that may take seconds says so before any of it is done.
    if (longJob) emit statusBarMessage(startText_);
}

// The focus is taken before the controls are greyed, which moves it.
void JobController::showBusy() {
    focusBeforeBusy_ = QApplication::focusWidget();
    state_ = State::BusyShown;
    emit stateChanged();
    window_.setCursor(Qt::BusyCursor);
    cancelButton_.show();
    emit statusBarMessage(startText_);
}

void JobController::showProgress() {
    if (const float percent = worker_->percentDone(); percent >= 0) progressBar_.setValue(percent);
}

void JobController::cancel() {
    if (worker_->running()) worker_->cancel();
}

void JobController::end() {
    showProgress();  // the last column's progress, before the bar goes
    switch (worker_->outcome()) {
        case BackgroundJob::Outcome::Done:
            emit finished(job_, std::move(made_));
            break;
        case BackgroundJob::Outcome::Cancelled:
            emit statusBarMessage(QStringLiteral("Cancelled"));
            break;
        case BackgroundJob::Outcome::Failed:
            emit statusBarMessage(QString());
            ErrorReporter::RunCommand(&window_, [&] { std::rethrow_exception(worker_->failure()); });
            break;
    }
    leave();
    emit ended();
}

void JobController::stopAndWait() {
    if (!running()) return;
    worker_->cancelAndWait();
    emit statusBarMessage(QStringLiteral("Cancelled"));
    leave();
    emit ended();
}

void JobController::leave() {
    // The job's copies and whatever the window did not take are let go.
    calculationJob_ = {};
    postProcessingJob_ = {};
    made_.reset();
    const bool wasBusy = busyShown();
    state_ = State::Idle;
    busyShowDelay_->stop();
    cancelShortcut_->setEnabled(false);
    waitingInput_->release();
    progressPoll_->stop();
    progressBar_.setVisible(false);
    progressBar_.setValue(progressBar_.min());
    if (wasBusy) {
        cancelButton_.hide();
        window_.unsetCursor();
    }
    emit stateChanged();
    if (!wasBusy) return;
    if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled()) focusBeforeBusy_->setFocus();
    focusBeforeBusy_.clear();
}

}  // namespace marbleck
