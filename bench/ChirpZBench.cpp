// The chirp-z engine against the fast engine on the three benchmark cases
// (small, many, the disc at reps 10), interleaved in one run: each case's
// time and its ratio to the fast engine's, each the fastest of its
// repetitions. With --accuracy, first prints how far each engine is from
// the exact one after normalising (the disc's exact sums take seconds).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "FastestRuns.h"
#include "HologramCases.h"
#include "engine/sums/CalculationEngine.h"
#include "engine/sums/HologramPipeline.h"

namespace marbleck {
namespace {

const char* const CaseNames[] = {"small", "many", "disc"};
const char* const EngineNames[] = {"fast", "czt"};

const cases::Case& CaseNamed(const std::string& name) {
    static std::map<std::string, cases::Case> all = {
        {"small", cases::SmallDrawing()}, {"many", cases::ManyPoints()}, {"disc", cases::HalfLitDisc()}};
    return all.at(name);
}

void Run(benchmark::State& state, const CalculationEngine& engine, const cases::Case& c) {
    for (auto _ : state) {
        // A fresh zero-filled field each time, as every "Calculate" makes one.
        HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
        AccumulateHologram(engine, c.geometry, c.points, c.phases, field);
        benchmark::DoNotOptimize(field.values().data());
    }
    state.counters["points"] = static_cast<double>(c.points.size());
    state.counters["values"] = static_cast<double>(c.geometry.columns) * c.geometry.rows;
}

class RatioReporter : public bench::FastestRunsReporter {
    // The fastest time of `engine` on `name`, whatever options its name carries.
    double TimeOf(const std::string& engine, const std::string& name) const {
        const std::string prefix = engine + "/" + name + "/";
        for (const auto& [run, time] : times_)
            if (run.starts_with(prefix)) return time;
        return 0;
    }

public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* c : CaseNames) {
            const double fast = TimeOf("fast", c), czt = TimeOf("czt", c);
            std::printf("%-6s fast %9.3f ms  czt %9.3f ms  czt is %5.2fx the fast engine's speed\n", c, fast,
                        czt, fast / czt);
        }
    }
};

// Largest differences from the exact engine after normalisation.
void PrintAccuracy() {
    for (const char* name : CaseNames) {
        const cases::Case& c = CaseNamed(name);
        HologramField exact;
        std::vector<std::uint8_t> exactGrey;
        CalculateHologram(CalculationEngineNamed("exact"), c.geometry, c.points, c.phases, exact, exactGrey);
        for (const char* engine : EngineNames) {
            HologramField field;
            std::vector<std::uint8_t> grey;
            CalculateHologram(CalculationEngineNamed(engine), c.geometry, c.points, c.phases, field, grey);
            double worst = 0;
            for (std::size_t i = 0; i < field.values().size(); ++i)
                worst = std::max(worst, std::abs(static_cast<double>(exact.values()[i]) - field.values()[i]));
            int worstGrey = 0;
            for (std::size_t i = 0; i < grey.size(); ++i)
                worstGrey = std::max(worstGrey, std::abs(exactGrey[i] - grey[i]));
            std::printf("accuracy %-5s %-4s max |normalised difference| %.3g, max grey difference %d\n", name,
                        engine, worst, worstGrey);
        }
    }
    std::fflush(stdout);
}

}  // namespace
}  // namespace marbleck

int main(int argc, char** argv) {
    using namespace marbleck;
    std::vector<char*> rest;
    bool accuracy = false;
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--accuracy") == 0)
            accuracy = true;
        else
            rest.push_back(argv[i]);
    int count = static_cast<int>(rest.size());
    if (accuracy) PrintAccuracy();
    for (const char* c : CaseNames)
        for (const char* e : EngineNames) {
            const std::string caseName = c;
            const CalculationEngine& engine = CalculationEngineNamed(e);
            benchmark::RegisterBenchmark(
                (std::string(e) + "/" + c + "/").c_str(),
                [caseName, &engine](benchmark::State& s) { Run(s, engine, CaseNamed(caseName)); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(0.3);
        }
    benchmark::AddCustomContext("threads", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
