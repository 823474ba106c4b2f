// Times "Calculate" with the fast engine on the R = 10 disc as the user sees
// it on a real display, against the fast sum alone in the same run. Runs the
// window on the platform the environment names: bench/run starts it under
// Xvfb with the xcb platform, where painting, the cursor and the window's
// geometry go through an X server as on a desktop (offscreen they cost
// next to nothing).
//
// "time box" is the interval the time box shows, measured to the
// nanosecond: from the click until the figure is written. "until painted"
// goes on until the window has drawn the result and handed it to the X
// server. The time box's own figures (32-bit seconds since midnight, steps
// of about 8 ms at night) are printed beside them.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include <unistd.h>

#include "DiscWindow.h"
#include "HologramCases.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/sums/FastHologramEngine.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using bench::Disc;

MainWindow& Window() { return bench::DiscWindow(); }

// Lets the window handle everything pending (its repaints included), so
// that each click starts from a quiet window as a user's does.
void Settle() {
    for (int i = 0; i < 3; ++i) QTest::qWait(20);
}

void FastSumAlone(benchmark::State& state) {
    const cases::Case& c = Disc();
    for (auto _ : state) {
        HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
        AccumulateFast(c.geometry, c.points, c.phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
}

// Processor time, in ms: this thread's (the window's), and the X server's
// when bench/run names it in MARBLECK_X_SERVER_PID (0 otherwise).
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double XServerCpuMs() {
    const QByteArray pid = qgetenv("MARBLECK_X_SERVER_PID");
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    if (pid.isEmpty() || !stat.open(QIODevice::ReadOnly)) return 0;
    // Fields 14 and 15, after the command's closing parenthesis: user and system ticks.
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The figures the time box showed, for the report.
std::vector<double>& TimeBoxFigures() {
    static std::vector<double> figures;
    return figures;
}

// One click of "Calculate"; `untilPainted` also waits for the window to
// paint the result.
void Calculate(benchmark::State& state, bool untilPainted) {
    MainWindow& window = Window();
    auto* calculate = window.findChild<QPushButton*>(QStringLiteral("calculateButton"));
    auto* timeBox = window.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
    for (auto _ : state) {
        Settle();
        timeBox->setText(QString());
        QElapsedTimer clock;
        qint64 shown = -1;
        double cpuShown = 0;
        const auto connection = QObject::connect(timeBox, &QLineEdit::textChanged, timeBox, [&] {
            if (shown >= 0) return;
            shown = clock.nsecsElapsed();
            cpuShown = ThreadCpuMs();
        });
        QEventLoop loop;
        QObject::connect(&window, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
        const double cpuBefore = ThreadCpuMs();
        const double xBefore = XServerCpuMs();
        clock.start();
        QTest::mouseClick(calculate, Qt::LeftButton);
        if (window.isCalculating()) loop.exec();
        if (untilPainted) QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        const qint64 end = untilPainted ? clock.nsecsElapsed() : shown;
        QObject::disconnect(connection);
        if (shown < 0) {
            state.SkipWithError("no time shown");
            break;
        }
        state.SetIterationTime(static_cast<double>(end) * 1e-9);
        // The window's work from the click to the figure, and the X server's
        // until the window has settled again.
        state.counters["window cpu ms"] = cpuShown - cpuBefore;
        Settle();
        state.counters["X server cpu ms"] = XServerCpuMs() - xBefore;
        if (!untilPainted) TimeBoxFigures().push_back(timeBox->text().toDouble());
    }
}

// Each run is one calculation; the fastest and the median of each kind are
// set against the fast sum's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string& name = run.run_name.function_name;
            times_[name].push_back(run.GetAdjustedRealTime());
            for (const auto& [counter, value] : run.counters)
                counters_[name + ", " + counter].push_back(value);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (auto& [name, times] : times_) std::sort(times.begin(), times.end());
        const std::vector<double>& sum = times_["fast sum alone"];
        std::printf("%-28s %9s %6s %9s %6s\n", "", "fastest", "ratio", "median", "ratio");
        for (const auto& [name, times] : times_) {
            const double fastest = times.front(), median = times[times.size() / 2];
            std::printf("%-28s %6.2f ms %5.2fx %6.2f ms %5.2fx  the fast sum alone\n", name.c_str(), fastest,
                        fastest / sum.front(), median, median / sum[sum.size() / 2]);
        }
        // Means: the X server's time comes in ticks of 10 ms.
        for (const auto& [name, values] : counters_)
            std::printf(
                "%-44s mean %6.2f\n", name.c_str(),
                std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size()));
        std::printf("%-40s", "time box figures (s)");
        for (const double figure : TimeBoxFigures()) std::printf(" %g", figure);
        std::printf("\n");
    }

private:
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, std::vector<double>> counters_;
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    using namespace marbleck;
    // One calculation a run, many runs (bench/run interleaves them), so that
    // the fastest and the median are of single calculations.
    constexpr int Runs = 25;
    benchmark::RegisterBenchmark("fast sum alone", &FastSumAlone)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(Runs);
    for (auto [name, untilPainted] :
         {std::pair{"Calculate: time box", false}, std::pair{"Calculate: until painted", true}})
        benchmark::RegisterBenchmark(name, &Calculate, untilPainted)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(Runs);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
