// Times "Calculate" with the fast engine on the R = 10 disc against the fast
// sum alone, in the same run: the whole command as the button runs it (the
// canvas's samples, the phases, the sum, the range, normalising, grey levels,
// the progress, the view painted), the engine's pipeline and
// the painting without the window, and binarizing and repainting. Prints
// one line per step with its ratio to the fast sum alone, each the fastest
// of its repetitions (bench/run asks for several, interleaved).

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>

#include "DiscWindow.h"
#include "FastestRuns.h"
#include "HologramCases.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "cli/WorkLimits.h"
#include "engine/binarization/Binarization.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/sums/FastHologramEngine.h"
#include "engine/sums/HologramPipeline.h"
#include "input/ObjectSamples.h"
#include "output/OutputFormats.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using bench::Disc;

// A view the size "Calculate" gives it for the disc at R = 10.
PictureArea& View() {
    static PictureArea* view = [] {
        auto* v = new PictureArea;
        const HologramGeometry& g = Disc().geometry;
        v->setOuterSize(static_cast<float>(Screen::TwipsPerPixelX() * g.W * g.R),
                        static_cast<float>(Screen::TwipsPerPixelY() * g.H * g.R));
        return v;
    }();
    return *view;
}

MainWindow& Window() { return bench::DiscWindow(); }

