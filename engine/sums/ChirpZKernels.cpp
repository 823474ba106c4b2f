#include "engine/sums/ChirpZKernels.h"

#include "engine/core/ComplexTimes.h"
#include "engine/transforms/ChirpZ.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// PutPairInputs for canvas rows first .. last − 1.
void PutRows(const Complex* one, const Complex* other, int R, const Complex* chirp, Complex* reversed,
             int length, int first, int last) {
    const auto at = [length](int n) { return ChirpZ::ReversedIndex(n, length); };
    for (int y = first; y < last; ++y) {
        const Complex g1 = one[y], g2 = other ? other[y] : Complex{};
        if (y == 0) {
            reversed[at(R - 1)] = Times({g1.real(), g2.real()}, chirp[R - 1]);
            continue;
        }
        const Complex up{0.5f * (g1.real() - g2.imag()), 0.5f * (g1.imag() + g2.real())};
        const Complex down{0.5f * (g1.real() + g2.imag()), 0.5f * (g2.real() - g1.imag())};
        reversed[at(R - 1 + y)] = Times(up, chirp[R - 1 + y]);
        reversed[at(R - 1 - y)] = Times(down, chirp[R - 1 - y]);
    }
}

// The pair of hologram columns one transform makes: first[v] += Re P(v) and,
// where there is a second, second[v] += Im P(v) for v < count, with
// P(v) = chirp[v]·convolved[v], its two halves rounded to 32-bit as
// std::complex's product would round them and each sum rounded once; widens
// `range` to the new values as FindRange compares (a value replaces an end
// only when it compares beyond it, so NaN never does).
void AddPairPlain(float* first, float* second, const Complex* convolved, const Complex* chirp, int count,
                  FieldRange& range) {
    const auto* y = reinterpret_cast<const float*>(convolved);
    const auto* c = reinterpret_cast<const float*>(chirp);
    float minimum = range.minimum, maximum = range.maximum;
    const auto widen = [&](float value) {
        maximum = value > maximum ? value : maximum;
        minimum = value < minimum ? value : minimum;
    };
    for (int v = 0; v < count; ++v) {
        const float cr = c[2 * v], ci = c[2 * v + 1], yr = y[2 * v], yi = y[2 * v + 1];
        first[v] += cr * yr - ci * yi;
        widen(first[v]);
        if (second) {
            second[v] += cr * yi + ci * yr;
            widen(second[v]);
        }
    }
    range = {minimum, maximum};
}

#if defined(__x86_64__)
// Four complex products a·b, rounded as Times rounds them.
__attribute__((target("avx2"))) inline __m256 TimesAvx2(__m256 a, __m256 b) {
    const __m256 swapped = _mm256_permute_ps(a, 0b10110001);  // (ai, ar)
    return _mm256_addsub_ps(_mm256_mul_ps(a, _mm256_moveldup_ps(b)),
                            _mm256_mul_ps(swapped, _mm256_movehdup_ps(b)));
}

// Four complex values in the opposite order.
__attribute__((target("avx2"))) inline __m256 Reversed(__m256 values) {
    return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(values), 0b00011011));
}

// PutRows four rows at a time: rows 1 .. R − 2 go to places
// length − R + 1 ∓ y, the one side falling and the other rising; row 0 and
// the rows left over go one by one.
__attribute__((target("avx2"))) void PutPairInputsAvx2(const Complex* one, const Complex* other, int R,
                                                       const Complex* chirp, Complex* reversed, int length) {
    const auto* g1s = reinterpret_cast<const float*>(one);
    const auto* g2s = reinterpret_cast<const float*>(other);
    const auto* c = reinterpret_cast<const float*>(chirp);
    auto* out = reinterpret_cast<float*>(reversed);
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 conjugate =
        _mm256_castsi256_ps(_mm256_set1_epi64x(static_cast<long long>(0x8000000000000000ULL)));
    const int centre = length - (R - 1);  // where input R − 1 goes
    PutRows(one, other, R, chirp, reversed, length, 0, 1);
    int y = 1;
    for (; y + 3 <= R - 2; y += 4) {
        const __m256 g1 = _mm256_loadu_ps(g1s + 2 * y);
        const __m256 g2 = other ? _mm256_loadu_ps(g2s + 2 * y) : _mm256_setzero_ps();
        const __m256 g2Swapped = _mm256_permute_ps(g2, 0b10110001);  // (g2i, g2r)
        // (g1r − g2i, g1i + g2r) / 2 and (g1r + g2i, g2r − g1i) / 2.
        const __m256 up = _mm256_mul_ps(half, _mm256_addsub_ps(g1, g2Swapped));
        const __m256 down = _mm256_mul_ps(half, _mm256_add_ps(_mm256_xor_ps(g1, conjugate), g2Swapped));
        // Inputs R − 1 + y .. R + 2 + y rising, R − 1 − y .. R − 4 − y falling.
        const __m256 upChirp = _mm256_loadu_ps(c + 2 * (R - 1 + y));
        const __m256 downChirp = Reversed(_mm256_loadu_ps(c + 2 * (R - 4 - y)));
        _mm256_storeu_ps(out + 2 * (centre - y - 3), Reversed(TimesAvx2(up, upChirp)));
        _mm256_storeu_ps(out + 2 * (centre + y), TimesAvx2(down, downChirp));
    }
    PutRows(one, other, R, chirp, reversed, length, y, R);
}

