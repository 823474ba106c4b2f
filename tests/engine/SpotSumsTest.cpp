#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <tuple>
#include <vector>

#include "engine/scenes/SpotSums.h"

namespace marbleck::spot_sums {
namespace {

struct Loops {
    const char* name;
    void (*rowDots)(const float*, const float*, const AxisTable&, std::complex<float>*);
    void (*rowSuperpose)(const std::complex<float>*, const AxisTable&, float*, float*);
    void (*toUnit)(float*, float*, int);
};

const Loops Chosen{"chosen", &RowDots, &RowSuperpose, &ToUnit};
const Loops Portable{"portable", &portable::RowDots, &portable::RowSuperpose, &portable::ToUnit};

// (loops, row length, spots): lengths around the loops' 16 lanes.
class RowLoops : public testing::TestWithParam<std::tuple<Loops, int, int>> {};

std::vector<float> Random(std::mt19937& random, std::size_t n) {
    std::uniform_real_distribution<float> value(-1, 1);
    std::vector<float> v(n);
    for (float& x : v) x = value(random);
    return v;
}

TEST_P(RowLoops, MatchSumsInDoublePrecision) {
    const auto [loops, count, spots] = GetParam();
    std::mt19937 random(static_cast<unsigned>(count * 31 + spots));
    AxisTable table{count, spots, Random(random, std::size_t(count) * spots),
                    Random(random, std::size_t(count) * spots)};
    std::vector<float> tRe = Random(random, count), tIm = Random(random, count);

    std::vector<std::complex<float>> dots(spots);
    loops.rowDots(tRe.data(), tIm.data(), table, dots.data());
    for (int j = 0; j < spots; ++j) {
        std::complex<double> want = 0;
        for (int c = 0; c < count; ++c)
            want += std::complex<double>(tRe[c], tIm[c]) *
                    std::complex<double>(table.reOf(j)[c], table.imOf(j)[c]);
        EXPECT_LT(std::abs(std::complex<double>(dots[j]) - want), 1e-5 * count) << j;
    }

    std::vector<std::complex<float>> d(spots);
    for (int j = 0; j < spots; ++j) d[j] = {0.5f + j, 1.0f - 0.25f * j};
    std::vector<float> sRe(count, 9.0f), sIm(count, 9.0f);  // overwritten, not added to
    loops.rowSuperpose(d.data(), table, sRe.data(), sIm.data());
    for (int c = 0; c < count; ++c) {
        std::complex<double> want = 0;
        for (int j = 0; j < spots; ++j)
            want += std::complex<double>(d[j]) *
                    std::conj(std::complex<double>(table.reOf(j)[c], table.imOf(j)[c]));
        EXPECT_LT(std::abs(std::complex<double>(sRe[c], sIm[c]) - want), 1e-5 * spots) << c;
    }

    if (count > 2) sRe[2] = sIm[2] = 0;
    const std::vector<float> re0 = sRe, im0 = sIm;
    loops.toUnit(sRe.data(), sIm.data(), count);
    for (int c = 0; c < count; ++c) {
        const std::complex<double> before(re0[c], im0[c]), after(sRe[c], sIm[c]);
        EXPECT_NEAR(std::abs(after), 1, 1e-6) << c;
        if (std::abs(before) > 0)
            EXPECT_LT(std::abs(after - before / std::abs(before)), 1e-6) << c;
        else
            EXPECT_EQ(after, std::complex<double>(1, 0)) << c;
    }
}

INSTANTIATE_TEST_SUITE_P(SpotSums, RowLoops,
                         testing::Combine(testing::Values(Chosen, Portable),
                                          testing::Values(1, 15, 16, 37, 512), testing::Values(1, 3)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::to_string(std::get<1>(info.param)) + "x" +
                                    std::to_string(std::get<2>(info.param));
                         });

}  // namespace
}  // namespace marbleck::spot_sums
