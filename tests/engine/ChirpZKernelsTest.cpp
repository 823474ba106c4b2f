#include "engine/sums/ChirpZKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <random>
#include <vector>

namespace marbleck {
namespace {

using Complex = std::complex<float>;

std::vector<Complex> RandomValues(int count, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> draw(-1.0f, 1.0f);
    std::vector<Complex> values(static_cast<std::size_t>(count));
    for (Complex& value : values) value = {draw(engine), draw(engine)};
    return values;
}

// Every place of the reversed inputs against H₁ + i·H₂ formed one row at a
// time in 64-bit, on row counts around the four-row steps and the disc's, with
// a second column and without; the places beyond the inputs stay untouched.
TEST(ChirpZKernels, PairInputsAreTheHermitianExtensionsTimesTheChirp) {
    for (int R : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 166}) {
        for (bool second : {true, false}) {
            const int inputs = 2 * R - 1, length = 2 * inputs + 3;
            const auto one = RandomValues(R, 1), other = RandomValues(R, 2), chirp = RandomValues(inputs, 3);
            const Complex untouched{7.0f, -7.0f};
            std::vector<Complex> reversed(static_cast<std::size_t>(length), untouched);
            PutPairInputs(one.data(), second ? other.data() : nullptr, R, chirp.data(), reversed.data(),
                          length);
            std::vector<bool> written(static_cast<std::size_t>(length), false);
            for (int n = 0; n < inputs; ++n) {
                const int y = n - (R - 1);
                const std::complex<double> g1 = one[static_cast<std::size_t>(y < 0 ? -y : y)];
                const std::complex<double> g2 =
                    second ? std::complex<double>(other[static_cast<std::size_t>(y < 0 ? -y : y)]) : 0.0;
                const std::complex<double> h =
                    y == 0  ? std::complex<double>(g1.real(), g2.real())
                    : y > 0 ? 0.5 * (g1 + std::complex<double>(0, 1) * g2)
                            : 0.5 * (std::conj(g1) + std::complex<double>(0, 1) * std::conj(g2));
                const std::size_t at = static_cast<std::size_t>(n == 0 ? 0 : length - n);
                const std::complex<double> expected =
                    h * std::complex<double>(chirp[static_cast<std::size_t>(n)]);
                EXPECT_NEAR(reversed[at].real(), expected.real(), 1e-6) << "R " << R << " n " << n;
                EXPECT_NEAR(reversed[at].imag(), expected.imag(), 1e-6) << "R " << R << " n " << n;
                written[at] = true;
            }
            for (int at = 0; at < length; ++at) {
                if (!written[static_cast<std::size_t>(at)]) {
                    EXPECT_EQ(reversed[static_cast<std::size_t>(at)], untouched)
                        << "R " << R << " place " << at;
                }
            }
        }
    }
}

// Adding a pair's products: the real parts into the first column, the
// imaginary parts into the second, on counts around the eight-value steps,
// and the range (which, as FindRange's, starts from zero) widened to every
// value written.
TEST(ChirpZKernels, AddPairAddsBothHalvesAndWidensTheRange) {
    for (int count : {1, 7, 8, 9, 16, 17, 30}) {
        const auto convolved = RandomValues(count, 4), chirp = RandomValues(count, 5);
        std::vector<float> first(static_cast<std::size_t>(count), 1.0f),
            second(static_cast<std::size_t>(count), -1.0f);
        FieldRange range;
        AddPair(first.data(), second.data(), convolved.data(), chirp.data(), count, range);
        float lowest = 0.0f, highest = 0.0f;
        for (int v = 0; v < count; ++v) {
            const auto i = static_cast<std::size_t>(v);
            const std::complex<double> product =
                std::complex<double>(chirp[i]) * std::complex<double>(convolved[i]);
            EXPECT_NEAR(first[i], 1.0 + product.real(), 1e-6) << count << " " << v;
            EXPECT_NEAR(second[i], -1.0 + product.imag(), 1e-6) << count << " " << v;
            lowest = std::min({lowest, first[i], second[i]});
            highest = std::max({highest, first[i], second[i]});
        }
        EXPECT_EQ(range.minimum, lowest) << count;
        EXPECT_EQ(range.maximum, highest) << count;
        std::vector<float> alone(static_cast<std::size_t>(count), 1.0f);
        FieldRange aloneRange;
        AddPair(alone.data(), nullptr, convolved.data(), chirp.data(), count, aloneRange);
        for (int v = 0; v < count; ++v)
            EXPECT_EQ(alone[static_cast<std::size_t>(v)], first[static_cast<std::size_t>(v)]) << v;
    }
}

}  // namespace
}  // namespace marbleck
