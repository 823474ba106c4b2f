#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace marbleck::bench {

// The console report, and the fastest repetition of each benchmark for the
// ratios a benchmark prints at the end: on a shared machine the slower
// repetitions measure the neighbours' load as well.
class FastestRunsReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const double time = run.GetAdjustedRealTime();
            auto [at, fresh] = times_.try_emplace(run.benchmark_name(), time);
            if (!fresh) at->second = std::min(at->second, time);
        }
    }

protected:
    // Benchmark name -> fastest real time, in the benchmarks' time unit.
    std::map<std::string, double> times_;
};

}  // namespace marbleck::bench
