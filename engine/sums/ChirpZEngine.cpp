#include "engine/sums/ChirpZEngine.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/core/ParallelFor.h"
#include "engine/objects/PointRotation.h"
#include "engine/transforms/ChirpZ.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// Transforms one thread runs between two looks at the progress and between
// the calling thread's reports: a fraction of a millisecond each.
constexpr int TransformsPerStep = 64;

// Transform values below which the calling thread works alone: the pool's
// threads would wake for less than they save.
constexpr double ParallelTransformValues = 1 << 16;

// a·b without the checks for infinities std::complex's product makes.
inline Complex Times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
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
        const float re = cr * yr, reIm = ci * yi, imRe = cr * yi, imIm = ci * yr;
        first[v] += re - reIm;
        widen(first[v]);
        if (second) {
            second[v] += imRe + imIm;
            widen(second[v]);
        }
    }
    range = {minimum, maximum};
}

#if defined(__x86_64__)
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

void AddPair(float* first, float* second, const Complex* convolved, const Complex* chirp, int count,
             FieldRange& range) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return AddPairAvx2(first, second, convolved, chirp, count, range);
#endif
    AddPairPlain(first, second, convolved, chirp, count, range);
}

// The lit canvas rows, and the points of each, row by row.
struct LitRows {
    std::vector<int> y;
    std::vector<std::size_t> first;   // one more than y: the end of the last
    std::vector<std::size_t> points;  // indexes into the points, row by row
};

LitRows LitRowsOf(std::span<const ObjectPoint> points, int canvasRows) {
    std::vector<std::size_t> count(static_cast<std::size_t>(canvasRows) + 1, 0);
    for (const ObjectPoint& p : points) ++count[static_cast<std::size_t>(p.y) + 1];
    LitRows lit;
    std::vector<std::size_t> at(static_cast<std::size_t>(canvasRows), 0);
    std::size_t start = 0;
    for (int y = 0; y < canvasRows; ++y) {
        const std::size_t n = count[static_cast<std::size_t>(y) + 1];
        at[static_cast<std::size_t>(y)] = start;
        if (n > 0) {
            lit.y.push_back(y);
            lit.first.push_back(start);
        }
        start += n;
    }
    lit.first.push_back(start);
    lit.points.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        lit.points[at[static_cast<std::size_t>(points[i].y)]++] = i;
    return lit;
}

// The step denominator of a side of `size` pixels: the angle of sample n is
// n·C / (size − 1), or 0 on a side one pixel long.
double SpanOf(float size) { return static_cast<double>(size) - 1.0; }

// One thread's arrays: the work of each direction's transform.
struct Slice {
    ChirpZ::Work alongU;
    ChirpZ::Work alongV;
    FieldRange range;
};

}  // namespace

double ChirpZTransformValues(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    if (points.empty() || g.columns <= 0 || g.rows <= 0) return 0.0;
    std::vector<bool> lit(static_cast<std::size_t>(g.canvasRows), false);
    for (const ObjectPoint& p : points) lit[static_cast<std::size_t>(p.y)] = true;
    const auto rows = static_cast<double>(std::count(lit.begin(), lit.end(), true));
    return rows * ChirpZ::TransformedValues(g.canvasColumns, g.columns) +
           static_cast<double>((g.columns + 1) / 2) * ChirpZ::TransformedValues(2 * g.canvasRows - 1, g.rows);
}

