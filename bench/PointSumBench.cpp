// The exact point sum of a scene on a 1024 × 1024 plane (8 µm, 633 nm, points
// 5–15 cm away, spread over the plane): point-pixels per second of the engine
// on every core and on one, against a plain scalar loop in double on one
// core (the baseline, on the first rows only: its rate does not depend on
// the rows), each the fastest of its repetitions, and their ratios. Without
// the panel's limit every point lights every value; with it ("limit") the
// point-pixels counted are those the discs light. Wall-clock rates: on a
// loaded machine the processor times the console shows say more.
// With --accuracy [POINTS], first prints the largest difference from the
// plain double-precision sum over the whole plane relative to its largest
// value (POINTS points, 100 unless given), with and without the limit.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "FastestRuns.h"
#include "PointSumReference.h"
#include "engine/scenes/PointSum.h"

namespace marbleck {
namespace {

constexpr int Size = 1024;
constexpr int BaselineRows = 4;
const ScenePlane Plane{Size, Size, 8e-6};

Scene SceneOf(int count) {
    std::mt19937_64 random(2026);
    std::uniform_real_distribution<double> across(-0.5 * Size * Plane.pitch, 0.5 * Size * Plane.pitch),
        depth(0.05, 0.15);
    Scene scene;
    for (int j = 0; j < count; ++j) scene.points.push_back({across(random), across(random), depth(random)});
    return scene;
}

PointSumOptions Options(bool limit) {
    PointSumOptions options;
    options.wavelength = 633e-9;
    options.randomPhases = true;
    options.seed = 1;
    options.panelLimit = limit;
    return options;
}

// The values each point lights, summed over the scene.
double PointPixels(const Scene& scene, bool limit, int rows) {
    if (!limit) return static_cast<double>(scene.points.size()) * Size * rows;
    double lit = 0;
    for (const ScenePoint& point : scene.points) {
        const double radiusSquared = PanelLimitRadiusSquared(point.z, 633e-9, Plane.pitch);
        for (int row = 0; row < rows; ++row) {
            const double dy = Plane.y(row) - point.y;
            if (dy * dy > radiusSquared) continue;
            const double half = std::sqrt(radiusSquared - dy * dy);
            const double from = std::max(0.0, std::ceil((point.x - half) / Plane.pitch + (Size - 1) / 2.0));
            const double to =
                std::min(Size - 1.0, std::floor((point.x + half) / Plane.pitch + (Size - 1) / 2.0));
            lit += std::max(0.0, to - from + 1);
        }
    }
    return lit;
}

void Engine(benchmark::State& state, int points, bool limit, int threads) {
    const Scene scene = SceneOf(points);
    ExecutionContext context;
    context.threads = threads;
    for (auto _ : state)
        benchmark::DoNotOptimize(SumPoints(scene, Plane, Options(limit), context).values.data());
    state.counters["point_pixels/s"] =
        benchmark::Counter(PointPixels(scene, limit, Size), benchmark::Counter::kIsIterationInvariantRate);
}

void Baseline(benchmark::State& state, int points) {
    const Scene scene = SceneOf(points);
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainPointSum(scene, Plane, Options(false), 0, BaselineRows).data());
    state.counters["point_pixels/s"] = benchmark::Counter(PointPixels(scene, false, BaselineRows),
                                                          benchmark::Counter::kIsIterationInvariantRate);
}

class RatioReporter : public bench::FastestRunsReporter {
public:
    explicit RatioReporter(std::vector<int> counts) : counts_(std::move(counts)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        FastestRunsReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const auto at = run.counters.find("point_pixels/s");
            if (at == run.counters.end()) continue;
            double& best = rates_[run.benchmark_name()];
            best = std::max(best, static_cast<double>(at->second));
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (int count : counts_) {
            const std::string n = std::to_string(count);
            const double baseline = Rate("baseline/" + n + "/");
            for (const char* run : {"engine/", "engine1/", "limit/"}) {
                const double rate = Rate(run + n + "/");
                if (rate == 0 || baseline == 0) continue;
                std::printf("%-8s %5d points: %10.4g point-pixels/s, %7.1fx the plain double loop (%.4g/s)\n",
                            run, count, rate, rate / baseline, baseline);
            }
        }
    }

private:
    double Rate(const std::string& prefix) const {
        for (const auto& [name, rate] : rates_)
            if (name.starts_with(prefix)) return rate;
        return 0;
    }
    std::vector<int> counts_;
    std::map<std::string, double> rates_;
};

void PrintAccuracy(int count) {
    const Scene scene = SceneOf(count);
    for (const bool limit : {false, true}) {
        const SceneField field = SumPoints(scene, Plane, Options(limit), ExecutionContext{});
        const std::vector<std::complex<double>> exact = PlainPointSum(scene, Plane, Options(limit));
        double largest = 0, worst = 0;
        for (std::size_t i = 0; i < exact.size(); ++i) {
            largest = std::max(largest, std::abs(exact[i]));
            worst = std::max(worst, std::abs(exact[i] - std::complex<double>(field.values[i])));
        }
        std::printf("accuracy %d x %d, %d points, %s: max |U - exact| / max |exact| = %.3g\n", Size, Size,
                    count, limit ? "panel limit" : "no limit", worst / largest);
    }
    std::fflush(stdout);
}

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    std::vector<char*> rest;
    int accuracy = 0;
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--accuracy") == 0)
            accuracy = i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0]))
                           ? std::atoi(argv[++i])
                           : 100;
        else
            rest.push_back(argv[i]);
    int count = static_cast<int>(rest.size());
    if (accuracy > 0) PrintAccuracy(accuracy);
    const std::vector<int> counts = {1000, 10000};
    for (int points : counts) {
        const std::string n = std::to_string(points) + "/";
        benchmark::RegisterBenchmark(("baseline/" + n).c_str(), Baseline, points / 10)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3);
        for (const auto& [name, limit, threads] :
             {std::tuple{"engine/", false, 0}, std::tuple{"engine1/", false, 1},
              std::tuple{"limit/", true, 0}}) {
            // One thread on the largest scene would take most of the run.
            if (threads == 1 && points > counts.front()) continue;
            benchmark::RegisterBenchmark((name + n).c_str(), Engine, points, limit, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1)
                ->Repetitions(points > counts.front() ? 2 : 3);
        }
    }
    benchmark::AddCustomContext("threads", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
    RatioReporter reporter(counts);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
