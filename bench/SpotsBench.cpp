// The spots' refinement on a 512 x 512 modulator with 75 spots (5 x 5 at
// three depths): the time of one weighted iteration, from runs of 0 and 10
// iterations ((t10 − t0) / 10), on one thread and on all, against one
// iteration written as a plain scalar loop over pixels and spots (each spot's
// Fresnel phase at each pixel and its cosine and sine, for the spots' fields
// and again for the superposition) on one thread, in the same run. First
// prints the figures 30 iterations reach on this case.

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "FastestRuns.h"
#include "engine/scenes/SpotRefinement.h"

namespace marbleck {
namespace {

constexpr int Side = 512;
constexpr int Iterations = 10;

SpotRequest Case(int iterations) {
    std::vector<Spot> spots;
    for (int d = 0; d < 3; ++d)
        for (int i = -2; i <= 2; ++i)
            for (int j = -2; j <= 2; ++j)
                spots.push_back(Spot{i * 150e-6 + d * 50e-6, j * 150e-6 - d * 50e-6, 0.06 + 0.04 * d, 1});
    return SpotRequest{ScenePlane{Side, Side, 8e-6}, 633e-9, std::move(spots), iterations};
}

void Refine(benchmark::State& state, int iterations, int threads) {
    const SpotRequest request = Case(iterations);
    ExecutionContext context;
    context.threads = threads;
    for (auto _ : state) {
        SpotHologram h = RefineSpots(request, context);
        benchmark::DoNotOptimize(h.phase.values().data());
    }
}

// One iteration the plain way: Vⱼ = Σ e^(i(φ − k rⱼ)) / N, then
// φ ← arg Σⱼ cⱼ e^(i k rⱼ), every phase formed per pixel and spot.
void ScalarIteration(benchmark::State& state) {
    const SpotRequest request = Case(1);
    const ScenePlane& p = request.plane;
    const double k = 2 * std::numbers::pi / request.wavelength;
    std::vector<float> phase(p.size(), 0.5f);
    const auto kr = [&](const Spot& s, int c, int r) {
        const double dx = p.x(c) - s.x, dy = p.y(r) - s.y;
        return std::fmod(k * s.z + k * (dx * dx + dy * dy) / (2 * s.z), 2 * std::numbers::pi);
    };
    for (auto _ : state) {
        std::vector<std::complex<double>> v(request.spots.size());
        for (std::size_t j = 0; j < request.spots.size(); ++j) {
            std::complex<float> sum = 0;
            for (int r = 0; r < p.rows; ++r)
                for (int c = 0; c < p.columns; ++c) {
                    const float angle = phase[static_cast<std::size_t>(r) * p.columns + c] -
                                        static_cast<float>(kr(request.spots[j], c, r));
                    sum += std::complex<float>(std::cos(angle), std::sin(angle));
                }
            v[j] = std::complex<double>(sum) / static_cast<double>(p.size());
        }
        for (int r = 0; r < p.rows; ++r)
            for (int c = 0; c < p.columns; ++c) {
                std::complex<float> sum = 0;
                for (std::size_t j = 0; j < request.spots.size(); ++j) {
                    const float angle = static_cast<float>(std::arg(v[j]) + kr(request.spots[j], c, r));
                    sum += std::complex<float>(std::cos(angle), std::sin(angle));
                }
                phase[static_cast<std::size_t>(r) * p.columns + c] = std::arg(sum);
            }
        benchmark::DoNotOptimize(phase.data());
    }
}

class RatioReporter : public bench::FastestRunsReporter {
    // The fastest time of the benchmark named `name`, whatever options its
    // name carries.
    double TimeOf(const std::string& name) const {
        for (const auto& [run, time] : times_)
            if (run.starts_with(name + "/")) return time;
        return 0;
    }

public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double scalar = TimeOf("scalar/iteration");
        for (const char* threads : {"1", "all"}) {
            const std::string prefix = std::string("refine/threads:") + threads;
            const double perIteration = (TimeOf(prefix + "/10") - TimeOf(prefix + "/0")) / Iterations;
            std::printf(
                "threads %-3s one iteration %8.3f ms  scalar loop %9.1f ms  %6.1fx the scalar loop's speed\n",
                threads, perIteration, scalar, scalar / perIteration);
        }
    }
};

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    const SpotHologram figures = RefineSpots(Case(30));
    std::printf("512 x 512, 75 spots, 30 iterations: uniformity %.4f, efficiency %.4f (start %.4f, %.4f)\n",
                figures.figures.overall.uniformity, figures.figures.overall.efficiency,
                figures.history.front().uniformity, figures.history.front().efficiency);
    for (const SpotGroupFigures& d : figures.figures.depths)
        std::printf("  depth %.2f m: uniformity %.4f, efficiency %.4f\n", d.z, d.uniformity, d.efficiency);
    for (auto [name, threads] : {std::pair{"1", 1}, std::pair{"all", 0}})
        for (int iterations : {0, Iterations})
            benchmark::RegisterBenchmark(
                (std::string("refine/threads:") + name + "/" + std::to_string(iterations)).c_str(),
                [iterations, threads = threads](benchmark::State& s) { Refine(s, iterations, threads); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(0.5);
    benchmark::RegisterBenchmark("scalar/iteration", ScalarIteration)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(2);
    benchmark::AddCustomContext("threads", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
