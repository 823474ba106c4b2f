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
constexpr int TransformsPerStep = 64;

// Hologram columns one thread transforms at a time: their values of one lit
// row are read together. Fewer where their arrays would take more than
// ChunkBytes, so that a tall hologram's threads stay within a few MiB each.
constexpr int ColumnsPerChunk = 16;
constexpr std::size_t ChunkBytes = std::size_t{8} << 20;

int ColumnsPerChunkOf(const ChirpZ& transform) {
    const std::size_t columnBytes =
        3 * sizeof(std::complex<float>) * static_cast<std::size_t>(transform.length());
    return static_cast<int>(std::clamp<std::size_t>(ChunkBytes / columnBytes, 1, ColumnsPerChunk));
}

// Transform values below which the calling thread works alone: the pool's
// threads would wake for less than they save.
constexpr double ParallelTransformValues = 1 << 16;

// column[v] += Re sums[v] for v < rows, in 64-bit rounded to 32-bit once,
// in the widest vectors the processor has (each value rounds as it would
// alone); widens `range` to the new values as FindRange compares, NaN never
// replacing an end.
__attribute__((target_clones("avx2", "default"))) void AddRealParts(float* column, const Complex* sums,
                                                                    int rows, FieldRange& range) {
    const auto* parts = reinterpret_cast<const float*>(sums);
    for (int v = 0; v < rows; ++v)
        column[v] = static_cast<float>(static_cast<double>(column[v]) + static_cast<double>(parts[2 * v]));
    float minimum = range.minimum, maximum = range.maximum;
    for (int v = 0; v < rows; ++v) {
        maximum = column[v] > maximum ? column[v] : maximum;
        minimum = column[v] < minimum ? column[v] : minimum;
    }
    range = {minimum, maximum};
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

// One thread's arrays: one per hologram column of a chunk, whose values of a
// lit row of G are contiguous and so are read together.
struct Slice {
    ChirpZ::Work alongU;
    std::vector<ChirpZ::Work> alongV;
    FieldRange range;
};

}  // namespace

double ChirpZTransformValues(const HologramGeometry& g, std::span<const ObjectPoint> points) {
    if (points.empty() || g.columns <= 0 || g.rows <= 0) return 0.0;
    std::vector<bool> lit(static_cast<std::size_t>(g.canvasRows), false);
    for (const ObjectPoint& p : points) lit[static_cast<std::size_t>(p.y)] = true;
    const auto rows = static_cast<double>(std::count(lit.begin(), lit.end(), true));
    return rows * ChirpZ::LengthFor(g.canvasColumns + g.columns - 1) +
           static_cast<double>(g.columns) * ChirpZ::LengthFor(g.canvasRows + g.rows - 1);
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
    const double total = static_cast<double>(Y) * alongU.length() + static_cast<double>(M) * alongV.length();
    const int parts = total < ParallelTransformValues ? 1 : pool.size();
    const int chunk = ColumnsPerChunkOf(alongV);
    std::vector<Slice> slices;
    slices.reserve(sz(parts));
    for (int s = 0; s < parts; ++s) {
        std::vector<ChirpZ::Work> columns;
        columns.reserve(sz(chunk));
        for (int c = 0; c < chunk; ++c) columns.emplace_back(alongV);
        slices.push_back({ChirpZ::Work(alongU), std::move(columns), {}});
    }
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
            Complex* a = slices[sz(s)].alongU.data();
            for (int j = j0 + first; j < j0 + last; ++j) {
                StopIfCancelled(cancel);
                std::fill(a, a + g.canvasColumns, Complex{});
                for (std::size_t k = lit.first[sz(j)]; k < lit.first[sz(j) + 1]; ++k) {
                    const std::size_t i = lit.points[k];
                    a[points[i].x] = {static_cast<float>(std::cos(phases[i])),
                                      static_cast<float>(std::sin(phases[i]))};
                }
                alongU.transform(slices[sz(s)].alongU);
                std::copy(slices[sz(s)].alongU.output(), slices[sz(s)].alongU.output() + M,
                          rowSums.begin() + 1LL * j * M);
            }
        });
        progressed(static_cast<double>(count) * alongU.length());
    }

    // F(u, ·) += Re Σy G(u, y) e^{i v αy}, hologram column by column, a
    // chunk of columns at a time per thread.
    for (int u0 = 0; u0 < M; u0 += step) {
        StopIfCancelled(cancel);
        const int count = std::min(step, M - u0);
        ParallelFor(pool, parts, count, [&](int s, int first, int last) {
            Slice& slice = slices[sz(s)];
            for (int c0 = u0 + first; c0 < u0 + last; c0 += chunk) {
                StopIfCancelled(cancel);
                const int columns = std::min(chunk, u0 + last - c0);
                for (int c = 0; c < columns; ++c)
                    std::fill(slice.alongV[sz(c)].data(), slice.alongV[sz(c)].data() + g.canvasRows,
                              Complex{});
                for (int j = 0; j < Y; ++j) {
                    const Complex* from = rowSums.data() + 1LL * j * M + c0;
                    const int y = lit.y[sz(j)];
                    for (int c = 0; c < columns; ++c) slice.alongV[sz(c)].data()[y] = from[c];
                }
                for (int c = 0; c < columns; ++c) {
                    alongV.transform(slice.alongV[sz(c)]);
                    AddRealParts(field.column(c0 + c), slice.alongV[sz(c)].output(), N, slice.range);
                }
            }
        });
        progressed(static_cast<double>(count) * alongV.length());
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
