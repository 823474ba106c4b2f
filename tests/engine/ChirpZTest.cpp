#include "engine/transforms/ChirpZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "CaseName.h"
#include "engine/core/HologramGeometry.h"

namespace marbleck {
namespace {

struct TransformCase {
    int inputs, outputs;
    double numerator, denominator;
    int offset = 0;
};

// Random values of modulus up to 1 at every input, in 64-bit.
std::vector<std::complex<double>> RandomValues(int count, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> draw(-0.7, 0.7);
    std::vector<std::complex<double>> a(static_cast<std::size_t>(count));
    for (auto& value : a) value = {draw(engine), draw(engine)};
    return a;
}

class ChirpZAgainstDirectSum : public ::testing::TestWithParam<TransformCase> {};

// Every output against Σ a(n)·e^{i·(n − offset)·k·step} summed in 64-bit,
// the angle (n − offset)·k·numerator / denominator formed as the exact
// engine forms it.
TEST_P(ChirpZAgainstDirectSum, WithinSinglePrecisionRounding) {
    const TransformCase c = GetParam();
    const ChirpZ transform(c.inputs, c.outputs, c.numerator, c.denominator, c.offset);
    ASSERT_GE(transform.length(), c.inputs + transform.blockOutputs() - 1);
    ASSERT_GE(1LL * transform.blocks() * transform.blockOutputs(), c.outputs);
    const auto a = RandomValues(c.inputs, 5);
    const ChirpZ::Work work(transform);
    double norm = 0;
    for (int n = 0; n < c.inputs; ++n) {
        work.data()[n] = std::complex<float>(a[static_cast<std::size_t>(n)]);
        norm += std::norm(a[static_cast<std::size_t>(n)]);
    }
    transform.transform(work);
    double worst = 0;
    for (int k = 0; k < c.outputs; ++k) {
        std::complex<double> sum;
        for (int n = 0; n < c.inputs; ++n) {
            const double angle =
                c.denominator == 0
                    ? 0.0
                    : std::fmod(1.0 * (n - c.offset) * k * c.numerator / c.denominator, 2 * M_PI);
            sum += a[static_cast<std::size_t>(n)] * std::polar(1.0, angle);
        }
        worst = std::max(worst, std::abs(sum - std::complex<double>(work.output()[k])));
    }
    // Relative to the root of the inputs' energy, the size of a typical output.
    EXPECT_LE(worst / std::sqrt(norm), 2e-6) << "length " << transform.length();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChirpZAgainstDirectSum,
    ::testing::Values(TransformCase{1, 1, HologramPi, 4}, TransformCase{1, 9, HologramPi, 1},
                      TransformCase{9, 1, HologramPi, 8}, TransformCase{7, 20, HologramPi, 6},
                      // An odd canvas, fractional reps, a prime one, a two-pixel side.
                      TransformCase{13, 38, HologramPi, 12.4}, TransformCase{23, 69, HologramPi, 22},
                      TransformCase{2, 7, HologramPi, 1}, TransformCase{5, 5, HologramPi, 0},
                      // Several blocks, the last one short.
                      TransformCase{40, 61, HologramPi, 39}, TransformCase{50, 1000, HologramPi, 49.5},
                      // The disc at reps 10: chirp phases beyond 10⁴ rad.
                      TransformCase{165, 1653, HologramPi, 164.33333},
                      // Sums from −offset up: a short one, one without a step, and the
                      // disc's columns as the engine pairs them.
                      TransformCase{13, 38, HologramPi, 12.4, 6}, TransformCase{5, 5, HologramPi, 0, 2},
                      TransformCase{331, 1653, HologramPi, 164.33333, 165}),
    [](const auto& info) {
        const TransformCase& c = info.param;
        return test::CaseName("In", c.inputs, "_Out", c.outputs, "_Span", c.denominator, "_Offset", c.offset);
    });

TEST(ChirpZ, LengthIsTheSmallestPowerOfTwoNotBelowTheCount) {
    struct Length {
        int count, expected;
    };
    for (const Length l :
         {Length{1, 1}, Length{2, 2}, Length{3, 4}, Length{5, 8}, Length{11, 16}, Length{17, 32},
          Length{97, 128}, Length{1025, 2048}, Length{1818, 2048}, Length{3305, 4096}})
        EXPECT_EQ(ChirpZ::LengthFor(l.count), l.expected) << l.count;
}

// A transform reads its input without changing it and leaves the places of
// its reversed copy that no input reaches zero, so a work array serves one
// transform after another with the same results.
TEST(ChirpZ, AWorkArrayServesTransformAfterTransform) {
    for (const int inputs : {3, 165}) {
        const ChirpZ transform(inputs, 1653, HologramPi, 164.33333);
        const auto a = RandomValues(inputs, 11);
        const ChirpZ::Work work(transform);
        std::vector<std::complex<float>> first;
        for (int repeat = 0; repeat < 3; ++repeat) {
            for (int n = 0; n < inputs; ++n)
                work.data()[n] = std::complex<float>(a[static_cast<std::size_t>(n)]);
            transform.transform(work);
            const std::vector<std::complex<float>> out(work.output(), work.output() + transform.outputs());
            if (repeat == 0)
                first = out;
            else
                EXPECT_EQ(out, first) << inputs << " " << repeat;
        }
    }
}

// Shared transforms of one geometry are one transform; one held while many
// others are made and dropped from the kept few goes on giving what a
// transform of its own parameters gives.
TEST(ChirpZ, SharedTransformsOutliveTheKeptFew) {
    const auto held = ChirpZ::Shared(165, 1653, HologramPi, 164.33333);
    EXPECT_EQ(ChirpZ::Shared(165, 1653, HologramPi, 164.33333), held);
    EXPECT_NE(ChirpZ::Shared(165, 1653, HologramPi, 164.33333, 2), held);
    for (int inputs = 2; inputs < 20; ++inputs) ChirpZ::Shared(inputs, 30, HologramPi, inputs - 1.0);
    const ChirpZ own(165, 1653, HologramPi, 164.33333);
    const auto a = RandomValues(165, 12);
    const ChirpZ::Work heldWork(*held), ownWork(own);
    for (int n = 0; n < 165; ++n) {
        heldWork.data()[n] = std::complex<float>(a[static_cast<std::size_t>(n)]);
        ownWork.data()[n] = heldWork.data()[n];
    }
    held->transform(heldWork);
    own.transform(ownWork);
    EXPECT_TRUE(std::equal(ownWork.output(), ownWork.output() + 1653, heldWork.output()));
}

TEST(ChirpZ, RefusesEmptySides) {
    EXPECT_THROW(ChirpZ(0, 5, HologramPi, 4), std::invalid_argument);
    EXPECT_THROW(ChirpZ(5, 0, HologramPi, 4), std::invalid_argument);
}

// One length's shared plans serve transforms of other steps and threads at
// once, each in its own array, with the results of one thread alone.
TEST(ChirpZ, TransformsOnSeveralThreadsAtOnceAgreeWithOneAlone) {
    const ChirpZ first(40, 60, HologramPi, 39), second(40, 60, HologramPi, 49.5);
    ASSERT_EQ(first.length(), second.length());
    const auto a = RandomValues(50, 9);
    auto run = [&](const ChirpZ& t) {
        const ChirpZ::Work work(t);
        for (int n = 0; n < t.inputs(); ++n)
            work.data()[n] = std::complex<float>(a[static_cast<std::size_t>(n)]);
        t.transform(work);
        return std::vector<std::complex<float>>(work.output(), work.output() + t.outputs());
    };
    const auto alone1 = run(first), alone2 = run(second);
    std::vector<std::vector<std::complex<float>>> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] {
            for (int repeat = 0; repeat < 50; ++repeat) results[i] = run(i % 2 ? second : first);
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], i % 2 ? alone2 : alone1) << i;
}

}  // namespace
}  // namespace marbleck
