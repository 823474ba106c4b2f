// Times a fast-engine job of over a second (six calculations of the R = 10
// disc, 1653 x 1653 values, with random phases and their balanced
// binarization) in a context of one thread:
// - "cpu/wall": the process's processor time over the wall time of one such
//   call; near 1 when the call keeps to its thread (nothing else spinning);
// - "together/apart": the wall time of two such calls made at once from two
//   threads over that of the same two made one after the other, both
//   measured here in the same iteration; near 1 / 2 on two or more idle
//   cores when the calls run side by side. "identical" is 1 when every call
//   gave the same field, bit for bit.

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "HologramCases.h"
#include "engine/core/ExecutionContext.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

HologramRequest DiscRequest() {
    const cases::Case c = cases::HalfLitDisc(10.0);
    HologramRequest request;
    request.object = {165.33333f, 165.33333f, c.points};
    request.reps = 10;
    request.engine = "fast";
    request.randomPhase = true;
    request.seed = 5;
    request.binarization = BinarizationRequest{"balanced", 0};
    return request;
}

// The job: the disc's calculation six times over.
HologramResult Job(const ExecutionContext& context) {
    HologramResult result;
    for (int i = 0; i < 6; ++i) result = MakeHologram(DiscRequest(), context);
    return result;
}

ExecutionContext OneThread() {
    ExecutionContext context;
    context.threads = 1;
    return context;
}

void OneThreadCpuOverWall(benchmark::State& state) {
    const ExecutionContext context = OneThread();
    MakeHologram(DiscRequest(), context);  // the engine's buffers, made once
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessSeconds();
        const auto start = Clock::now();
        const HologramResult result = Job(context);
        const double seconds = Seconds(start);
        cpu += ProcessSeconds() - cpuStart;
        wall += seconds;
        state.SetIterationTime(seconds);
        benchmark::DoNotOptimize(result.field.values().data());
    }
    state.counters["cpu/wall"] = cpu / wall;
    std::printf("one thread: %.2f s a job, process CPU / wall %.3f (goal <= 1.15)\n",
                wall / static_cast<double>(state.iterations()), cpu / wall);
}

void TwoCallsTogetherOverApart(benchmark::State& state) {
    const ExecutionContext context = OneThread();
    const HologramResult first = MakeHologram(DiscRequest(), context);  // the engine's buffers, made once
    double together = 0, apart = 0;
    bool identical = true;
    for (auto _ : state) {
        HologramResult a, b;
        auto start = Clock::now();
        a = Job(context);
        b = Job(context);
        const double serial = Seconds(start);
        identical = identical && a.field == first.field && b.field == first.field;

        start = Clock::now();
        std::thread other([&] { a = Job(context); });
        b = Job(context);
        other.join();
        const double concurrent = Seconds(start);
        identical = identical && a.field == first.field && b.field == first.field;
        state.SetIterationTime(concurrent);
        together += concurrent;
        apart += serial;
    }
    state.counters["together/apart"] = together / apart;
    state.counters["identical"] = identical ? 1 : 0;
    std::printf(
        "two one-thread jobs: together %.2f s, one after the other %.2f s, ratio %.3f "
        "(goal <= 0.6 on 2 cores), values %s\n",
        together / static_cast<double>(state.iterations()), apart / static_cast<double>(state.iterations()),
        together / apart, identical ? "identical" : "DIFFERENT");
}

BENCHMARK(OneThreadCpuOverWall)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(TwoCallsTogetherOverApart)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace marbleck

BENCHMARK_MAIN();
