// Times the hologram engines on the three benchmark cases. Every benchmark
// reports "updates": hologram updates (object points × hologram values) per
// second, so runs on subsets of points compare directly with full runs.
// With --accuracy, first prints how far the fast engine is from the exact one.
// With --kernel=avx2 (or avx512, scalar) the exact engine uses that column
// kernel instead of the widest one the processor has.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "HologramCases.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/ExactKernel.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

const cases::Case& CaseNamed(const std::string& name) {
    static std::map<std::string, cases::Case> all = {
        {"small", cases::SmallDrawing()}, {"many", cases::ManyPoints()}, {"disc", cases::HalfLitDisc()}};
    return all.at(name);
}

// The first `count` points of a case (with their phases).
cases::Case Subset(const cases::Case& c, std::size_t count) {
    count = std::min(count, c.points.size());
    return {c.geometry,
            {c.points.begin(), c.points.begin() + static_cast<long>(count)},
            {c.phases.begin(), c.phases.begin() + static_cast<long>(count)}};
}

void Run(benchmark::State& state, const CalculationEngine& engine, const cases::Case& c) {
    for (auto _ : state) {
        // A fresh zero-filled field each time, as every "Calculate" makes one.
        HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
        AccumulateHologram(engine, c.geometry, c.points, c.phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
    const double updates = static_cast<double>(c.points.size()) * c.geometry.columns * c.geometry.rows;
    state.counters["updates"] = benchmark::Counter(updates, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["points"] = static_cast<double>(c.points.size());
    state.counters["values"] = static_cast<double>(c.geometry.columns) * c.geometry.rows;
}

void Register() {
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (const char* name : {"small", "many", "disc"}) {
        const std::string n = name;
        // The reference is timed on a subset of the disc's points: all of
        // them take minutes.
        const std::size_t referencePoints = n == "disc" ? 24 : SIZE_MAX;
        benchmark::RegisterBenchmark(("reference/" + n + "/").c_str(),
                                     [n, referencePoints](benchmark::State& s) {
                                         Run(s, CalculationEngineNamed("reference"),
                                             Subset(CaseNamed(n), referencePoints));
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(n == "small" ? 0.5 : 0.1);
        auto* exact = benchmark::RegisterBenchmark(("exact/" + n + "/").c_str(), [n](benchmark::State& s) {
            Run(s, CalculationEngineNamed("exact"), CaseNamed(n));
        });
        exact->Unit(benchmark::kMillisecond)->UseRealTime();
        if (n == "disc") exact->Iterations(1);
        benchmark::RegisterBenchmark(
            ("fast/" + n + "/").c_str(),
            [n](benchmark::State& s) { Run(s, CalculationEngineNamed("fast"), CaseNamed(n)); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(0.5);
    }
    benchmark::AddCustomContext("threads", std::to_string(threads));
    benchmark::AddCustomContext("exact_kernel", ColumnKernelName(SelectedColumnKernel()));
}

// Largest differences between the fast and the exact engine after
// normalisation, on each case.
void PrintAccuracy() {
    for (const char* name : {"small", "many", "disc"}) {
        const cases::Case& c = CaseNamed(name);
        std::vector<HologramField> fields(2);
        std::vector<std::vector<std::uint8_t>> greys(2);
        for (std::size_t i : {0u, 1u})
            CalculateHologram(i == 0 ? CalculationEngineNamed("exact") : CalculationEngineNamed("fast"),
                              c.geometry, c.points, c.phases, fields[i], greys[i]);
        double worst = 0;
        for (std::size_t i = 0; i < fields[0].values().size(); ++i)
            worst =
                std::max(worst, std::abs(static_cast<double>(fields[0].values()[i]) - fields[1].values()[i]));
        int worstGrey = 0;
        for (std::size_t i = 0; i < greys[0].size(); ++i)
            worstGrey = std::max(worstGrey, std::abs(greys[0][i] - greys[1][i]));
        std::printf("accuracy %s %.3g %d\n", name, worst, worstGrey);
    }
    std::fflush(stdout);
}

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    bool accuracy = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--accuracy") == 0) {
            accuracy = true;
        } else if (std::strncmp(argv[i], "--kernel=", 9) == 0) {
            const std::string name = argv[i] + 9;
            bool chosen = false;
            for (auto kernel : {marbleck::ColumnKernel::Scalar, marbleck::ColumnKernel::Avx2,
                                marbleck::ColumnKernel::Avx512})
                if (name == marbleck::ColumnKernelName(kernel)) chosen = marbleck::SelectColumnKernel(kernel);
            if (!chosen) {
                std::fprintf(stderr, "kernel %s is unknown or not supported here\n", name.c_str());
                return 1;
            }
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(rest.size());
    if (accuracy) marbleck::PrintAccuracy();
    marbleck::Register();
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
