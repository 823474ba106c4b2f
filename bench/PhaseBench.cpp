// Phase holograms: what 30 refinement iterations reach, and how long they
// take at a modulator's size against the transforms alone in the same run.
//
// Figures: a letter F (strokes 2 px) 100 x 100 at reps 2 refined by
// Gerchberg–Saxton, against the best binary hologram of the same object
// (the optimised binarization, 2 s budget), and a 10 x 10 grid of points
// refined by weighted Gerchberg–Saxton, over five seeds of random phase.
// Time: 30 iterations on a 1920 x 1080 hologram (a grid of points in 960 x
// 540 at reps 2), against 60 complex transforms of that size alone.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "HologramCases.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/Refinement.h"
#include "engine/sums/HologramCalculation.h"
#include "engine/transforms/SpectrumPlan.h"

namespace {

using namespace marbleck;
using Clock = std::chrono::steady_clock;

HologramRequest RequestOf(float width, float height, double reps, std::vector<ObjectPoint> points,
                          bool randomPhase, std::uint64_t seed) {
    HologramRequest request;
    request.object = {width, height, std::move(points)};
    request.reps = reps;
    request.engine = "fast";
    request.randomPhase = randomPhase;
    request.seed = seed;
    return request;
}

void Letter(benchmark::State& state, bool randomPhase) {
    const HologramRequest request = RequestOf(100, 100, 2, cases::ThinLetterF(100), randomPhase, 7);
    for (auto _ : state) {
        PhaseHologram h = MakeKinoform(request);
        RefinePhaseHologram(h, {.method = RefinementMethod::GerchbergSaxton, .iterations = 30});
        HologramRequest binary = request;
        binary.binarization = BinarizationRequest{"optimised", 0, 2.0, 0};
        const OptimisationRecord best = *MakeHologram(binary).binarization->optimisation;
        const RefinementRecord& r = *h.refinement;
        state.SetIterationTime(r.seconds);
        state.counters["efficiency"] = r.end.efficiency;
        state.counters["fidelity"] = r.end.fidelity;
        state.counters["vsBinary"] = r.end.fidelity / best.end.fidelity;
        std::printf(
            "F 100^2 reps 2 %-3s kinoform: efficiency %.3f fidelity %.0f; 30 x gs: efficiency %.3f "
            "uniformity %.3f spread %.3f fidelity %.0f = %.2fx the optimised binary's %.0f (%.2fx its "
            "balanced "
            "%.0f)\n",
            randomPhase ? "on" : "off", r.start.efficiency, r.start.fidelity, r.end.efficiency,
            r.end.uniformity, r.end.spread, r.end.fidelity, r.end.fidelity / best.end.fidelity,
            best.end.fidelity, r.end.fidelity / best.start.fidelity, best.start.fidelity);
        std::fflush(stdout);
    }
}

void Grid(benchmark::State& state, bool randomPhase) {
    for (auto _ : state) {
        double least = 1, sum = 0;
        const int seeds = randomPhase ? 5 : 1;
        std::string each;
        for (int seed = 1; seed <= seeds; ++seed) {
            PhaseHologram h = MakeKinoform(
                RequestOf(100, 100, 2, cases::PointGrid(100, 10), randomPhase, static_cast<unsigned>(seed)));
            RefinePhaseHologram(h, {.method = RefinementMethod::Weighted, .iterations = 30});
            least = std::min(least, h.figures.uniformity);
            sum += h.figures.uniformity;
            char text[64];
            std::snprintf(text, sizeof text, " %.3f (eff. %.3f)", h.figures.uniformity, h.figures.efficiency);
            each += text;
        }
        state.counters["uniformityMean"] = sum / seeds;
        state.counters["uniformityLeast"] = least;
        std::printf("grid 10x10 in 100^2 reps 2 random phase %-3s 30 x weighted: uniformity%s\n",
                    randomPhase ? "on" : "off", each.c_str());
        std::fflush(stdout);
    }
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Panel(benchmark::State& state, RefinementMethod method) {
    const PhaseHologram start = MakeKinoform(RequestOf(960, 540, 2, cases::PointGrid(540, 10), true, 3));
    const int columns = start.geometry.columns, rows = start.geometry.rows;
    for (auto _ : state) {
        PhaseHologram h = start;
        RefinePhaseHologram(h, {.method = method, .iterations = 30});
        const double refine = h.refinement->seconds;
        const auto t = Clock::now();
        {
            const ComplexSpectrumPlan plan(columns, rows, ExecutionContext{});
            std::fill(plan.data(), plan.data() + plan.size(), std::complex<float>(1, 0));
            for (int i = 0; i < 30; ++i) {
                plan.forward();
                plan.inverse();
            }
        }
        const double transforms = Seconds(t);
        state.SetIterationTime(refine);
        state.counters["transforms"] = transforms;
        state.counters["ratio"] = refine / transforms;
        std::printf(
            "%dx%d 30 x %-8s %.2f s; 60 transforms alone %.2f s: %.2fx (efficiency %.3f, uniformity %.3f)\n",
            columns, rows, std::string(RefinementMethodEntryOf(method).name).c_str(), refine, transforms,
            refine / transforms, h.figures.efficiency, h.figures.uniformity);
        std::fflush(stdout);
    }
}

const bool registered = [] {
    auto add = [](const char* name, auto fn, auto arg, int repetitions = 1) {
        benchmark::RegisterBenchmark(name, fn, arg)
            ->Iterations(1)
            ->Repetitions(repetitions)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    };
    add("Phase/F100/plain", Letter, false);
    add("Phase/F100/random", Letter, true);
    add("Phase/grid/plain", Grid, false);
    add("Phase/grid/random", Grid, true);
    add("Phase/1920x1080/gs", Panel, RefinementMethod::GerchbergSaxton, 3);
    add("Phase/1920x1080/weighted", Panel, RefinementMethod::Weighted, 3);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
