// Times how soon a long exact calculation stops, against the time one canvas
// column of the same job takes to accumulate, in the same run: Esc pressed
// while it runs until the window is back as before, and "Quit" clicked while
// it runs until the window has closed and the program's event loop is told
// to end. Prints each one's time (the fastest repetition when several are
// asked for) and its ratio to one column.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "FastestRuns.h"
#include "SettingsApart.h"
#include "app/Document.h"
#include "app/HologramProcedures.h"
#include "app/MainWindow.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramCalculation.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"

namespace marbleck {
namespace {

// The window with every canvas sample lit and reps 10: a 1000 × 1000
// hologram of 10 000 points with the exact engine.
MainWindow& Window() {
    static Document* document = new Document;
    static MainWindow* window = [] {
        bench::KeepSettingsApart();
        auto* w = new MainWindow(*document);
        w->findChild<PictureArea*>(QStringLiteral("objectCanvas"))->drawBox(0, 0, 100, 100, White, true);
        w->findChild<QLineEdit*>(QStringLiteral("repsEdit"))->setText(QStringLiteral("10"));
        w->show();
        QApplication::processEvents();
        return w;
    }();
    return *window;
}

// Starts the calculation and returns once its first column is done.
void StartAndWaitForProgress(MainWindow& window) {
    QEventLoop loop;
    QObject::connect(window.findChild<ProgressBar*>(QStringLiteral("progressBar")),
                     &QProgressBar::valueChanged, &loop, &QEventLoop::quit);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    loop.exec();
}

void WaitForEnd(MainWindow& window) {
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
    if (window.isCalculating()) loop.exec();
}

// One canvas column of the job: the sums of its points alone into a fresh
// field.
void OneColumn(benchmark::State& state) {
    MainWindow& window = Window();
    const PreparedCalculation job = PrepareCalculation(
        window.calculateSettings(), *window.findChild<PictureArea*>(QStringLiteral("objectCanvas")));
    const std::vector<ObjectPoint>& samples = job.request.object.litSamples;
    const std::vector<double> samplePhases = SamplePhases(job.request);
    const int middle = job.geometry.canvasColumns / 2;
    std::vector<ObjectPoint> points;
    std::vector<double> phases;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (samples[i].x == middle) {
            points.push_back(samples[i]);
            phases.push_back(samplePhases[i]);
        }
    for (auto _ : state) {
        HologramField field(job.geometry.fieldColumns, job.geometry.fieldRows);
        AccumulateHologram(CalculationEngineNamed("exact"), job.geometry, points, phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
    state.counters["points"] = static_cast<double>(points.size());
}

void EscToCancelled(benchmark::State& state) {
    MainWindow& window = Window();
    for (auto _ : state) {
        StartAndWaitForProgress(window);
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&window, Qt::Key_Escape);
        WaitForEnd(window);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
        if (window.isCalculating()) state.SkipWithError("still calculating");
    }
}

void QuitToClosed(benchmark::State& state) {
    MainWindow& window = Window();
    for (auto _ : state) {
        StartAndWaitForProgress(window);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("quitButton")), Qt::LeftButton);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
        if (window.isVisible() || window.isCalculating()) state.SkipWithError("not closed");
        window.show();
        QApplication::processEvents();
    }
}

// Prints the fastest repetition of each, against one column.
class RatioReporter : public bench::FastestRunsReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        double column = 0;
        for (const auto& [name, time] : times_)
            if (name.rfind("one canvas column", 0) == 0) column = time;
        for (const auto& [name, time] : times_)
            std::printf("%-40s %8.2f ms  %5.2fx one canvas column\n", name.c_str(), time, time / column);
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace marbleck;
    benchmark::RegisterBenchmark("one canvas column", &OneColumn)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Esc to cancelled", &EscToCancelled)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(10);
    benchmark::RegisterBenchmark("Quit to closed", &QuitToClosed)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(10);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