void FastSumAlone(benchmark::State& state) {
    const cases::Case& c = Disc();
    for (auto _ : state) {
        // A fresh zero-filled field each time, as every "Calculate" makes one.
        HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
        AccumulateFast(c.geometry, c.points, c.phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
}

void FastCalculateEndToEnd(benchmark::State& state) {
    MainWindow& window = Window();
    auto* calculate = window.findChild<QPushButton*>(QStringLiteral("calculateButton"));
    for (auto _ : state) {
        // The click, the sums on the worker, and the result shown once the
        // window hears that they have ended.
        QEventLoop loop;
        QObject::connect(&window, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
        QTest::mouseClick(calculate, Qt::LeftButton);
        if (window.isCalculating()) loop.exec();
        // The window repaints once the command has ended, as the program's
        // event loop does outside the command's own time.
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["points"] = static_cast<double>(Disc().points.size());
}

void FastPipelineAndPaint(benchmark::State& state) {
    const cases::Case& c = Disc();
    HologramField field;
    std::vector<std::uint8_t> grey;
    for (auto _ : state) {
        CalculateHologram(CalculationEngineNamed("fast"), c.geometry, c.points, c.phases, field, grey);
        View().paintGreyColumns(grey.data(), c.geometry.columns, c.geometry.rows);
    }
}

void BinarizeAndPaint(benchmark::State& state) {
    const cases::Case& c = Disc();
    HologramField normalised;
    std::vector<std::uint8_t> grey;
    CalculateHologram(CalculationEngineNamed("fast"), c.geometry, c.points, c.phases, normalised, grey);
    for (auto _ : state) {
        state.PauseTiming();
        HologramField field = normalised;
        state.ResumeTiming();
        Binarize(field, 0.6, grey);
        View().paintGreyColumns(grey.data(), field.columns(), field.rows());
    }
}

// The command line on the disc as an image file: 165 × 165 pixels (the
// disc's whole pixels), reps 10, the fast engine.
const QImage& DiscImage() {
    static const QImage image = [] {
        QImage disc(165, 165, QImage::Format_RGB32);
        disc.fill(Qt::black);
        for (const ObjectPoint& p : Disc().points)
            if (p.x < disc.width() && p.y < disc.height()) disc.setPixel(p.x, p.y, qRgb(255, 255, 255));
        return disc;
    }();
    return image;
}

cli::CliOptions FastCommandLine() {
    cli::CliOptions options;
    options.reps = 10;
    options.engine = "fast";
    return options;
}

// The disc's hologram as the command line makes it, without writing it.
JobResult CommandLineJob() {
    const cli::CliOptions options = FastCommandLine();
    return cli::RunWithinLimits(options, DiscImage(), 0, {}, {}, {}).result;
}

void CommandLineSumAlone(benchmark::State& state) {
    const HologramGeometry g = MakeHologramGeometry(165, 165, 10);
    std::vector<ObjectPoint> points;
    LitSamples(DiscImage(), PixelSampleGrid(g.canvasColumns, g.canvasRows), points);
    const std::vector<double> phases(points.size(), 0.0);
    for (auto _ : state) {
        HologramField field(g.fieldColumns, g.fieldRows);
        AccumulateFast(g, points, phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
}

void CommandLineObjectToField(benchmark::State& state) {
    for (auto _ : state) {
        const JobResult made = CommandLineJob();
        benchmark::DoNotOptimize(made.hologram->fileContent().values->values().data());
    }
}

// Writing the field in one format, into a temporary folder.
void CommandLineWrite(benchmark::State& state, const char* name, int depth) {
    static const HologramResult hologram =
        static_cast<const AmplitudeHologram&>(*CommandLineJob().hologram).result();
    QTemporaryDir folder;
    const QString path = folder.filePath(QString::fromLatin1(name));
    for (auto _ : state) WriteHologramFile(hologram.field, false, depth, path);
}

// The whole process: start, decode the PNG, calculate, write an 8-bit PNG.
void CommandLineProcess(benchmark::State& state, const char* output) {
    QTemporaryDir folder;
    const QString object = folder.filePath(QStringLiteral("disc.png"));
    DiscImage().save(object);
    const QStringList arguments{object,
                                QStringLiteral("-o"),
                                folder.filePath(QString::fromLatin1(output)),
                                QStringLiteral("--reps"),
                                QStringLiteral("10"),
                                QStringLiteral("--engine"),
                                QStringLiteral("fast"),
                                QStringLiteral("--quiet")};
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(MARBLECK_CLI), arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("marbleck-cli failed");
    }
}

class RatioReporter : public bench::FastestRunsReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        // The command line's cases against its own object's sum (165 × 165
        // whole pixels rather than the canvas's 165.33).
        const double sum = times_["fast sum alone/real_time"];
        const double commandLineSum = times_["command line: fast sum alone/real_time"];
        for (const auto& [name, time] : times_) {
            const bool commandLine = name.rfind("command line", 0) == 0;
            std::printf("%-46s %8.2f ms  %5.2fx the %sfast sum alone\n", name.c_str(), time,
                        time / (commandLine ? commandLineSum : sum), commandLine ? "command line's " : "");
        }
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace marbleck;
    for (auto [name, run] : {std::pair{"fast sum alone", &FastSumAlone},
                             std::pair{"fast Calculate end to end", &FastCalculateEndToEnd},
                             std::pair{"fast pipeline and painting", &FastPipelineAndPaint},
                             std::pair{"binarize and painting", &BinarizeAndPaint}})
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (auto [name, run] :
         {std::pair{"command line: fast sum alone", &CommandLineSumAlone},
          std::pair{"command line: object to normalised field", &CommandLineObjectToField}})
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (auto [name, file, depth] : {std::tuple{"command line: write 8-bit PNG", "h.png", 8},
                                     std::tuple{"command line: write 16-bit PNG", "h.png", 16},
                                     std::tuple{"command line: write BMP", "h.bmp", 8},
                                     std::tuple{"command line: write float TIFF", "h.tif", 8},
                                     std::tuple{"command line: write NumPy", "h.npy", 8}})
        benchmark::RegisterBenchmark(name, &CommandLineWrite, file, depth)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    for (auto [name, file] : {std::pair{"command line: whole process, PNG", "h.png"},
                              std::pair{"command line: whole process, NumPy", "h.npy"}})
        benchmark::RegisterBenchmark(name, &CommandLineProcess, file)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
