// Times the reconstruction of the largest hologram, the R = 10 disc's
// 1653 x 1653 values, against the fast sum of the same hologram in the same
// run: the far field from the grey levels (as the window forms it after
// "Calculate") and from a binarized field, its log-scale picture, the
// fidelity figure and the balanced threshold; the pipeline, and the engine
// call with a balanced binarization. Prints one line per step with
// its ratio to the fast sum, each the fastest of its repetitions.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "FastestRuns.h"
#include "HologramCases.h"
#include "engine/binarization/Binarization.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/sums/FastHologramEngine.h"
#include "engine/sums/HologramCalculation.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

struct Calculated {
    cases::Case c = cases::HalfLitDisc();
    HologramField field;
    std::vector<std::uint8_t> grey;
    Calculated() {
        CalculateHologram(CalculationEngineNamed("fast"), c.geometry, c.points, c.phases, field, grey);
    }
};

const Calculated& Disc() {
    static const Calculated disc;
    return disc;
}

void FastSum(benchmark::State& state) {
    const cases::Case& c = Disc().c;
    for (auto _ : state) {
        HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
        AccumulateFast(c.geometry, c.points, c.phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
}

void ReconstructGrey(benchmark::State& state) {
    const Calculated& d = Disc();
    const HologramGeometry& g = d.c.geometry;
    Reconstruct(d.grey.data(), g.columns, g.rows, g.rows);  // the plan, made once per size
    for (auto _ : state) {
        const Reconstruction r = Reconstruct(d.grey.data(), g.columns, g.rows, g.rows);
        benchmark::DoNotOptimize(r.intensity.data());
    }
}

void ReconstructBinarizedField(benchmark::State& state) {
    const Calculated& d = Disc();
    const HologramGeometry& g = d.c.geometry;
    HologramField field = d.field;
    std::vector<std::uint8_t> grey;
    Binarize(field, MedianThreshold(field, g.columns, g.rows), grey);
    Reconstruct(field, g.columns, g.rows);
    for (auto _ : state) {
        const Reconstruction r = Reconstruct(field, g.columns, g.rows);
        benchmark::DoNotOptimize(r.intensity.data());
    }
}

void LogScalePicture(benchmark::State& state) {
    const Calculated& d = Disc();
    const HologramGeometry& g = d.c.geometry;
    const Reconstruction r = Reconstruct(d.grey.data(), g.columns, g.rows, g.rows);
    for (auto _ : state) {
        const std::vector<std::uint8_t> levels = LogScaleLevels(r);
        benchmark::DoNotOptimize(levels.data());
    }
}

void Fidelity(benchmark::State& state) {
    const Calculated& d = Disc();
    const HologramGeometry& g = d.c.geometry;
    const Reconstruction r = Reconstruct(d.grey.data(), g.columns, g.rows, g.rows);
    for (auto _ : state) benchmark::DoNotOptimize(FidelityFigure(r, d.c.points, g));
}

void BalancedThreshold(benchmark::State& state) {
    const Calculated& d = Disc();
    const HologramGeometry& g = d.c.geometry;
    for (auto _ : state) benchmark::DoNotOptimize(MedianThreshold(d.field, g.columns, g.rows));
}

// The sums, normalising and grey levels as "Calculate" runs them.
void Pipeline(benchmark::State& state) {
    const cases::Case& c = Disc().c;
    HologramField field;
    std::vector<std::uint8_t> grey;
    for (auto _ : state) {
        CalculateHologram(CalculationEngineNamed("fast"), c.geometry, c.points, c.phases, field, grey);
        benchmark::DoNotOptimize(grey.data());
    }
}

// The same through the engine call, which also draws the phases, makes a
// fresh field each time and, asked to, binarizes beside the calculated field.
void Request(benchmark::State& state, bool balanced) {
    const cases::Case& c = Disc().c;
    for (auto _ : state) {
        HologramRequest request;
        request.object = {c.geometry.W, c.geometry.H, c.points};
        request.reps = c.geometry.R;
        request.engine = "fast";
        request.randomPhase = true;
        if (balanced) request.binarization = BinarizationRequest{"balanced", 0};
        const HologramResult result = MakeHologram(std::move(request));
        benchmark::DoNotOptimize(result.greyLevels.data());
    }
}

void RequestPlain(benchmark::State& state) { Request(state, false); }
void RequestBalanced(benchmark::State& state) { Request(state, true); }

class RatioReporter : public bench::FastestRunsReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double sum = times_["fast sum/real_time"];
        for (const auto& [name, time] : times_)
            std::printf("%-40s %8.2f ms  %6.3fx the fast sum\n", name.c_str(), time, time / sum);
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    for (auto [name, run] :
         {std::pair{"fast sum", &FastSum}, std::pair{"reconstruct grey levels", &ReconstructGrey},
          std::pair{"reconstruct binarized field", &ReconstructBinarizedField},
          std::pair{"log-scale picture", &LogScalePicture}, std::pair{"fidelity figure", &Fidelity},
          std::pair{"balanced threshold", &BalancedThreshold}, std::pair{"pipeline", &Pipeline},
          std::pair{"engine call", &RequestPlain}, std::pair{"engine call, balanced", &RequestBalanced}})
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::AddCustomContext("threads", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
