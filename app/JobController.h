#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "app/HologramProcedures.h"
#include "engine/core/Cancellation.h"
#include "engine/kinds/HologramJob.h"

class QPushButton;
class QShortcut;
class QTimer;
class QWidget;

namespace marbleck {

class BackgroundJob;
class InputHold;
class ProgressBar;

// Runs "Calculate"'s job (of any kind), an optimised "Binarize" or a
// "Refine" on a worker while the window goes on. From the start, input to the waiting controls is held back
// (they stay as they are on the screen), Esc cancels and the progress bar
// follows the worker; only once the work has run 200 ms is the window shown
// busy: the busy cursor and the status bar's "Cancel". The window derives
// its enabled states from running() and busyShown() whenever stateChanged()
// is sent.
class JobController : public QObject {
    Q_OBJECT

public:
    using Controls = std::function<QList<QWidget*>()>;

    // `window` shows the cursor and the errors and takes Esc; `cancelButton`
    // is shown while the window is busy; `waitingControls` gives the controls
    // whose input waits.
    JobController(QWidget& window, ProgressBar& progressBar, QPushButton& cancelButton,
                  Controls waitingControls);
    // A running job is stopped and waited for.
    ~JobController() override;

    // What a job does: "Calculate" (of any kind), an optimised "Binarize"
    // or "Refine".
    enum class Job { Calculation, Binarization, Refinement };

    // Starts the calculation `prepared` (RunJob of its job), asked for at
    // `startSeconds` (the clock); the worker starts first, so a start that
    // fails leaves everything as it was.
    void start(PreparedCalculation prepared, float startSeconds);
    // Starts the post-processing `prepared` as `job` likewise.
    void start(PreparedPostProcessing prepared, Job job);
    // From start() until the window is back to normal.
    bool running() const { return state_ != State::Idle; }
    // Whether the window shows the job busy (controls greyed).
    bool busyShown() const { return state_ == State::BusyShown; }

    // Asks a running job to stop.
    void cancel();
    // Stops a running job and waits for it: the window is back to
    // normal, "Cancelled" in the status bar, and ended() sent.
    void stopAndWait();

    // When the running or last job was asked for (a calculation's).
    float startSeconds() const { return startSeconds_; }

signals:
    // running() or busyShown() changed.
    void stateChanged();
    // The worker has made `hologram`, a new value, by `job`; the window
    // shows it now.
    void finished(marbleck::JobController::Job job, std::shared_ptr<const marbleck::Hologram> hologram);
    // A line for the status bar.
    void statusBarMessage(const QString& text);
    // The job has ended, however it ended, and the window is back to
    // normal.
    void ended();

private:
    enum class State { Idle, InputHeld, BusyShown };
    using Work = std::function<std::shared_ptr<const Hologram>(std::atomic<float>&, const CancelFlag&)>;

    // Starts `work` with the status bar's `startText`, said at once for a
    // `longJob`, else once the window shows it busy.
    void begin(Job job, Work work, const QString& startText, bool longJob);
    void showProgress();
    void showBusy();
    void end();
    // Puts the window back as it was before the job started.
    void leave();

    QWidget& window_;
    ProgressBar& progressBar_;
    QPushButton& cancelButton_;
    Controls waitingControls_;
    State state_ = State::Idle;
    BackgroundJob* worker_;
    QShortcut* cancelShortcut_;  // Esc, while a job runs
    QTimer* progressPoll_;
    // Shows the window busy once a job has run this long.
    QTimer* busyShowDelay_;
    // Holds back input to the waiting controls while a job runs.
    InputHold* waitingInput_;
    float startSeconds_ = 0;
    QPointer<QWidget> focusBeforeBusy_;
    // The running job, what it reads and what it makes; the worker writes
    // the hologram, which is read once it has ended.
    Job job_ = Job::Calculation;
    QString startText_;
    HologramJob calculationJob_;
    HologramGeometry calculationGeometry_;
    PreparedPostProcessing postProcessingJob_;
    std::shared_ptr<const Hologram> made_;
};

}  // namespace marbleck
