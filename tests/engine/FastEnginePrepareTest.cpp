// Getting the fast engine ready for a job changes none of its results, for
// that job or any other, and leaves the job's first sum nothing to allocate.

#include <gtest/gtest.h>

#include <string>

#include <sys/resource.h>

#include "HologramCases.h"
#include "engine/sums/FastHologramEngine.h"

namespace marbleck {
namespace {

HologramField SumOf(FastHologramEngine& engine, const cases::Case& c) {
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    engine.accumulate(c.geometry, c.points, c.phases, field);
    return field;
}

struct PrepareCase {
    std::string name;
    cases::Case prepared;  // what the engine was made ready for
    cases::Case job;       // what it then sums
};

void PrintTo(const PrepareCase& c, std::ostream* out) { *out << c.name; }

class FastEnginePrepared : public ::testing::TestWithParam<PrepareCase> {};

TEST_P(FastEnginePrepared, SumsAsAnEngineThatWasNot) {
    const PrepareCase& c = GetParam();
    FastHologramEngine prepared;
    prepared.prepare(c.prepared.geometry, c.prepared.points);
    FastHologramEngine fresh;
    EXPECT_EQ(SumOf(prepared, c.job), SumOf(fresh, c.job));
    // Prepared again after a sum, for the job it just ran.
    prepared.prepare(c.job.geometry, c.job.points);
    EXPECT_EQ(SumOf(prepared, c.job), SumOf(fresh, c.job));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, FastEnginePrepared,
    ::testing::Values(
        PrepareCase{"SameJob", cases::HalfLitDisc(3.0), cases::HalfLitDisc(3.0)},
        PrepareCase{"LargerJobFirst", cases::HalfLitDisc(4.0), cases::RandomPoints(37, 23, 3, 400, 5)},
        PrepareCase{"SmallerJobFirst", cases::RandomPoints(13, 11, 3, 40, 7), cases::HalfLitDisc(2.0)},
        PrepareCase{"NothingLit", cases::RandomPoints(20, 20, 2, 0, 1),
                    cases::RandomPoints(61, 47, 7, 2000, 3)},
        PrepareCase{"OneColumnTall", cases::RandomPoints(1, 90, 9, 30, 9),
                    cases::RandomPoints(1, 90, 9, 30, 9)}),
    [](const ::testing::TestParamInfo<PrepareCase>& info) { return info.param.name; });

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Each test runs in a process of its own (ctest), so the engine and BLAS
// start with nothing here: unprepared, this sum takes about 1,700 new pages
// (the engine's buffers and BLAS's).
TEST(FastEnginePrepare, TheFirstSumAfterItTouchesNoNewPages) {
    const cases::Case c = cases::HalfLitDisc(6.0);
    FastHologramEngine engine;
    engine.prepare(c.geometry, c.points);
    HologramField field(c.geometry.fieldColumns, c.geometry.fieldRows);
    const long before = MinorFaults();
    engine.accumulate(c.geometry, c.points, c.phases, field);
    // A quarter of that: what the products' own small allocations may take.
    EXPECT_LT(MinorFaults() - before, 400);
}

}  // namespace
}  // namespace marbleck
