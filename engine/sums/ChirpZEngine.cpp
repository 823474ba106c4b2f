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

// Hologram columns one thread gathers at a time: their values of one lit
// row are read together. Fewer where their inputs would take more than
// ChunkBytes.
constexpr int ColumnsPerChunk = 16;
constexpr std::size_t ChunkBytes = std::size_t{1} << 20;

int ColumnsPerChunkOf(int inputs) {
    const std::size_t columnBytes = sizeof(std::complex<float>) * static_cast<std::size_t>(inputs);
    return static_cast<int>(std::clamp<std::size_t>(ChunkBytes / columnBytes, 1, ColumnsPerChunk));
}

// Transform values below which the calling thread works alone: the pool's
// threads would wake for less than they save.
constexpr double ParallelTransformValues = 1 << 16;

// column[v] += Re(chirp[v]·convolved[v]) for v < count, the product's two
// halves rounded to 32-bit as std::complex's would round them and the sum
// rounded once; widens `range` to the new values as FindRange compares (a
// value replaces an end only when it compares beyond it, so NaN never does).
void AddRealProductsPlain(float* column, const Complex* convolved, const Complex* chirp, int count,
                          FieldRange& range) {
    const auto* y = reinterpret_cast<const float*>(convolved);
    const auto* c = reinterpret_cast<const float*>(chirp);
    float minimum = range.minimum, maximum = range.maximum;
    for (int v = 0; v < count; ++v) {
        const float re = c[2 * v] * y[2 * v], im = c[2 * v + 1] * y[2 * v + 1];
        const float sum = column[v] + (re - im);
        column[v] = sum;
        maximum = sum > maximum ? sum : maximum;
        minimum = sum < minimum ? sum : minimum;
    }
    range = {minimum, maximum};
}

#if defined(__x86_64__)
// The same eight values at a time in AVX2: the same roundings in the same
// order, and max/min instructions that keep their second operand unless the
// first compares beyond it, as the comparisons above do.
__attribute__((target("avx2"))) void AddRealProductsAvx2(float* column, const Complex* convolved,
                                                         const Complex* chirp, int count, FieldRange& range) {
    const auto* y = reinterpret_cast<const float*>(convolved);
    const auto* c = reinterpret_cast<const float*>(chirp);
    __m256 maximum = _mm256_set1_ps(range.maximum), minimum = _mm256_set1_ps(range.minimum);
    int v = 0;
    for (; v + 8 <= count; v += 8) {
        const __m256 low = _mm256_mul_ps(_mm256_loadu_ps(c + 2 * v), _mm256_loadu_ps(y + 2 * v));
        const __m256 high = _mm256_mul_ps(_mm256_loadu_ps(c + 2 * v + 8), _mm256_loadu_ps(y + 2 * v + 8));
        // re − im of values 0 1 4 5 | 2 3 6 7, put back in order.
        const __m256 parts =
            _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(_mm256_hsub_ps(low, high)), 0b11011000));
        const __m256 sum = _mm256_add_ps(_mm256_loadu_ps(column + v), parts);
        _mm256_storeu_ps(column + v, sum);
        maximum = _mm256_max_ps(sum, maximum);
        minimum = _mm256_min_ps(sum, minimum);
    }
    alignas(32) float highest[8], lowest[8];
    _mm256_store_ps(highest, maximum);
    _mm256_store_ps(lowest, minimum);
    for (int i = 0; i < 8; ++i) {
        range.maximum = highest[i] > range.maximum ? highest[i] : range.maximum;
        range.minimum = lowest[i] < range.minimum ? lowest[i] : range.minimum;
    }
    AddRealProductsPlain(column + v, convolved + v, chirp + v, count - v, range);
}
#endif

void AddRealProducts(float* column, const Complex* convolved, const Complex* chirp, int count,
                     FieldRange& range) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return AddRealProductsAvx2(column, convolved, chirp, count, range);
#endif
    AddRealProductsPlain(column, convolved, chirp, count, range);
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

// One thread's arrays: the work of each direction's transform, and the
// inputs of a chunk of hologram columns, gathered from G.
struct Slice {
    ChirpZ::Work alongU;
    ChirpZ::Work alongV;
    std::vector<Complex> columnInputs;
    FieldRange range;
};

}  // namespace

