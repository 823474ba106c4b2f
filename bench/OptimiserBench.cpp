// The optimised binarization against the balanced one of the same hologram,
// in the same run: a letter F (strokes 2 px) at the five sizes, reps and
// random phases of the optimiser's goals. Each case runs at doubling budgets
// from 1/32 s; the figures are those of the longest, and "to 2x" is the
// first budget whose result reached twice the balanced fidelity (its own
// seconds), or "-" when none did.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "HologramCases.h"
#include "engine/sums/HologramCalculation.h"

namespace {

using namespace marbleck;

struct Case {
    int size;
    double reps;
    bool randomPhase;
    double goalSeconds;  // the goal's time to reach 2x
};

void Optimise(benchmark::State& state, Case c) {
    HologramRequest request;
    request.object = {static_cast<float>(c.size), static_cast<float>(c.size), cases::ThinLetterF(c.size)};
    request.reps = c.reps;
    request.engine = "fast";
    request.randomPhase = c.randomPhase;
    request.seed = 7;
    for (auto _ : state) {
        double toTwice = -1;
        OptimisationRecord last;
        double white = 0;
        for (double budget = 1.0 / 32; budget <= 2 * c.goalSeconds + 1e-9; budget *= 2) {
            request.binarization = BinarizationRequest{"optimised", 0, budget, 0};
            const HologramResult result = MakeHologram(request);
            last = *result.binarization->optimisation;
            if (toTwice < 0 && last.end.fidelity >= 2 * last.start.fidelity) toTwice = last.seconds;
            std::size_t lit = 0;
            for (int u = 0; u < result.geometry.columns; ++u)
                for (int v = 0; v < result.geometry.rows; ++v) lit += result.binarization->field(u, v) > 0;
            white = static_cast<double>(lit) /
                    (static_cast<double>(result.geometry.columns) * result.geometry.rows);
        }
        state.SetIterationTime(last.seconds);
        state.counters["balanced"] = last.start.fidelity;
        state.counters["optimised"] = last.end.fidelity;
        state.counters["ratio"] = last.end.fidelity / last.start.fidelity;
        state.counters["spread"] = last.end.uniformity;
        state.counters["balancedSpread"] = last.start.uniformity;
        state.counters["efficiency"] = last.end.efficiency;
        state.counters["white"] = white;
        state.counters["iterations"] = last.iterations;
        state.counters["secondsTo2x"] = toTwice;
        state.counters["goalSeconds"] = c.goalSeconds;
        std::printf(
            "F %4d^2 reps %.0f %-3s %4dx%-4d balanced %6.1f (spread %.2f)  optimised %6.1f = %.2fx "
            "(spread %.2f, efficiency %.3f, white %.3f, %d steps in %.1f s)  to 2x: %s (goal %.0f s)\n",
            c.size, c.reps, c.randomPhase ? "on" : "off", static_cast<int>(c.size * c.reps),
            static_cast<int>(c.size * c.reps), last.start.fidelity, last.start.uniformity, last.end.fidelity,
            last.end.fidelity / last.start.fidelity, last.end.uniformity, last.end.efficiency, white,
            last.iterations, last.seconds,
            toTwice < 0 ? "-" : (std::to_string(toTwice).substr(0, 4) + " s").c_str(), c.goalSeconds);
        std::fflush(stdout);
    }
}

const bool registered = [] {
    for (const Case c : {Case{100, 2, false, 1}, Case{100, 2, true, 1}, Case{200, 3, true, 3},
                         Case{500, 2, true, 5}, Case{551, 3, true, 10}}) {
        const std::string name = "Optimised/F" + std::to_string(c.size) + "/reps" +
                                 std::to_string(static_cast<int>(c.reps)) +
                                 (c.randomPhase ? "/random" : "/plain");
        benchmark::RegisterBenchmark(name.c_str(), Optimise, c)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