// Values 0 1 4 5 | 2 3 6 7 of a horizontal pair operation, put back in order.
__attribute__((target("avx2"))) inline __m256 InOrder(__m256 parts) {
    return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(parts), 0b11011000));
}

// The same eight values at a time in AVX2: the same roundings in the same
// order, and max/min instructions that keep their second operand unless the
// first compares beyond it, as the comparisons above do.
__attribute__((target("avx2"))) void AddPairAvx2(float* first, float* second, const Complex* convolved,
                                                 const Complex* chirp, int count, FieldRange& range) {
    const auto* y = reinterpret_cast<const float*>(convolved);
    const auto* c = reinterpret_cast<const float*>(chirp);
    __m256 maximum = _mm256_set1_ps(range.maximum), minimum = _mm256_set1_ps(range.minimum);
    int v = 0;
    for (; v + 8 <= count; v += 8) {
        const __m256 cLow = _mm256_loadu_ps(c + 2 * v), cHigh = _mm256_loadu_ps(c + 2 * v + 8);
        const __m256 yLow = _mm256_loadu_ps(y + 2 * v), yHigh = _mm256_loadu_ps(y + 2 * v + 8);
        const __m256 re = InOrder(_mm256_hsub_ps(_mm256_mul_ps(cLow, yLow), _mm256_mul_ps(cHigh, yHigh)));
        const __m256 sum = _mm256_add_ps(_mm256_loadu_ps(first + v), re);
        _mm256_storeu_ps(first + v, sum);
        maximum = _mm256_max_ps(sum, maximum);
        minimum = _mm256_min_ps(sum, minimum);
        if (second) {
            // (cr·yi, ci·yr) pairs: the convolution's halves swapped.
            const __m256 imLow = _mm256_mul_ps(cLow, _mm256_permute_ps(yLow, 0b10110001));
            const __m256 imHigh = _mm256_mul_ps(cHigh, _mm256_permute_ps(yHigh, 0b10110001));
            const __m256 im = InOrder(_mm256_hadd_ps(imLow, imHigh));
            const __m256 other = _mm256_add_ps(_mm256_loadu_ps(second + v), im);
            _mm256_storeu_ps(second + v, other);
            maximum = _mm256_max_ps(other, maximum);
            minimum = _mm256_min_ps(other, minimum);
        }
    }
    alignas(32) float highest[8], lowest[8];
    _mm256_store_ps(highest, maximum);
    _mm256_store_ps(lowest, minimum);
    for (int i = 0; i < 8; ++i) {
        range.maximum = highest[i] > range.maximum ? highest[i] : range.maximum;
        range.minimum = lowest[i] < range.minimum ? lowest[i] : range.minimum;
    }
    AddPairPlain(first + v, second ? second + v : nullptr, convolved + v, chirp + v, count - v, range);
}
#endif

}  // namespace

void PutPairInputs(const Complex* one, const Complex* other, int R, const Complex* chirp, Complex* reversed,
                   int length) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return PutPairInputsAvx2(one, other, R, chirp, reversed, length);
#endif
    PutRows(one, other, R, chirp, reversed, length, 0, R);
}

void AddPair(float* first, float* second, const Complex* convolved, const Complex* chirp, int count,
             FieldRange& range) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return AddPairAvx2(first, second, convolved, chirp, count, range);
#endif
    AddPairPlain(first, second, convolved, chirp, count, range);
}

}  // namespace marbleck
