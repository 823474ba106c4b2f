// Times the first fast "Calculate" of a fresh program, as a user meets it:
// the window shown, the R = 10 disc on the canvas, one exact calculation at
// reps 1, then reps 10 and "Fast calculation" switched on and "Calculate"
// clicked. Then, in the same process, the fast sum alone (fastest of
// several) and further clicks. bench/run starts it several times, each a
// fresh process on an X display, and prints each run's line.
//
// A click's time is the interval the time box shows, measured to the
// nanosecond: from the click until the figure is written. Beside it, the
// process's processor time and minor page faults during the click, which
// on a loaded machine say more than wall time.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

#include "DiscWindow.h"
#include "app/EngineWarmUp.h"
#include "engine/sums/FastHologramEngine.h"

namespace marbleck {
namespace {

// The process's processor time (all threads, ms) and minor page faults so
// far: on a loaded machine they show what a click costs where wall time
// cannot.
struct Usage {
    double cpuMs = 0;
    long faults = 0;
    static Usage Now() {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        const auto ms = [](timeval t) {
            return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) * 1e-3;
        };
        return {ms(u.ru_utime) + ms(u.ru_stime), u.ru_minflt};
    }
    Usage operator-(const Usage& before) const { return {cpuMs - before.cpuMs, faults - before.faults}; }
};

void Settle() {
    for (int i = 0; i < 3; ++i) QTest::qWait(20);
}

// Clicks "Calculate" and waits for its end; the ms from the click until the
// time box's figure was written, −1 when none was.
double ClickCalculate(MainWindow& window) {
    auto* calculate = window.findChild<QPushButton*>(QStringLiteral("calculateButton"));
    auto* timeBox = window.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
    timeBox->setText(QString());
    QElapsedTimer clock;
    qint64 shown = -1;
    const auto connection = QObject::connect(timeBox, &QLineEdit::textChanged, timeBox, [&] {
        if (shown < 0) shown = clock.nsecsElapsed();
    });
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
    clock.start();
    QTest::mouseClick(calculate, Qt::LeftButton);
    if (window.isCalculating()) loop.exec();
    QObject::disconnect(connection);
    return shown < 0 ? -1 : static_cast<double>(shown) * 1e-6;
}

double FastSumMs() {
    const cases::Case& c = bench::Disc();
    QElapsedTimer clock;
    clock.start();
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    AccumulateFast(c.geometry, c.points, c.phases, field);
    return static_cast<double>(clock.nsecsElapsed()) * 1e-6;
}

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    EngineWarmUp::KeepFreedBlocks();  // as main() does
    QApplication app(argc, argv);
    MainWindow& window = bench::DiscWindow(/*fast=*/false);
    auto* reps = window.findChild<QLineEdit*>(QStringLiteral("repsEdit"));
    auto* fast = window.findChild<QAction*>(QStringLiteral("fastEngineAction"));

    // The pause between a user's changes and the next click, in ms.
    constexpr int UserPauseMs = 1000;
    reps->setText(QStringLiteral("1"));
    Settle();
    const double exact = ClickCalculate(window);
    reps->setText(QStringLiteral("10"));
    fast->setChecked(true);
    // As long as a user takes from the menu to the button.
    QTest::qWait(UserPauseMs);
    const Usage beforeFirst = Usage::Now();
    const double first = ClickCalculate(window);
    const Usage firstUsage = Usage::Now() - beforeFirst;
    const CalculationTimings firstParts = window.document().calculation().seconds;
    Settle();

    constexpr int Sums = 7, Clicks = 3;
    std::vector<double> sums, clicks;
    const Usage beforeSums = Usage::Now();
    for (int i = 0; i < Sums; ++i) sums.push_back(FastSumMs());
    const Usage sumUsage = Usage::Now() - beforeSums;
    Usage clickUsage;
    for (int i = 0; i < Clicks; ++i) {
        Settle();
        const Usage before = Usage::Now();
        clicks.push_back(ClickCalculate(window));
        clickUsage = Usage::Now() - before;
    }
    const CalculationTimings laterParts = window.document().calculation().seconds;
    std::sort(sums.begin(), sums.end());
    std::sort(clicks.begin(), clicks.end());
    const double sum = sums.front();
    std::printf(
        "first click %7.2f ms %5.2fx   later clicks fastest %7.2f ms %5.2fx   fast sum fastest %6.2f ms "
        "median %6.2f ms   (exact at reps 1 before: %.2f ms)\n",
        first, first / sum, clicks.front(), clicks.front() / sum, sum, sums[sums.size() / 2], exact);
    // Where a click's time went on the worker: the sums and the normalising.
    std::printf("  sums and normalising: first click %.2f + %.2f ms, last click %.2f + %.2f ms\n",
                firstParts.sums * 1e3, firstParts.normalising * 1e3, laterParts.sums * 1e3,
                laterParts.normalising * 1e3);
    std::printf(
        "  processor time and minor page faults: first click %.0f ms %ld, last click %.0f ms %ld, "
        "fast sum %.0f ms %ld\n",
        firstUsage.cpuMs, firstUsage.faults, clickUsage.cpuMs, clickUsage.faults, sumUsage.cpuMs / Sums,
        sumUsage.faults / Sums);
    return first < 0 ? 1 : 0;
}
