// Engine calls made from several threads at once run side by side and give,
// bit for bit, what the same call gives alone; a context of one thread runs
// the whole call on the caller; a context the engine cannot run is refused
// before any work.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "HologramCases.h"
#include "engine/core/ExecutionContext.h"
#include "engine/core/HologramField.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/Refinement.h"
#include "engine/reconstruction/Reconstruction.h"
#include "engine/sums/HologramCalculation.h"

namespace marbleck {
namespace {

// The bits of every number a call gave, in order.
using Bits = std::vector<std::uint32_t>;

void Append(Bits& bits, const std::vector<float>& values) {
    const std::size_t at = bits.size();
    bits.resize(at + values.size());
    if (!values.empty()) std::memcpy(bits.data() + at, values.data(), values.size() * sizeof(float));
}

void Append(Bits& bits, double value) {
    std::uint64_t word = 0;
    std::memcpy(&word, &value, sizeof word);
    bits.push_back(static_cast<std::uint32_t>(word));
    bits.push_back(static_cast<std::uint32_t>(word >> 32));
}

// A request of a random object large enough that every stage cuts its work
// over the pool: 240 x 180 values, transforms above 2^16 of them; `large`
// gives 640 x 480, so that the fast engine's calls overlap.
HologramRequest Request(const std::string& engine, bool randomPhase, bool large = false) {
    const float width = large ? 160 : 80, height = large ? 120 : 60;
    const cases::Case c = cases::RandomPoints(width, height, large ? 4 : 3, large ? 800 : 150, 7);
    HologramRequest request;
    request.object = {width, height, c.points};
    request.reps = large ? 4 : 3;
    request.engine = engine;
    request.randomPhase = randomPhase;
    request.seed = 11;
    return request;
}

Bits HologramBits(const HologramResult& r) {
    Bits bits;
    Append(bits, r.field.values());
    Append(bits, r.rawRange.minimum);
    Append(bits, r.rawRange.maximum);
    if (r.binarization) Append(bits, r.binarization->field.values());
    return bits;
}

struct ConcurrentJob {
    const char* name;
    std::function<Bits(const ExecutionContext&)> run;
};

const ConcurrentJob Jobs[] = {
    {"Exact",
     [](const ExecutionContext& c) { return HologramBits(MakeHologram(Request("exact", false), c)); }},
    {"ExactRandomPhase",
     [](const ExecutionContext& c) { return HologramBits(MakeHologram(Request("exact", true), c)); }},
    {"Fast",
     [](const ExecutionContext& c) { return HologramBits(MakeHologram(Request("fast", false, true), c)); }},
    {"FastRandomPhase",
     [](const ExecutionContext& c) { return HologramBits(MakeHologram(Request("fast", true, true), c)); }},
    {"Optimised",
     [](const ExecutionContext& c) {
         HologramRequest request = Request("fast", true);
         // A step limit within a budget no run reaches: the same steps every time.
         request.binarization = BinarizationRequest{"optimised", 0, 600, 6};
         return HologramBits(MakeHologram(std::move(request), c));
     }},
    {"KinoformRefined",
     [](const ExecutionContext& c) {
         PhaseRequest request;
         request.hologram = Request("fast", true);
         request.refinement = RefinementRequest{RefinementMethod::Weighted, 4, 0};
         const PhaseHologram h = MakePhaseHologram(std::move(request), c);
         Bits bits;
         Append(bits, h.phase.values());
         for (double figure :
              {h.figures.efficiency, h.figures.uniformity, h.figures.spread, h.figures.fidelity})
             Append(bits, figure);
         return bits;
     }},
    {"ReconstructionFigures",
     [](const ExecutionContext& c) {
         const HologramResult h = MakeHologram(Request("exact", true), c);
         const Reconstruction r = Reconstruct(h.field, h.geometry.columns, h.geometry.rows, {}, c);
         const HologramFigures figures = MeasureFigures(r, h.litSamples, h.geometry);
         Bits bits;
         Append(bits, r.intensity);
         for (double figure : {figures.fidelity, figures.uniformity, figures.efficiency})
             Append(bits, figure);
         std::vector<float> levels;
         for (std::uint8_t level : LogScaleLevels(r, DefaultDecades, c)) levels.push_back(level);
         Append(bits, levels);
         return bits;
     }},
};

struct ConcurrentCase {
    const ConcurrentJob* job;
    int threads;  // the context's
};

class ConcurrentCalls : public ::testing::TestWithParam<ConcurrentCase> {};

// Three threads make three calls each, every thread with a copy of one
// context, so that copies that share a pool are driven at once too.
TEST_P(ConcurrentCalls, GiveTheSerialCallsValues) {
    const ConcurrentCase& c = GetParam();
    ExecutionContext context;
    context.threads = c.threads;
    const Bits serial = c.job->run(context);
    ASSERT_FALSE(serial.empty());

    constexpr int Threads = 3, Calls = 3;
    std::vector<std::vector<Bits>> results(Threads);
    std::vector<std::string> failures(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t, copy = context] {
            try {
                for (int i = 0; i < Calls; ++i)
                    results[static_cast<std::size_t>(t)].push_back(c.job->run(copy));
            } catch (const std::exception& error) {
                failures[static_cast<std::size_t>(t)] = error.what();
            }
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < Threads; ++t) {
        ASSERT_EQ(failures[static_cast<std::size_t>(t)], "") << "thread " << t;
        for (const Bits& result : results[static_cast<std::size_t>(t)])
            EXPECT_TRUE(result == serial) << "thread " << t << " gave other values";
    }
}

std::vector<ConcurrentCase> ConcurrentCases() {
    std::vector<ConcurrentCase> cases;
    for (const ConcurrentJob& job : Jobs)
        for (int threads : {0, 1, 2}) cases.push_back({&job, threads});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConcurrentCalls, ::testing::ValuesIn(ConcurrentCases()),
                         [](const ::testing::TestParamInfo<ConcurrentCase>& info) {
                             return std::string(info.param.job->name) + "Threads" +
                                    std::to_string(info.param.threads);
                         });

// The threads of this process, from the system's own list.
int ProcessThreads() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

// Runs every kind of call with one thread in a fresh process (where no
// other test has started the shared pool) and exits 0 when the process never
// had more threads than before, 1 otherwise.
[[noreturn]] void ExitWithThreadsGrown() {
    const int before = ProcessThreads();
    int most = before;
    ExecutionContext context;
    context.threads = 1;
    context.columnDone = [&](int) { most = std::max(most, ProcessThreads()); };
    context.progress = [&](double) { most = std::max(most, ProcessThreads()); };
    for (const ConcurrentJob& job : Jobs) job.run(context);
    most = std::max(most, ProcessThreads());
    std::exit(most > before ? 1 : 0);
}

TEST(OneThreadContext, StartsNoThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitWithThreadsGrown(), ::testing::ExitedWithCode(0), "");
}

// A context the engine cannot run is refused before anything is summed.
TEST(ExecutionContextChecks, RefuseWhatCannotRun) {
    ExecutionContext negative;
    negative.threads = -1;
    ExecutionContext unknown;
    unknown.transforms = "cufft";
    for (const ExecutionContext* context : {&negative, &unknown}) {
        int columns = 0;
        ExecutionContext counted = *context;
        counted.columnDone = [&](int) { ++columns; };
        EXPECT_THROW(MakeHologram(Request("exact", false), counted), std::invalid_argument);
        EXPECT_THROW(MakeKinoform(Request("exact", false), {}, counted), std::invalid_argument);
        EXPECT_EQ(columns, 0);
        HologramField field(40, 30);
        EXPECT_THROW(Reconstruct(field, 40, 30, {}, counted), std::invalid_argument);
    }
}

}  // namespace
}  // namespace marbleck
