#include "engine/sums/ChirpZEngine.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "engine/core/ParallelFor.h"
#include "engine/objects/PointRotation.h"
#include "engine/transforms/ChirpZ.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// Transforms one thread runs between two looks at the progress and between
// the calling thread's reports: a fraction of a millisecond each.
constexpr int TransformsPerStep = 32;

// Hologram rows one thread writes into the field at a time: their values of
// one hologram column are contiguous there.
constexpr int RowsPerChunk = 16;

// Transform values below which the calling thread works alone: the pool's
// threads would wake for less than they save.
constexpr double ParallelTransformValues = 1 << 16;

// The lit canvas columns and where each one's points start, in scan order.
struct LitColumns {
    std::vector<int> x;
    std::vector<std::size_t> first;  // one more than x: the end of the last
};

LitColumns LitColumnsOf(std::span<const ObjectPoint> points) {
    LitColumns lit;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (i == 0 || points[i].x != points[i - 1].x) {
            lit.x.push_back(points[i].x);
            lit.first.push_back(i);
        }
    lit.first.push_back(points.size());
    return lit;
}

// The step numerator and denominator of a side of `size` pixels: the angle
// of sample n is n·C / (size − 1), or 0 on a side one pixel long.
double SpanOf(float size) { return static_cast<double>(size) - 1.0; }

// One thread's arrays.
struct Slice {
    ChirpZ::Work alongV;
    ChirpZ::Work alongU;
    std::vector<float> chunk;  // columns × RowsPerChunk: the sums of a chunk of rows
    FieldRange range;
};

}  // namespace

double ChirpZTransformValues(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    if (points.empty() || g.columns <= 0 || g.rows <= 0) return 0.0;
    const double lit = static_cast<double>(LitColumnsOf(points).x.size());
    return lit * ChirpZ::LengthFor(g.canvasRows + g.rows - 1) +
           static_cast<double>(g.rows) * ChirpZ::LengthFor(g.canvasColumns + g.columns - 1);
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
    const LitColumns lit = LitColumnsOf(points);
    const int X = static_cast<int>(lit.x.size());
    const ChirpZ alongV(g.canvasRows, N, HologramPi, SpanOf(g.H));
    const ChirpZ alongU(g.canvasColumns, M, HologramPi, SpanOf(g.W));

    ThreadPool& pool = context.pool();
    const double total = static_cast<double>(X) * alongV.length() + static_cast<double>(N) * alongU.length();
    const int parts = total < ParallelTransformValues ? 1 : pool.size();
    std::vector<Slice> slices;
    slices.reserve(sz(parts));
    for (int s = 0; s < parts; ++s)
        slices.push_back(
            {ChirpZ::Work(alongV), ChirpZ::Work(alongU), std::vector<float>(sz(1LL * M * RowsPerChunk)), {}});
    double done = 0;
    auto progressed = [&](double values) {
        done += values;
        reportThrough(
            static_cast<int>(std::min<double>(g.canvasColumns - 1, g.canvasColumns * done / total)));
    };

    // B(x', v) = Σy A(x, y) e^{i v αy}: lit columns × rows.
    std::vector<Complex> b(sz(1LL * X * N));
    const int step = parts * TransformsPerStep;
    for (int j0 = 0; j0 < X; j0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, X - j0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Complex* a = slices[sz(s)].alongV.data();
            for (int j = j0 + first; j < j0 + last; ++j) {
                StopIfCancelled(cancel);
                std::fill(a, a + g.canvasRows, Complex{});
                for (std::size_t i = lit.first[sz(j)]; i < lit.first[sz(j) + 1]; ++i)
                    a[points[i].y] = {static_cast<float>(std::cos(phases[i])),
                                      static_cast<float>(std::sin(phases[i]))};
                alongV.transform(slices[sz(s)].alongV);
                std::copy(a, a + N, b.begin() + 1LL * j * N);
            }
        });
        progressed(static_cast<double>(count) * alongV.length());
    }

    // F(u, v) += Re Σx B(x, v) e^{i u αx}, a chunk of rows at a time per
    // thread, each chunk added to the field column by column.
    for (int v0 = 0; v0 < N; v0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, N - v0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Slice& slice = slices[sz(s)];
            Complex* a = slice.alongU.data();
            float minimum = slice.range.minimum, maximum = slice.range.maximum;
            for (int c0 = v0 + first; c0 < v0 + last; c0 += RowsPerChunk) {
                StopIfCancelled(cancel);
                const int rows = std::min(RowsPerChunk, v0 + last - c0);
                for (int r = 0; r < rows; ++r) {
                    std::fill(a, a + g.canvasColumns, Complex{});
                    for (int j = 0; j < X; ++j) a[lit.x[sz(j)]] = b[sz(1LL * j * N + c0 + r)];
                    alongU.transform(slice.alongU);
                    for (int u = 0; u < M; ++u) slice.chunk[sz(1LL * u * RowsPerChunk + r)] = a[u].real();
                }
                for (int u = 0; u < M; ++u) {
                    float* column = field.column(u) + c0;
                    const float* sums = slice.chunk.data() + 1LL * u * RowsPerChunk;
                    for (int r = 0; r < rows; ++r) {
                        const float value =
                            static_cast<float>(static_cast<double>(column[r]) + static_cast<double>(sums[r]));
                        column[r] = value;
                        // As FindRange compares: NaN never replaces an end.
                        maximum = value > maximum ? value : maximum;
                        minimum = value < minimum ? value : minimum;
                    }
                }
            }
            slice.range = {minimum, maximum};
        });
        progressed(static_cast<double>(count) * alongU.length());
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