double ChirpZTransformValues(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    if (points.empty() || g.columns <= 0 || g.rows <= 0) return 0.0;
    std::vector<bool> lit(static_cast<std::size_t>(g.canvasRows), false);
    for (const ObjectPoint& p : points) lit[static_cast<std::size_t>(p.y)] = true;
    const auto rows = static_cast<double>(std::count(lit.begin(), lit.end(), true));
    return rows * ChirpZ::TransformedValues(g.canvasColumns, g.columns) +
           static_cast<double>(g.columns) * ChirpZ::TransformedValues(g.canvasRows, g.rows);
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
    const ChirpZ alongV(g.canvasRows, N, HologramPi, SpanOf(g.H));

    ThreadPool& pool = context.pool();
    const double rowValues = ChirpZ::TransformedValues(g.canvasColumns, M);
    const double columnValues = ChirpZ::TransformedValues(g.canvasRows, N);
    const double total = Y * rowValues + M * columnValues;
    const int parts = total < ParallelTransformValues ? 1 : pool.size();
    const int chunk = ColumnsPerChunkOf(g.canvasRows);
    std::vector<Slice> slices;
    slices.reserve(sz(parts));
    for (int s = 0; s < parts; ++s)
        slices.push_back({ChirpZ::Work(alongU),
                          ChirpZ::Work(alongV),
                          std::vector<Complex>(sz(1LL * chunk * g.canvasRows)),
                          {}});
    double done = 0;
    auto progressed = [&](double values) {
        done += values;
        reportThrough(
            static_cast<int>(std::min<double>(g.canvasColumns - 1, g.canvasColumns * done / total)));
    };

    // G(u, y') = Σx A(x, y) e^{i u αx}: lit rows × hologram columns.
    std::vector<Complex> rowSums(sz(1LL * Y * M));
    const int step = parts * TransformsPerStep;
    for (int j0 = 0; j0 < Y; j0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, Y - j0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            const ChirpZ::Work& work = slices[sz(s)].alongU;
            Complex* a = work.data();
            for (int j = j0 + first; j < j0 + last; ++j) {
                StopIfCancelled(cancel);
                std::fill(a, a + g.canvasColumns, Complex{});
                for (std::size_t k = lit.first[sz(j)]; k < lit.first[sz(j) + 1]; ++k) {
                    const std::size_t i = lit.points[k];
                    a[points[i].x] = {static_cast<float>(std::cos(phases[i])),
                                      static_cast<float>(std::sin(phases[i]))};
                }
                alongU.transform(work);
                std::copy(work.output(), work.output() + M, rowSums.begin() + 1LL * j * M);
            }
        });
        progressed(count * rowValues);
    }

    // F(u, ·) += Re Σy G(u, y) e^{i v αy}, hologram column by column, the
    // inputs of a chunk of columns gathered at a time per thread.
    for (int u0 = 0; u0 < M; u0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, M - u0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Slice& slice = slices[sz(s)];
            const int rows = g.canvasRows;
            for (int c0 = u0 + first; c0 < u0 + last; c0 += chunk) {
                StopIfCancelled(cancel);
                const int columns = std::min(chunk, u0 + last - c0);
                std::fill(slice.columnInputs.begin(), slice.columnInputs.end(), Complex{});
                for (int j = 0; j < Y; ++j) {
                    const Complex* from = rowSums.data() + 1LL * j * M + c0;
                    Complex* to = slice.columnInputs.data() + lit.y[sz(j)];
                    for (int c = 0; c < columns; ++c) to[1LL * c * rows] = from[c];
                }
                for (int c = 0; c < columns; ++c) {
                    const Complex* inputs = slice.columnInputs.data() + 1LL * c * rows;
                    std::copy(inputs, inputs + rows, slice.alongV.data());
                    float* column = field.column(c0 + c);
                    alongV.transformBlocks(slice.alongV, [&](int firstRow, int rowCount,
                                                             const Complex* convolved, const Complex* chirp) {
                        AddRealProducts(column + firstRow, convolved, chirp, rowCount, slice.range);
                    });
                }
            }
        });
        progressed(count * columnValues);
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
