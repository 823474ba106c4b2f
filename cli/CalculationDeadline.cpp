#include "cli/CalculationDeadline.h"

#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace marbleck::cli {

namespace {

// A lock-free atomic may be stored to from a signal handler.
std::atomic<CancelFlag*> flagToSet{nullptr};
static_assert(std::atomic<CancelFlag*>::is_always_lock_free && CancelFlag::is_always_lock_free);

void OnAlarm(int) {
    if (CancelFlag* flag = flagToSet.load()) flag->store(true);
}

void SetTimer(double seconds) {
    itimerval timer{};
    const double whole = std::floor(seconds);
    timer.it_value.tv_sec = static_cast<time_t>(whole);
    timer.it_value.tv_usec = static_cast<suseconds_t>((seconds - whole) * 1e6);
    if (seconds > 0 && timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace

CalculationDeadline::CalculationDeadline(double seconds, CancelFlag& cancel) {
    flagToSet.store(&cancel);
    struct sigaction action {};
    action.sa_handler = OnAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes go on where the alarm met them
    sigaction(SIGALRM, &action, nullptr);
    // Timers run up to about 3 years; a longer limit is no limit.
    SetTimer(std::min(seconds, 1e8));
}

CalculationDeadline::~CalculationDeadline() {
    SetTimer(0);
    flagToSet.store(nullptr);
}

}  // namespace marbleck::cli