void AccumulateChirpZ(const HologramGeometry& g, std::span<const ObjectPoint> points,
                      std::span<const double> phases, HologramField& field, FieldRange* range,
                      const ExecutionContext& context) {
    CheckAccumulateArguments(g, points, phases, field);
    const CancelFlag* cancel = context.cancelFlag;
    int reported = 0;  // canvas columns reported so far
    auto reportThrough = [&](int columns) {
        for (; reported < columns; ++reported)
            if (context.columnDone) context.columnDone(reported);
    };
    const int M = g.columns, N = g.rows;
    if (points.empty() || M <= 0 || N <= 0) {
        if (range) *range = FindRange(field, g);
        reportThrough(g.canvasColumns);
        return;
    }
    StopIfCancelled(cancel);
    const auto sz = [](long long n) { return static_cast<std::size_t>(n); };
    const LitRows lit = LitRowsOf(points, g.canvasRows);
    const int Y = static_cast<int>(lit.y.size());
    const ChirpZ alongU(g.canvasColumns, M, HologramPi, SpanOf(g.W));
    // Re Σy G(y)·e^{i·v·αy} = Σ H(y)·e^{i·v·αy} over y = −(R − 1) .. R − 1 with
    // the Hermitian H(y) = G(y) / 2, H(−y) = conj G(y) / 2, H(0) = Re G(0),
    // whose sums are real: one transform of H₁ + i·H₂ makes two hologram
    // columns, the one as its real part and the other as its imaginary part.
    const int R = g.canvasRows, pairInputs = 2 * R - 1, pairs = (M + 1) / 2;
    const ChirpZ alongV(pairInputs, N, HologramPi, SpanOf(g.H), R - 1);

    ThreadPool& pool = context.pool();
    const double rowValues = ChirpZ::TransformedValues(g.canvasColumns, M);
    const double pairValues = ChirpZ::TransformedValues(pairInputs, N);
    const double total = Y * rowValues + pairs * pairValues;
    const int parts = total < ParallelTransformValues ? 1 : pool.size();
    std::vector<Slice> slices;
    slices.reserve(sz(parts));
    for (int s = 0; s < parts; ++s) slices.push_back({ChirpZ::Work(alongU), ChirpZ::Work(alongV), {}});
    double done = 0;
    auto progressed = [&](double values) {
        done += values;
        reportThrough(
            static_cast<int>(std::min<double>(g.canvasColumns - 1, g.canvasColumns * done / total)));
    };

    // G(u, y') = Σx A(x, y) e^{i u αx}, stored hologram column by hologram
    // column: each column's lit rows together.
    std::vector<Complex> rowSums(sz(1LL * Y * M));
    const int step = parts * TransformsPerStep;
    for (int j0 = 0; j0 < Y; j0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, Y - j0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            const ChirpZ::Work& work = slices[sz(s)].alongU;
            Complex* reversed = work.reversed();
            const Complex* chirp = alongU.inputChirp();
            for (int j = j0 + first; j < j0 + last; ++j) {
                StopIfCancelled(cancel);
                const std::size_t begin = lit.first[sz(j)], end = lit.first[sz(j) + 1];
                for (std::size_t k = begin; k < end; ++k) {
                    const std::size_t i = lit.points[k];
                    const Complex unit{static_cast<float>(std::cos(phases[i])),
                                       static_cast<float>(std::sin(phases[i]))};
                    reversed[alongU.reversedIndex(points[i].x)] = Times(unit, chirp[points[i].x]);
                }
                Complex* row = rowSums.data() + j;
                alongU.transformReversedBlocks(
                    work, [&](int u0, int columns, const Complex* convolved, const Complex* outputChirp) {
                        for (int u = 0; u < columns; ++u)
                            row[sz(1LL * (u0 + u) * Y)] = Times(outputChirp[u], convolved[u]);
                    });
                for (std::size_t k = begin; k < end; ++k)
                    reversed[alongU.reversedIndex(points[lit.points[k]].x)] = {};
            }
        });
        progressed(count * rowValues);
    }

    // F(u, ·) += Re Σy G(u, y) e^{i v αy}, two hologram columns at a time.
    for (int p0 = 0; p0 < pairs; p0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, pairs - p0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Slice& slice = slices[sz(s)];
            // Row y of H goes in as input R − 1 + y; the places of unlit rows
            // are never written, so they stay zero.
            Complex* reversed = slice.alongV.reversed();
            const Complex* chirp = alongV.inputChirp();
            const auto put = [&](int n, Complex h) {
                reversed[alongV.reversedIndex(n)] = Times(h, chirp[n]);
            };
            for (int q = p0 + first; q < p0 + last; ++q) {
                StopIfCancelled(cancel);
                const int u = 2 * q;
                const bool second = u + 1 < M;
                const Complex* one = rowSums.data() + 1LL * u * Y;
                const Complex* other = second ? one + Y : nullptr;
                for (int j = 0; j < Y; ++j) {
                    const Complex g1 = one[j], g2 = second ? other[j] : Complex{};
                    const int y = lit.y[sz(j)];
                    if (y == 0) {
                        put(R - 1, {g1.real(), g2.real()});
                    } else {
                        put(R - 1 + y, {0.5f * (g1.real() - g2.imag()), 0.5f * (g1.imag() + g2.real())});
                        put(R - 1 - y, {0.5f * (g1.real() + g2.imag()), 0.5f * (g2.real() - g1.imag())});
                    }
                }
                float* first = field.column(u);
                float* next = second ? field.column(u + 1) : nullptr;
                alongV.transformReversedBlocks(
                    slice.alongV,
                    [&](int firstRow, int rowCount, const Complex* convolved, const Complex* chirp) {
                        AddPair(first + firstRow, next ? next + firstRow : nullptr, convolved, chirp,
                                rowCount, slice.range);
                    });
            }
        });
        progressed(count * pairValues);
    }
    if (range) {
        FieldRange found;
        for (const Slice& slice : slices) {
            found.maximum = slice.range.maximum > found.maximum ? slice.range.maximum : found.maximum;
            found.minimum = slice.range.minimum < found.minimum ? slice.range.minimum : found.minimum;
        }
        *range = found;
    }
    reportThrough(g.canvasColumns);
}

}  // namespace marbleck
