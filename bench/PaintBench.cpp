// Times what follows the sum on the R = 10 disc: normalising and painting
// the grey levels into the hologram view, and binarizing and repainting it,
// each against the fast engine's own computation measured in the same run.
// Prints one line per step with its ratio to the fast engine.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <string>

#include "HologramCases.h"
#include "engine/HologramCompute.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

const cases::Case& Disc() {
    static const cases::Case disc = cases::HalfLitDisc();
    return disc;
}

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

HologramField Computed() {
    const cases::Case& c = Disc();
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    AccumulateHologram(EngineKind::Fast, c.geometry, c.points, c.phases, field);
    return field;
}

void FastEngine(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Computed().values().data());
}

void NormaliseAndPaint(benchmark::State& state) {
    const HologramField raw = Computed();
    const HologramGeometry& g = Disc().geometry;
    std::vector<std::uint8_t> grey;
    for (auto _ : state) {
        state.PauseTiming();
        HologramField field = raw;
        state.ResumeTiming();
        Normalise(field, g, FindRange(field, g));
        GreyLevels(field, g, grey);
        View().paintGreyColumns(grey.data(), g.columns, g.rows);
    }
}

void BinarizeAndPaint(benchmark::State& state) {
    HologramField normalised = Computed();
    const HologramGeometry& g = Disc().geometry;
    Normalise(normalised, g, FindRange(normalised, g));
    std::vector<std::uint8_t> grey;
    for (auto _ : state) {
        state.PauseTiming();
        HologramField field = normalised;
        state.ResumeTiming();
        Binarize(field, 0.6, grey);
        View().paintGreyColumns(grey.data(), field.columns(), field.rows());
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double fast = times_["marbleck::FastEngine/real_time"];
        for (const auto& [name, time] : times_)
            std::printf("%-42s %8.2f ms  %5.2fx the fast engine\n", name.c_str(), time, time / fast);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace
}  // namespace marbleck

BENCHMARK(marbleck::FastEngine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(marbleck::NormaliseAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(marbleck::BinarizeAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    marbleck::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
